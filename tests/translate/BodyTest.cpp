// Bodies become body groups holding one group per face appearance. Overrides
// by face, body and placement, flags and scaling are in the golden scenes.

#include <translate/FusionMaterial.h>
#include "TranslateFixture.h"

using namespace translatetest;

namespace {

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

} // namespace

// Faces without any appearance first, then identifiers in byte order; two
// appearance objects with one identifier are one group, named after the first.
TEST_F(TranslateTest, FacesAreGroupedByAppearanceIdentifier)
{
    const int red = 0, blue = 1, green = 2, redAgain = 3;
    open(design("Bodies",
                {component("Root", {body("Body", {face(red, 1), face(blue, 2), face(red, 3), face(blue, 4),
                                                  face(red, 5), face(green, 6), face(sh::kNone, 7),
                                                  face(redAgain, 8)})})},
                {colour("Red", "Red paint", 255, 0, 0), colour("Blue", "Blue paint", 0, 0, 255),
                 colour("Green", "Green paint", 0, 255, 0), colour("Red", "Red again", 200, 0, 0)}));
    const auto bodyGroup = child(child(pass(), 0), 0);
    ASSERT_EQ(bodyGroup->groups().size(), 4u);
    const std::vector<std::vector<float>> marks = {{7}, {2, 4}, {6}, {1, 3, 5, 8}};
    const char* names[] = {"Generic material", "Blue paint", "Green paint", "Red paint"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(meshMarks(child(bodyGroup, i)), marks[i]) << i;
        EXPECT_EQ(materialOf(child(bodyGroup, i))->name(), names[i]);
    }
    EXPECT_EQ(materialOf(child(bodyGroup, 0))->diffuse, (std::array<float, 3>{1, 1, 1}));
    // One material shared by the meshes of a group.
    const auto redGroup = child(bodyGroup, 3);
    EXPECT_EQ(mesh(redGroup, 3)->getMaterial(), mesh(redGroup, 0)->getMaterial());
    EXPECT_EQ(exporter().currentRecords().at("Root").appearanceSignature, "4xRed 2xBlue 1xGreen ");
}
