#pragma once
// Lines of a large list of ints read whole where the processor has the wide
// byte permutes (AVX-512 with VBMI and VBMI2): the eight elements of a line
// are gathered into eight lanes and converted together. The lines it does
// not take (longer or odd elements) are read element by element, so every
// line reads as simpleLines<std::int32_t, IntElement> reads it.

#include <cstddef>
#include <cstdint>

#include "SimpleElements.h"

namespace vel::parsing {

// simpleLines<std::int32_t, IntElement>: the same values, the same count,
// stopping at the same line; eight elements at once where it can.
SimpleLines intLines(const char* begin, const char* end, std::size_t blanks, std::int32_t* out);

// Whether this processor and its system run the wide line conversion.
bool wideIntLinesAvailable();

// The wide conversion of one line at `p`, its blanks passed over, 81 bytes
// at `p` readable: eight ints of "[-]digits" with one to eight digits, each
// followed by ",", then a line break. Their values to `out` and `p` to the
// next line, or false, nothing changed, for every other line (which
// simpleLine may still read). Only where wideIntLinesAvailable().
bool wideIntLine(const char*& p, std::int32_t* out);

} // namespace vel::parsing
