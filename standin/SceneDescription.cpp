#include "SceneDescription.h"

#include <tinyxml2.h>

#include <set>

namespace standin::raydeck {

namespace {

using vel::model::Node;
using vel::model::NodeKind;

struct Counts {
    std::uint64_t groups = 0;
    std::uint64_t objects = 0;
};

void count(const Node& node, Counts& counts, std::set<const Node*>& seen)
{
    if (!seen.insert(&node).second)
        return;
    if (node.kind == NodeKind::Group)
        ++counts.groups;
    else if (node.kind == NodeKind::Object)
        ++counts.objects;
    for (const vel::model::Entry& entry : node.entries) {
        if (const Node* child = vel::model::blockOf(entry))
            count(*child, counts, seen);
    }
}

} // namespace

std::string describeScene(const HeldScene& scene, int majorVersion, std::uint64_t processId)
{
    tinyxml2::XMLPrinter printer(nullptr, true); // compact: no blanks between elements
    printer.OpenElement("scene", true);
    printer.PushAttribute("version", majorVersion);
    printer.PushAttribute("process_id", static_cast<std::uint64_t>(processId));
    printer.OpenElement("modelsets", true);
    for (const ModelSet& set : scene.modelSets()) {
        Counts counts;
        std::set<const Node*> seen;
        count(*set.root, counts, seen);
        printer.OpenElement("modelset", true);
        printer.PushAttribute("name", set.name.c_str());
        printer.PushAttribute("modelset", "active");
        printer.OpenElement("statistics", true);
        printer.PushAttribute("groups", counts.groups);
        printer.PushAttribute("objects", counts.objects);
        printer.CloseElement(true);
        printer.CloseElement(true);
    }
    printer.CloseElement(true);
    printer.CloseElement(true);
    return printer.CStr();
}

} // namespace standin::raydeck
