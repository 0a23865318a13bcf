// Appearances become diffuse materials, optionally textured. The common
// colour properties are in the golden scenes.

#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>
#include <translate/FusionMaterial.h>
#include "TranslateFixture.h"

using namespace translatetest;

namespace {

// The appearance of a one-face body of an opened design.
class AppearanceTest : public TranslateTest {
protected:
    Ptr<adsk::core::Appearance> appearance(sh::AppearanceData data)
    {
        open(design("Look", {component("Root", {body("Body", {face()}, 0)})}, {std::move(data)}));
        Ptr<adsk::fusion::Design> d = adsk::core::Application::get()->activeDocument()->products()->item(0);
        return d->rootComponent()->bRepBodies()->item(0)->appearance();
    }
};

sh::AppearanceData withProperties(std::vector<sh::PropertyData> properties)
{
    sh::AppearanceData a;
    a.id = "A";
    a.name = "Look";
    a.properties = std::move(properties);
    return a;
}

sh::PropertyData textured(std::string id, std::vector<sh::PropertyData> texture)
{
    sh::PropertyData p = sh::colorProperty(std::move(id), sh::Rgba{10, 20, 30, 255});
    p.hasTexture = true;
    p.texture = std::move(texture);
    return p;
}

} // namespace

// The colour of the last colour property that sets it; the last texture file
// of any colour property.
TEST_F(AppearanceTest, TheLastMatchingColourAndTextureWin)
{
    struct Case {
        const char* what;
        std::vector<sh::PropertyData> properties;
        std::array<float, 3> diffuse;
        std::string texture;
    };
    const Case cases[] = {
        {"other identifier", {sh::colorProperty("glaze_color", sh::Rgba{0, 0, 0, 255})}, {1, 1, 1}, ""},
        {"later one wins",
         {sh::colorProperty("opaque_albedo", sh::Rgba{255, 0, 0, 255}), sh::colorProperty("metal_color", sh::Rgba{0, 255, 0, 255})},
         {0, 1, 0}, ""},
        {"colour without value", {sh::colorProperty("generic_diffuse", std::nullopt)}, {1, 1, 1}, ""},
        {"not a colour", {sh::floatProperty("generic_diffuse", 0.5)}, {1, 1, 1}, ""},
        {"textures",
         {textured("unmatched", {sh::filenameProperty("bitmap", "first.png"), sh::floatProperty("scale", 2)}),
          textured("also_unmatched", {sh::filenameProperty("bitmap", "second.png")})},
         {1, 1, 1}, "second.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vel::FusionMaterial material(appearance(withProperties(c.properties)));
        EXPECT_EQ(material.name(), "Look");
        EXPECT_EQ(material.diffuse, c.diffuse);
        EXPECT_EQ(material.texturePath, c.texture);
    }
}

TEST_F(TranslateTest, ShadersOfPlainAndTexturedMaterials)
{
    scenetest::SceneText out;
    vel::FusionMaterial plain(nullptr);
    EXPECT_EQ(plain.name(), "Generic material");
    plain.write(out.wrapper());

    // Through a fresh wrapper: the texture shader gets 1, the diffuse shader 2.
    auto fresh = out.newWrapper();
    vel::FusionMaterial wood(nullptr);
    wood.setName("Wood");
    wood.diffuse = {0.5f, 0.25f, 0.125f};
    wood.texturePath = "textures/oak.png";
    wood.write(*fresh);
    EXPECT_TRUE(matchesGoldenFile("translate/golden/materials.rdk", out.finish()));
}
