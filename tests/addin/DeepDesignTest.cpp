// Designs as deep as the scene allows, and deeper, through both commands on
// the add-in's 1 MiB stack (the program is linked with it on Windows): the
// deepest allowed is exported and sent whole, a deeper one is refused before
// anything is written or sent, and nothing crashes. (20,000 levels through
// addin-host: HostProgramTest.cpp.)

#include "AddinTestSupport.h"

#include <addin/CommandFlows.h>
#include <sceneapi/SceneReader.h>
#include <translate/PlacementWalk.h>

#include <tests/livelink/ScriptedLive.h>
#include <tests/support/DeepDesign.h>
#include <tests/support/Sandbox.h>
#include <tests/support/SceneText.h>
#include <tests/support/SmallStack.h>

#include <algorithm>

using namespace addintest;

namespace {

constexpr std::size_t kLimit = vel::kMaxComponentDepth;

class DeepDesign : public OwnExporter {
protected:
    void SetUp() override
    {
        OwnExporter::SetUp();
        live.script.instances = {rdtest::instanceList({{9, 4711, 5000}})};
        live.script.processes[4711] = {true, rdtest::kEmptyScene};
        live.script.accept = {"localhost:5000"};
        live.write();
    }

    // Runs a command on the design; returns what it raised, "" if nothing.
    std::string command(const std::string& json, void (*flow)(FusionExporter&, adsk::core::Ptr<adsk::core::Document>))
    {
        std::string raised;
        rdtest::onAddinStack([&] {
            sh::openDesign(sh::parseDesign(json));
            try {
                flow(*exporter, adsk::core::Application::get()->activeDocument());
            } catch (const std::exception& e) {
                raised = e.what();
            }
        });
        return raised;
    }

    static std::string refusedAt(std::size_t levels)
    {
        return "The scene cannot hold this design: Part0/Part1/Part2/... " + std::to_string(levels - 6) +
               " more .../Part" + std::to_string(levels - 3) + "/Part" + std::to_string(levels - 2) + "/Part" +
               std::to_string(levels - 1) + ": components nested more than " + std::to_string(kLimit) +
               " levels deep";
    }

    rdtest::TempDir dir;
    rdtest::RegistrySandbox sandbox;
    rdtest::FakeSystem system;
    rdtest::ScriptedLive live{sandbox};
};

} // namespace

TEST_F(DeepDesign, TheDeepestAllowedIsExportedAndReadBackAndADeeperOneLeavesTheFile)
{
    const std::string file = dir / "deep.rdk";
    rdtest::writeFile(file, "the previous export");
    sh::answerFileDialogs(file);
    EXPECT_EQ(command(rdtest::chainDesignJson(kLimit + 1), exportToFile), refusedAt(kLimit + 1));
    EXPECT_EQ(rdtest::readFile(file), "the previous export");

    EXPECT_EQ(command(rdtest::chainDesignJson(kLimit), exportToFile), "");
    const std::string written = rdtest::readFile(file);
    // Our own reader, like RayDeck's, refuses blocks nested deeper than the
    // limit allows for.
    scenetest::SceneText replay;
    const vel::ReadResult read = vel::readScene(written, replay.api());
    EXPECT_TRUE(read.ok()) << (read.ok() ? "" : vel::describe(read.problems.front()));
    EXPECT_EQ(replay.finish(), written);
}

TEST_F(DeepDesign, TheDeepestAllowedIsSentWholeAndADeeperOneIsReportedWithoutSending)
{
    EXPECT_EQ(command(rdtest::chainDesignJson(kLimit + 1), renderLive), "");
    EXPECT_TRUE(live.calls().empty());
    const auto boxes = sh::shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, refusedAt(kLimit + 1));
    EXPECT_TRUE(exporter->currentRecords().empty());

    EXPECT_EQ(command(rdtest::chainDesignJson(kLimit), renderLive), "");
    const std::vector<std::string> calls = live.calls();
    // The document's group, the components, the body's and the face's.
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "endGroup()"), static_cast<long>(kLimit + 3));
    EXPECT_NE(std::find(calls.begin(), calls.end(), "disconnect()"), calls.end());
    EXPECT_EQ(sh::shownMessageBoxes().size(), 1u);
}
