#pragma once
// Number texts of the scene file, byte for byte those of printf in the "C"
// locale, but made without printf: the writer prints millions of numbers per
// scene and printf's format parsing and locale look-ups dominate that cost.
//
// Every function writes into `out` and returns the end of what it wrote (no
// terminating zero). The caller provides kMaxNumberText bytes of room; the
// bytes after the returned end may have been scribbled on.

#include <cstddef>
#include <cstdint>

namespace vel {

// Room that any of the functions below needs at most (a "%.16f" of the
// largest double has 309 integer digits).
inline constexpr std::size_t kMaxNumberText = 340;

// Room that formatGeneral of a float needs at most.
inline constexpr std::size_t kMaxFloatText = 16;

// printf("%g", v): six significant digits, trailing zeros removed, exponent
// form below 1e-4 and from 1e6 on; "inf", "-inf", "nan", "-nan", "-0".
char* formatGeneral(char* out, double v);

// The same text for a float, that is printf("%g") of the float widened to
// double, in a formatter made for it: the six digits come from exact integer
// arithmetic on the float's 24-bit significand (no estimate decides them),
// so every one of the 2^32 floats prints as printf prints it
// (bench/sceneapi/FloatTextCheck.cpp proves it). Needs kMaxFloatText bytes.
char* formatGeneral(char* out, float v);

// printf("%*.*f", width, precision, v) with precision at most 16: right-
// aligned in at least `width` characters, padded with blanks. A finite value
// at precision 16 is always wider than 16, so the padding only ever shows on
// "inf" and "nan" there.
char* formatFixed(char* out, double v, int precision, int width = 0);

// printf("%d") and printf("%u"). They may store up to kMaxIntegerText bytes.
inline constexpr std::size_t kMaxIntegerText = 20;
char* formatInt(char* out, std::int32_t v);
char* formatUnsigned(char* out, std::uint32_t v);

} // namespace vel
