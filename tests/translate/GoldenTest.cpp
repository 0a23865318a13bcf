// Whole design files through the translation and the real file writer: the
// active camera, then the scene tree, as the render command sends them.

#include <sceneapi/velSceneapi_oo.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>
#include "TranslateFixture.h"

using namespace translatetest;

namespace {

std::string translated(FusionExporter& exporter, const std::string& designFile)
{
    const char* top = std::getenv("RD_SOURCE_DIR");
    sh::openDesignFile(std::string(top ? top : ".") + "/tests/translate/designs/" + designFile);
    Ptr<adsk::core::Document> document = adsk::core::Application::get()->activeDocument();

    scenetest::SceneText out;
    exporter.setSceneWriter(out.newWrapper());
    const float perMetre = exporter.documentUnitsPerMetre(document);
    exporter.setUnitsPerCentimetre(perMetre / 100);
    exporter.writeActiveCamera();
    exporter.sceneWriter()->writeNode(*exporter.buildScene(document));
    exporter.setSceneWriter(nullptr);
    return out.finish();
}

} // namespace

TEST_F(TranslateTest, SmallAssemblyInCentimetres)
{
    EXPECT_TRUE(matchesGoldenFile("translate/golden/small_assembly.rdk", translated(exporter(), "small_assembly.design.json")));
}

TEST_F(TranslateTest, TexturedCrateInMillimetresSentTwice)
{
    const std::string first = translated(exporter(), "textured_mm.design.json");
    EXPECT_TRUE(matchesGoldenFile("translate/golden/textured_mm.rdk", first));
    // The NaN area makes the crate count as changed again.
    EXPECT_EQ(translated(exporter(), "textured_mm.design.json"), first);
}
