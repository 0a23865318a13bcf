#pragma once
// Length units: the names files give them, and the host's units.

#include <optional>
#include <string>
#include <string_view>

namespace standin::host::cad {

/// Centimetres per unit for the host's unit names "mm", "cm", "m", "in",
/// "ft"; empty for any other name.
std::optional<double> centimetresPer(std::string_view hostUnit);

/// The host's unit for a unit name as STEP files spell it ("MILLIMETRE",
/// "millimetre", "INCH", "metre", "centimetre", "foot", ...). Units the host
/// does not have map to the nearest one it has (micrometres to "mm",
/// kilometres to "m", mils to "in"); an unknown name gives empty.
std::optional<std::string> hostUnitForName(std::string_view fileUnit);

/// The host's unit for an IGES unit flag (global section, parameter 14):
/// 1 inch, 2 mm, 4 ft, 5 mile, 6 m, 7 km, 8 mil, 9 micron, 10 cm,
/// 11 microinch; flag 3 names the unit (`name`). Empty when unknown.
std::optional<std::string> hostUnitForIgesFlag(int flag, std::string_view name);

} // namespace standin::host::cad
