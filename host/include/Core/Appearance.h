#pragma once
// Appearances, their textures and colours.

#include "Base.h"
#include "Forward.h"

#include <string>

namespace adsk::core {

class ADSK_API Appearance : public Base {
public:
    /// The identifier; two appearance objects may carry the same one.
    virtual std::string id() const = 0;
    /// The name the user sees.
    virtual std::string name() const = 0;
    /// Its properties, in order; or empty.
    virtual Ptr<Properties> appearanceProperties() const = 0;

    static const char* classType() { return "adsk::core::Appearance"; }
};

/// A texture connected to a colour property.
class ADSK_API AppearanceTexture : public Base {
public:
    /// The texture's own properties (its image file among them); or empty.
    virtual Ptr<Properties> properties() const = 0;

    static const char* classType() { return "adsk::core::AppearanceTexture"; }
};

class ADSK_API Color : public Base {
public:
    /// The channels, each 0 to 255; true when done.
    virtual bool getColor(short& red, short& green, short& blue, short& opacity) const = 0;

    static const char* classType() { return "adsk::core::Color"; }
};

} // namespace adsk::core
