#include "Diffuse.h"

#include <utility>

#include <sceneapi/velSceneapi_oo.h>

namespace vel {

namespace {
// Flag word of the material block, marking a plain diffuse surface.
constexpr std::uint32_t kDiffuseMaterialFlags = 4096;
} // namespace

Diffuse::Diffuse(std::string name) : Material(std::move(name))
{
    setShaderType("vel_diffuse");
}

Diffuse::~Diffuse() = default;

void Diffuse::writeShader(velSceneapi_oo& w)
{
    velScene_api* api = w.api();
    ShaderText diffuseText = nullptr;
    if (vertexColor) {
        // The vertex-colour shader is captured while the diffuse shader is
        // being captured; the push/pop pair makes the diffuse text current
        // again for its remaining parameters.
        api->pushCapture();
        api->beginShader(nullptr, shaderType().c_str());
        api->pushCapture();
        api->beginShader(nullptr, "vertex_color");
        const float defaultColor[3] = {0.8f, 0.8f, 0.8f};
        api->parameter("default_color", TypeVector3f, defaultColor);
        api->endShader();
        ShaderText vertexColorText = api->capturedText();
        api->popCapture();
        api->parameter("diffuse", TypeVector3f, color.data());
        api->parameterShaderText("diffuse", vertexColorText);
        api->endShader();
        diffuseText = api->capturedText();
    } else {
        api->beginShader(nullptr, shaderType().c_str());
        api->parameter("diffuse", TypeVector3f, color.data());
        diffuseText = api->capturedText();
        api->endShader();
    }
    api->shaderText(ShaderSurface, diffuseText);
    api->flags(kDiffuseMaterialFlags);
}

} // namespace vel
