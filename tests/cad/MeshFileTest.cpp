// Mesh files through Assimp: a glTF assembly checked against its own
// description (placements, triangles, boxes) and framed by its view,
// materials with base colours and texture files, and the formats without a
// unit.

#include "CadTestSupport.h"

#include <tests/support/GoldenFile.h>

#include <cmath>
#include <set>
#include <sstream>

namespace {

using namespace cadtest;

struct Expected {
    std::vector<Box> boxes; // per node with a mesh, centimetres
    std::size_t triangles = 0;
};

// What the engine's own description says (data/2CylinderEngine-boxes.txt).
Expected engineDescription()
{
    std::istringstream in(readGoldenFile("cad/data/2CylinderEngine-boxes.txt"));
    Expected e;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("triangles "))
            e.triangles = std::stoul(line.substr(10));
        if (line.starts_with("#") || line.starts_with("triangles "))
            continue;
        std::istringstream fields(line);
        Box& box = e.boxes.emplace_back();
        fields >> box.min[0] >> box.min[1] >> box.min[2] >> box.max[0] >> box.max[1] >> box.max[2];
    }
    EXPECT_EQ(e.boxes.size(), 67u);
    return e;
}

// Every placed mesh node where the file puts it, with all its triangles, and
// the view the design opens with looking at the whole model.
TEST(MeshFiles, GltfAssemblyMatchesItsOwnDescriptionAndTheViewFramesIt)
{
    const fs::path file = assimpModel("glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb");
    CAD_REQUIRE_FILE(file);
    const Expected want = engineDescription();
    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    EXPECT_EQ(design.products.at(0).units, "m");
    EXPECT_EQ(design.host.modelingOrientation, adsk::core::YUpModelingOrientation);

    const std::vector<PlacedBody> placed = placedBodies(design);
    ASSERT_EQ(placed.size(), want.boxes.size());
    std::size_t triangles = 0;
    std::vector<Box> boxes = want.boxes;
    Box all;
    for (const PlacedBody& p : placed) {
        triangles += p.triangles;
        all.include(p.box.min);
        all.include(p.box.max);
        auto best = std::min_element(boxes.begin(), boxes.end(), [&](const Box& a, const Box& b) {
            return p.box.distance(a) < p.box.distance(b);
        });
        EXPECT_LT(p.box.distance(*best), 1e-2) << p.component;
        boxes.erase(best);
    }
    EXPECT_EQ(triangles, want.triangles);
    // Nodes showing the same meshes share one component.
    EXPECT_LT(design.components.size(), placed.size() + 1);
    for (const auto& c : design.components)
        EXPECT_EQ(c.name.rfind("nodes[", 0), std::string::npos) << "a placeholder name: " << c.name;

    ASSERT_TRUE(design.host.viewport);
    const sh::CameraData& view = *design.host.viewport;
    double radius = 0, distance = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(view.target[i], (all.min[i] + all.max[i]) / 2, 1e-3 * (all.max[i] - all.min[i]) + 1e-6);
        radius += (all.max[i] - all.min[i]) * (all.max[i] - all.min[i]) / 4;
        distance += (view.eye[i] - view.target[i]) * (view.eye[i] - view.target[i]);
    }
    // The bounding sphere fits the perspective angle.
    EXPECT_GE(std::sqrt(distance) * std::sin(view.perspectiveAngle / 2), std::sqrt(radius) * 0.999);
    EXPECT_EQ(view.up, (std::array<double, 3>{0, 1, 0}));
}

TEST(MeshFiles, MaterialsBecomeAppearancesWithColourAndTextureFile)
{
    const fs::path file = assimpModel("glTF2/BoxTextured-glTF/BoxTextured.gltf");
    CAD_REQUIRE_FILE(file);
    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    ASSERT_EQ(design.appearances.size(), 1u);
    const sh::AppearanceData& a = design.appearances[0];
    EXPECT_EQ(a.name, "Texture");
    ASSERT_EQ(a.properties.size(), 1u);
    const sh::PropertyData& diffuse = a.properties[0];
    EXPECT_EQ(diffuse.id, "generic_diffuse");
    ASSERT_TRUE(diffuse.hasTexture);
    ASSERT_EQ(diffuse.texture.size(), 1u);
    EXPECT_EQ(diffuse.texture[0].type, sh::PropertyType::Filename);
    EXPECT_EQ(fs::path(diffuse.texture[0].text), file.parent_path() / "CesiumLogoFlat.png");
    const std::vector<PlacedBody> placed = placedBodies(design);
    ASSERT_EQ(placed.size(), 1u);
    ASSERT_EQ(placed[0].body->faces.size(), 1u);
    EXPECT_EQ(placed[0].body->faces[0].appearance, 0);
    const sh::MeshData& mesh = placed[0].body->faces[0].displayMeshes.at(0);
    EXPECT_EQ(mesh.textureCoordinates.size() / 2, mesh.nodeCoordinates.size() / 3);
    EXPECT_EQ(mesh.normalVectors.size(), mesh.nodeCoordinates.size());
}

// OBJ: one body per object with one face per material; texture files
// written on Windows (".\wood.jpg") are found.
TEST(MeshFiles, ObjMaterialsPerFaceAndWindowsTexturePaths)
{
    const fs::path cube = assimpModel("OBJ/cube_usemtl.obj");
    CAD_REQUIRE_FILE(cube);
    const sh::DesignData design = sh::loadDesignAnyFormat(cube);
    const std::vector<PlacedBody> placed = placedBodies(design);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0].component, "cube");
    std::set<std::string> materials;
    for (const auto& face : placed[0].body->faces)
        materials.insert(design.appearances.at(static_cast<std::size_t>(face.appearance)).name);
    EXPECT_EQ(materials, (std::set<std::string>{"mtl", "mtl2", "mtl3"}));

    const fs::path spider = assimpModel("OBJ/spider.obj");
    CAD_REQUIRE_FILE(spider);
    std::size_t textured = 0;
    for (const auto& a : sh::loadDesignAnyFormat(spider).appearances)
        for (const auto& p : a.properties)
            for (const auto& t : p.texture) {
                ++textured;
                EXPECT_TRUE(fs::exists(t.text)) << t.text;
            }
    EXPECT_GT(textured, 0u);
}

// Formats without a unit take the one asked for; STL and PLY are Z up.
TEST(MeshFiles, UnitlessFormatsTakeTheAskedUnit)
{
    const fs::path file = assimpModel("PLY/cube.ply");
    CAD_REQUIRE_FILE(file);
    const sh::DesignData mm = sh::loadDesignAnyFormat(file);
    sh::ImportOptions inches;
    inches.meshUnit = "in";
    const sh::DesignData in = sh::loadDesignAnyFormat(file, inches);
    EXPECT_EQ(mm.products.at(0).units, "mm");
    EXPECT_EQ(in.products.at(0).units, "in");
    EXPECT_EQ(mm.host.modelingOrientation, adsk::core::ZUpModelingOrientation);
    const Box a = placedBodies(mm).at(0).box, b = placedBodies(in).at(0).box;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(a.max[i] - a.min[i], 0.1, 1e-6);
        EXPECT_NEAR(b.max[i] - b.min[i], 2.54, 1e-6);
    }

    const fs::path stl = assimpModel("STL/Spider_binary.stl");
    CAD_REQUIRE_FILE(stl);
    const sh::DesignData spider = sh::loadDesignAnyFormat(stl);
    EXPECT_EQ(placedBodies(spider).at(0).triangles, 1368u);
    EXPECT_TRUE(spider.appearances.empty()) << "STL has no materials";
}

} // namespace
