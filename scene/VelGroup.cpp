#include "VelGroup.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include <sceneapi/velSceneapi_oo.h>

namespace vel {

namespace {

// While a group releases its children, a group released among them hands its
// own children to this list instead of releasing them from within its
// destructor; the first group drains the list. Per thread, as the release
// runs wherever the last reference goes.
thread_local std::vector<std::shared_ptr<LightNode>>* releaseQueue = nullptr;

} // namespace

VelGroup::VelGroup(std::string name) : name_(std::move(name)) {}

VelGroup::~VelGroup()
{
    if (releaseQueue != nullptr) {
        std::move(groups_.begin(), groups_.end(), std::back_inserter(*releaseQueue));
        std::move(objects_.begin(), objects_.end(), std::back_inserter(*releaseQueue));
        return;
    }
    std::vector<std::shared_ptr<LightNode>> pending = std::move(groups_);
    std::move(objects_.begin(), objects_.end(), std::back_inserter(pending));
    releaseQueue = &pending;
    // In the order queued: a group's child groups, then its objects, then
    // what each of those queued in turn. The list grows while it is drained.
    for (std::size_t i = 0; i < pending.size(); ++i) {
        std::shared_ptr<LightNode> next = std::move(pending[i]);
        next.reset();
    }
    releaseQueue = nullptr;
}

bool VelGroup::write(velSceneapi_oo& w)
{
    // The subtree's open groups, innermost last, each with the index of its
    // next child: objects first, then child groups.
    struct Open {
        VelGroup* group;
        std::size_t next;
    };
    std::vector<Open> open;
    auto begin = [&](VelGroup& g) {
        w.beginGroup(g.name_);
        if (g.flags_ != 0)
            w.flags(g.flags_);
        if (g.hasTransform_)
            w.transform(g.transform_.data());
        open.push_back({&g, 0});
    };
    begin(*this);
    while (!open.empty()) {
        Open& top = open.back();
        const std::size_t objectCount = top.group->objects_.size();
        if (top.next == objectCount + top.group->groups_.size()) {
            w.endGroup();
            open.pop_back();
            continue;
        }
        const std::size_t i = top.next++;
        LightNode& child = i < objectCount ? *top.group->objects_[i] : *top.group->groups_[i - objectCount];
        // A nested group is opened here rather than through its write(), which
        // would do the same from one frame deeper.
        if (auto* group = dynamic_cast<VelGroup*>(&child))
            begin(*group);
        else
            child.write(w);
    }
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
