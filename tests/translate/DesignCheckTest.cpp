// Lengths that overflow the scene's 32-bit floats once in the design's unit
// are refused before anything is written; what passes is written without
// "inf". (How deep a design may nest: tests/addin/DeepDesignTest.cpp.)

#include <string>

#include <translate/DesignRefused.h>
#include "TranslateFixture.h"

using namespace translatetest;

namespace {

// What the check says, or "" when it passes.
std::string refusal(const FusionExporter& exporter, bool withCamera)
{
    try {
        exporter.checkDesign(adsk::core::Application::get()->activeDocument(), withCamera);
    } catch (const vel::DesignRefused& refused) {
        return refused.what();
    }
    return "";
}

const std::string kRefused = "The scene cannot hold this design: ";

} // namespace

TEST_F(TranslateTest, LengthsThatOverflowAFloatInTheDesignsUnitAreRefused)
{
    struct Case {
        const char* what;
        const char* units;
        void (*apply)(sh::DesignData&);
        bool withCamera;
        std::string refused; // empty: the design is written, without "inf"
    };
    const std::string overflows = " overflows a 32-bit float in the design's unit";
    const Case cases[] = {
        {"translation, x10 in mm", "mm", [](sh::DesignData& d) { d.components[0].occurrences[0].transform[1][3] = 3.5e37; },
         false, "Root/Wheel: a translation of 3.5e+37 cm" + overflows},
        {"the same in inches fits", "in", [](sh::DesignData& d) { d.components[0].occurrences[0].transform[1][3] = 3.4e38; },
         false, ""},
        // Values that round to the largest float are written as it.
        {"rounds to the largest float", "cm",
         [](sh::DesignData& d) { d.components[0].occurrences[0].transform[2][3] = 0x1.fffffefffffffp127; }, false, ""},
        {"rounds to infinity", "cm",
         [](sh::DesignData& d) { d.components[0].occurrences[0].transform[2][3] = -0x1.ffffffp127; }, false,
         "Root/Wheel: a translation of -3.40282e+38 cm" + overflows},
        {"rotation", "m", [](sh::DesignData& d) { d.components[0].occurrences[0].transform[0][0] = 1e300; }, false,
         "Root/Wheel: the transform value 1e+300 overflows a 32-bit float"},
        {"mesh coordinate", "mm",
         [](sh::DesignData& d) { d.components[1].bodies[0].faces[0].displayMeshes[0].nodeCoordinates[4] = 3.5e37f; },
         false, "Root/Wheel/Rim: a mesh coordinate of 3.5e+37 cm" + overflows},
        {"hidden body: not written", "mm",
         [](sh::DesignData& d) {
             d.components[1].bodies[0].faces[0].displayMeshes[0].nodeCoordinates[4] = 3.5e37f;
             d.components[1].bodies[0].visible = false;
         },
         false, ""},
        {"below a hidden placement: not written", "mm",
         [](sh::DesignData& d) {
             d.components[1].bodies[0].faces[0].displayMeshes[0].nodeCoordinates[4] = 3.5e37f;
             d.components[0].occurrences[0].visible = false;
         },
         false, ""},
        {"camera eye", "mm", [](sh::DesignData& d) { d.host.viewport->eye[2] = -3.5e37; }, true,
         "the active camera: the eye's coordinate of -3.5e+37 cm" + overflows},
        {"camera eye, no camera written", "mm", [](sh::DesignData& d) { d.host.viewport->eye[2] = -3.5e37; }, false,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sh::DesignData data = design(
            "Cart", {component("Root", {}, {placement(1, 1)}), component("Wheel", {body("Rim", {face()})})}, {},
            c.units);
        c.apply(data);
        open(data);
        if (!c.refused.empty()) {
            EXPECT_EQ(refusal(exporter(), c.withCamera), kRefused + c.refused);
            continue;
        }
        EXPECT_EQ(refusal(exporter(), c.withCamera), "");
        const std::string text = emitted(c.withCamera);
        EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    }
}
