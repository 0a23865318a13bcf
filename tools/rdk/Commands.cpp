#include "Commands.h"

#include <cstdio>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

#include "PngFile.h"
#include "SceneFile.h"

namespace rdk {

using vel::model::Node;
using vel::model::NodeKind;

namespace {

// A name as the tool shows it: in double quotes, with control characters,
// quotes and backslashes escaped.
std::string quoted(const std::string& name)
{
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            (out += '\\') += c;
        else if (c == '\n')
            out += "\\n";
        else if (b < 0x20 || b == 0x7f)
            ((out += "\\x") += hex[b >> 4]) += hex[b & 15];
        else
            out += c;
    }
    return out + "\"";
}

std::string at(const SceneFile& file, const vel::TextPosition& p)
{
    return file.shownName() + ":" + std::to_string(p.line) + ":" + std::to_string(p.column);
}

// The reading's problems, "FILE:LINE:COLUMN: error: ...".
void reportProblems(const SceneFile& file, std::ostream& out)
{
    for (const vel::ReadProblem& p : file.read.problems)
        out << at(file, p.at) << ": error: " << p.message << "\n";
    if (file.read.stopped)
        out << file.shownName() << ": stopped after " << file.read.problems.size() << " problems\n";
}

bool load(const std::string& path, SceneFile& file, std::ostream& err, bool buildModel = true)
{
    std::string error;
    if (!loadSceneFile(path, file, error, buildModel)) {
        err << "rdk: cannot read " << file.shownName() << ": " << error << "\n";
        return false;
    }
    return true;
}

// How many groups of `per` numbers the value holds (triangles of an index
// list, vertices of a coordinate list), without copying a list.
std::size_t elements(const vel::model::Value* v, std::size_t per)
{
    if (!v)
        return 0;
    const std::size_t numbers = v->floats().size() + v->doubles().size() + v->ints().size();
    return (v->isList() || numbers > 0 ? numbers : v->numbers().size()) / per;
}

std::string plural(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

struct Counts {
    std::size_t groups = 0, objects = 0, triangles = 0, vertices = 0, materials = 0, shaders = 0;
    std::size_t definitions = 0, instances = 0, cameras = 0, errors = 0, prints = 0;
};

Counts count(const vel::model::Scene& scene)
{
    Counts c;
    std::vector<const Node*> pending{&scene.root()};
    std::set<const Node*> captured;
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        switch (n->kind) {
        case NodeKind::Group: ++c.groups; break;
        case NodeKind::Object: ++c.objects; break;
        case NodeKind::Material: ++c.materials; break;
        case NodeKind::Camera: ++c.cameras; break;
        case NodeKind::Shader: ++c.shaders; break;
        case NodeKind::Geometry:
            if (n->name == "instance") {
                ++c.instances;
            } else {
                c.triangles += elements(n->parameter("triangles"), 3);
                c.vertices += elements(n->parameter("vertices"), 3);
            }
            break;
        default: break;
        }
        const bool defined = ((n->kind == NodeKind::Group || n->kind == NodeKind::Object ||
                               n->kind == NodeKind::Material) && !n->placed) ||
                             n->kind == NodeKind::Matrix ||
                             (n->kind == NodeKind::Shader && (n->numbered || n->hasName));
        c.definitions += defined ? 1 : 0;
        for (const vel::model::Entry& e : n->entries) {
            c.errors += std::holds_alternative<vel::model::entry::Error>(e) ? 1 : 0;
            c.prints += std::holds_alternative<vel::model::entry::Print>(e) ? 1 : 0;
            // A captured shader is counted once, however often it is placed.
            const Node* block = vel::model::blockOf(e);
            vel::model::forEachNode(e, [&](const Node& held) {
                if (&held == block || captured.insert(&held).second)
                    pending.push_back(&held);
            });
        }
    }
    return c;
}

// One line of the tree for a block, or empty for blocks the tree leaves out
// (those inside objects and materials are summed up in their line).
std::string describe(const vel::model::Scene& scene, const Node& n)
{
    std::ostringstream line;
    const char* define = n.placed ? "" : "#define ";
    switch (n.kind) {
    case NodeKind::Group:
        line << define << "group " << quoted(n.name);
        if (n.hasFlags())
            line << " flags " << n.flags();
        break;
    case NodeKind::Object: {
        line << define << "object " << quoted(n.name);
        for (const std::uint32_t id : n.ids())
            line << " id " << id;
        if (n.hasFlags())
            line << " flags " << n.flags();
        const std::vector<Node*> geometry = n.children(NodeKind::Geometry);
        if (!geometry.empty() && geometry.back()->name == "instance") {
            const vel::model::Value* id = geometry.back()->parameter("id");
            line << ": instance of " << (id && id->number() ? std::to_string(static_cast<long long>(*id->number())) : "?");
        } else if (!geometry.empty()) {
            line << ": " << plural(elements(geometry.back()->parameter("triangles"), 3), "triangle", "triangles");
        }
        if (const Node* material = scene.materialOf(n))
            line << (geometry.empty() ? ": " : ", ") << "material " << quoted(material->name);
        break;
    }
    case NodeKind::Camera:
        line << (n.modify ? "#modify camera" : "camera");
        if (n.hasName)
            line << " " << quoted(n.name);
        break;
    case NodeKind::Options: line << "options"; break;
    case NodeKind::Image: line << "image"; break;
    case NodeKind::Load: line << "load " << quoted(n.name); break;
    case NodeKind::Light: line << "light " << quoted(n.name); break;
    case NodeKind::Material:
        if (n.placed)
            return {};
        line << "#define material " << quoted(n.name);
        break;
    default:
        return {};
    }
    return line.str();
}

void tree(const vel::model::Scene& scene, const Node& node, int level, int depth, std::ostream& out)
{
    std::size_t hidden = 0;
    for (const Node* child : node.children()) {
        const std::string line = describe(scene, *child);
        if (line.empty())
            continue;
        if (level >= depth) {
            ++hidden;
            continue;
        }
        out << std::string(2 * static_cast<std::size_t>(level + 1), ' ') << line << "\n";
        if (child->kind == NodeKind::Group || child->kind == NodeKind::Object)
            tree(scene, *child, level + 1, depth, out);
    }
    if (hidden)
        out << std::string(2 * static_cast<std::size_t>(level + 1), ' ') << "... "
            << plural(hidden, "more block", "more blocks") << "\n";
}

} // namespace

int check(const std::string& path, std::ostream& out, std::ostream& err)
{
    SceneFile file;
    if (!load(path, file, err, false)) // a check needs the reading, not the model
        return 1;
    reportProblems(file, out);
    std::size_t warnings = 0;
    for (const vel::SceneMessage& m : file.read.messages)
        if (m.isError) {
            out << at(file, m.at) << ": warning: the scene reports: " << m.text << "\n";
            ++warnings;
        }
    // Only of a file that reads: beside a problem it would contradict it.
    if (file.read.layoutIrregular && file.read.ok())
        out << at(file, file.read.firstIrregularity)
            << ": note: the layout departs from a writer's here (edited by hand?); it reads all the same\n";
    if (!file.read.ok()) {
        out << file.shownName() << ": " << plural(file.read.problems.size(), "problem", "problems") << "\n";
        return 1;
    }
    out << file.shownName() << ": well formed";
    if (warnings)
        out << ", " << plural(warnings, "warning", "warnings");
    out << "\n";
    return 0;
}

int stats(const std::string& path, int depth, std::ostream& out, std::ostream& err)
{
    SceneFile file;
    if (!load(path, file, err))
        return 1;
    reportProblems(file, err);
    const Counts c = count(file.scene);
    out << file.shownName() << "\n";
    const std::pair<const char*, std::size_t> rows[] = {
        {"bytes", file.text().size()}, {"groups", c.groups},         {"objects", c.objects},
        {"triangles", c.triangles},   {"vertices", c.vertices},     {"materials", c.materials},
        {"shaders", c.shaders},       {"definitions", c.definitions}, {"instances", c.instances},
        {"cameras", c.cameras},       {"errors reported", c.errors},
    };
    for (const auto& [name, value] : rows)
        out << "  " << name << std::string(17 - std::string(name).size(), ' ') << value << "\n";
    if (depth > 0) {
        out << "tree:\n";
        tree(file.scene, file.scene.root(), 0, depth, out);
    }
    return file.read.ok() ? 0 : 1;
}

int render(const std::string& path, const std::string& picture, const RenderOptions& options, std::ostream& out,
           std::ostream& err)
{
    SceneFile file;
    if (!load(path, file, err))
        return 1;
    reportProblems(file, err);
    RenderReport report;
    const Image image = renderScene(file.scene, options, &report);
    std::string error;
    const bool piped = picture == "-";
    if (!writePng(picture, image, error)) {
        // A lost write to standard output is told once, when the tool ends.
        if (!piped || !std::ferror(stdout))
            err << "rdk: cannot write " << (piped ? "standard output" : picture) << ": " << error << "\n";
        return 1;
    }
    // The picture itself may be what goes to standard output.
    (piped ? err : out) << (piped ? "standard output" : picture) << ": " << image.width << "x" << image.height
        << ", " << viewName(report.view) << " view, " << axisName(report.up) << " up, " << plural(report.objects, "object", "objects") << ", " << plural(report.triangles, "triangle", "triangles")
        << " (" << report.visible << " showing)\n";
    return file.read.ok() ? 0 : 1;
}

} // namespace rdk
