#include "BuildStamp.h"

#include <cstdio>
#include <cstring>

namespace vel {

namespace {

// Day of the week (0 = Sunday) by Sakamoto's method, for the Gregorian calendar.
int weekday(int year, int month, int day)
{
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

} // namespace

std::string buildStamp()
{
    // __DATE__ is "Mmm dd yyyy" with the day padded by a blank; __TIME__ is "hh:mm:ss".
    static const char* const months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const char* date = __DATE__;
    const char* found = std::strstr(months, std::string(date, 3).c_str());
    const int month = found ? static_cast<int>((found - months) / 3) + 1 : 1;
    const int day = (date[4] == ' ' ? 0 : date[4] - '0') * 10 + (date[5] - '0');
    const int year = (date[7] - '0') * 1000 + (date[8] - '0') * 100 + (date[9] - '0') * 10 + (date[10] - '0');
    char text[64];
    std::snprintf(text, sizeof text, "%s %.3s %2d %s %d", days[weekday(year, month, day)], date, day, __TIME__, year);
    return text;
}

} // namespace vel
