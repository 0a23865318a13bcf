#include "NumberFormat.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#ifndef __SIZEOF_INT128__
#error "the float text needs unsigned __int128 (GCC and Clang on 64-bit targets, mingw-w64 included)"
#endif

namespace vel {

static_assert(std::endian::native == std::endian::little, "digit words are stored lowest byte first");

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

// --- Floats ------------------------------------------------------------------
//
// A finite float is v = m * 2^e with an integer m below 2^24, and 2^e2 <= v <
// 2^(e2 + 1). Its "%g" text needs n, the six significant digits of v rounded
// to nearest with ties to even (printf rounds the exact binary value), and k,
// the decimal exponent of the first digit. For k0 = floor(e2 * log10(2)), k
// is k0 or k0 + 1, so y = v * 10^(5 - k0) lies in [10^5, 10^7): its integer
// part has six or seven digits, and the rounding drops the fraction, or the
// fraction and the seventh digit.
//
// y = m * 2^e * 5^q * 2^q for q = 5 - k0 (q in [-33, 50]) is held exactly as
// a fraction a / d of 128-bit integers:
//  - q >= 0 (v below 10^6, e + q < 0): a = m * 5^q and d = 2^-(e + q), so the
//    integer part and the fraction are a shift and a mask of a. a stays
//    below 2^126: for a normal float m < 2^24 and q <= 43; for a subnormal
//    m < 2^(e2 + 150) and q <= 50, and log2(a) < 164 + 0.302 * e2 with
//    e2 <= -127.
//  - q < 0 (v from 10^6 on, e >= -3): a = m * 2^(e + q) and d = 5^-q, with
//    the power of two moved to d when e + q < 0. The quotient is estimated
//    in double (off by at most one: the estimate's relative error is below
//    2^-51 and y < 10^7) and settled by the exact remainder a - f * d.
// Nothing but exact integers decides a digit.

__extension__ typedef unsigned __int128 Wide;
__extension__ typedef __int128 SignedWide;

// 5^i for i = 0 ... 50; 5^50 < 2^117.
struct PowersOfFive {
    Wide value[51];
    constexpr PowersOfFive() : value()
    {
        Wide p = 1;
        for (Wide& v : value) {
            v = p;
            p *= 5;
        }
    }
};
constexpr PowersOfFive kFive{};

// 10^-i for i = 0 ... 33, the estimates of the q < 0 case.
constexpr double kTenths[] = {
    1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,  1e-8,  1e-9,  1e-10, 1e-11,
    1e-12, 1e-13, 1e-14, 1e-15, 1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22, 1e-23,
    1e-24, 1e-25, 1e-26, 1e-27, 1e-28, 1e-29, 1e-30, 1e-31, 1e-32, 1e-33,
};

// floor(e2 * log10(2)) by a multiply and a shift, checked over every binary
// exponent a float has against a 14-digit value of log10(2).
constexpr int decimalExponent(int e2)
{
    return (e2 * 78913) >> 18;
}
constexpr bool decimalExponentHolds()
{
    for (long long e2 = -149; e2 <= 127; ++e2) {
        const long long scaled = e2 * 30102999566398; // e2 * log10(2) * 10^14
        long long floor = scaled / 100000000000000;
        if (scaled % 100000000000000 < 0)
            --floor;
        if (decimalExponent(static_cast<int>(e2)) != floor)
            return false;
    }
    return true;
}
static_assert(decimalExponentHolds());

struct Decimal {
    std::uint32_t digits; // 100000 ... 999999
    int exponent;         // of the first digit
};

// y as its integer part and what its fraction holds, beside k0.
struct Scaled {
    std::uint64_t whole;  // floor(y)
    std::uint64_t half;   // 1 when the fraction is at least 1/2
    std::uint64_t beyond; // 1 when it differs from 0 and 1/2 besides
    int k0;
};

// Any finite float v > 0, by the fraction a / d described above.
Scaled scale(float v, std::uint32_t m, int e, int e2)
{
    const int k0 = decimalExponent(e2);
    const int q = 5 - k0;
    if (q >= 0) {
        const Wide a = Wide{m} * kFive.value[q];
        const int s = -(e + q); // 4 ... 106
        const Wide twice = a >> (s - 1);
        return {static_cast<std::uint64_t>(twice >> 1), static_cast<std::uint64_t>(twice) & 1,
                (a << (129 - s)) != 0, k0};
    }
    const int b = -q;
    const int shift = e - b;
    Wide a = m, d = kFive.value[b];
    if (shift >= 0)
        a <<= shift;
    else
        d <<= -shift;
    std::uint64_t f = static_cast<std::uint64_t>(static_cast<double>(v) * kTenths[b]);
    SignedWide r = static_cast<SignedWide>(a - Wide{f} * d);
    if (r < 0) {
        --f;
        r += static_cast<SignedWide>(d);
    } else if (r >= static_cast<SignedWide>(d)) {
        ++f;
        r -= static_cast<SignedWide>(d);
    }
    const Wide twice = 2 * static_cast<Wide>(r);
    const bool half = twice >= d;
    return {f, half, twice != (half ? d : 0), k0};
}

// Rounding off the fraction alone, or the seventh digit with it: twice what
// is dropped, in units of the last kept place divided by the unit, against
// 1, ties to even. Kept free of branches: which way a value rounds is as good
// as random.
Decimal roundToSix(const Scaled& y)
{
    const std::uint64_t seven = y.whole >= 1000000;
    const std::uint64_t tenth = y.whole / 10;
    std::uint64_t n = y.whole - seven * (y.whole - tenth);
    const std::uint64_t dropped = y.half + seven * 2 * (y.whole - 10 * tenth);
    const std::uint64_t unit = 1 + 9 * seven;
    n += (dropped > unit) | ((dropped == unit) & (y.beyond | (n & 1)));
    int k = y.k0 + static_cast<int>(seven);
    if (n == 1000000) {
        n = 100000;
        ++k;
    }
    return {static_cast<std::uint32_t>(n), k};
}

// The common case in one 64-bit product and without the seventh digit. For
// a normal float with e2 in [-32, 18] (from about 2.3e-10 to below 2^19),
// q >= 0 and s = -(e + q) <= 40, so 5^q * 2^(40 - s) is an exact integer,
// and m times it is y * 2^40 exactly: the integer part above bit 40, the
// fraction below it. Where y would reach 10^6 (m from `seven` on), k is
// k0 + 1 and the multiplier is a tenth of that, 5^(q-1) * 2^(39 - s), as
// exact (such binades have q >= 1 and s <= 39). y stays below 10^6, and
// the product below 2^60.
constexpr unsigned kCommonFirst = 127 - 32; // biased exponents
constexpr unsigned kCommonCount = 18 + 32 + 1;
constexpr int kCommonPoint = 40;

struct CommonScale {
    std::uint64_t multiplier;
    std::uint64_t tenth;
    std::uint32_t seven; // 2^24 where y stays below 10^6
    int k0;
};

constexpr std::array<CommonScale, kCommonCount> commonScales()
{
    std::array<CommonScale, kCommonCount> scale{};
    for (unsigned i = 0; i < kCommonCount; ++i) {
        const int e2 = static_cast<int>(kCommonFirst + i) - 127;
        const int k0 = decimalExponent(e2);
        const int q = 5 - k0;
        const int s = -(e2 - 23 + q);
        if (q < 0 || s > kCommonPoint)
            throw "a common scale would not be exact";
        const Wide multiplier = kFive.value[q] << (kCommonPoint - s);
        const Wide seven = ((Wide{1000000} << kCommonPoint) + multiplier - 1) / multiplier;
        if (seven < (1u << 24) && (q < 1 || s > kCommonPoint - 1))
            throw "a common scale's tenth would not be exact";
        scale[i] = {static_cast<std::uint64_t>(multiplier), static_cast<std::uint64_t>(multiplier / 10),
                    seven < (1u << 24) ? static_cast<std::uint32_t>(seven) : 1u << 24, k0};
    }
    return scale;
}
constexpr std::array<CommonScale, kCommonCount> kCommon = commonScales();

// The floats outside the common binades: nonzero subnormals, the smallest
// normals and those from 2^19 on. Kept out of line, so that the common case
// needs no registers saved.
[[gnu::noinline]] Decimal rareDecimal(float v, std::uint32_t biased, std::uint32_t fraction)
{
    if (biased != 0)
        return roundToSix(scale(v, fraction | 0x800000, static_cast<int>(biased) - 150, static_cast<int>(biased) - 127));
    return roundToSix(scale(v, fraction, -149, std::bit_width(fraction) - 150));
}

std::uint64_t digitPair(std::uint64_t v)
{
    std::uint16_t pair;
    std::memcpy(&pair, kDigitPairs + 2 * v, 2);
    return pair;
}

// The six digits of n in 100000 ... 999999, first digit in the lowest byte.
// Pairs come off the top of a 32.32 fixed-point n / 10^4, which is exact for
// every n below 10^6.
std::uint64_t sixDigitText(std::uint32_t n)
{
    std::uint64_t t = std::uint64_t{n} * 429497; // ceil(2^32 / 10^4)
    std::uint64_t word = digitPair(t >> 32);
    t = (t & 0xFFFFFFFF) * 100;
    word |= digitPair(t >> 32) << 16;
    t = (t & 0xFFFFFFFF) * 100;
    return word | digitPair(t >> 32) << 32;
}

} // namespace

char* formatGeneral(char* out, float v)
{
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
    *out = '-';
    out += bits >> 31;
    const std::uint32_t biased = bits >> 23 & 0xFF, fraction = bits & 0x7FFFFF;
    if (biased == 0xFF) {
        std::memcpy(out, fraction != 0 ? "nan" : "inf", 3);
        return out + 3;
    }
    Decimal d;
    if (biased - kCommonFirst < kCommonCount) {
        const CommonScale& c = kCommon[biased - kCommonFirst];
        const std::uint32_t m = fraction | 0x800000;
        const bool seven = m >= c.seven;
        const std::uint64_t p = m * (seven ? c.tenth : c.multiplier);
        // Ties to even: a fraction of at least the half carries into the
        // integer part, except exactly the half when that part is even.
        const std::uint64_t odd = p >> kCommonPoint & 1;
        d = {static_cast<std::uint32_t>((p + (std::uint64_t{1} << (kCommonPoint - 1)) - 1 + odd) >> kCommonPoint),
             c.k0 + seven};
        if (d.digits == 1000000)
            d = {100000, d.exponent + 1};
    } else if (biased != 0 || fraction != 0) {
        d = rareDecimal(std::bit_cast<float>(bits & 0x7FFFFFFF), biased, fraction);
    } else {
        *out = '0';
        return out + 1;
    }
    const int k = d.exponent;
    const std::uint64_t word = sixDigitText(d.digits);
    // Digits kept: up to the last one that is not 0 (the first never is).
    const int used = (71 - std::countl_zero(word - 0x303030303030)) / 8;

    // The word is stored whole and again shifted past the decimal point,
    // which then goes between the two; what lies beyond the end is scribble.
    if (k < -4 || k >= 6) {
        const std::uint64_t rest = word >> 8;
        std::memcpy(out, &word, 8);
        std::memcpy(out + 2, &rest, 8);
        out[1] = '.';
        out += used > 1 ? used + 1 : 1;
        const int magnitude = k < 0 ? -k : k; // a float's is below 100
        out[0] = 'e';
        out[1] = k < 0 ? '-' : '+';
        std::memcpy(out + 2, kDigitPairs + 2 * magnitude, 2);
        return out + 4;
    }
    if (k >= 0) {
        const std::uint64_t rest = word >> (8 * (k + 1));
        std::memcpy(out, &word, 8);
        std::memcpy(out + k + 2, &rest, 8);
        out[k + 1] = '.';
        return out + k + 1 + (used > k + 1) * (used - k); // the point only before more digits
    }
    std::memcpy(out, "0.000000", 8);
    std::memcpy(out + 1 - k, &word, 8);
    return out + 1 - k + used;
}

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
