#include <gtest/gtest.h>

#include <scene/Diffuse.h>
#include <scene/TriangleObject.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>

namespace {

const std::vector<float> kVertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const std::vector<std::int32_t> kTriangle = {0, 1, 2};

std::shared_ptr<vel::TriangleObject> triangle(const std::string& name)
{
    auto mesh = std::make_shared<vel::TriangleObject>(name);
    mesh->setVertices(kVertices.data(), kVertices.size());
    mesh->setTriangles(kTriangle.data(), kTriangle.size());
    return mesh;
}

} // namespace

TEST(TriangleObjectValidation, ReportsEveryFindingJoinedWithoutSeparators)
{
    struct Case {
        const char* what;
        std::vector<float> normals;
        std::vector<std::int32_t> normalIndices;
        std::vector<float> uvs;
        std::vector<std::int32_t> uvIndices;
        std::vector<float> colors;
        bool triangles;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"vertices and triangles only", {}, {}, {}, {}, {}, true, ""},
        {"one normal per vertex", {0, 0, 1, 0, 0, 1, 0, 0, 1}, {}, {}, {}, {}, true, ""},
        {"one uv pair per vertex", {}, {}, {0, 0, 1, 0, 0, 1}, {}, {}, true, ""},
        {"too few normals", {0, 0, 1, 0, 0, 1}, {}, {}, {}, {}, true,
         "Number of normals does not equal number of vertices"},
        {"normal indices against triangles", {0, 0, 1}, {0, 0, 0, 0, 0, 0}, {}, {}, {}, true,
         "Normals count does not match number of triangles 6 vs 3"},
        {"normal indices without normals", {}, {0, 0, 0}, {}, {}, {}, true, "No normals defined for index"},
        {"uv indices against triangles", {}, {}, {0, 0}, {0, 0}, {}, true,
         "UV index count does not match triangle count"},
        {"too few uvs", {}, {}, {0, 0, 1, 0}, {}, {}, true, "Number of uvs(4)  does not match vertex count(9)"},
        {"uv indices without uvs", {}, {}, {}, {0, 0, 0}, {}, true, "No uvs defined for index"},
        {"vertex colours", {}, {}, {}, {}, {1, 1, 1}, true, "VetexColor count does not match number of vertices"},
        {"several findings", {}, {0, 0, 0}, {}, {0, 0, 0}, {}, true,
         "No normals defined for indexNo uvs defined for index"},
        {"no triangles after other findings", {}, {0, 0, 0}, {}, {}, {}, false,
         "No normals defined for indexNo triangles defined"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vel::TriangleObject mesh("m");
        mesh.setVertices(kVertices.data(), kVertices.size());
        if (c.triangles)
            mesh.setTriangles(kTriangle.data(), kTriangle.size());
        mesh.setNormals(c.normals.data(), c.normals.size());
        mesh.setUVs(c.uvs.data(), c.uvs.size());
        mesh.setNormalIndices(std::vector<std::int32_t>(c.normalIndices));
        mesh.setUVIndices(std::vector<std::int32_t>(c.uvIndices));
        mesh.setVertexColors(std::vector<float>(c.colors));
        EXPECT_EQ(mesh.validate(), c.triangles);
        EXPECT_EQ(mesh.message(), c.message);
    }
}

TEST(TriangleObjectWrite, FullObjectAndFindingsAfterTheObject)
{
    const std::vector<float> uvs = {0, 0, 1, 0, 0, 1};
    const std::vector<float> normals = {0, 0, 1, 0, 0, 1, 0, 0, 1};

    scenetest::SceneText full;
    auto good = triangle("tri");
    good->setUVs(uvs.data(), uvs.size());
    good->setNormals(normals.data(), normals.size());
    EXPECT_TRUE(full.wrapper().writeNode(*good));
    // Without a material: no material line at all.
    auto bare = triangle("bare");
    bare->setMaterial(nullptr);
    EXPECT_TRUE(full.wrapper().writeNode(*bare));
    EXPECT_TRUE(matchesGoldenFile("scene/golden/mesh_full.rdk", full.finish()));

    // Too few uvs and normals; then a mesh without triangles: only the error.
    scenetest::SceneText out;
    auto flawed = triangle("bad");
    flawed->setUVs(uvs.data(), 4);
    flawed->setNormals(normals.data(), 6);
    EXPECT_TRUE(out.wrapper().writeNode(*flawed));
    vel::TriangleObject empty("empty");
    empty.setNormalIndices({0, 1, 2});
    empty.setUVIndices({0, 1, 2});
    EXPECT_FALSE(out.wrapper().writeNode(empty));
    EXPECT_TRUE(matchesGoldenFile("scene/golden/mesh_findings.rdk", out.finish()));
}

TEST(TriangleObjectWrite, DefinitionsNumberFromOneAndInstancesReferToThem)
{
    scenetest::SceneText out;
    auto a = triangle("a");
    auto b = triangle("b");
    EXPECT_EQ(b->memorySize(), 4u * (9 + 3)); // four bytes per element
    a->writeDefinition(out.wrapper());
    b->writeDefinition(out.wrapper());
    EXPECT_EQ(a->instanceId(), 1u);
    EXPECT_EQ(b->instanceId(), 2u);
    EXPECT_TRUE(b->isDefined());
    EXPECT_EQ(b->memorySize(), 0u); // the arrays went with the definition

    // The instance carries the node's current material, here by reference.
    b->getMaterial()->writeDefinition(out.wrapper());
    out.wrapper().writeNode(*b);
    EXPECT_TRUE(matchesGoldenFile("scene/golden/mesh_instances.rdk", out.finish()));
}
