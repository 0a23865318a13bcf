#pragma once
// UTF-8 -> the wide strings the Windows calls take. wchar_t is 16 bits there.

#include "Utf16.h"

#include <string>
#include <string_view>

namespace platform {

inline std::wstring wide(std::string_view utf8)
{
    const std::u16string u16 = utf8ToUtf16(utf8);
    return std::wstring(u16.begin(), u16.end());
}

inline std::string narrow(std::wstring_view text)
{
    return utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

} // namespace platform
