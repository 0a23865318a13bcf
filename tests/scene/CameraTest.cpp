#include <gtest/gtest.h>

#include <cmath>

#include <scene/LightCamera.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>

// Every field a camera writes, and what it leaves out: fresh; orthographic
// with window, clipping, look-at and transform; the four-value and no field
// of view; a child node in place of the transform.
TEST(LightCamera, WritesEachFieldAndModeAsTheGoldenFileHoldsThem)
{
    scenetest::SceneText out;

    vel::LightCamera("Cam").write(out.wrapper());

    vel::LightCamera ortho("Ortho");
    ortho.setProjection(1);
    ortho.window = {-1, 1, -0.5f, 0.5f};
    ortho.setPosition(1, 2, 3);
    ortho.useLookAt = true;
    ortho.lookAt = {0, 0, 0};
    ortho.nearClip = 0.1f;
    ortho.farClip = 100;
    ortho.useTransform = true;
    ortho.transform[12] = 5;
    ortho.transform[13] = 6;
    ortho.transform[14] = 7;
    ortho.write(out.wrapper());

    vel::LightCamera four("Four");
    four.fovMode = 1;
    four.fov4 = {10, 20, 30, 40};
    four.write(out.wrapper());

    vel::LightCamera none("None");
    none.fovMode = 2;
    none.write(out.wrapper());

    // setFov returns to the single-value mode; the child replaces the transform.
    vel::LightCamera child("Child");
    child.fovMode = 1;
    child.setFov(45);
    child.useTransform = true;
    child.child = std::make_shared<scenetest::MarkerNode>("C");
    child.write(out.wrapper());

    EXPECT_TRUE(matchesGoldenFile("scene/golden/cameras.rdk", out.finish()));
}

TEST(LightCamera, ClippingNeedsAStrictlyIncreasingPositiveRange)
{
    for (auto [nearClip, farClip] : {std::pair{0.0f, 100.0f}, {5.0f, 5.0f}, {-1.0f, -1.0f}, {10.0f, 1.0f}}) {
        scenetest::SceneText out;
        vel::LightCamera camera("c");
        camera.nearClip = nearClip;
        camera.farClip = farClip;
        camera.write(out.wrapper());
        EXPECT_EQ(out.finish().find("clipping"), std::string::npos) << nearClip << " " << farClip;
    }
}
