#pragma once
// The text of a list's elements as a function that formats any run of them:
// what lets a large list be formatted in pieces, on several threads, and
// still come out as the same bytes as in one pass.

#include <cstddef>
#include <cstdint>

namespace vel {

struct ListText {
    std::uint32_t count = 0;
    // The most bytes one element's text takes, with what follows it (its
    // separator, a line break and the next line's indentation).
    std::size_t elementRoom = 0;
    // Writes elements [first, last) and what follows each into `out`, which
    // has room for (last - first) * elementRoom bytes, and returns the end.
    // Called from any thread, also for several runs at once.
    char* (*format)(const void* context, char* out, std::uint32_t first, std::uint32_t last) = nullptr;
    const void* context = nullptr;
};

} // namespace vel
