// Mesh files through Assimp: a glTF assembly checked against its own JSON
// (placements, triangles, boxes), materials with base colours and texture
// files, and the formats without a unit.

#include "CadTestSupport.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>

namespace {

using namespace cadtest;
using nlohmann::json;

// A binary glTF file's two chunks: a 12-byte header, then each chunk's
// length, its type ("JSON", "BIN\0") and its bytes.
struct Glb {
    json gltf;
    std::string bin;
};

Glb readGlb(const fs::path& file)
{
    const std::string bytes = readText(file);
    Glb glb;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        std::uint32_t length = 0;
        std::memcpy(&length, bytes.data() + at, 4);
        const std::string type = bytes.substr(at + 4, 4);
        if (type == "JSON")
            glb.gltf = json::parse(bytes.substr(at + 8, length));
        else if (type == std::string("BIN\0", 4))
            glb.bin = bytes.substr(at + 8, length);
        at += 8 + length;
    }
    if (glb.gltf.is_null())
        ADD_FAILURE() << file << " is not a binary glTF file";
    return glb;
}

// The positions of a float VEC3 accessor, straight from the binary chunk.
std::vector<std::array<double, 3>> positions(const Glb& glb, std::size_t accessorIndex)
{
    const json& accessor = glb.gltf["accessors"][accessorIndex];
    const json& view = glb.gltf["bufferViews"][accessor["bufferView"].get<std::size_t>()];
    EXPECT_EQ(accessor["componentType"].get<int>(), 5126) << "floats";
    const std::size_t stride = view.value("byteStride", std::size_t{12});
    const std::size_t start = view.value("byteOffset", std::size_t{0}) + accessor.value("byteOffset", std::size_t{0});
    std::vector<std::array<double, 3>> out;
    for (std::size_t i = 0; i < accessor["count"].get<std::size_t>(); ++i) {
        float xyz[3];
        std::memcpy(xyz, glb.bin.data() + start + i * stride, sizeof xyz);
        out.push_back({xyz[0], xyz[1], xyz[2]});
    }
    return out;
}

sh::Matrix4 nodeMatrix(const json& node)
{
    sh::Matrix4 m = sh::identityMatrix();
    if (node.contains("matrix")) {
        const auto& a = node["matrix"]; // column by column
        for (std::size_t c = 0; c < 4; ++c)
            for (std::size_t r = 0; r < 4; ++r)
                m[r][c] = a[c * 4 + r].get<double>();
        return m;
    }
    sh::Matrix4 t = sh::identityMatrix(), rot = sh::identityMatrix(), s = sh::identityMatrix();
    if (node.contains("translation"))
        for (std::size_t i = 0; i < 3; ++i)
            t[i][3] = node["translation"][i].get<double>();
    if (node.contains("scale"))
        for (std::size_t i = 0; i < 3; ++i)
            s[i][i] = node["scale"][i].get<double>();
    if (node.contains("rotation")) {
        const double x = node["rotation"][0], y = node["rotation"][1], z = node["rotation"][2],
                     w = node["rotation"][3];
        rot[0] = {1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w), 0};
        rot[1] = {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w), 0};
        rot[2] = {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y), 0};
    }
    return multiply(t, multiply(rot, s));
}

struct Expected {
    std::vector<Box> boxes; // per node with a mesh, centimetres
    std::size_t triangles = 0;
};

// What the file says: for every node with a mesh, wherever it is placed, the
// box of its positions in the world, and its triangles.
Expected fromGlb(const Glb& glb)
{
    const json& gltf = glb.gltf;
    Expected e;
    std::function<void(std::size_t, const sh::Matrix4&)> walk = [&](std::size_t index, const sh::Matrix4& parent) {
        const json& node = gltf["nodes"][index];
        const sh::Matrix4 world = multiply(parent, nodeMatrix(node));
        if (node.contains("mesh")) {
            Box box;
            for (const json& primitive : gltf["meshes"][node["mesh"].get<std::size_t>()]["primitives"]) {
                const json& position = gltf["accessors"][primitive["attributes"]["POSITION"].get<std::size_t>()];
                const std::size_t count = primitive.contains("indices")
                                              ? gltf["accessors"][primitive["indices"].get<std::size_t>()]["count"].get<std::size_t>()
                                              : position["count"].get<std::size_t>();
                e.triangles += count / 3;
                for (const auto& p : positions(glb, primitive["attributes"]["POSITION"].get<std::size_t>())) {
                    std::array<double, 3> w = transformPoint(world, p);
                    for (double& v : w)
                        v *= 100; // metres
                    box.include(w);
                }
            }
            e.boxes.push_back(box);
        }
        if (node.contains("children"))
            for (const json& child : node["children"])
                walk(child.get<std::size_t>(), world);
    };
    for (const json& root : gltf["scenes"][gltf.value("scene", 0)]["nodes"])
        walk(root.get<std::size_t>(), sh::identityMatrix());
    return e;
}

// Every placed mesh node where the file puts it, with all its triangles.
TEST(MeshFiles, GltfAssemblyMatchesItsOwnDescription)
{
    const fs::path file = assimpModel("glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb");
    CAD_REQUIRE_FILE(file);
    const Expected want = fromGlb(readGlb(file));
    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    EXPECT_EQ(design.products.at(0).units, "m");
    EXPECT_EQ(design.host.modelingOrientation, adsk::core::YUpModelingOrientation);

    const std::vector<PlacedBody> placed = placedBodies(design);
    ASSERT_EQ(placed.size(), want.boxes.size());
    std::size_t triangles = 0;
    std::vector<Box> boxes = want.boxes;
    for (const PlacedBody& p : placed) {
        triangles += p.triangles;
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

// The view a mesh or CAD design opens with looks at the whole model.
TEST(MeshFiles, TheViewportFramesTheModel)
{
    const fs::path file = assimpModel("glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb");
    CAD_REQUIRE_FILE(file);
    const sh::DesignData design = sh::loadDesignAnyFormat(file);
    Box all;
    for (const PlacedBody& p : placedBodies(design)) {
        all.include(p.box.min);
        all.include(p.box.max);
    }
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

} // namespace
