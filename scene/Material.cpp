#include "Material.h"

#include <utility>

#include <sceneapi/velSceneapi_oo.h>

namespace vel {

Material::Material(std::string name) : name_(std::move(name)) {}

Material::~Material() = default;

bool Material::write(velSceneapi_oo& w)
{
    velScene_api* api = w.api();
    if (!isDefined()) {
        api->beginMaterial(name_.c_str(), true);
        writeShader(w);
        api->endMaterial();
    } else {
        api->useMaterial(name_.c_str());
    }
    return true;
}

bool Material::writeDefinition(velSceneapi_oo& w)
{
    velScene_api* api = w.api();
    api->beginMaterial(name_.c_str(), false);
    writeShader(w);
    api->endMaterial();
    defined_ = true;
    return true;
}

bool Material::isDefined() const
{
    return defined_;
}

} // namespace vel
