#pragma once
// Number texts as the scene writer prints them (%g, %d, %u, %.3f, %16.16f,
// "inf", "nan"), read back. Every function takes a token [begin, end) that
// numberEnd() delimited and reads all of it or fails.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vel::text {

namespace detail {
struct CharTable {
    bool number[256] = {};
    bool start[256] = {};
    constexpr CharTable()
    {
        for (const char c : std::string_view("0123456789+-.eEinfaINFA"))
            number[static_cast<unsigned char>(c)] = true;
        for (const char c : std::string_view("0123456789+-.in"))
            start[static_cast<unsigned char>(c)] = true;
    }
};
inline constexpr CharTable kChars{};
} // namespace detail

// Characters that may stand in a number: digits, sign, point, exponent,
// and the letters of inf and nan.
inline bool isNumberChar(char c)
{
    return detail::kChars.number[static_cast<unsigned char>(c)];
}
// Characters that may begin one: digits, '-', '+', '.', 'i', 'n'.
inline bool startsNumber(char c)
{
    return detail::kChars.start[static_cast<unsigned char>(c)];
}

// The number that the eight bytes of `word` write as digits 0 to 9, the
// first in memory order the most significant: pairs, quadruples and the
// octet combined, each step one multiplication (v * (10 * 2^8 + 1) >> 8 is
// v * 10 + (v >> 8), modulo the top byte that the mask drops).
[[gnu::always_inline]] inline std::uint64_t topDigitsValue(std::uint64_t v)
{
    v = ((v * (10 * 0x100 + 1)) >> 8) & 0x00FF00FF00FF00FFull;
    v = ((v * (100 * 0x10000 + 1)) >> 16) & 0x0000FFFF0000FFFFull;
    return (v * (10000 * 0x100000000ull + 1)) >> 32;
}

// The number that the first `count` (1 to 8) bytes of `word` write, where
// `word` is eight bytes of text in memory order with '0' taken off each
// (xor 0x30) and those bytes are digits.
[[gnu::always_inline]] inline std::uint64_t digitsValue(std::uint64_t word, int count)
{
    return topDigitsValue(word << (8 * (8 - count)));
}

// The leading decimal digits of the eight bytes at `p` (all eight must be
// readable): how many there are (0 to 8) and, in `value`, the number they
// write. Branch-free: eight bytes are looked at as one word.
inline int leadingDigits(const char* p, std::uint64_t& value)
{
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    const std::uint64_t t = word ^ 0x3030303030303030ull; // digits become 0 to 9
    const std::uint64_t beyond =
        (((t & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull) | t) & 0x8080808080808080ull;
    const int count = beyond ? std::countr_zero(beyond) / 8 : 8;
    if (count == 0) {
        value = 0;
        return 0;
    }
    value = digitsValue(t, count);
    return count;
}

namespace detail {

inline constexpr std::uint32_t kTens[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Digits at s into `mantissa`, eight at a time where the text allows.
// Returns how many were read.
inline int readDigits(const char*& s, const char* end, std::uint64_t& mantissa)
{
    int count = 0;
    for (;;) {
        if (end - s >= 8) {
            std::uint64_t value;
            const int n = leadingDigits(s, value);
            mantissa = mantissa * kTens[n] + value;
            s += n;
            count += n;
            if (n < 8 || mantissa >= (1ull << 32))
                return count;
        } else {
            while (s < end && static_cast<unsigned>(*s - '0') <= 9) {
                mantissa = mantissa * 10 + static_cast<unsigned>(*s++ - '0');
                ++count;
            }
            return count;
        }
    }
}

} // namespace detail

// The float nearest to mantissa / 10^digits, for a mantissa of at most 2^24
// and digits from 0 to 10: the mantissa times the double nearest 10^-digits
// is within 2^-52 of the value (relatively), while the value lies at least
// 1/(5^10 * 2^25) > 2^-49 away from every halfway point between floats
// (where it is not a float itself), so narrowing that double gives the
// nearest float, as a division would, without its latency. With no digits
// the product is the mantissa itself, a float.
[[gnu::always_inline]] inline float fractionFloat(std::uint64_t mantissa, std::uint64_t digits)
{
    static constexpr double kInverse[] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7, 1e-8, 1e-9, 1e-10};
    // Through a signed int, which converts in one instruction (the same value).
    return static_cast<float>(static_cast<double>(static_cast<std::int64_t>(mantissa)) * kInverse[digits]);
}

// fractionFloat(mantissa, digits) with the sign of `negative`, -0 included:
// the same product with the power's sign, since a product's and a
// narrowing's rounding do not depend on the signs.
[[gnu::always_inline]] inline float fractionFloat(std::uint64_t mantissa, std::uint64_t digits, bool negative)
{
    static constexpr double kInverse[2][11] = {{1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7, 1e-8, 1e-9, 1e-10},
                                               {-1e0, -1e-1, -1e-2, -1e-3, -1e-4, -1e-5, -1e-6, -1e-7, -1e-8, -1e-9,
                                                -1e-10}};
    return static_cast<float>(static_cast<double>(static_cast<std::int64_t>(mantissa)) * kInverse[negative][digits]);
}

// The float nearest to mantissa * 10^exponent, for a mantissa of at most
// 2^24 and an exponent from -10 to 10. Up: 10^exponent is a float, and one
// float multiplication rounds once. Down: fractionFloat.
inline float scaledFloat(std::uint64_t mantissa, int exponent)
{
    static constexpr float kPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    return exponent < 0 ? fractionFloat(mantissa, static_cast<std::uint64_t>(-exponent))
                        : static_cast<float>(mantissa) * kPowers[exponent];
}

// The float that the decimal number at `p` names, correctly rounded, for
// the texts of %g: a mantissa of at most 2^24 and an exponent of ten from
// -10 to 10 (scaledFloat). Returns the end of the number, or null when the
// text is of another form (inf, nan, more digits, a larger exponent, no
// digits), which std::from_chars then reads.
inline const char* fastFloat(const char* p, const char* end, float& value)
{
    const char* s = p;
    const bool negative = s < end && *s == '-';
    s += negative;
    std::uint64_t mantissa = 0;
    int exponent = 0; // of ten
    const int whole = detail::readDigits(s, end, mantissa);
    int fraction = 0;
    if (s < end && *s == '.') {
        ++s;
        fraction = detail::readDigits(s, end, mantissa);
        exponent = -fraction;
    }
    if (whole + fraction == 0)
        return nullptr;
    if (s < end && (*s == 'e' || *s == 'E')) {
        ++s;
        const bool minus = s < end && *s == '-';
        if (s < end && (*s == '-' || *s == '+'))
            ++s;
        const char* expDigits = s;
        int e = 0;
        while (s < end && static_cast<unsigned>(*s - '0') <= 9 && s - expDigits < 4)
            e = e * 10 + (*s++ - '0');
        if (s == expDigits || (s < end && static_cast<unsigned>(*s - '0') <= 9))
            return nullptr;
        exponent += minus ? -e : e;
    }
    if (mantissa > (1u << 24) || exponent < -10 || exponent > 10)
        return nullptr;
    const float f = scaledFloat(mantissa, exponent);
    value = negative ? -f : f;
    return s;
}
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

// The value of a number text beyond a double's range, which the standard
// readers report without a value: infinity where it is too large, zero where
// it is too small, with its sign.
double beyondRange(const char* begin, const char* end);

// True when printing `value` with %g gives exactly the token: the value
// the token was read into keeps its text.
bool generalKeepsText(double value, const char* begin, const char* end);

} // namespace vel::text
