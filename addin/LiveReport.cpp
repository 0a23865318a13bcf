#include "LiveReport.h"

#include <scene/TriangleObject.h>
#include <scene/VelGroup.h>

#include <vector>

namespace addin {

namespace {

// The flag words of component placements (FusionExporter::translateComponent).
constexpr std::uint32_t kComponentUnchanged = 1;
constexpr std::uint32_t kComponentChanged = 1 + 0x8000;

std::string raydeck(int majorVersion)
{
    return majorVersion > 0 ? "RayDeck " + std::to_string(majorVersion) : "RayDeck";
}

std::string counted(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

SentScene countSent(const vel::VelGroup& root)
{
    SentScene sent;
    std::vector<const vel::VelGroup*> pending{&root};
    while (!pending.empty()) {
        const vel::VelGroup& group = *pending.back();
        pending.pop_back();
        if (group.flags() == kComponentChanged)
            ++sent.changedComponents;
        else if (group.flags() == kComponentUnchanged)
            ++sent.unchangedComponents;
        for (const std::shared_ptr<vel::LightNode>& node : group.objects()) {
            if (const auto* mesh = dynamic_cast<const vel::TriangleObject*>(node.get())) {
                ++sent.meshes;
                sent.triangles += mesh->triangles().size() / 3;
                sent.geometryBytes += mesh->memorySize();
            }
        }
        for (const std::shared_ptr<vel::LightNode>& node : group.groups())
            if (const auto* child = dynamic_cast<const vel::VelGroup*>(node.get()))
                pending.push_back(child);
    }
    return sent;
}

std::string installationLine(const vel::live::ConnectionReport& report)
{
    if (report.libraryPath.empty())
        return {};
    return raydeck(report.installationVersion) + " installation: live library " + report.libraryPath;
}

std::string processLine(const vel::live::ConnectionReport& report, bool reusing, const std::string& modelSetName)
{
    const vel::live::InstanceRecord& chosen = report.instance;
    const std::string port = std::to_string(report.port);
    if (chosen.empty()) {
        if (report.port == 0)
            return report.launched ? "launched RayDeck; it did not show up" : std::string();
        return std::string(report.launched ? "launched RayDeck; " : "") + "connected on the registered port " + port;
    }
    const std::string process = raydeck(chosen.majorVersion) + ": process " + std::to_string(chosen.processId);
    const std::string where = report.port != 0 ? ", port " + port : ", announcing port "
                                                                        + std::to_string(chosen.liveLinkPort);
    if (report.launched)
        return "launched " + process + where;
    if (reusing)
        return "reused " + process + where + " (it shows \"" + modelSetName + "\")";
    return "found " + process + where + " (new scene \"" + modelSetName + "\")";
}

std::string sentLine(const SentScene& sent)
{
    return "sent " + counted(sent.changedComponents + sent.unchangedComponents, "component", "components") + ", "
           + std::to_string(sent.changedComponents) + " changed and " + std::to_string(sent.unchangedComponents)
           + " unchanged: " + counted(sent.meshes, "mesh", "meshes") + ", "
           + counted(sent.triangles, "triangle", "triangles") + ", "
           + counted(sent.geometryBytes, "byte", "bytes") + " of geometry";
}

} // namespace addin
