#pragma once
// The walk over a design's component placements, shared by the translation
// and by the check that runs before anything is written, so that both see the
// same placements in the same order. It keeps a stack of its own instead of
// recursing: the CAD program runs the add-in on a thread with a 1 MiB stack,
// where a recursive walk overflowed at about 1,700 levels.

#include <cstddef>
#include <string>
#include <vector>

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>

namespace vel {

// How many levels components may nest, the root component being the first.
// A scene nests its blocks six levels deeper than its components (the
// document's group above them; a body, a face group, an object, its material
// and a shader below), and scene readers, ours included, refuse blocks nested
// more than 1000 deep. Real designs nest tens of levels.
inline constexpr std::size_t kMaxComponentDepth = 900;

// What the walk reports, in order: enter for a placement, then the
// placements below it, then leave, then (except for the first) place.
class PlacementVisitor {
public:
    virtual ~PlacementVisitor() = default;
    // A placement of `component` begins; `appearance` and `visible` are those
    // of the occurrence that places it. Returns
    // whether the component's occurrences are walked.
    virtual bool enter(const adsk::core::Ptr<adsk::fusion::Component>& component,
                       const adsk::core::Ptr<adsk::core::Appearance>& appearance, bool visible) = 0;
    // The placement entered last and not yet left ends.
    virtual void leave() = 0;
    // The placement that just ended sits in its parent at `transform`.
    virtual void place(const adsk::core::Ptr<adsk::core::Matrix3D>& transform) = 0;
};

// Walks the placements from `root`, placed with `appearance` and `visible`,
// depth first, occurrences in collection order. Per occurrence the host is asked for the item, its component, light
// bulb and appearance, and after the placements below it for its transform;
// an empty collection, item or transform raises as the host's Ptr does. A
// placement more than kMaxComponentDepth levels deep throws DesignRefused
// naming the path, before it is entered.
void walkPlacements(const adsk::core::Ptr<adsk::fusion::Component>& root,
                    const adsk::core::Ptr<adsk::core::Appearance>& appearance, bool visible,
                    PlacementVisitor& visitor);

// The names joined by "/"; a long path keeps its first and last few names
// around the count of those left out.
std::string componentPath(const std::vector<std::string>& names);

} // namespace vel
