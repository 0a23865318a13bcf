#pragma once
// The files of the source tree that tests read: designs, golden files,
// corpora of bad input.

#include <platform/Files.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace rdtest {

// relative (UTF-8, "/" between names) below the source tree's top folder:
// RD_SOURCE_DIR, which ctest sets, else the current folder. Absolute, because
// under Wine RD_SOURCE_DIR is a Linux path that only the current drive makes
// whole.
inline std::filesystem::path sourcePath(std::string_view relative)
{
    const char* top = std::getenv("RD_SOURCE_DIR");
    return std::filesystem::absolute(platform::pathFromUtf8(top != nullptr ? top : ".")
                                     / platform::pathFromUtf8(relative));
}

} // namespace rdtest
