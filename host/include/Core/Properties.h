#pragma once
// Typed properties of appearances and textures.

#include "Base.h"
#include "Forward.h"

#include <cstddef>
#include <string>

namespace adsk::core {

class ADSK_API Properties : public Base {
public:
    virtual std::size_t count() const = 0;
    /// The property at `index`, or empty when out of range.
    virtual Ptr<Property> item(std::size_t index) const = 0;

    static const char* classType() { return "adsk::core::Properties"; }
};

/// A property; its objectType() names its class ("adsk::core::ColorProperty",
/// "adsk::core::FilenameProperty", ...), and a cast reaches its value.
class ADSK_API Property : public Base {
public:
    /// The identifier, for example "generic_diffuse".
    virtual std::string id() const = 0;

    static const char* classType() { return "adsk::core::Property"; }
};

class ADSK_API ColorProperty : public Property {
public:
    /// The colour, or empty for a colour property without a value.
    virtual Ptr<Color> value() const = 0;
    /// The texture that feeds this colour, or empty.
    virtual Ptr<AppearanceTexture> connectedTexture() const = 0;

    static const char* classType() { return "adsk::core::ColorProperty"; }
};

class ADSK_API FilenameProperty : public Property {
public:
    /// The file's path (UTF-8).
    virtual std::string value() const = 0;

    static const char* classType() { return "adsk::core::FilenameProperty"; }
};

class ADSK_API FloatProperty : public Property {
public:
    virtual double value() const = 0;

    static const char* classType() { return "adsk::core::FloatProperty"; }
};

class ADSK_API IntegerProperty : public Property {
public:
    virtual int value() const = 0;

    static const char* classType() { return "adsk::core::IntegerProperty"; }
};

class ADSK_API BooleanProperty : public Property {
public:
    virtual bool value() const = 0;

    static const char* classType() { return "adsk::core::BooleanProperty"; }
};

class ADSK_API StringProperty : public Property {
public:
    virtual std::string value() const = 0;

    static const char* classType() { return "adsk::core::StringProperty"; }
};

} // namespace adsk::core
