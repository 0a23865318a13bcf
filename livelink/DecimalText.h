#pragma once
// The decimal numbers of the query interface's XML texts, read the way the C
// library's atoi reads them, but without its undefined behaviour on overflow.

#include <cstdint>
#include <string_view>

namespace vel::live {

// Skips leading white space (blank, tab, newline, vertical tab, form feed,
// carriage return), takes an optional "+" or "-", then the digits up to the
// first other character. No digits give 0; a value beyond the 64-bit range
// gives the nearest limit.
std::int64_t readDecimal(std::string_view text);

// The same, limited to the 32-bit range.
int readDecimal32(std::string_view text);

} // namespace vel::live
