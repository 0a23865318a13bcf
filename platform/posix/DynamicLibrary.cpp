#include <platform/DynamicLibrary.h>

#include <dlfcn.h>

#include <utility>

namespace platform {

DynamicLibrary DynamicLibrary::load(const std::string& path, std::string* whyNot)
{
    // RTLD_LOCAL keeps the library's symbols out of the host's namespace, as
    // LoadLibrary does; RTLD_NOW reports unresolved symbols at load, not at
    // the first call.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr && whyNot != nullptr) {
        const char* reason = ::dlerror();
        *whyNot = reason != nullptr ? reason : "cannot load " + path;
    }
    return DynamicLibrary(handle);
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
