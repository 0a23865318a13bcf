#pragma once
// The renderer's import-options module "velrtopt.so": how the renderer treats
// the incoming model (merging, up axis, scale, centring, snapping to the
// ground, adjusting its camera and environment).

#include <cstdint>
#include <string>
#include <utility>

#include "LightModule.h"

namespace vel {

class DefaultRTModule : public LightModule {
public:
    DefaultRTModule();
    ~DefaultRTModule() override;

    // The twelve options in their fixed order; "import_use_camera" only when set.
    void writeOptions(velSceneapi_oo& w) override;

    // 0 keeps the renderer's axis, 1 Y up, 2 Z up.
    void setUpVector(std::uint32_t value) { upVector_ = value; }
    // Design units per metre; a non-finite value is written as -1.
    void setMeterScale(float value) { meterScale_ = value; }
    void setKeepOriginal(bool value) { keepOriginal_ = value; }
    void setCenterGeometry(bool value) { centerGeometry_ = value; }
    void setSnapToGround(bool value) { snapToGround_ = value; }
    void setAdjustCamera(bool value) { adjustCamera_ = value; }
    void setAdjustEnvironment(bool value) { adjustEnvironment_ = value; }
    // The camera the renderer looks through after the import.
    void setUseCamera(std::string camera) { useCamera_ = std::move(camera); }

private:
    bool importMode_ = true;
    bool mergeGroups_ = true;
    bool mergeObjects_ = true;
    std::uint32_t upVector_ = 0;
    float meterScale_ = 1.0f;
    bool keepOriginal_ = false;
    bool centerGeometry_ = true;
    bool snapToGround_ = false;
    bool adjustCamera_ = true;
    bool adjustEnvironment_ = true;
    std::string useCamera_;
    bool ext_ = true;
};

} // namespace vel
