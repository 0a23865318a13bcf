#include "DefaultRTModule.h"

#include <sceneapi/velSceneapi_oo.h>

namespace vel {

DefaultRTModule::DefaultRTModule() : LightModule("velrtopt.so") {}

DefaultRTModule::~DefaultRTModule() = default;

void DefaultRTModule::writeOptions(velSceneapi_oo& w)
{
    w.setBool("import_mode", importMode_);
    w.setBool("import_merge_groups", mergeGroups_);
    w.setBool("import_merge_objects", mergeObjects_);
    w.setInt("import_up_vector", static_cast<int>(upVector_));
    w.setFloat("meter_scale", meterScale_);
    w.setBool("import_keep_original", keepOriginal_);
    w.setBool("import_center_geometry", centerGeometry_);
    w.setBool("import_snap_to_ground", snapToGround_);
    w.setBool("import_adjust_camera", adjustCamera_);
    w.setBool("import_adjust_environment", adjustEnvironment_);
    if (!useCamera_.empty())
        w.setString(std::string("import_use_camera"), useCamera_);
    w.setBool("ext", ext_);
}

} // namespace vel
