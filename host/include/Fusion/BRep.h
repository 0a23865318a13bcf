#pragma once
// Solid bodies and their faces.

#include <Core/Base.h>
#include <Core/Forward.h>
#include "Forward.h"

#include <cstddef>
#include <string>

namespace adsk::fusion {

class ADSK_API BRepBodies : public core::Base {
public:
    virtual std::size_t count() const = 0;
    /// The body at `index`, or empty when out of range.
    virtual core::Ptr<BRepBody> item(std::size_t index) const = 0;

    static const char* classType() { return "adsk::fusion::BRepBodies"; }
};

class ADSK_API BRepBody : public core::Base {
public:
    virtual std::string name() const = 0;
    /// Whether the body is shown (its light bulb).
    virtual bool isLightBulbOn() const = 0;
    /// The appearance assigned to the body, or empty.
    virtual core::Ptr<core::Appearance> appearance() const = 0;
    /// Its faces, in order; or empty.
    virtual core::Ptr<BRepFaces> faces() const = 0;

    static const char* classType() { return "adsk::fusion::BRepBody"; }
};

class ADSK_API BRepFaces : public core::Base {
public:
    virtual std::size_t count() const = 0;
    /// The face at `index`, or empty when out of range.
    virtual core::Ptr<BRepFace> item(std::size_t index) const = 0;

    static const char* classType() { return "adsk::fusion::BRepFaces"; }
};

class ADSK_API BRepFace : public core::Base {
public:
    /// The appearance assigned to the face itself, or empty.
    virtual core::Ptr<core::Appearance> appearance() const = 0;
    /// The face's meshes, or empty.
    virtual core::Ptr<MeshManager> meshManager() const = 0;

    static const char* classType() { return "adsk::fusion::BRepFace"; }
};

} // namespace adsk::fusion
