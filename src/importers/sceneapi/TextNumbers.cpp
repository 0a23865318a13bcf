#include "TextNumbers.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <cstring>
#include <system_error>

#include "NumberFormat.h"

namespace vel::text {

const char* numberEnd(const char* p, const char* end)
{
    while (p < end && isNumberChar(*p))
        ++p;
    return p;
}

bool isIntegerText(const char* begin, const char* end)
{
    if (begin < end && *begin == '-')
        ++begin;
    if (begin == end)
        return false;
    for (; begin < end; ++begin)
        if (static_cast<unsigned>(*begin - '0') > 9)
            return false;
    return true;
}

bool isFixed16Text(const char* begin, const char* end)
{
    if (end - begin < 18)
        return false;
    const char* point = end - 17;
    if (*point != '.')
        return false;
    for (const char* p = point + 1; p < end; ++p)
        if (static_cast<unsigned>(*p - '0') > 9)
            return false;
    return isIntegerText(begin, point);
}

bool toInt32(const char* begin, const char* end, std::int32_t& value)
{
    const auto r = std::from_chars(begin, end, value);
    return r.ec == std::errc() && r.ptr == end;
}

bool toUInt32(const char* begin, const char* end, std::uint32_t& value)
{
    if (begin < end && *begin == '-')
        return false;
    const auto r = std::from_chars(begin, end, value);
    return r.ec == std::errc() && r.ptr == end;
}

bool toFloat(const char* begin, const char* end, float& value)
{
    const auto r = std::from_chars(begin, end, value);
    return r.ec == std::errc() && r.ptr == end;
}

bool toDouble(const char* begin, const char* end, double& value)
{
    const auto r = std::from_chars(begin, end, value);
    return r.ec == std::errc() && r.ptr == end;
}

double beyondRange(const char* begin, const char* end)
{
    const char* p = begin;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+'))
        ++p;
    // The power of ten of the first digit that is not zero.
    long long wholeDigits = 0, fractionZeros = 0;
    bool nonZero = false, point = false;
    for (; p < end; ++p) {
        if (*p == '.' && !point) {
            point = true;
            continue;
        }
        if (static_cast<unsigned>(*p - '0') > 9)
            break;
        if (!point && (nonZero || *p != '0')) {
            nonZero = true;
            ++wholeDigits;
        } else if (point && !nonZero) {
            if (*p == '0')
                ++fractionZeros;
            else
                nonZero = true;
        }
    }
    long long power = wholeDigits > 0 ? wholeDigits - 1 : -fractionZeros - 1;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool minus = p < end && *p == '-';
        if (p < end && (*p == '-' || *p == '+'))
            ++p;
        long long exponent = 0;
        for (; p < end && static_cast<unsigned>(*p - '0') <= 9; ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 1'000'000'000LL);
        power += minus ? -exponent : exponent;
    }
    const double magnitude = power >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

bool generalKeepsText(double value, const char* begin, const char* end)
{
    char text[kMaxNumberText];
    const char* stop = formatGeneral(text, value);
    const auto size = static_cast<std::size_t>(stop - text);
    return size == static_cast<std::size_t>(end - begin) && std::memcmp(text, begin, size) == 0;
}

} // namespace vel::text
