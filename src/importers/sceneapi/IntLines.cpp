#include "IntLines.h"

#include <algorithm>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(_M_X64))
#define RD_WIDE_INT_LINES 1
#include <immintrin.h>
#endif

namespace vel::parsing {

#ifdef RD_WIDE_INT_LINES

// GCC 12's AVX-512 headers leave the unused lanes of their results
// undefined on purpose (a variable set from itself), which its own warnings
// call uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define RD_WIDE_TARGET "avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt"

namespace {

// One line, as wideIntLine says. The bytes are looked at 80 at once, the
// most that eight elements of up to eight digits with sign and comma take.
[[gnu::target(RD_WIDE_TARGET), gnu::always_inline]] inline bool wideLine(const char*& p, std::int32_t* out)
{
    alignas(64) static constexpr std::uint8_t kPlaces[64] = {
        0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
        22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
        44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};
    // Byte j of lane i: element i's end (its comma) less 8 - j, the place of
    // its digit of 10^(7 - j).
    alignas(64) static constexpr std::int8_t kLaneOffsets[64] = {
        -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5, -4, -3,
        -2, -1, -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5,
        -4, -3, -2, -1, -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5, -4, -3, -2, -1};
    const __m512i places = _mm512_load_si512(kPlaces);
    const __m512i laneOf = _mm512_set_epi64(0x0707070707070707, 0x0606060606060606, 0x0505050505050505,
                                            0x0404040404040404, 0x0303030303030303, 0x0202020202020202,
                                            0x0101010101010101, 0);
    const __m512i front = _mm512_loadu_si512(p);
    const __m512i back = _mm512_zextsi128_si512(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 64)));

    // Bytes 0 to 7: the places of the first eight commas (0 past the last).
    const std::uint64_t frontCommas = _mm512_cmpeq_epi8_mask(front, _mm512_set1_epi8(','));
    const __mmask16 backCommas = _mm512_cmpeq_epi8_mask(back, _mm512_set1_epi8(',')) & 0xFFFF;
    const __m128i inFront = _mm512_castsi512_si128(_mm512_maskz_compress_epi8(frontCommas, places));
    const __m128i inBack = _mm_maskz_compress_epi8(backCommas, _mm_add_epi8(_mm512_castsi512_si128(places),
                                                                            _mm_set1_epi8(64)));
    const unsigned before = std::min(static_cast<unsigned>(_mm_popcnt_u64(frontCommas)), 8u);
    const __m128i ends = _mm_mask_expand_epi8(inFront, static_cast<__mmask16>(0xFFFFu << before), inBack);
    // Each element's first byte, after the comma before it; a '-' there is
    // its sign.
    const __m128i ones = _mm_set1_epi8(1);
    const __m128i starts = _mm_add_epi8(_mm_or_si128(_mm_bslli_si128(ends, 1), _mm_cvtsi32_si128(0xFF)), ones);
    const __m128i firsts = _mm512_castsi512_si128(
        _mm512_permutex2var_epi8(front, _mm512_zextsi128_si512(starts), back));
    const __mmask16 negative = _mm_cmpeq_epi8_mask(firsts, _mm_set1_epi8('-')) & 0xFF;
    const __m128i digitsFrom = _mm_mask_add_epi8(starts, negative, starts, ones);
    // One to eight digits each: counts of 0 (an empty element, a lone '-',
    // a comma missing) and beyond 8 wrap past 7.
    const __mmask16 counted =
        _mm_cmple_epu8_mask(_mm_sub_epi8(_mm_sub_epi8(ends, digitsFrom), ones), _mm_set1_epi8(7));

    // Each element's digits right-aligned in its lane, '0' before them.
    const __m512i laneEnds = _mm512_permutexvar_epi8(laneOf, _mm512_zextsi128_si512(ends));
    const __m512i laneFrom = _mm512_permutexvar_epi8(laneOf, _mm512_zextsi128_si512(digitsFrom));
    const __m512i at = _mm512_add_epi8(laneEnds, _mm512_load_si512(kLaneOffsets));
    const __mmask64 inElement = _mm512_cmpge_epi8_mask(at, laneFrom);
    const __m512i digits =
        _mm512_maskz_sub_epi8(inElement, _mm512_permutex2var_epi8(front, at, back), _mm512_set1_epi8('0'));
    const __mmask64 decimal = _mm512_cmple_epu8_mask(digits, _mm512_set1_epi8(9));

    // Two digits to 16 bits, four to 32, eight to 64; then to 32 bits.
    const __m512i pairs = _mm512_maddubs_epi16(digits, _mm512_set1_epi16(0x010A));
    const __m512i fours = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));
    const __m512i eights =
        _mm512_add_epi64(_mm512_mul_epu32(fours, _mm512_set1_epi64(10000)), _mm512_srli_epi64(fours, 32));
    const __m256i magnitudes = _mm512_cvtepi64_epi32(eights);
    const __m256i zero = _mm256_setzero_si256();
    // "-0" is a float's text, not an int's.
    const __mmask8 negativeZero = _mm256_mask_cmpeq_epi32_mask(static_cast<__mmask8>(negative), magnitudes, zero);

    const auto last = static_cast<unsigned>(_mm_extract_epi8(ends, 7));
    if ((counted & 0xFF) != 0xFF || decimal != ~__mmask64{0} || negativeZero != 0 || p[last + 1] != '\n')
        return false;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_mask_sub_epi32(magnitudes, static_cast<__mmask8>(negative), zero, magnitudes));
    p += last + 2;
    return true;
}

// simpleLines, each line converted whole where wideLine takes it.
[[gnu::target(RD_WIDE_TARGET)]] SimpleLines wideLines(const char* begin, const char* end, std::size_t blanks,
                                                    std::int32_t* out)
{
    SimpleLines read{0, begin};
    const char* p = begin;
    while (p < end) {
        if (!passBlanks(p, end, blanks))
            return read;
        // The text ahead, asked for early, as classify does.
        if (end - p > 512)
            _mm_prefetch(p + 512, _MM_HINT_T0);
        if (!wideLine(p, out) && !simpleLine<std::int32_t, IntElement>(p, end, out))
            return read;
        out += 8;
        read = {read.count + 8, p};
    }
    return read;
}

} // namespace

bool wideIntLinesAvailable()
{
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
               __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2");
    }();
    return available;
}

[[gnu::target(RD_WIDE_TARGET)]] bool wideIntLine(const char*& p, std::int32_t* out) { return wideLine(p, out); }

SimpleLines intLines(const char* begin, const char* end, std::size_t blanks, std::int32_t* out)
{
    if (wideIntLinesAvailable())
        return wideLines(begin, end, blanks, out);
    return simpleLines(begin, end, blanks, out, IntElement{});
}

#else

bool wideIntLinesAvailable() { return false; }
bool wideIntLine(const char*&, std::int32_t*) { return false; }
SimpleLines intLines(const char* begin, const char* end, std::size_t blanks, std::int32_t* out)
{
    return simpleLines(begin, end, blanks, out, IntElement{});
}

#endif

} // namespace vel::parsing
