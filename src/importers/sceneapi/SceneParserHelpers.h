#pragma once
// Small helpers that the parts of the scene parser share.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "NumberFormat.h"
#include "TextNumbers.h"

namespace vel::parsing {

// A binary block: the marker, the type letter, the count (32 bits, little
// endian), then the elements.
inline constexpr std::string_view kBinaryMarker("\x01\x02\x03", 3);
inline constexpr std::size_t kBinaryLetter = kBinaryMarker.size();
inline constexpr std::size_t kBinaryCount = kBinaryLetter + 1;
inline constexpr std::size_t kBinaryHeader = kBinaryCount + 4;
inline constexpr std::string_view kAssumingSurface = "// assuming surface shader";

// Runs a function when the scope ends, however it ends: state that a
// reading changes for its duration is put back on every way out.
template <typename F>
class OnScopeExit {
public:
    explicit OnScopeExit(F f) : f_(std::move(f)) {}
    ~OnScopeExit() { f_(); }
    OnScopeExit(const OnScopeExit&) = delete;
    OnScopeExit& operator=(const OnScopeExit&) = delete;

private:
    F f_;
};

inline bool isDigitOrMinus(char c)
{
    return c == '-' || static_cast<unsigned>(c - '0') <= 9;
}

inline bool isHexDigit(char c)
{
    return static_cast<unsigned>(c - '0') <= 9 || static_cast<unsigned>(c - 'a') <= 5 ||
           static_cast<unsigned>(c - 'A') <= 5;
}

inline int hexValue(char c)
{
    if (c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

inline std::uint32_t littleEndian32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
}

inline bool holdsZero(std::string_view s)
{
    return s.find('\0') != std::string_view::npos;
}

// A float read from a %g text keeps that text when printed again: normal
// floats always do (a text of six digits names one float); a subnormal one
// has fewer digits of its own and is checked.
inline bool floatKeepsGeneral(float f, const char* begin, const char* end)
{
    return std::fpclassify(f) != FP_SUBNORMAL || text::generalKeepsText(f, begin, end);
}

// An int whose %d text is the token: not "-0" nor leading zeros.
inline bool intKeepsText(std::int32_t v, const char* begin, const char* end)
{
    char text[kMaxNumberText];
    const char* stop = formatInt(text, v);
    return stop - text == end - begin && std::memcmp(text, begin, static_cast<std::size_t>(end - begin)) == 0;
}

} // namespace vel::parsing
