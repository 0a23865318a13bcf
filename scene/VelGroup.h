#pragma once
// A group node: a name, an optional transform, a flag word and child nodes.
// write() emits the whole subtree depth first, the group's objects before its
// child groups, each list in insertion order.
//
// Neither emitting nor destroying a subtree recurses into nested groups, so a
// tree of any depth is safe on a small stack (the CAD program runs the add-in
// on a thread with 1 MiB). How deep a design may nest is the translation's
// limit, not the group's.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <sceneapi/LightNode.h>

namespace vel {

class VelGroup final : public LightNode {
public:
    explicit VelGroup(std::string name);
    // Releases the child groups, then the objects. Groups nested below are
    // released one after another, not from within each other.
    ~VelGroup() override;

    bool write(velSceneapi_oo& w) override;
    // Groups have no definition form: nothing is emitted.
    bool writeDefinition(velSceneapi_oo& w) override;
    bool isDefined() const override;

    // Append a shape (or other leaf node); an empty pointer is ignored.
    void addObject(std::shared_ptr<LightNode> node);
    // Append a child group; an empty pointer is ignored.
    void addGroup(std::shared_ptr<LightNode> node);
    // Create a child group, append it, and return it for filling in place.
    std::shared_ptr<VelGroup> createGroup(std::string name);

    // The flag word is passed through to the scene unread; 0 emits no flags.
    void setFlags(std::uint32_t flags);
    // 16 values, kept and emitted in the order given (column by column as
    // the translation builds them, translation in elements 12 to 14).
    void setTransform(const double* m16);

    const std::string& name() const { return name_; }
    std::uint32_t flags() const { return flags_; }
    bool hasTransform() const { return hasTransform_; }
    const std::array<double, 16>& transform() const { return transform_; }
    const std::vector<std::shared_ptr<LightNode>>& objects() const { return objects_; }
    const std::vector<std::shared_ptr<LightNode>>& groups() const { return groups_; }

private:
    std::string name_;
    bool hasTransform_ = false;
    std::array<double, 16> transform_{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::uint32_t flags_ = 0;
    std::vector<std::shared_ptr<LightNode>> objects_;
    std::vector<std::shared_ptr<LightNode>> groups_;
};

} // namespace vel
