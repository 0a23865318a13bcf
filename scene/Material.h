#pragma once
// Base of materials. Decides whether a material is emitted in full, as a
// named definition, or as a reference to an earlier definition; derived
// classes write the shader body between the material's begin and end.

#include <string>
#include <utility>

#include <sceneapi/LightNode.h>

namespace vel {

class Material : public LightNode {
public:
    explicit Material(std::string name);

    // In full (a placed material block) until a definition was written,
    // afterwards only a reference by name. Leaves the defined flag alone.
    bool write(velSceneapi_oo& w) override;
    // A "#define" material block; the material is defined from then on.
    bool writeDefinition(velSceneapi_oo& w) override;
    bool isDefined() const override;
    // Pure, so that only derived materials can be made.
    ~Material() override = 0;

    // Emits the shader body inside the open material block.
    virtual void writeShader(velSceneapi_oo& w) = 0;

    void setName(const std::string& name) { name_ = name; }
    const std::string& name() const { return name_; }
    void setShaderType(std::string type) { shaderType_ = std::move(type); }
    const std::string& shaderType() const { return shaderType_; }

private:
    bool defined_ = false;
    std::string name_;
    std::string shaderType_;
};

} // namespace vel
