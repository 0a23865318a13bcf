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

// Each length unit's factor is its own constant: a slip in one shows only in
// designs of that unit. An unknown unit keeps what an earlier design set,
// and the last design of the document wins.
TEST_F(TranslateTest, DocumentUnitsPerMetreByLengthUnit)
{
    const std::pair<const char*, float> units[] = {
        {"in", 39.37008f}, {"m", 1.0f}, {"cm", 100.0f}, {"mm", 1000.0f}, {"ft", 3.28084f}, {"yd", 1.0f},
    };
    for (const auto& [unit, perMetre] : units) {
        SCOPED_TRACE(unit);
        EXPECT_EQ(exporter().documentUnitsPerMetre(open(design("D", {component("Root")}, {}, unit))), perMetre);
    }

    sh::DesignData two = design("D", {component("Root")}, {}, "mm");
    sh::ProductData second = two.products[0];
    second.units = "in";
    two.products.push_back(second);
    EXPECT_EQ(exporter().documentUnitsPerMetre(open(two)), 39.37008f);
    two.products[1].units = "yd";
    EXPECT_EQ(exporter().documentUnitsPerMetre(open(two)), 1000.0f);
}
