#pragma once
// The elements of large text lists in the form the writer gives them, read
// many at a time: the bytes of 64 at once are classified (commas, digits,
// points, blanks), and each element between two commas is converted where it
// has the simple form (an int of up to eight digits, a float of up to eight
// digits on either side of the point). Everything else is left to the
// parser's careful reading, which gives the same values.

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "SceneParserHelpers.h"
#include "TextNumbers.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vel::parsing {

// Bit i of each mask: whether byte i of the 64 at `p` is a comma, a decimal
// digit, a blank. All zero where the machine has no SSE2 (the careful way
// reads every element then).
struct ByteClasses {
    std::uint64_t commas = 0;
    std::uint64_t digits = 0;
    std::uint64_t blanks = 0;
};

// The classes an element's conversion looks at (the others stay zero).
enum ClassSet : unsigned { kCommas = 1, kDigits = 2, kBlanks = 4 };

// `end`: where the text ends, which the prefetch ahead stays before.
// `Classes`: the masks wanted; the others are not worked out. `Chunks`: of
// 16 bytes, looked at from `p` (the masks' bits beyond them zero).
template <unsigned Classes = kCommas | kDigits | kBlanks, int Chunks = 4>
inline ByteClasses classify([[maybe_unused]] const char* p, [[maybe_unused]] const char* end)
{
    ByteClasses c;
#if defined(__SSE2__) || defined(_M_X64)
    // The text ahead, asked for early: its pages are scattered over the
    // file cache, and the processor's own prefetching stops at each page.
    if (end - p > 512)
        _mm_prefetch(p + 512, _MM_HINT_T0);
    auto mask = [](__m128i matches) { return static_cast<std::uint64_t>(_mm_movemask_epi8(matches)); };
#pragma GCC unroll 4
    for (int k = 0; k < Chunks; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        if constexpr ((Classes & kCommas) != 0)
            c.commas |= mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(','))) << (16 * k);
        if constexpr ((Classes & kDigits) != 0) {
            const __m128i d = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
            c.digits |= mask(_mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d)) << (16 * k);
        }
        if constexpr ((Classes & kBlanks) != 0)
            c.blanks |= mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))) << (16 * k);
    }
#endif
    return c;
}

// Whether bytes [from, from + count) are all set in `mask`.
inline bool allSet(std::uint64_t mask, std::uint64_t from, std::uint64_t count)
{
    const std::uint64_t run = count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
    return ((mask >> from) & run) == run;
}

// The number that the `count` (0 to 8) digits at `p` write; eight bytes at
// `p` must be readable.
inline std::uint64_t digitsAt(const char* p, std::uint64_t count)
{
    if (count == 0)
        return 0;
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return text::digitsValue(word ^ 0x3030303030303030ull, static_cast<int>(count));
}

// The element conversions below: `fast` reads bytes [start, end) of `p`
// where they have the common form, inline; `slow` any other form it reads,
// by a call; each puts kValues values at `out` or returns false. kClasses:
// the byte classes they look at; kLongest: the most bytes, comma included,
// of the writer's texts of an element.

// "[-]digits" of one to ten digits within an int's range, not "-0" (a
// float's text).
struct IntElement {
    static constexpr int kValues = 1;
    static constexpr unsigned kClasses = kCommas | kDigits;
    static constexpr int kLongest = 12; // bytes with its comma: "-2147483648,"
    // No other form of an int is read here.
    static bool slow(const char*, std::uint64_t, std::uint64_t, const ByteClasses&, std::int32_t*) { return false; }
    [[gnu::always_inline]] static bool fast(const char* p, std::uint64_t start, std::uint64_t end,
                                            const ByteClasses& c, std::int32_t* out)
    {
        const std::uint64_t negative = p[start] == '-';
        const std::uint64_t first = start + negative;
        const std::uint64_t length = end - first;
        if (length - 1 > 9)
            return false;
        const std::uint64_t span = (std::uint64_t{1} << length) - 1;
        if (((c.digits >> first) & span) != span)
            return false;
        // Eight digits at a time; an int has at most ten.
        const std::uint64_t v = length <= 8 ? digitsAt(p + first, length)
                                            : digitsAt(p + first, length - 8) * 100000000 + digitsAt(p + end - 8, 8);
        if (v - negative > 0x7FFFFFFF) // beyond the range, or "-0"
            return false;
        const auto magnitude = static_cast<std::uint32_t>(v);
        *out = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
        return true;
    }
};

// The float of "[-]whole[.fraction]" in bytes [start, end) of `p`, the
// whole part at most eight digits, the fraction at most ten (as in
// "0.000123457"), together at least one, the mantissa at most 2^24: the
// texts that fastFloat reads without an exponent, to the same value.
inline bool simpleFloat(const char* p, std::uint64_t start, std::uint64_t end, const ByteClasses& c, float& out)
{
    static constexpr std::uint64_t kTens[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000,
                                              1000000000, 10000000000};
    const bool negative = p[start] == '-';
    const std::uint64_t first = start + negative;
    if (end <= first)
        return false;
    const void* point = std::memchr(p + first, '.', end - first);
    const std::uint64_t wholeEnd = point ? static_cast<std::uint64_t>(static_cast<const char*>(point) - p) : end;
    const std::uint64_t fractionStart = point ? wholeEnd + 1 : end;
    const std::uint64_t whole = wholeEnd - first;
    const std::uint64_t fraction = end - fractionStart;
    if (whole > 8 || fraction > 10 || whole + fraction == 0 || !allSet(c.digits, first, whole) ||
        !allSet(c.digits, fractionStart, fraction))
        return false;
    // Up to eight digits of the fraction, then the rest.
    const std::uint64_t head = fraction > 8 ? 8 : fraction;
    const std::uint64_t digits = digitsAt(p + fractionStart, head) * kTens[fraction - head] +
                                 digitsAt(p + fractionStart + head, fraction - head);
    const std::uint64_t mantissa = digitsAt(p + first, whole) * kTens[fraction] + digits;
    if (mantissa > (1u << 24))
        return false;
    const float f = text::fractionFloat(mantissa, fraction);
    out = negative ? -f : f;
    return true;
}

// The float of a simple float of at most eight digits, point and sign
// aside, most of what the writer's %g gives ("-123.457", "0.123457",
// "1e-05" not): its digits, those after the point moved up over it, read
// as one word, without a branch on its form. False for every other text.
[[gnu::always_inline]] inline bool shortFloat(const char* p, std::uint64_t start, std::uint64_t end,
                                              const ByteClasses& c, float& out)
{
    static constexpr std::uint64_t kBelow[] = {0, 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF, 0xFFFFFFFFFF, 0xFFFFFFFFFFFF,
                                               0xFFFFFFFFFFFFFF, ~std::uint64_t{0}};
    const bool negative = p[start] == '-';
    const std::uint64_t first = start + negative;
    const std::uint64_t length = end - first; // below 64: both lie in the 64 bytes classified
    const std::uint64_t stop = std::uint64_t{1} << length;
    // The bytes that are not digits: none, or one, which must be the
    // point. Where there is none, the byte looked at is the comma after
    // the element (a byte with bit 1 set is '.' for '.' and ',' alone).
    const std::uint64_t other = (~c.digits >> first) & (stop - 1);
    const auto whole = static_cast<std::uint64_t>(std::countr_zero(other | stop));
    const std::uint64_t digits = length - (other != 0);
    if ((other & (other - 1)) != 0 || (p[first + whole] | 2) != '.' || digits - 1 > 7)
        return false;
    std::uint64_t before, after;
    std::memcpy(&before, p + first, 8);
    std::memcpy(&after, p + first + 1, 8);
    const std::uint64_t word = (before & kBelow[whole]) | (after & ~kBelow[whole]);
    const std::uint64_t mantissa = text::digitsValue(word ^ 0x3030303030303030ull, static_cast<int>(digits));
    if (mantissa > (1u << 24))
        return false;
    out = text::fractionFloat(mantissa, digits - whole, negative);
    return true;
}

// A float of any other form in [begin, end), read as the careful reading
// reads it where that keeps its text (an exponent, more digits); false
// where it would not read, or not keep its text.
inline bool otherFloat(const char* begin, const char* end, float& out)
{
    if (const char* e = text::fastFloat(begin, end, out))
        return e == end;
    const auto r = std::from_chars(begin, end, out);
    return r.ec == std::errc() && r.ptr == end && floatKeepsGeneral(out, begin, end);
}

// The forms that shortFloat does not read, kept out of the loops.
[[gnu::noinline]] inline bool longerFloat(const char* p, std::uint64_t start, std::uint64_t end, const ByteClasses& c,
                                          float& out)
{
    return simpleFloat(p, start, end, c, out) || (end > start && otherFloat(p + start, p + end, out));
}

[[gnu::always_inline]] inline bool anyFloat(const char* p, std::uint64_t start, std::uint64_t end,
                                            const ByteClasses& c, float& out)
{
    return shortFloat(p, start, end, c, out) || longerFloat(p, start, end, c, out);
}

struct FloatElement {
    static constexpr int kValues = 1;
    static constexpr unsigned kClasses = kCommas | kDigits;
    static constexpr int kLongest = 13; // of the writer's texts: "-1.17549e-38,"
    [[gnu::always_inline]] static bool fast(const char* p, std::uint64_t start, std::uint64_t end,
                                            const ByteClasses& c, float* out)
    {
        return shortFloat(p, start, end, c, *out);
    }
    static bool slow(const char* p, std::uint64_t start, std::uint64_t end, const ByteClasses& c, float* out)
    {
        return longerFloat(p, start, end, c, *out);
    }
};

// Three simple floats, a blank between each two.
struct TripleElement {
    static constexpr int kValues = 3;
    static constexpr unsigned kClasses = kCommas | kDigits | kBlanks;
    static constexpr int kLongest = 3 * 13;
    // Three floats of shortFloat's form.
    [[gnu::always_inline]] static bool fast(const char* p, std::uint64_t start, std::uint64_t end,
                                            const ByteClasses& c, float* out)
    {
        std::uint64_t b1, b2;
        return blanksAt(start, end, c, b1, b2) && shortFloat(p, start, b1, c, out[0]) &&
               shortFloat(p, b1 + 1, b2, c, out[1]) && shortFloat(p, b2 + 1, end, c, out[2]);
    }
    [[gnu::noinline]] static bool slow(const char* p, std::uint64_t start, std::uint64_t end, const ByteClasses& c,
                                       float* out)
    {
        std::uint64_t b1, b2;
        return blanksAt(start, end, c, b1, b2) && anyFloat(p, start, b1, c, out[0]) &&
               anyFloat(p, b1 + 1, b2, c, out[1]) && anyFloat(p, b2 + 1, end, c, out[2]);
    }
    // The two blanks between bytes `start` and `end`; false where there are
    // not exactly two.
    [[gnu::always_inline]] static bool blanksAt(std::uint64_t start, std::uint64_t end, const ByteClasses& c,
                                                std::uint64_t& b1, std::uint64_t& b2)
    {
        const std::uint64_t blanks = (c.blanks >> start) & ((std::uint64_t{1} << (end - start)) - 1);
        const std::uint64_t second = blanks & (blanks - 1); // without the first
        if (blanks == 0 || second == 0 || (second & (second - 1)) != 0)
            return false;
        b1 = start + static_cast<std::uint64_t>(std::countr_zero(blanks));
        b2 = start + static_cast<std::uint64_t>(std::countr_zero(second));
        return true;
    }
};

// One line of eight elements that `Convert` reads, each followed by ",",
// then a line break, from `p` (its blanks passed over; 80 bytes after the
// line readable). The values go to `out`, and `p` to the next line's start;
// false, `p` as it was, where the line has another form.
template <typename T, typename Convert>
[[gnu::always_inline]] inline bool simpleLine(const char*& line, const char* end, T* out)
{
    const char* p = line;
    // Its eight commas, 64 bytes looked at a time. A line break before the
    // eighth, and an empty element, are in an element that does not convert.
    int untilBreak = 8;
    for (;;) {
        // The last elements of a line are looked for in the 32 bytes that
        // hold them.
        const ByteClasses classes = untilBreak * Convert::kLongest <= 32 ? classify<Convert::kClasses, 2>(p, end)
                                                                         : classify<Convert::kClasses>(p, end);
        std::uint64_t commas = classes.commas;
        std::uint64_t start = 0;
        while (commas) {
            const auto at = static_cast<std::uint64_t>(std::countr_zero(commas));
            commas &= commas - 1;
            // The common form inline; any other by a call, so that the
            // loop's own values stay in registers.
            if (!Convert::fast(p, start, at, classes, out)) [[unlikely]]
                if (!Convert::slow(p, start, at, classes, out))
                    return false;
            out += Convert::kValues;
            start = at + 1;
            if (--untilBreak == 0)
                break;
        }
        if (start == 0)
            return false; // an element longer than the bytes looked at
        p += start;
        if (untilBreak == 0)
            break;
    }
    if (*p != '\n')
        return false;
    line = p + 1;
    return true;
}

// simpleLine for TripleElement, a float at a time: the 24 floats of a line
// of eight triples found between its blanks and commas, which must come as
// blank, blank, comma eight times. Each float is read by the same
// conversions as TripleElement's, so the values and the lines taken are
// the same; one float a step keeps fewer values live than three, and
// measured faster.
[[gnu::always_inline]] inline bool tripleLine(const char*& line, const char* end, float* out)
{
    const char* p = line;
    int left = 24; // floats still to read on the line
    for (;;) {
        const ByteClasses classes = classify<kCommas | kDigits | kBlanks>(p, end);
        std::uint64_t stops = classes.commas | classes.blanks;
        std::uint64_t start = 0;
        while (stops) {
            const auto at = static_cast<std::uint64_t>(std::countr_zero(stops));
            stops &= stops - 1;
            // A comma after each third float, a blank after the others.
            if (((classes.commas >> at) & 1) != static_cast<std::uint64_t>(left % 3 == 1))
                return false;
            if (!shortFloat(p, start, at, classes, *out)) [[unlikely]]
                if (!longerFloat(p, start, at, classes, *out))
                    return false;
            ++out;
            start = at + 1;
            if (--left == 0)
                break;
        }
        if (start == 0)
            return false; // a float longer than the bytes looked at
        p += start;
        if (left == 0)
            break;
    }
    if (*p != '\n')
        return false;
    line = p + 1;
    return true;
}

// Whole lines of a list from `begin` to `end`, both at a line's start: each
// line `blanks` blanks, then eight elements that `Convert` reads, each
// followed by ",", then a line break; 80 bytes after `end` readable. The
// values go to `out`. Reads up to the first line of another form, which the
// parser's careful reading then reads (and says what is wrong with it): the
// last line of a list is one.
struct SimpleLines {
    long long count = 0;        // elements read
    const char* stop = nullptr; // the start of the line not read, or `end`
};

// Whether the line at `p` starts with `blanks` blanks before `end`; if so
// `p` past them.
[[gnu::always_inline]] inline bool passBlanks(const char*& p, const char* end, std::size_t blanks)
{
    if (static_cast<std::size_t>(end - p) <= blanks)
        return false;
    for (std::size_t k = 0; k < blanks; ++k)
        if (p[k] != ' ')
            return false;
    p += blanks;
    return true;
}

template <typename T, typename Convert>
SimpleLines simpleLines(const char* begin, const char* end, std::size_t blanks, T* out, Convert)
{
    SimpleLines read{0, begin};
    const char* p = begin;
    while (p < end) {
        if (!passBlanks(p, end, blanks))
            return read;
        if constexpr (std::is_same_v<Convert, TripleElement>) {
            if (!tripleLine(p, end, out))
                return read;
        } else if (!simpleLine<T, Convert>(p, end, out)) {
            return read;
        }
        out += 8 * Convert::kValues;
        read = {read.count + 8, p};
    }
    return read;
}

} // namespace vel::parsing
