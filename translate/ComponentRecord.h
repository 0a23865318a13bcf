#pragma once
// What change detection remembers of one component between transfers, and
// the document name without its version suffix.

#include <map>
#include <set>
#include <string>

namespace vel {

struct ComponentRecord {
    // The light bulb of the occurrence through which the component was
    // reached (true for a root component).
    bool visible = true;
    // Physical properties of the component; they change when its geometry does.
    double area = 0;
    double volume = 0;
    // For every body in order: "<count>x<appearance id> " per distinct
    // appearance of its faces, in order of first meeting.
    std::string appearanceSignature;
    // Each body's light bulb by name; a later body of the same name wins.
    std::map<std::string, bool> bodies;
    // Names of the components of the direct child occurrences.
    std::set<std::string> childComponents;
};

// True when anything differs; NaN areas or volumes always differ.
bool recordsDiffer(const ComponentRecord& a, const ComponentRecord& b);

// "Gearbox v3" -> "Gearbox": the name cut before its last blank when the
// characters from the second one after that blank to the end are all
// decimal digits (at least one). Names the root group and the live model set.
std::string trimVersionSuffix(const std::string& name);

} // namespace vel
