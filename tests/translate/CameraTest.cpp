// The active camera. Units, field of view, position and direction are in the
// golden scenes.

#include <numbers>

#include <tests/support/SceneText.h>
#include "TranslateFixture.h"

using namespace translatetest;

namespace {

class CameraTest : public TranslateTest {
protected:
    // Opens an empty design viewed through `camera` and writes the active
    // camera in a design in millimetres; returns the scene text.
    std::string write(std::optional<sh::CameraData> camera)
    {
        sh::DesignData data = design("D", {component("Root")});
        data.host.viewport = camera;
        open(data);
        scenetest::SceneText out;
        exporter().setSceneWriter(out.newWrapper());
        exporter().setUnitsPerCentimetre(10.0f);
        exporter().writeActiveCamera();
        exporter().setSceneWriter(nullptr);
        return out.finish();
    }
};

sh::CameraData view(std::array<double, 3> eye, std::array<double, 3> target)
{
    sh::CameraData c;
    c.eye = eye;
    c.target = target;
    c.up = {0, 2, 0};
    c.perspectiveAngle = std::numbers::pi / 4;
    return c;
}

} // namespace

// The up vector as the host gives it; no camera for an orthographic or a
// degenerate view; a missing viewport or target raises out of the pass.
TEST_F(CameraTest, PerspectiveViewsOnlyAndHostFailuresRaise)
{
    const std::string text = write(view({1, 2, 3}, {1, 2, -7}));
    EXPECT_NE(text.find(" position 10 20 30\n direction 0 0 -1\n up 0 2 0\n"), std::string::npos) << text;

    sh::CameraData orthographic = view({1, 2, 3}, {0, 0, 0});
    orthographic.cameraType = adsk::core::OrthographicCameraType;
    EXPECT_EQ(write(orthographic), "");
    EXPECT_EQ(write(view({1, 2, 3}, {1, 2, 3})), "");

    EXPECT_THROW(write(std::nullopt), std::exception);
    sh::setMissing(sh::Missing::CameraTarget);
    EXPECT_THROW(write(view({1, 2, 3}, {0, 0, 0})), std::exception);
}
