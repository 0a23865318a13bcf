#include "LightModule.h"

#include <utility>

#include <sceneapi/velSceneapi_oo.h>

namespace vel {

LightModule::LightModule(std::string moduleName) : name_(std::move(moduleName)) {}

LightModule::~LightModule() = default;

bool LightModule::write(velSceneapi_oo& w)
{
    w.api()->beginLoad(name_.c_str());
    writeOptions(w);
    w.api()->endLoad();
    return true;
}

bool LightModule::writeDefinition(velSceneapi_oo&)
{
    return false;
}

bool LightModule::isDefined() const
{
    return false;
}

} // namespace vel
