#include "LengthUnits.h"

#include <algorithm>
#include <cctype>

namespace standin::host::cad {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

std::optional<double> centimetresPer(std::string_view hostUnit)
{
    if (hostUnit == "mm")
        return 0.1;
    if (hostUnit == "cm")
        return 1.0;
    if (hostUnit == "m")
        return 100.0;
    if (hostUnit == "in")
        return 2.54;
    if (hostUnit == "ft")
        return 30.48;
    return std::nullopt;
}

std::optional<std::string> hostUnitForName(std::string_view fileUnit)
{
    std::string name = lower(fileUnit);
    // Both spellings of the metric names, and the plural forms.
    auto replace = [&name](std::string_view from, std::string_view to) {
        const std::size_t at = name.find(from);
        if (at != std::string::npos)
            name.replace(at, from.size(), to);
    };
    replace("meter", "metre");
    if (name.size() > 1 && name.back() == 's' && name != "inches")
        name.pop_back();
    if (name == "millimetre" || name == "mm" || name == "micrometre" || name == "micron" || name == "um" ||
        name == "nanometre")
        return "mm";
    if (name == "centimetre" || name == "cm" || name == "decimetre")
        return "cm";
    if (name == "metre" || name == "m" || name == "kilometre" || name == "km")
        return "m";
    if (name == "inch" || name == "inches" || name == "in" || name == "mil" ||
        name == "microinch" || name == "thou")
        return "in";
    if (name == "foot" || name == "feet" || name == "ft" || name == "mile" || name == "yard")
        return "ft";
    return std::nullopt;
}

std::optional<std::string> hostUnitForIgesFlag(int flag, std::string_view name)
{
    switch (flag) {
    case 1:
    case 8:
    case 11:
        return "in";
    case 2:
    case 9:
        return "mm";
    case 4:
    case 5:
        return "ft";
    case 6:
    case 7:
        return "m";
    case 10:
        return "cm";
    case 3:
        return hostUnitForName(name);
    default:
        return std::nullopt;
    }
}

} // namespace standin::host::cad
