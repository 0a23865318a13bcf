#include <gtest/gtest.h>

#include <cmath>

#include <scene/LightCamera.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/SceneText.h>

TEST(LightCamera, InitialValues)
{
    scenetest::SceneText out;
    vel::LightCamera camera("Cam");
    camera.write(out.wrapper());
    EXPECT_TRUE(matchesGoldenFile("scene/golden/camera_initial.rdk", out.finish()));
}

TEST(LightCamera, OrthographicWindowClippingLookAtAndTransform)
{
    scenetest::SceneText out;
    vel::LightCamera camera("Ortho");
    camera.setProjection(1);
    camera.window = {-1, 1, -0.5f, 0.5f};
    camera.setPosition(1, 2, 3);
    camera.useLookAt = true;
    camera.lookAt = {0, 0, 0};
    camera.nearClip = 0.1f;
    camera.farClip = 100;
    camera.useTransform = true;
    camera.transform[12] = 5;
    camera.transform[13] = 6;
    camera.transform[14] = 7;
    camera.write(out.wrapper());
    EXPECT_TRUE(matchesGoldenFile("scene/golden/camera_ortho_clipping.rdk", out.finish()));
}

TEST(LightCamera, FieldOfViewModesAndChildNode)
{
    scenetest::SceneText out;

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

    EXPECT_TRUE(matchesGoldenFile("scene/golden/camera_fov_modes.rdk", out.finish()));
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
