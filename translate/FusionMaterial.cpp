#include "FusionMaterial.h"

#include <cstring>
#include <string>

#include <sceneapi/velSceneapi_oo.h>

using adsk::core::Ptr;

namespace vel {

namespace {

// Colour properties whose value is the surface colour.
bool setsDiffuseColour(const std::string& id)
{
    return id == "opaque_albedo" || id == "metal_f0" || id == "metal_color" || id == "generic_diffuse";
}

// How the texture is laid on: the renderer's code for the mesh's own texture
// coordinates, and its flag word for a repeating colour texture.
constexpr int kUvProjection = 4;
constexpr int kUvFlags = 44;

} // namespace

FusionMaterial::FusionMaterial(Ptr<adsk::core::Appearance> appearance) : Material("Generic material")
{
    if (appearance) {
        setName(appearance->name());
        Ptr<adsk::core::Properties> properties = appearance->appearanceProperties();
        const std::size_t count = properties->count();
        for (std::size_t i = 0; i < count; ++i) {
            Ptr<adsk::core::Property> property = properties->item(i);
            const std::string id = property->id();
            Ptr<adsk::core::ColorProperty> colour = property;
            if (!colour)
                continue;

            // Any colour property may carry the texture, whatever its
            // identifier; the last file met wins.
            if (Ptr<adsk::core::AppearanceTexture> texture = colour->connectedTexture()) {
                Ptr<adsk::core::Properties> textureProperties = texture->properties();
                const std::size_t textureCount = textureProperties->count();
                for (std::size_t j = 0; j < textureCount; ++j) {
                    Ptr<adsk::core::Property> candidate = textureProperties->item(j);
                    if (std::strcmp(candidate->objectType(), "adsk::core::FilenameProperty") == 0) {
                        Ptr<adsk::core::FilenameProperty> file = candidate;
                        texturePath = file->value();
                    }
                }
            }

            if (Ptr<adsk::core::Color> value = colour->value()) {
                // Channels the host leaves unwritten stay at full intensity.
                short red = 255, green = 255, blue = 255, opacity = 255;
                value->getColor(red, green, blue, opacity);
                if (setsDiffuseColour(id))
                    diffuse = {static_cast<float>(red) / 255.0f, static_cast<float>(green) / 255.0f,
                               static_cast<float>(blue) / 255.0f};
            }
        }
    }
    setShaderType("vel_diffuse");
}

FusionMaterial::~FusionMaterial() = default;

void FusionMaterial::writeShader(velSceneapi_oo& w)
{
    velScene_api* api = w.api();
    int textureShader = -1;
    if (!texturePath.empty()) {
        textureShader = w.beginShader("texture2_rgb");
        api->parameter("uv_projection", TypeInt, &kUvProjection);
        api->parameter("uv_flags", TypeInt, &kUvFlags);
        w.setString(std::string("texture"), texturePath);
        w.endShader();
    }
    const int diffuseShader = w.beginShader(shaderType());
    api->parameter("diffuse", TypeVector3f, diffuse.data());
    if (!texturePath.empty())
        api->parameterShaderId("diffuse", textureShader);
    w.endShader();
    w.api()->shaderId(ShaderSurface, diffuseShader);
}

} // namespace vel
