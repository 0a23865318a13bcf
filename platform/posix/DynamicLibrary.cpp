#include "DynamicLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace platform {

DynamicLibrary DynamicLibrary::load(const std::string& path)
{
    // RTLD_LOCAL keeps the library's symbols out of the host's namespace, as
    // LoadLibrary does; RTLD_NOW reports unresolved symbols at load, not at
    // the first call.
    return DynamicLibrary(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

void* DynamicLibrary::symbol(const char* name) const
{
    return handle_ != nullptr ? ::dlsym(handle_, name) : nullptr;
}

void DynamicLibrary::reset()
{
    if (handle_ != nullptr)
        ::dlclose(std::exchange(handle_, nullptr));
}

} // namespace platform
