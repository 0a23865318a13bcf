#pragma once
// A material translated from a host appearance: its diffuse colour and the
// texture file connected to a colour property, written as a "vel_diffuse"
// shader, optionally fed by a "texture2_rgb" texture shader. Everything is
// read from the host at construction; afterwards the material holds no host
// object and can be written any number of times.

#include <array>
#include <string>

#include <Core/CoreAll.h>

#include <scene/Material.h>

namespace vel {

class FusionMaterial : public Material {
public:
    // An empty appearance gives "Generic material", white, without texture.
    explicit FusionMaterial(adsk::core::Ptr<adsk::core::Appearance> appearance);
    ~FusionMaterial() override;

    void writeShader(velSceneapi_oo& w) override;

    // Red, green, blue, each 0 to 1; the opacity of the colour is not used.
    std::array<float, 3> diffuse{1.0f, 1.0f, 1.0f};
    // Empty: no texture.
    std::string texturePath;
};

} // namespace vel
