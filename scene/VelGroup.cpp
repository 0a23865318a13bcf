#include "VelGroup.h"

#include <algorithm>
#include <utility>

#include <sceneapi/velSceneapi_oo.h>

namespace vel {

VelGroup::VelGroup(std::string name) : name_(std::move(name)) {}

// Members go in reverse order: child groups, objects, then the name.
VelGroup::~VelGroup() = default;

bool VelGroup::write(velSceneapi_oo& w)
{
    w.beginGroup(name_);
    if (flags_ != 0)
        w.flags(flags_);
    if (hasTransform_)
        w.transform(transform_.data());
    for (const auto& object : objects_)
        object->write(w);
    for (const auto& group : groups_)
        group->write(w);
    w.endGroup();
    return true;
}

bool VelGroup::writeDefinition(velSceneapi_oo&)
{
    return false;
}

bool VelGroup::isDefined() const
{
    return false;
}

void VelGroup::addObject(std::shared_ptr<LightNode> node)
{
    if (node)
        objects_.push_back(std::move(node));
}

void VelGroup::addGroup(std::shared_ptr<LightNode> node)
{
    if (node)
        groups_.push_back(std::move(node));
}

std::shared_ptr<VelGroup> VelGroup::createGroup(std::string name)
{
    auto group = std::make_shared<VelGroup>(std::move(name));
    groups_.push_back(group);
    return group;
}

void VelGroup::setFlags(std::uint32_t flags)
{
    flags_ = flags;
}

void VelGroup::setTransform(const double* m16)
{
    std::copy(m16, m16 + 16, transform_.begin());
    hasTransform_ = true;
}

} // namespace vel
