#include "LightCamera.h"

#include <utility>

#include <sceneapi/velSceneapi_oo.h>

namespace vel {

using namespace std::string_literals;

LightCamera::LightCamera(std::string cameraName) : name(std::move(cameraName)) {}

LightCamera::~LightCamera() = default;

bool LightCamera::write(velSceneapi_oo& w)
{
    velScene_api* api = w.api();
    // Refused while another top block or an object is open; the settings
    // then land in the enclosing block, which is the interface's rule.
    api->beginCamera(name.c_str());
    w.setString("projection"s, projection == 1 ? "orthographic"s : "perspective"s);
    if (projection == 1) {
        api->parameter("window", TypeColor4f, window.data());
    } else if (fovMode == 0) {
        w.setFloat("fov", fov);
    } else if (fovMode == 1) {
        api->parameter("fov4", TypeColor4f, fov4.data());
    }
    ShaderText environment = writeEnvironment(w);
    api->parameter("reflection map", TypeShaderText, &environment);
    w.setVector3d("position", position.data());
    w.setVector3d("direction", direction.data());
    if (useLookAt)
        w.setVector3d("look_at", lookAt.data());
    w.setVector3d("up", up.data());
    if (nearClip > 0 && farClip > 0 && farClip > nearClip) {
        const float clipping[2] = {nearClip, farClip};
        api->parameter("clipping", TypeVector2f, clipping);
    }
    if (child)
        w.writeNode(*child);
    else if (useTransform)
        w.transform(transform.data());
    api->endCamera();
    return true;
}

bool LightCamera::writeDefinition(velSceneapi_oo&)
{
    return false;
}

bool LightCamera::isDefined() const
{
    return false;
}

ShaderText LightCamera::writeEnvironment(velSceneapi_oo& w)
{
    velScene_api* api = w.api();
    api->beginShader(nullptr, "vel_envmap");
    w.setString("texture"s, "startup.hdr"s);
    w.setInt("format", 3);
    w.setFloat("radius", 25);
    ShaderText text = api->capturedText();
    w.endShader();
    return text;
}

} // namespace vel
