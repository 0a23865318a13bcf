#pragma once
// The view: eye position, direction, up vector, projection and field of view,
// optional clipping and placement, and the environment map that lights the
// scene. Written as the scene's camera top block.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include <sceneapi/LightNode.h>
#include <sceneapi/velTypes.h>

namespace vel {

class LightCamera : public LightNode {
public:
    explicit LightCamera(std::string name);
    ~LightCamera() override;

    bool write(velSceneapi_oo& w) override;
    // A camera has no definition form.
    bool writeDefinition(velSceneapi_oo& w) override;
    bool isDefined() const override;

    // Defines the environment map as an anonymous shader and returns its
    // captured text, owned by the scene interface.
    virtual ShaderText writeEnvironment(velSceneapi_oo& w);

    void setPosition(float x, float y, float z) { position = {x, y, z}; }
    void setDirection(float x, float y, float z) { direction = {x, y, z}; }
    void setUp(float x, float y, float z) { up = {x, y, z}; }
    // Degrees; selects the single-value field of view.
    void setFov(float degrees)
    {
        fov = degrees;
        fovMode = 0;
    }
    // 1 orthographic, anything else perspective.
    void setProjection(std::uint32_t value) { projection = value; }

    // The remaining settings are plain fields set by the camera's owner.
    std::string name;
    std::array<double, 3> position{0, 0, 0};
    std::array<double, 3> direction{0, 0, -1};
    std::array<double, 3> lookAt{0, 0, -1};
    std::array<double, 3> up{0, 1, 0};
    float fov = 60;
    std::array<float, 4> fov4{0, 0, 0, 0};
    std::array<float, 4> window{0, 0, 0, 0};
    float nearClip = -1;
    float farClip = -1;
    // Written inside the camera block instead of the transform.
    std::shared_ptr<LightNode> child;
    bool useTransform = false;
    bool useLookAt = false;
    std::array<double, 16> transform{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::uint32_t projection = 0;
    // 0 writes fov, 1 writes fov4, anything else neither.
    std::uint32_t fovMode = 0;
};

} // namespace vel
