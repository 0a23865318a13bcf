#pragma once
// UTF-8 <-> UTF-16 conversion for the Windows calls that take wide strings
// (file names, registry keys and values). Our own code keeps UTF-8 throughout.

#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 sequences become U+FFFD, so a bad byte never truncates a path
// silently into another valid one.
std::u16string utf8ToUtf16(std::string_view utf8);

// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);

} // namespace platform
