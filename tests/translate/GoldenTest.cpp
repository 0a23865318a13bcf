// Whole design files through the translation and the real file writer: the
// active camera, then the scene tree, as the render command sends them.

#include <tests/support/GoldenFile.h>
#include <tests/support/SourceTree.h>
#include "TranslateFixture.h"

using namespace translatetest;

namespace {

void openTestDesign(const std::string& designFile)
{
    sh::openDesignFile(rdtest::sourcePath("tests/translate/designs/" + designFile));
}

} // namespace

TEST_F(TranslateTest, SmallAssemblyInCentimetres)
{
    openTestDesign("small_assembly.design.json");
    EXPECT_TRUE(matchesGoldenFile("translate/golden/small_assembly.rdk", emitted()));
}

TEST_F(TranslateTest, TexturedCrateInMillimetresSentTwice)
{
    openTestDesign("textured_mm.design.json");
    const std::string first = emitted();
    EXPECT_TRUE(matchesGoldenFile("translate/golden/textured_mm.rdk", first));
    // The NaN area makes the crate count as changed again.
    EXPECT_EQ(emitted(), first);
}
