#include "LightGeometry.h"

#include <utility>

#include "Material.h"

namespace vel {

LightGeometry::LightGeometry(std::string name) : name_(std::move(name)) {}

LightGeometry::~LightGeometry() = default;

bool LightGeometry::isDefined() const
{
    return defined_;
}

void LightGeometry::setMaterial(std::shared_ptr<Material> material)
{
    // The new reference is taken before the old one goes, so assigning the
    // same material again never destroys it in between.
    material_.swap(material);
}

std::shared_ptr<Material> LightGeometry::getMaterial() const
{
    return material_;
}

void LightGeometry::setName(std::string name)
{
    name_ = std::move(name);
}

std::string LightGeometry::getName() const
{
    return name_;
}

void LightGeometry::markDefined(std::uint64_t id)
{
    defined_ = true;
    instanceId_ = id;
}

} // namespace vel
