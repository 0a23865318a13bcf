#pragma once
// Components, their placements (occurrences) and physical properties.

#include <Core/Base.h>
#include <Core/Forward.h>
#include "Forward.h"

#include <cstddef>
#include <string>

namespace adsk::fusion {

class ADSK_API Component : public core::Base {
public:
    /// The name; two components may share one.
    virtual std::string name() const = 0;
    /// The direct child placements, in order; or empty.
    virtual core::Ptr<Occurrences> occurrences() const = 0;
    /// The component's own bodies, in order; or empty.
    virtual core::Ptr<BRepBodies> bRepBodies() const = 0;
    /// Area and volume of its own bodies; or empty.
    virtual core::Ptr<PhysicalProperties> physicalProperties() const = 0;

    static const char* classType() { return "adsk::fusion::Component"; }
};

class ADSK_API PhysicalProperties : public core::Base {
public:
    /// Square centimetres; may be NaN.
    virtual double area() const = 0;
    /// Cubic centimetres; may be NaN.
    virtual double volume() const = 0;

    static const char* classType() { return "adsk::fusion::PhysicalProperties"; }
};

class ADSK_API Occurrences : public core::Base {
public:
    virtual std::size_t count() const = 0;
    /// The occurrence at `index`, or empty when out of range.
    virtual core::Ptr<Occurrence> item(std::size_t index) const = 0;

    static const char* classType() { return "adsk::fusion::Occurrences"; }
};

/// One placement of a component inside its parent component.
class ADSK_API Occurrence : public core::Base {
public:
    /// The placed component, or empty.
    virtual core::Ptr<Component> component() const = 0;
    /// Whether the placement is shown (its light bulb).
    virtual bool isLightBulbOn() const = 0;
    /// The appearance given to the placement, or empty.
    virtual core::Ptr<core::Appearance> appearance() const = 0;
    /// A new matrix: the placement relative to the parent component, the
    /// translation (centimetres) in column 3; or empty.
    virtual core::Ptr<core::Matrix3D> transform() const = 0;

    static const char* classType() { return "adsk::fusion::Occurrence"; }
};

} // namespace adsk::fusion
