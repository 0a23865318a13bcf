#include "TextNumbers.h"

#include <charconv>
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

bool generalKeepsText(double value, const char* begin, const char* end)
{
    char text[kMaxNumberText];
    const char* stop = formatGeneral(text, value);
    const auto size = static_cast<std::size_t>(stop - text);
    return size == static_cast<std::size_t>(end - begin) && std::memcmp(text, begin, size) == 0;
}

} // namespace vel::text
