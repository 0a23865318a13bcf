// Bodies become body groups holding one group per face appearance.

#include "FusionMaterial.h"
#include "TranslateFixture.h"

using namespace translatetest;

namespace {

constexpr std::uint32_t kBodyEmpty = 33793;

// The x of the first vertex of each mesh of a face group, in centimetres.
std::vector<float> meshMarks(const std::shared_ptr<vel::VelGroup>& faceGroup)
{
    std::vector<float> marks;
    for (std::size_t i = 0; i < faceGroup->objects().size(); ++i)
        marks.push_back(mesh(faceGroup, i)->vertices()[0] / 100.0f);
    return marks;
}

std::shared_ptr<vel::FusionMaterial> materialOf(const std::shared_ptr<vel::VelGroup>& faceGroup)
{
    return std::dynamic_pointer_cast<vel::FusionMaterial>(mesh(faceGroup, 0)->getMaterial());
}

// A one-component design whose root holds the given bodies.
sh::DesignData bodies(std::vector<sh::BodyData> list, std::vector<sh::AppearanceData> appearances)
{
    return design("Bodies", {component("Root", std::move(list))}, std::move(appearances));
}

std::vector<sh::AppearanceData> redBlueGreen()
{
    return {colour("Red", "Red paint", 255, 0, 0), colour("Blue", "Blue paint", 0, 0, 255),
            colour("Green", "Green paint", 0, 255, 0)};
}

} // namespace

TEST_F(TranslateTest, FacesAreGroupedByAppearanceIdentifierInByteOrder)
{
    const int red = 0, blue = 1, green = 2;
    open(bodies({body("Body", {face(red, 1), face(blue, 2), face(red, 3), face(blue, 4), face(red, 5),
                               face(green, 6)})},
                redBlueGreen()));
    const auto bodyGroup = child(child(pass(), 0), 0);
    ASSERT_EQ(bodyGroup->groups().size(), 3u);
    const auto blueGroup = child(bodyGroup, 0), greenGroup = child(bodyGroup, 1), redGroup = child(bodyGroup, 2);
    EXPECT_EQ(meshMarks(blueGroup), (std::vector<float>{2, 4}));
    EXPECT_EQ(meshMarks(greenGroup), (std::vector<float>{6}));
    EXPECT_EQ(meshMarks(redGroup), (std::vector<float>{1, 3, 5}));
    EXPECT_EQ(materialOf(blueGroup)->name(), "Blue paint");
    EXPECT_EQ(materialOf(redGroup)->diffuse, (std::array<float, 3>{1, 0, 0}));
    // One material shared by the meshes of a group.
    EXPECT_EQ(mesh(redGroup, 2)->getMaterial(), mesh(redGroup, 0)->getMaterial());
}

TEST_F(TranslateTest, AFacelessBodyIsAnEmptyGroupAsAHiddenOneIs)
{
    open(bodies({body("Faceless", {})}, {}));
    const auto faceless = child(child(pass(), 0), 0);
    EXPECT_EQ(faceless->flags(), kBodyEmpty);
    EXPECT_TRUE(faceless->groups().empty());
}

TEST_F(TranslateTest, FaceBeatsBodyBeatsPlacementAppearance)
{
    const sh::ComponentData root = component("Root", {}, {placement(1, 0, 0, 0, /*appearance*/ 0)});
    const sh::ComponentData part = component(
        "Part", {body("Plain", {face()}), body("Painted", {face()}, 1), body("Spotted", {face(2), face()}, 1)});
    open(design("Overrides", {root, part},
                {colour("Occ", "From placement", 1, 1, 1), colour("Body", "From body", 2, 2, 2),
                 colour("Face", "From face", 3, 3, 3)}));
    const auto placed = child(child(pass(), 0), 0);
    EXPECT_EQ(materialOf(child(child(placed, 0), 0))->name(), "From placement");
    EXPECT_EQ(materialOf(child(child(placed, 1), 0))->name(), "From body");
    const auto spotted = child(placed, 2);
    EXPECT_EQ(materialOf(child(spotted, 0))->name(), "From body");
    EXPECT_EQ(materialOf(child(spotted, 1))->name(), "From face");
}

TEST_F(TranslateTest, FacesWithoutAnyAppearanceComeFirstWithAGenericMaterial)
{
    open(bodies({body("Body", {face(0, 1), face(sh::kNone, 2)})}, redBlueGreen()));
    const auto bodyGroup = child(child(pass(), 0), 0);
    ASSERT_EQ(bodyGroup->groups().size(), 2u);
    EXPECT_EQ(meshMarks(child(bodyGroup, 0)), (std::vector<float>{2}));
    EXPECT_EQ(materialOf(child(bodyGroup, 0))->name(), "Generic material");
    EXPECT_EQ(materialOf(child(bodyGroup, 0))->diffuse, (std::array<float, 3>{1, 1, 1}));
    EXPECT_EQ(exporter().currentRecords().at("Root").appearanceSignature, "1xRed ");
}

TEST_F(TranslateTest, TwoAppearanceObjectsWithOneIdentifierAreOneGroup)
{
    auto appearances = redBlueGreen();
    appearances.push_back(colour("Red", "Red again", 200, 0, 0));
    open(bodies({body("Body", {face(0, 1), face(3, 2)})}, appearances));
    const auto bodyGroup = child(child(pass(), 0), 0);
    ASSERT_EQ(bodyGroup->groups().size(), 1u);
    EXPECT_EQ(meshMarks(child(bodyGroup, 0)), (std::vector<float>{1, 2}));
    EXPECT_EQ(materialOf(child(bodyGroup, 0))->name(), "Red paint"); // the first object met
}

TEST_F(TranslateTest, MeshCoordinatesAreScaledToDesignUnitsAndNothingElseIs)
{
    sh::MeshData data = triangle();
    data.nodeCoordinates = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    sh::FaceData f;
    f.displayMeshes = {data};
    open(bodies({body("Body", {f})}, {}));
    exporter().setUnitsPerCentimetre(10.0f);
    const auto m = mesh(child(child(child(pass(), 0), 0), 0), 0);
    EXPECT_EQ(m->vertices(), (std::vector<float>{10, 20, 30, 40, 50, 60, 70, 80, 90}));
    EXPECT_EQ(m->normals(), data.normalVectors);
    EXPECT_EQ(m->uvs(), data.textureCoordinates);
    EXPECT_EQ(m->triangles(), (std::vector<std::int32_t>{0, 1, 2}));
    EXPECT_EQ(sh::arrayLoans().outstanding, 0u); // every host array was handed back
}
