#pragma once
// UTF-8 <-> the wide strings the Windows calls take (wchar_t is 16 bits
// there), through the system's own conversions, MultiByteToWideChar and
// WideCharToMultiByte with CP_UTF8. Malformed input becomes U+FFFD (and an
// unpaired surrogate U+FFFD on the way back), as in Utf16.h, so a bad byte
// never silently shortens a name into another valid one.

#include <windows.h>

#include <string>
#include <string_view>

namespace platform {

inline std::wstring wide(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int bytes = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, text.data(), length);
    return text;
}

inline std::string narrow(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int units = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), units, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

} // namespace platform
