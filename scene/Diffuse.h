#pragma once
// The plain diffuse material every mesh gets at construction ("default"):
// one anonymous "vel_diffuse" shader as the surface, optionally fed by the
// mesh's vertex colours through a nested "vertex_color" shader.

#include <array>
#include <string>

#include "Material.h"

namespace vel {

class Diffuse : public Material {
public:
    explicit Diffuse(std::string name);
    ~Diffuse() override;

    void writeShader(velSceneapi_oo& w) override;

    std::array<float, 3> color{0.75f, 0.5f, 0.5f};
    // Take the diffuse colour from the mesh's vertex colours.
    bool vertexColor = false;
};

} // namespace vel
