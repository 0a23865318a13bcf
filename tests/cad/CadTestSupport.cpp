#include "CadTestSupport.h"

#include <tests/support/SourceTree.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace cadtest {

fs::path testDataFolder()
{
    if (const char* given = std::getenv("RD_CAD_TEST_DATA"))
        return given;
    return rdtest::sourcePath("build/test-data");
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

namespace {

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

} // namespace

std::vector<PlacedBody> placedBodies(const sh::DesignData& design)
{
    std::vector<PlacedBody> out;
    std::function<void(int, const sh::Matrix4&)> walk = [&](int index, const sh::Matrix4& world) {
        const sh::ComponentData& component = design.components.at(static_cast<std::size_t>(index));
        for (const sh::BodyData& body : component.bodies) {
            PlacedBody placed;
            placed.component = component.name;
            placed.body = &body;
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
            walk(occurrence.component, multiply(world, occurrence.transform));
    };
    walk(design.products.at(0).rootComponent, sh::identityMatrix());
    return out;
}

const sh::ComponentData& component(const sh::DesignData& design, const std::string& name)
{
    for (const sh::ComponentData& c : design.components)
        if (c.name == name)
            return c;
    ADD_FAILURE() << "no component named \"" << name << "\"";
    return design.components.at(0);
}

const sh::ComponentData& rootOf(const sh::DesignData& design)
{
    return design.components.at(static_cast<std::size_t>(design.products.at(0).rootComponent));
}

std::string appearanceId(const sh::DesignData& design, int index)
{
    return index == sh::kNone ? std::string() : design.appearances.at(static_cast<std::size_t>(index)).id;
}

EditedCopy::EditedCopy(const fs::path& original) : original_(original), text_(rdtest::readFile(original.string())) {}

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
    const fs::path file = folder() / (name.empty() ? original_.filename().string() : name);
    rdtest::writeFile(file.string(), text_);
    return file;
}

} // namespace cadtest
