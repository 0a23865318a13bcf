// Designs built in code: what a file cannot express (two appearance objects
// with one id, missing objects, NaN), the checks that still apply, computed
// physical properties, and the lending of mesh arrays.

#include "HostTestSupport.h"

#include <cmath>
#include <limits>

using namespace hosttest;
using adsk::core::Application;

namespace {

sh::FaceData boxFace(std::array<double, 3> min, std::array<double, 3> max, int appearance = sh::kNone)
{
    sh::FaceData face;
    face.appearance = appearance;
    face.displayMeshes.push_back(sh::boxMesh(min, max));
    return face;
}

// One design whose root component holds `bodies` and places a child
// component (index 1) once.
sh::DesignData design(std::vector<sh::BodyData> bodies)
{
    sh::DesignData d;
    d.name = "Built";
    sh::ComponentData root;
    root.name = "Root";
    root.bodies = std::move(bodies);
    root.occurrences.push_back(placement(1));
    sh::ComponentData child;
    child.name = "Child";
    d.components = {root, child};
    d.products.push_back({sh::ProductType::Design, "mm", 0, {}});
    return d;
}

Ptr<adsk::fusion::Component> root()
{
    return designAt(0)->rootComponent();
}

std::string rejection(const sh::DesignData& d)
{
    return hosttest::rejection([&] { sh::openDesign(d); });
}

} // namespace

class DesignBuilder : public HostTest {};

TEST_F(DesignBuilder, TwoAppearanceObjectsMayShareOneIdentifier)
{
    sh::DesignData d = design({body("B", {boxFace({0, 0, 0}, {1, 1, 1}, 0), boxFace({0, 0, 0}, {1, 1, 1}, 1)})});
    d.appearances = {{"Shared", "First", {}, {}}, {"Shared", "Second", {}, {}}};
    sh::openDesign(std::move(d));

    Ptr<adsk::fusion::BRepFaces> faces = root()->bRepBodies()->item(0)->faces();
    Ptr<adsk::core::Appearance> first = faces->item(0)->appearance();
    Ptr<adsk::core::Appearance> second = faces->item(1)->appearance();
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->id(), second->id());
    EXPECT_EQ(first->name(), "First");
    EXPECT_EQ(second->name(), "Second");
}

TEST_F(DesignBuilder, MissingObjectsComeBackAsEmptyPointers)
{
    // (Missing faces, mesh managers, physical properties and appearance
    // properties are met by the translation's tests.)
    sh::BodyData faces = body("Faces", {boxFace({0, 0, 0}, {1, 1, 1})});
    faces.faces[0].missing.displayMeshes = true;
    sh::DesignData d = design({faces});
    d.components[0].occurrences.push_back(placement(sh::kNone));
    d.components[0].occurrences.back().missing.transform = true;
    d.components[1].missing.bodies = true;
    d.components[1].missing.occurrences = true;
    d.products.push_back({sh::ProductType::Design, "cm", sh::kNone, {true}});
    sh::PropertyData color = sh::colorProperty("generic_diffuse", std::nullopt);
    color.hasTexture = true;
    color.missing.textureProperties = true;
    d.appearances = {{"A", "A", {color}, {}}, {"B", "B", {}, {true}}};
    sh::openDesign(std::move(d));

    EXPECT_FALSE(root()->bRepBodies()->item(0)->faces()->item(0)->meshManager()->displayMeshes());
    Ptr<adsk::fusion::Occurrence> orphan = root()->occurrences()->item(1);
    EXPECT_FALSE(orphan->component());
    EXPECT_FALSE(orphan->transform());
    Ptr<adsk::fusion::Component> child = root()->occurrences()->item(0)->component();
    EXPECT_FALSE(child->bRepBodies());
    EXPECT_FALSE(child->occurrences());
    EXPECT_FALSE(designAt(1)->rootComponent());
    EXPECT_FALSE(designAt(1)->unitsManager());

    // Appearances are reached through bodies and faces only; open a second
    // design that uses them.
    sh::DesignData e = design({body("X", {boxFace({0, 0, 0}, {1, 1, 1}, 1)}, 0)});
    e.appearances = {{"A", "A", {color}, {}}, {"B", "B", {}, {true}}};
    sh::openDesign(std::move(e));
    Ptr<adsk::fusion::BRepBody> body = root()->bRepBodies()->item(0);
    Ptr<adsk::core::ColorProperty> colorProperty = body->appearance()->appearanceProperties()->item(0);
    EXPECT_FALSE(colorProperty->value());
    EXPECT_TRUE(colorProperty->connectedTexture());
    EXPECT_FALSE(colorProperty->connectedTexture()->properties());
    EXPECT_FALSE(body->faces()->item(0)->appearance()->appearanceProperties());

    sh::closeDocument();
    sh::DesignData none;
    none.missing.products = true;
    sh::openDesign(std::move(none));
    EXPECT_FALSE(Application::get()->activeDocument()->products());
}

// Computing from meshes is tested on design files; what only a built design
// can hold: out-of-range indices (which count for nothing) and a NaN given.
TEST_F(DesignBuilder, BrokenMeshIndicesCountForNothingAndGivenNaNIsPassedOn)
{
    sh::BodyData broken = body("Broken", {boxFace({0, 0, 0}, {1, 1, 1})});
    broken.faces[0].displayMeshes[0].nodeIndices[0] = 99;
    broken.faces[0].displayMeshes[0].nodeIndices.push_back(-4);
    sh::DesignData d = design({broken});
    d.components[1].physicalProperties = sh::PhysicalData{std::numeric_limits<double>::quiet_NaN(), 2.5};
    sh::openDesign(std::move(d));

    // The unit cube lost one triangle of area 0.5, which lies in the plane
    // x = 0 and so held no volume.
    Ptr<adsk::fusion::PhysicalProperties> p = root()->physicalProperties();
    EXPECT_DOUBLE_EQ(p->area(), 5.5);
    EXPECT_DOUBLE_EQ(p->volume(), 1.0);
    Ptr<adsk::fusion::PhysicalProperties> given = root()->occurrences()->item(0)->component()->physicalProperties();
    EXPECT_TRUE(std::isnan(given->area()));
    EXPECT_EQ(given->volume(), 2.5);
}

TEST_F(DesignBuilder, BrokenReferencesAndCyclesAreRejectedAndChangeNothing)
{
    sh::openDesign(design({}));
    sh::DesignData d = design({body("B", {}, 3)});
    EXPECT_EQ(rejection(d), "components[0].bodies[0].appearance: appearance 3 out of range (0 appearances)");

    d = design({});
    d.components[1].occurrences.push_back(placement(0));
    EXPECT_EQ(rejection(d), "components[1].occurrences[0].component: placement cycle: components[0] -> components[1] -> components[0]");
    d.components[1].occurrences[0].component = 2;
    EXPECT_EQ(rejection(d), "components[1].occurrences[0].component: component 2 out of range (2 components)");
    d = design({});
    d.products[0].rootComponent = -2;
    EXPECT_EQ(rejection(d), "products[0].rootComponent: component -2 out of range (2 components)");

    // Textures nested deeper than a file may nest them (the walk that makes
    // the document's properties would go as deep as they do).
    d = design({});
    sh::PropertyData property = sh::colorProperty("tint", std::nullopt);
    for (int depth = 0; depth < 20; ++depth) {
        sh::PropertyData outer = sh::colorProperty("tint", std::nullopt);
        outer.hasTexture = true;
        outer.texture.push_back(std::move(property));
        property = std::move(outer);
    }
    d.appearances.push_back({"A", "A", {std::move(property)}, {}});
    std::string path = "appearances[0].properties";
    for (int depth = 0; depth < 9; ++depth)
        path += "[0].texture";
    EXPECT_EQ(rejection(d), path + ": textures nested more than 8 deep");

    EXPECT_EQ(Application::get()->activeDocument()->name(), "Built");
}

TEST_F(DesignBuilder, MeshArraysAreLentOnceAndAllComeBack)
{
    sh::DesignData d = design({body("B", {boxFace({0, 0, 0}, {1, 2, 3})})});
    const sh::MeshData expected = d.components[0].bodies[0].faces[0].displayMeshes[0];
    d.components[0].bodies[0].faces[0].displayMeshes.push_back({{0, 0, 0}, {}, {}, {}});
    sh::openDesign(std::move(d));
    Ptr<adsk::fusion::TriangleMeshList> meshes = root()->bRepBodies()->item(0)->faces()->item(0)->meshManager()->displayMeshes();

    const sh::ArrayLoans before = sh::arrayLoans();
    Ptr<adsk::fusion::TriangleMesh> mesh = meshes->item(0);
    EXPECT_EQ(mesh->nodeCoordinatesAsFloat(), expected.nodeCoordinates);
    EXPECT_EQ(mesh->normalVectorsAsFloat(), expected.normalVectors);
    EXPECT_EQ(mesh->textureCoordinatesAsFloat(), expected.textureCoordinates);
    EXPECT_EQ(mesh->nodeIndices(), std::vector<int>(expected.nodeIndices.begin(), expected.nodeIndices.end()));
    // Empty arrays are not lent at all.
    EXPECT_TRUE(meshes->item(1)->nodeIndices().empty());
    EXPECT_EQ(meshes->item(1)->nodeCoordinatesAsFloat().size(), 3u);

    const sh::ArrayLoans after = sh::arrayLoans();
    EXPECT_EQ(after.lent - before.lent, 5u);
    EXPECT_EQ(after.outstanding, 0u);
    EXPECT_EQ(after.foreign, before.foreign);

    int notLent = 0;
    adsk::core::DeallocateArray(&notLent);
    adsk::core::DeallocateArray(nullptr);
    EXPECT_EQ(sh::arrayLoans().foreign, before.foreign + 1);
}
