#include "DecimalText.h"

#include <algorithm>
#include <limits>

namespace vel::live {

namespace {

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::int64_t readDecimal(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && isWhiteSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';

    // Accumulated as a negative number: its range reaches one further than
    // the positive one, so the lowest 64-bit value is read exactly.
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    bool saturated = false;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        const int digit = text[at] - '0';
        if (value < (lowest + digit) / 10) {
            saturated = true;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative)
        return saturated ? lowest : value;
    if (saturated || value == lowest)
        return std::numeric_limits<std::int64_t>::max();
    return -value;
}

int readDecimal32(std::string_view text)
{
    const std::int64_t value = readDecimal(text);
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

} // namespace vel::live
