#include "DynamicLibrary.h"
#include "Wide.h"

#include <windows.h>

#include <utility>

namespace platform {

DynamicLibrary DynamicLibrary::load(const std::string& path)
{
    return DynamicLibrary(reinterpret_cast<void*>(LoadLibraryW(wide(path).c_str())));
}

void* DynamicLibrary::symbol(const char* name) const
{
    if (handle_ == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void DynamicLibrary::reset()
{
    if (handle_ != nullptr)
        FreeLibrary(static_cast<HMODULE>(std::exchange(handle_, nullptr)));
}

} // namespace platform
