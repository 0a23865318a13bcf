#include "CadTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

namespace cadtest {

fs::path testDataFolder()
{
    if (const char* given = std::getenv("RD_CAD_TEST_DATA"))
        return given;
    const char* source = std::getenv("RD_SOURCE_DIR");
    return fs::path(source ? source : ".") / "build" / "test-data";
}

fs::path caxIf(const std::string& name)
{
    return occtImportJs("cax-if/" + name);
}

fs::path occtImportJs(const std::string& relative)
{
    return testDataFolder() / "npm/node_modules/occt-import-js/test/testfiles" / relative;
}

fs::path gmsh(const std::string& name)
{
    return testDataFolder() / "gmsh" / name;
}

fs::path occtData(const std::string& relative)
{
    return fs::path("/usr/share/opencascade/data") / relative;
}

fs::path assimpModel(const std::string& relative)
{
    return fs::path("/usr/share/assimp/models") / relative;
}

void Box::include(const std::array<double, 3>& p)
{
    for (int i = 0; i < 3; ++i) {
        min[i] = std::min(min[i], p[i]);
        max[i] = std::max(max[i], p[i]);
    }
}

double Box::distance(const Box& other) const
{
    double d = 0;
    for (int i = 0; i < 3; ++i)
        d = std::max({d, std::fabs(min[i] - other.min[i]), std::fabs(max[i] - other.max[i])});
    return d;
}

sh::Matrix4 multiply(const sh::Matrix4& a, const sh::Matrix4& b)
{
    sh::Matrix4 m{};
    for (std::size_t r = 0; r < 4; ++r)
        for (std::size_t c = 0; c < 4; ++c)
            for (std::size_t k = 0; k < 4; ++k)
                m[r][c] += a[r][k] * b[k][c];
    return m;
}

std::array<double, 3> transformPoint(const sh::Matrix4& m, const std::array<double, 3>& p)
{
    std::array<double, 3> out{};
    for (std::size_t r = 0; r < 3; ++r)
        out[r] = m[r][0] * p[0] + m[r][1] * p[1] + m[r][2] * p[2] + m[r][3];
    return out;
}

std::vector<PlacedBody> placedBodies(const sh::DesignData& design)
{
    std::vector<PlacedBody> out;
    std::function<void(int, const sh::Matrix4&, bool)> walk = [&](int index, const sh::Matrix4& world, bool shown) {
        const sh::ComponentData& component = design.components.at(static_cast<std::size_t>(index));
        for (const sh::BodyData& body : component.bodies) {
            PlacedBody placed;
            placed.component = component.name;
            placed.body = &body;
            placed.world = world;
            placed.visible = shown && body.visible;
            for (const sh::FaceData& face : body.faces)
                for (const sh::MeshData& mesh : face.displayMeshes) {
                    placed.triangles += mesh.nodeIndices.size() / 3;
                    for (std::size_t i = 0; i + 2 < mesh.nodeCoordinates.size(); i += 3)
                        placed.box.include(transformPoint(world, {mesh.nodeCoordinates[i], mesh.nodeCoordinates[i + 1],
                                                         mesh.nodeCoordinates[i + 2]}));
                }
            out.push_back(placed);
        }
        for (const sh::OccurrenceData& occurrence : component.occurrences)
            walk(occurrence.component, multiply(world, occurrence.transform), shown && occurrence.visible);
    };
    walk(design.products.at(0).rootComponent, sh::identityMatrix(), true);
    return out;
}

int componentNamed(const sh::DesignData& design, const std::string& name)
{
    for (std::size_t i = 0; i < design.components.size(); ++i)
        if (design.components[i].name == name)
            return static_cast<int>(i);
    ADD_FAILURE() << "no component named \"" << name << "\"";
    return 0;
}

std::string appearanceId(const sh::DesignData& design, int index)
{
    return index == sh::kNone ? std::string() : design.appearances.at(static_cast<std::size_t>(index)).id;
}

std::size_t triangleCount(const sh::ComponentData& component)
{
    std::size_t n = 0;
    for (const sh::BodyData& body : component.bodies)
        for (const sh::FaceData& face : body.faces)
            for (const sh::MeshData& mesh : face.displayMeshes)
                n += mesh.nodeIndices.size() / 3;
    return n;
}

void RecordingMonitor::begin(std::string_view stage, std::size_t total)
{
    stages.push_back(Stage{std::string(stage), total, {}, false});
}

void RecordingMonitor::advance(std::size_t done)
{
    if (stages.empty())
        ADD_FAILURE() << "advance outside a stage";
    else
        stages.back().advances.push_back(done);
}

void RecordingMonitor::end()
{
    if (stages.empty())
        ADD_FAILURE() << "end outside a stage";
    else
        stages.back().ended = true;
}

void RecordingMonitor::warning(std::string_view message)
{
    warnings.emplace_back(message);
}

std::string readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

EditedCopy::EditedCopy(const fs::path& original) : original_(original), text_(readText(original))
{
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("rd-cad-test-" + std::to_string(random()));
    fs::create_directories(folder_);
}

EditedCopy::~EditedCopy()
{
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void EditedCopy::replace(const std::string& from, const std::string& to)
{
    const std::size_t at = text_.find(from);
    ASSERT_NE(at, std::string::npos) << "\"" << from << "\" is not in " << original_;
    ASSERT_EQ(text_.find(from, at + 1), std::string::npos) << "\"" << from << "\" is in " << original_ << " twice";
    text_.replace(at, from.size(), to);
}

void EditedCopy::truncate(std::size_t bytes)
{
    text_.resize(std::min(bytes, text_.size()));
}

fs::path EditedCopy::write(const std::string& name)
{
    const fs::path file = folder_ / (name.empty() ? original_.filename().string() : name);
    std::ofstream out(file, std::ios::binary);
    out << text_;
    return file;
}

} // namespace cadtest
