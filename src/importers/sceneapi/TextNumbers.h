#pragma once
// Number texts as the scene writer prints them (%g, %d, %u, %.3f, %16.16f,
// "inf", "nan"), read back. Every function takes a token [begin, end) that
// numberEnd() delimited and reads all of it or fails.

#include <cstdint>

namespace vel::text {

// Characters that may stand in a number: digits, sign, point, exponent,
// and the letters of inf and nan.
bool isNumberChar(char c);
// Characters that may begin one: digits, '-', '+', '.', 'i', 'n'.
bool startsNumber(char c);
// The end of the run of number characters from `p`.
const char* numberEnd(const char* p, const char* end);

// Optional '-', then digits only.
bool isIntegerText(const char* begin, const char* end);
// "%.16f" of a finite double: optional '-', digits, '.', exactly 16 digits.
bool isFixed16Text(const char* begin, const char* end);

bool toInt32(const char* begin, const char* end, std::int32_t& value);
bool toUInt32(const char* begin, const char* end, std::uint32_t& value);
bool toFloat(const char* begin, const char* end, float& value);
bool toDouble(const char* begin, const char* end, double& value);

// True when printing `value` with %g gives exactly the token: the value
// the token was read into keeps its text.
bool generalKeepsText(double value, const char* begin, const char* end);

} // namespace vel::text
