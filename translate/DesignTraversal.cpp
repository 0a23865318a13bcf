// The walk over a document's components and occurrences, with the change
// detection that lets a second transfer send unchanged components without
// their bodies.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <scene/VelGroup.h>
#include "FusionExporter.h"
#include "PlacementWalk.h"

using adsk::core::Appearance;
using adsk::core::Ptr;
namespace fusion = adsk::fusion;

namespace {

// Flag words of a component group.
constexpr std::uint32_t kComponentUnchanged = 1;
constexpr std::uint32_t kComponentChanged = 1 + 0x8000;

// "<count>x<appearance id> " for each distinct appearance of the body's
// faces, in the order the appearances are first met. Faces without any
// appearance are left out.
std::string appearanceSignature(const Ptr<fusion::BRepBody>& body, const Ptr<Appearance>& inherited)
{
    Ptr<Appearance> fallback = body->appearance();
    if (!fallback)
        fallback = inherited;
    std::vector<std::pair<std::string, int>> counts;
    Ptr<fusion::BRepFaces> faces = body->faces();
    const std::size_t faceCount = faces->count();
    for (std::size_t i = 0; i < faceCount; ++i) {
        Ptr<Appearance> appearance = faces->item(i)->appearance();
        if (!appearance)
            appearance = fallback;
        if (!appearance)
            continue;
        const std::string id = appearance->id();
        auto it = counts.begin();
        while (it != counts.end() && it->first != id)
            ++it;
        if (it == counts.end())
            counts.emplace_back(id, 1);
        else
            ++it->second;
    }
    std::string signature;
    for (const auto& [id, count] : counts)
        signature += std::to_string(count) + "x" + id + " ";
    return signature;
}

} // namespace

std::shared_ptr<vel::VelGroup> FusionExporter::buildScene(Ptr<adsk::core::Document> document)
{
    auto root = std::make_shared<vel::VelGroup>(vel::trimVersionSuffix(document->name()));
    Ptr<adsk::core::Products> products = document->products();
    const std::size_t count = products->count();
    for (std::size_t i = 0; i < count; ++i) {
        Ptr<fusion::Design> design = products->item(i);
        if (design)
            root->addGroup(translateComponent(design->rootComponent(), nullptr, true));
    }
    sentRecords_ = currentRecords_;
    return root;
}

// One component group per placement, filled as the walk goes: the record
// and the flag word on entering, the child placements in between, the bodies
// of a changed component on leaving.
class FusionExporter::ComponentTranslation : public vel::PlacementVisitor {
public:
    explicit ComponentTranslation(FusionExporter& exporter) : exporter_(exporter) {}

    bool enter(const Ptr<fusion::Component>& component, const Ptr<Appearance>& inheritedAppearance,
               bool visible) override
    {
        const std::string name = component->name();
        auto group = std::make_shared<vel::VelGroup>(name);
        group->setFlags(kComponentUnchanged);

        vel::ComponentRecord record = exporter_.makeComponentRecord(component, inheritedAppearance, visible);
        const auto sent = exporter_.sentRecords_.find(name);
        const bool changed = sent == exporter_.sentRecords_.end() || vel::recordsDiffer(record, sent->second);
        group->setFlags(changed ? kComponentChanged : kComponentUnchanged);
        exporter_.currentRecords_[name] = std::move(record);

        // A hidden placement is sent as an empty group. An unchanged component
        // keeps its child placements but sends no bodies: the renderer still
        // holds them from the last transfer.
        open_.push_back({std::move(group), component, inheritedAppearance, visible && changed});
        return visible;
    }

    void leave() override
    {
        Open done = std::move(open_.back());
        open_.pop_back();
        if (done.withBodies) {
            Ptr<fusion::BRepBodies> bodies = done.component->bRepBodies();
            const std::size_t bodyCount = bodies->count();
            for (std::size_t i = 0; i < bodyCount; ++i) {
                Ptr<fusion::BRepBody> body = bodies->item(i);
                done.group->addGroup(exporter_.translateBody(body, done.inheritedAppearance, body->isLightBulbOn()));
            }
        }
        left_ = std::move(done.group);
    }

    void place(const Ptr<adsk::core::Matrix3D>& placement) override
    {
        // Column by column, so the translation lands in elements 12 to 14;
        // the host's centimetres become design units.
        double m[16];
        for (int column = 0; column < 4; ++column)
            for (int row = 0; row < 4; ++row)
                m[4 * column + row] = placement->getCell(row, column);
        for (int k = 12; k < 15; ++k)
            m[k] *= exporter_.unitsPerCentimetre_;
        left_->setTransform(m);
        open_.back().group->addGroup(std::move(left_));
    }

    // The group of the placement that ended last.
    std::shared_ptr<vel::VelGroup> left() { return std::move(left_); }

private:
    struct Open {
        std::shared_ptr<vel::VelGroup> group;
        Ptr<fusion::Component> component;
        Ptr<Appearance> inheritedAppearance;
        bool withBodies;
    };

    FusionExporter& exporter_;
    std::vector<Open> open_;
    std::shared_ptr<vel::VelGroup> left_;
};

std::shared_ptr<vel::VelGroup> FusionExporter::translateComponent(Ptr<fusion::Component> component,
                                                                  Ptr<Appearance> inheritedAppearance, bool visible)
{
    ComponentTranslation translation(*this);
    vel::walkPlacements(component, inheritedAppearance, visible, translation);
    return translation.left();
}

vel::ComponentRecord FusionExporter::makeComponentRecord(Ptr<fusion::Component> component,
                                                         Ptr<Appearance> inheritedAppearance, bool visible)
{
    vel::ComponentRecord record;
    Ptr<fusion::PhysicalProperties> properties = component->physicalProperties();
    record.area = properties->area();
    record.volume = properties->volume();

    Ptr<fusion::BRepBodies> bodies = component->bRepBodies();
    const std::size_t bodyCount = bodies->count();
    for (std::size_t i = 0; i < bodyCount; ++i)
        record.appearanceSignature += appearanceSignature(bodies->item(i), inheritedAppearance);

    record.visible = visible;
    for (std::size_t i = 0; i < bodyCount; ++i) {
        Ptr<fusion::BRepBody> body = bodies->item(i);
        record.bodies[body->name()] = body->isLightBulbOn();
    }

    Ptr<fusion::Occurrences> occurrences = component->occurrences();
    const std::size_t occurrenceCount = occurrences->count();
    for (std::size_t i = 0; i < occurrenceCount; ++i)
        record.childComponents.insert(occurrences->item(i)->component()->name());
    return record;
}
