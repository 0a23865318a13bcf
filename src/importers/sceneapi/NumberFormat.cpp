#include "NumberFormat.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace vel {

namespace {

// 10^p for p = -60 ... 70, each the double nearest to the exact power.
constexpr int kPowMin = -60;
constexpr double kPow10[] = {
    1e-60, 1e-59, 1e-58, 1e-57, 1e-56, 1e-55, 1e-54, 1e-53,
    1e-52, 1e-51, 1e-50, 1e-49, 1e-48, 1e-47, 1e-46, 1e-45,
    1e-44, 1e-43, 1e-42, 1e-41, 1e-40, 1e-39, 1e-38, 1e-37,
    1e-36, 1e-35, 1e-34, 1e-33, 1e-32, 1e-31, 1e-30, 1e-29,
    1e-28, 1e-27, 1e-26, 1e-25, 1e-24, 1e-23, 1e-22, 1e-21,
    1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13,
    1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6, 1e-5,
    1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3,
    1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19,
    1e20, 1e21, 1e22, 1e23, 1e24, 1e25, 1e26, 1e27,
    1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35,
    1e36, 1e37, 1e38, 1e39, 1e40, 1e41, 1e42, 1e43,
    1e44, 1e45, 1e46, 1e47, 1e48, 1e49, 1e50, 1e51,
    1e52, 1e53, 1e54, 1e55, 1e56, 1e57, 1e58, 1e59,
    1e60, 1e61, 1e62, 1e63, 1e64, 1e65, 1e66, 1e67,
    1e68, 1e69, 1e70,
};
constexpr int kPowMax = kPowMin + static_cast<int>(sizeof kPow10 / sizeof kPow10[0]) - 1;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The four digits of every number below 10000: integers take two lookups
// per eight digits instead of a division per digit pair.
struct DigitQuads {
    char text[4 * 10000];
    constexpr DigitQuads() : text()
    {
        for (int i = 0; i < 10000; ++i) {
            text[4 * i] = static_cast<char>('0' + i / 1000);
            text[4 * i + 1] = static_cast<char>('0' + i / 100 % 10);
            text[4 * i + 2] = static_cast<char>('0' + i / 10 % 10);
            text[4 * i + 3] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitQuads kQuads{};

// v below 10^8 without leading zeros. Stores eight bytes at `out`.
char* upToEightDigits(char* out, std::uint32_t v)
{
    const std::uint32_t high = v / 10000, low = v - high * 10000;
    std::uint32_t a, b;
    std::memcpy(&a, kQuads.text + 4 * high, 4);
    std::memcpy(&b, kQuads.text + 4 * low, 4);
    std::uint64_t digits = std::uint64_t{a} | (std::uint64_t{b} << 32); // first digit in the lowest byte
    const std::uint64_t values = digits & 0x0F0F0F0F0F0F0F0Full;          // '0' is 0x30: zero digits vanish
    const int leadingZeros = values != 0 ? std::countr_zero(values) / 8 : 7;
    digits >>= 8 * leadingZeros;
    std::memcpy(out, &digits, 8);
    return out + (8 - leadingZeros);
}

char* nonFinite(char* out, double v)
{
    if (std::signbit(v))
        *out++ = '-';
    std::memcpy(out, std::isnan(v) ? "nan" : "inf", 3);
    return out + 3;
}

// The six significant digits of |v| correctly rounded (ties to even, as
// printf does on the exact binary value) and the decimal exponent of the
// first digit. False when the fast path cannot decide; the caller then asks
// the exact formatter.
//
// |v| * 10^(5-k) is computed in double. Both the table power and the product
// are rounded once, so the scaled value y < 2^20 is off by at most 2^-32; any
// y whose fraction lies within 2^-29 of one half is left to the exact path.
bool sixDigits(double a, std::uint32_t& digits, int& exponent)
{
    const int biased = static_cast<int>((std::bit_cast<std::uint64_t>(a) >> 52) & 0x7FF);
    const int e2 = biased - 1023;
    if (biased == 0 || e2 < -200 || e2 > 200)
        return false;
    int k = (e2 * 78913) >> 18; // floor(e2 * log10(2)); the true exponent is k or k + 1
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int p = 5 - k;
        if (p < kPowMin || p > kPowMax)
            return false;
        const double y = a * kPow10[p - kPowMin];
        if (y >= 1e6) {
            ++k;
            continue;
        }
        if (y < 1e5) {
            --k;
            continue;
        }
        const double whole = std::floor(y);
        const double fraction = y - whole;
        if (std::fabs(fraction - 0.5) < 0x1p-29)
            return false;
        std::uint32_t n = static_cast<std::uint32_t>(whole) + (fraction > 0.5 ? 1 : 0);
        if (n == 1000000) {
            n = 100000;
            ++k;
        }
        digits = n;
        exponent = k;
        return true;
    }
    return false;
}

} // namespace

char* formatGeneral(char* out, double v)
{
    if (!std::isfinite(v))
        return nonFinite(out, v);
    if (v == 0) {
        if (std::signbit(v))
            *out++ = '-';
        *out++ = '0';
        return out;
    }
    std::uint32_t n = 0;
    int x = 0;
    if (!sixDigits(std::fabs(v), n, x))
        return std::to_chars(out, out + kMaxNumberText, v, std::chars_format::general, 6).ptr;

    char d[6];
    std::memcpy(d, kDigitPairs + 2 * (n / 10000), 2);
    std::memcpy(d + 2, kDigitPairs + 2 * (n / 100 % 100), 2);
    std::memcpy(d + 4, kDigitPairs + 2 * (n % 100), 2);
    int used = 6; // significant digits left once trailing zeros are dropped
    while (d[used - 1] == '0')
        --used;

    if (v < 0)
        *out++ = '-';
    if (x < -4 || x >= 6) {
        *out++ = d[0];
        if (used > 1) {
            *out++ = '.';
            std::memcpy(out, d + 1, static_cast<std::size_t>(used - 1));
            out += used - 1;
        }
        *out++ = 'e';
        *out++ = x < 0 ? '-' : '+';
        const int ax = x < 0 ? -x : x;
        if (ax >= 100)
            *out++ = static_cast<char>('0' + ax / 100);
        std::memcpy(out, kDigitPairs + 2 * (ax % 100), 2);
        return out + 2;
    }
    if (x >= 0) {
        const int whole = x + 1;
        std::memcpy(out, d, static_cast<std::size_t>(whole));
        out += whole;
        if (used > whole) {
            *out++ = '.';
            std::memcpy(out, d + whole, static_cast<std::size_t>(used - whole));
            out += used - whole;
        }
        return out;
    }
    *out++ = '0';
    *out++ = '.';
    for (int z = -x - 1; z > 0; --z)
        *out++ = '0';
    std::memcpy(out, d, static_cast<std::size_t>(used));
    return out + used;
}

char* formatFixed(char* out, double v, int precision, int width)
{
    char text[kMaxNumberText];
    char* end = std::isfinite(v)
                    ? std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, precision).ptr
                    : nonFinite(text, v);
    const int length = static_cast<int>(end - text);
    for (int pad = width - length; pad > 0; --pad)
        *out++ = ' ';
    std::memcpy(out, text, static_cast<std::size_t>(length));
    return out + length;
}

char* formatInt(char* out, std::int32_t v)
{
    std::uint32_t magnitude = static_cast<std::uint32_t>(v);
    if (v < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    return formatUnsigned(out, magnitude);
}

char* formatUnsigned(char* out, std::uint32_t v)
{
    if (v < 100000000)
        return upToEightDigits(out, v);
    out = upToEightDigits(out, v / 100000000);
    const std::uint32_t rest = v % 100000000, high = rest / 10000, low = rest - high * 10000;
    std::memcpy(out, kQuads.text + 4 * high, 4);
    std::memcpy(out + 4, kQuads.text + 4 * low, 4);
    return out + 8;
}

} // namespace vel
