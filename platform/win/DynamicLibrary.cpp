#include <platform/DynamicLibrary.h>
#include "Wide.h"

#include <windows.h>

#include <string>
#include <utility>

namespace platform {

DynamicLibrary DynamicLibrary::load(const std::string& path, std::string* whyNot)
{
    HMODULE handle = LoadLibraryW(wide(path).c_str());
    if (handle == nullptr && whyNot != nullptr) {
        const DWORD code = GetLastError();
        char text[512] = {};
        const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                            0, text, sizeof text, nullptr);
        std::string reason(text, length);
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
            reason.pop_back();
        *whyNot = path + ": " + (reason.empty() ? "error " + std::to_string(code) : reason);
    }
    return DynamicLibrary(reinterpret_cast<void*>(handle));
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
