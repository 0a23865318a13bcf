#include <gtest/gtest.h>

#include <limits>

#include <scene/DefaultRTModule.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>

TEST(DefaultRTModule, InitialValuesSettersAndNonFiniteScale)
{
    scenetest::SceneText out;

    vel::DefaultRTModule initial;
    out.wrapper().writeNode(initial);

    vel::DefaultRTModule changed;
    changed.setUpVector(2);
    changed.setMeterScale(1000);
    changed.setKeepOriginal(true);
    changed.setCenterGeometry(false);
    changed.setSnapToGround(true);
    changed.setAdjustCamera(false);
    changed.setAdjustEnvironment(false);
    changed.setUseCamera("Active Camera");
    out.wrapper().writeNode(changed);

    vel::DefaultRTModule unscaled;
    unscaled.setMeterScale(std::numeric_limits<float>::quiet_NaN());
    out.wrapper().writeNode(unscaled);

    EXPECT_TRUE(matchesGoldenFile("scene/golden/modules.rdk", out.finish()));
}
