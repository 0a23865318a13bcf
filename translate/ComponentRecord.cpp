#include "ComponentRecord.h"

#include <algorithm>
#include <cmath>

namespace vel {

namespace {

// Exact comparison; a NaN never equals anything, so a component whose
// properties the host cannot compute is sent again on every pass.
bool numbersDiffer(double a, double b)
{
    return std::isnan(a) || std::isnan(b) || a != b;
}

} // namespace

bool recordsDiffer(const ComponentRecord& a, const ComponentRecord& b)
{
    return numbersDiffer(a.area, b.area) || numbersDiffer(a.volume, b.volume) ||
           a.appearanceSignature != b.appearanceSignature || a.visible != b.visible || a.bodies != b.bodies ||
           a.childComponents != b.childComponents;
}

std::string trimVersionSuffix(const std::string& name)
{
    const std::size_t space = name.rfind(' ');
    if (space == std::string::npos || name.size() - space - 1 < 2)
        return name;
    // The first character after the blank (the "v" of "v3") is not looked at.
    const bool digits = std::all_of(name.begin() + static_cast<std::ptrdiff_t>(space) + 2, name.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
    return digits ? name.substr(0, space) : name;
}

} // namespace vel
