#include "PlacementWalk.h"

#include <utility>

#include "DesignRefused.h"

using adsk::core::Ptr;
namespace fusion = adsk::fusion;

namespace vel {

namespace {

// A placement on the walk's path.
struct Open {
    Ptr<fusion::Component> component;
    Ptr<fusion::Occurrences> occurrences; // empty when they are not walked
    std::size_t count = 0;
    std::size_t next = 0;
    Ptr<fusion::Occurrence> current; // the occurrence walked below, until placed
};

// Shows this many names at each end of a long path.
constexpr std::size_t kPathEnds = 3;

} // namespace

void walkPlacements(const Ptr<fusion::Component>& root, const Ptr<adsk::core::Appearance>& appearance, bool visible,
                    PlacementVisitor& visitor)
{
    std::vector<Open> path;
    auto begin = [&](const Ptr<fusion::Component>& component, const Ptr<adsk::core::Appearance>& placedAppearance,
                     bool shown) {
        if (path.size() == kMaxComponentDepth) {
            std::vector<std::string> names;
            for (const Open& open : path)
                names.push_back(open.component->name());
            names.push_back(component->name());
            throw DesignRefused(componentPath(names), "components nested more than " +
                                                          std::to_string(kMaxComponentDepth) + " levels deep");
        }
        Open open;
        open.component = component;
        if (visitor.enter(component, placedAppearance, shown)) {
            open.occurrences = component->occurrences();
            open.count = open.occurrences->count();
        }
        path.push_back(std::move(open));
    };

    begin(root, appearance, visible);
    for (;;) {
        Open& top = path.back();
        if (top.next < top.count) {
            top.current = top.occurrences->item(top.next++);
            Ptr<fusion::Component> placed = top.current->component();
            const bool shown = top.current->isLightBulbOn();
            Ptr<adsk::core::Appearance> placedAppearance = top.current->appearance();
            begin(placed, placedAppearance, shown);
            continue;
        }
        visitor.leave();
        path.pop_back();
        if (path.empty())
            return;
        Open& parent = path.back();
        visitor.place(parent.current->transform());
        parent.current = nullptr;
    }
}

std::string componentPath(const std::vector<std::string>& names)
{
    std::string path;
    const std::size_t count = names.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (count > 2 * kPathEnds + 1 && i == kPathEnds) {
            path += "/... " + std::to_string(count - 2 * kPathEnds) + " more ...";
            i = count - kPathEnds - 1;
            continue;
        }
        if (i > 0)
            path += '/';
        path += names[i];
    }
    return path;
}

} // namespace vel
