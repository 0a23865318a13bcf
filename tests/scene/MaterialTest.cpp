#include <gtest/gtest.h>

#include <scene/Diffuse.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>

TEST(Material, FullBlockDefinitionReferenceAndVertexColours)
{
    scenetest::SceneText out;

    vel::Diffuse fresh("default");
    fresh.write(out.wrapper());
    EXPECT_FALSE(fresh.isDefined());

    vel::Diffuse shared("shared");
    shared.color = {0.2f, 0.4f, 0.6f};
    shared.writeDefinition(out.wrapper());
    EXPECT_TRUE(shared.isDefined());
    shared.write(out.wrapper());

    vel::Diffuse vertexColoured("vc");
    vertexColoured.vertexColor = true;
    vertexColoured.write(out.wrapper());

    EXPECT_TRUE(matchesGoldenFile("scene/golden/materials.rdk", out.finish()));
}
