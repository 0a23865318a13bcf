// The render command's flow through the stand-in host's clicks, against the
// scripted live library: what the live scene interface receives on a first
// and a later click, how a failed link is reported, and what the exporter
// keeps. A renamed document and whole sessions are tested against the real
// stand-in RayDeck.

#include "AddinTestSupport.h"

#include <addin/AddinGlobals.h>
#include <platform/Files.h>
#include <sceneapi/velSceneapi_oo.h>

#include <tests/livelink/ScriptedLive.h>
#include <tests/support/GoldenFile.h>

#include <algorithm>
#include <numeric>
#include <sstream>

using namespace addintest;
using Calls = std::vector<std::string>;

namespace {

const std::string kBanner = "print(RayDeck SceneApi oo 9.1.3  (built ";

class RenderFlow : public StoppedAtTheEnd {
protected:
    void SetUp() override
    {
        StoppedAtTheEnd::SetUp();
        ASSERT_TRUE(run(""));
        sh::openDesignFile(testDesign("01_gearbox.design.json"));
        raydeckShows(rdtest::kEmptyScene);
    }

    // One RayDeck 9 announcing port 5000, whose scene is `scene`; takes effect
    // at the next load of the library, as every transfer loads it afresh.
    void raydeckShows(const std::string& scene)
    {
        live.script.instances = {rdtest::instanceList({{9, 4711, 5000}})};
        live.script.processes[4711] = {true, scene};
        live.script.accept = {"localhost:5000"};
        live.write();
    }

    // Clicks "Render in RayDeck 8" and returns what the live library received.
    Calls clickRender()
    {
        live.clearCalls();
        const sh::ClickResult result = sh::click(kRenderOnToolbar);
        EXPECT_TRUE(result) << result.error;
        return live.calls();
    }

    // The calls as one text, with the banner's build time stamp normalised.
    static std::string text(const Calls& calls)
    {
        std::ostringstream out;
        for (const std::string& call : calls)
            out << call << '\n';
        return withoutBuildStamp(out.str());
    }

    // What the clicks so far wrote to the host's text log.
    static std::vector<std::string> logged()
    {
        std::vector<std::string> lines;
        for (const sh::LogRecord& record : sh::loggedLines())
            lines.push_back(record.message);
        return lines;
    }

    static long count(const Calls& calls, const std::string& prefix)
    {
        return std::count_if(calls.begin(), calls.end(),
                             [&](const std::string& call) { return call.starts_with(prefix); });
    }

    rdtest::RegistrySandbox sandbox;
    rdtest::FakeSystem system;
    rdtest::ScriptedLive live{sandbox};
};

} // namespace

TEST_F(RenderFlow, AFirstClickSendsTheWholeDesignWithTheCameraAndAdjustmentsOn)
{
    const Calls calls = clickRender();
    EXPECT_TRUE(sh::shownMessageBoxes().empty());
    // Connect, banner and version, the process attribute (the fake host
    // process is 4660), the module, the camera, the scene tree, disconnect.
    EXPECT_TRUE(matchesGoldenFile("addin/golden/live_first_click.calls", text(calls)));
    EXPECT_FALSE(exporter->sentRecords().empty());
    EXPECT_EQ(logged(), (std::vector<std::string>{
                            "RayDeck 9 installation: live library "
                                + platform::joinPath(rdtest::scriptedLiveFolder(), "velraydecklive6_64.so"),
                            "found RayDeck 9: process 4711, port 5000 (new scene \"Gearbox\")",
                            "sent 2 components, 2 changed and 0 unchanged: 1 mesh, 1 triangle, 108 bytes of geometry",
                            "RayDeck accepted the transfer"}));
    EXPECT_EQ(exporter->sceneWriter()->api(), nullptr); // not left pointing into the unloaded library
}

TEST_F(RenderFlow, ASecondClickIntoTheSameSceneSendsOnlyWhatChanged)
{
    clickRender();
    raydeckShows(rdtest::sceneWithModelSet("Gearbox"));

    // No bodies, nothing adjusted.
    EXPECT_TRUE(matchesGoldenFile("addin/golden/live_second_click.calls", text(clickRender())));
    const std::vector<std::string> lines = logged();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[5], "reused RayDeck 9: process 4711, port 5000 (it shows \"Gearbox\")");
    EXPECT_EQ(lines[6], "sent 2 components, 0 changed and 2 unchanged: 0 meshes, 0 triangles, 0 bytes of geometry");
}

TEST_F(RenderFlow, AZUpDesignIsSentWithTheZUpVector)
{
    sh::openDesignFile(testDesign("03_zup_default_view.design.json"));
    const Calls calls = clickRender();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "parameter(import_up_vector,6,2)"), calls.end());
}

// The factory's second try is tested with the factory.
TEST_F(RenderFlow, AFailedLinkShowsOneMessageBoxAndLeavesTheExporterAsItWas)
{
    clickRender();
    const FusionExporter::RecordMap records = exporter->sentRecords();

    live.script.accept.clear(); // RayDeck runs but no longer answers
    live.write();
    const Calls calls = clickRender();
    EXPECT_EQ(count(calls, kBanner), 0);
    const std::vector<sh::MessageBoxRecord> boxes = sh::shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Live link failed. Reason: \"Failed to connect. Could not connect on any known port. "
                             "Please check your RayDeck installation and Live Link settings.\"");
    EXPECT_EQ(boxes[0].title, "");
    EXPECT_EQ(boxes[0].buttons, adsk::core::OKButtonType);
    EXPECT_EQ(boxes[0].icon, adsk::core::NoIconIconType);
    EXPECT_EQ(exporter->sentRecords().size(), records.size());
    EXPECT_EQ(exporter->unitsPerCentimetre(), 10.0f); // millimetres, from the first click

    // The failure left the live library loaded for the next click; stopping
    // the add-in unloads it.
    EXPECT_NE(live.calls().back(), "destroy(1)");
    stop("");
    EXPECT_EQ(live.calls().back(), "destroy(1)");
}

// RayDeck died, hung or turned the transfer down: disconnect answers false.
// The query interface tells which, the log and one message box say so, and
// as RayDeck may hold any part of it, the next click sends every body, also
// into a scene that still shows the model set.
TEST_F(RenderFlow, ATransferRayDeckDoesNotConfirmIsReportedAndTheNextClickSendsEverything)
{
    const std::string listed = rdtest::instanceList({{9, 4711, 5000}});
    const struct {
        std::vector<std::optional<std::string>> listings; // at the selection, then after a failed attach
        bool attachAfterTransfer;
        std::string reason;
    } cases[] = {
        {{listed, rdtest::instanceList({})}, false, "The connection broke: RayDeck (process 4711) is no longer running."},
        // Still ending when first asked after the connection broke.
        {{listed, listed, listed, rdtest::instanceList({})},
         false,
         "The connection broke: RayDeck (process 4711) is no longer running."},
        {{listed}, false, "RayDeck (process 4711) did not answer in time."},
        {{listed}, true, "RayDeck (process 4711) rejected it."},
    };
    clickRender();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        ASSERT_FALSE(exporter->sentRecords().empty());
        const std::size_t boxesBefore = sh::shownMessageBoxes().size();

        live.script.instances = c.listings;
        live.script.processes[4711] = {true, rdtest::sceneWithModelSet("Gearbox"), c.attachAfterTransfer};
        live.script.confirm = false;
        live.write();
        system.sleeps.clear();
        const Calls lost = clickRender();
        EXPECT_EQ(count(lost, "flags(1)"), 2); // sent as an update
        // A hanging RayDeck was waited for already: the look for an ending
        // one adds well under a second.
        EXPECT_LE(std::accumulate(system.sleeps.begin(), system.sleeps.end(), 0u), 500u);
        const std::vector<sh::MessageBoxRecord> boxes = sh::shownMessageBoxes();
        ASSERT_EQ(boxes.size(), boxesBefore + 1);
        EXPECT_EQ(boxes.back().text, "Live link failed. Reason: \"The transfer did not complete. " + c.reason + "\"");
        EXPECT_TRUE(exporter->sentRecords().empty());
        EXPECT_EQ(sh::loggedLines().back(), (sh::LogRecord{"The transfer did not complete. " + c.reason,
                                                           adsk::core::ErrorLogLevel, adsk::core::ConsoleLogType}));
        EXPECT_EQ(lost.back(), "destroy(1)"); // asked before the library went

        live.script.confirm = true;
        raydeckShows(rdtest::sceneWithModelSet("Gearbox"));
        const Calls resent = clickRender();
        EXPECT_EQ(count(resent, "flags(32769)"), 2);
        EXPECT_EQ(count(resent, "parameter(import_adjust_camera,7,0)"), 1); // still an update of its scene
        EXPECT_EQ(sh::shownMessageBoxes().size(), boxesBefore + 1);
        EXPECT_EQ(sh::loggedLines().back().message, "RayDeck accepted the transfer");
    }
}

TEST_F(RenderFlow, ALinkMadeOnlyByTheSecondRequestStillStartsWithTheBanner)
{
    // No RayDeck at first and it cannot be started; it shows up in time for
    // the second request, which the library answers without reloading.
    live.script.instances = {rdtest::instanceList({}), rdtest::instanceList({{9, 4711, 5000}})};
    live.write();
    system.launchSucceeds = false;

    const Calls calls = clickRender();
    EXPECT_TRUE(sh::shownMessageBoxes().empty());
    const auto connected = std::find(calls.begin(), calls.end(), "connect(localhost,5000,4)");
    ASSERT_LT(connected + 2, calls.end());
    EXPECT_TRUE(connected[1].starts_with(kBanner)) << connected[1];
    EXPECT_EQ(connected[2], "version(9)");
    EXPECT_EQ(count(calls, kBanner), 1);
    EXPECT_EQ(calls[calls.size() - 2], "disconnect()");
}
