// Whole render sessions: the add-in's render command, clicked through the
// stand-in host, loads the substitute live library from a sandboxed
// installation, launches the real raydeck-standin and streams into it. What
// the stand-in received and the scene it holds afterwards are checked
// against one full transfer of the same design.

#include "StandinSandbox.h"
#include "TransferText.h"

#include <log/LogTesting.h>
#include <platform/Files.h>
#include <platform/ProcessInfo.h>
#include <platform/Services.h>
#include <standin/Announcement.h>
#include <tests/support/RunProgram.h>
#include <tests/support/SourceTree.h>

#include <Core/CoreAll.h>
#include <StandIn/StandIn.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

extern "C" bool run(const char* context);
extern "C" bool stop(const char* context);

using namespace standintest;
namespace sh = standin::host;
namespace fs = std::filesystem;

namespace {

const std::string kRenderCommand = "rayDeck8RenderCommandOnQATCPP";

// Sleeps for real, but never longer than a tenth of a second: a launch costs
// what the stand-in takes to come up, not seconds.
class ShortClock final : public platform::Clock {
public:
    void sleepMilliseconds(std::uint32_t milliseconds) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::uint32_t>(milliseconds, 100)));
    }
    std::optional<std::string> localTimeOfDay() override { return real_.localTimeOfDay(); }
    std::uint32_t tickMilliseconds() override { return real_.tickMilliseconds(); }

private:
    platform::Clock& real_ = *platform::services().clock;
};

const fs::path exampleGearbox = rdtest::sourcePath("examples/gearbox.design.json");

// The example's edited state: only the spur gear changed, in both shaft
// assemblies that hold it.
const fs::path editedGearbox = rdtest::sourcePath("examples/gearbox-edited.design.json");

// Every face of the example at every placement, one object each.
constexpr std::size_t kExampleObjects = 64;

class RenderSession : public testing::Test {
protected:
    void SetUp() override
    {
        sh::reset();
        vel::resetLogForTesting();
        ASSERT_TRUE(run(""));
    }
    void TearDown() override
    {
        stop("");
        sh::unregisterHandlers();
        sh::reset();
    }

    // A click on "Render in RayDeck 8"; the message boxes it showed.
    std::vector<sh::MessageBoxRecord> click()
    {
        const std::size_t before = sh::shownMessageBoxes().size();
        const sh::ClickResult result = sh::click(kRenderCommand);
        EXPECT_TRUE(result) << result.error;
        const std::vector<sh::MessageBoxRecord> all = sh::shownMessageBoxes();
        return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
    }
    void clickWithoutMessage()
    {
        for (const sh::MessageBoxRecord& box : click())
            ADD_FAILURE() << "message box: " << box.text;
    }
    std::string transfer(std::size_t index) const
    {
        const std::vector<std::string> files = raydeck.transfers();
        return index < files.size() ? rdtest::readFile(files[index]) : std::string();
    }

    // The launched stand-in reads it too.
    rdtest::RegistrySandbox registry{rdtest::RegistrySandbox::Reach::StartedProgramsToo};
    StandinSandbox raydeck{registry};
    ShortClock clock;
    platform::ScopedServices scope{platform::Services{platform::services().registry, &clock,
                                                      platform::services().processes}};
};

} // namespace

TEST_F(RenderSession, ClicksKeepTheStandinsSceneEqualToOneFullTransferOfTheDesignUntilNoneIsInstalled)
{
    sh::openDesignFile(exampleGearbox);

    // The first click launches the stand-in and sends everything, with the
    // camera and environment adjusted, from this process.
    clickWithoutMessage();
    const std::vector<standin::raydeck::Announcement> running = raydeck.running();
    ASSERT_EQ(running.size(), 1u);
    const std::string first = transfer(0);
    EXPECT_NE(first.find("\"import_adjust_camera\" on,"), std::string::npos);
    EXPECT_EQ(occurrences(first, "\nobject "), kExampleObjects);
    const std::size_t components = occurrences(first, "\nflags 32769\n");
    EXPECT_EQ(components, 17u);
    char attribute[64];
    std::snprintf(attribute, sizeof attribute, "attribute \"process identifier\" \"Fusion 360, %#x\"\n",
                  static_cast<unsigned>(rdtest::currentProcessId()));
    EXPECT_NE(first.find(attribute), std::string::npos) << attribute;
    const std::string full = raydeck.dump(running[0]);
    ASSERT_FALSE(full.empty());

    // Unchanged: every component with flag word 1 and no bodies; the scene
    // is what it was.
    clickWithoutMessage();
    const std::string second = transfer(1);
    EXPECT_EQ(occurrences(second, "\nflags 1\n"), components);
    EXPECT_EQ(occurrences(second, "\nflags 32769\n"), 0u);
    EXPECT_EQ(occurrences(second, "\nobject "), 0u);
    EXPECT_EQ(raydeck.dump(running[0]), full); // gtest shows the lines that differ

    // The gear made wider: its two placements alone come with their bodies.
    sh::openDesignFile(editedGearbox);
    clickWithoutMessage();
    const std::string third = transfer(2);
    EXPECT_EQ(occurrences(third, "\nflags 32769\n"), 2u);
    EXPECT_EQ(occurrences(third, "\nflags 1\n"), components - 2);
    EXPECT_EQ(occurrences(third, "\nobject "), 6u); // the gear's three faces, twice
    const std::string updated = raydeck.dump(running[0]);
    EXPECT_FALSE(updated == full);

    // A full transfer of the edited design, from an add-in started anew
    // without change records, leaves the same scene.
    ASSERT_TRUE(stop(""));
    ASSERT_TRUE(run(""));
    clickWithoutMessage();
    ASSERT_EQ(raydeck.transfers().size(), 4u);
    EXPECT_EQ(occurrences(transfer(3), "\nobject "), kExampleObjects);
    EXPECT_EQ(raydeck.dump(running[0]), updated);
    EXPECT_EQ(raydeck.running(), running); // all along one stand-in

    // Renamed, the document is not the running stand-in's scene: a second
    // stand-in is started and gets the whole design.
    sh::DesignData renamed = sh::loadDesignFile(exampleGearbox);
    renamed.name = "Gearbox Mk2 v1";
    sh::openDesign(renamed);
    clickWithoutMessage();
    ASSERT_EQ(raydeck.running().size(), 2u);
    const std::string resent = transfer(4);
    EXPECT_NE(resent.find("group \"Gearbox Mk2\" {"), std::string::npos);
    EXPECT_NE(resent.find("\"import_adjust_camera\" on,"), std::string::npos);
    EXPECT_EQ(occurrences(resent, "\nobject "), kExampleObjects);
    EXPECT_EQ(raydeck.dump(running[0]), updated);
    EXPECT_TRUE(raydeck.quitAll());
    EXPECT_TRUE(raydeck.running().empty());

    // Without an installation, one message box says so.
    registry.writeUser("");
    const std::vector<sh::MessageBoxRecord> boxes = click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Live link failed. Reason: \"Failed to connect. Could not get a scene api. Please check "
                             "your RayDeck installation.\n\"");
    EXPECT_TRUE(raydeck.running().empty());
}

// A stand-in that dies (kill -9) or hangs (SIGSTOP) as the second transfer
// begins: that click shows the live link's message box with the reason, and
// the next one sends the whole design again, also into a stand-in that
// still shows it.
TEST_F(RenderSession, ATransferCutShortByADyingOrHangingStandinIsReportedAndTheNextClickSendsEverything)
{
    sh::openDesignFile(exampleGearbox);
    // How long the add-in waits for an answer: a dying stand-in ends the
    // transfer at once, so its wait is long enough that a loaded machine (a
    // sanitizer build beside other tests) never runs it out first; a hanging
    // one is waited for to the end.
    const struct {
        const char* fault;
        const char* wait;
        std::string reason; // after the process id
    } cases[] = {
        {"kill 2", "20", ") is no longer running."},
#ifndef _WIN32
        {"stop 2", "2", ") did not answer in time."},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const rdtest::ScopedEnv wait("RAYDECK_LIVE_WAIT_SECONDS", c.wait);
        const rdtest::ScopedEnv fault("RAYDECK_STANDIN_FAULT", c.fault); // for the stand-in launched next
        ASSERT_TRUE(raydeck.quitAll());
        clickWithoutMessage();
        const std::vector<standin::raydeck::Announcement> running = raydeck.running();
        ASSERT_EQ(running.size(), 1u);

        const std::vector<sh::MessageBoxRecord> boxes = click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.starts_with("Live link failed. Reason: \"The transfer did not complete. "))
            << boxes[0].text;
        EXPECT_TRUE(boxes[0].text.ends_with(std::to_string(running[0].processId) + c.reason + "\""))
            << boxes[0].text;

        platform::resumeProcess(running[0].processId);
        clickWithoutMessage();
        const std::vector<std::string> files = raydeck.transfers();
        EXPECT_EQ(occurrences(rdtest::readFile(files.back()), "\nobject "), kExampleObjects);
    }
}

// The host program, as a user runs it: one session, one click per design;
// with -v it shows the add-in's log lines, without it nothing on success.
TEST(AddinHostRender, RendersEachDesignWithOneClickIntoTheStandin)
{
    rdtest::RegistrySandbox registry{rdtest::RegistrySandbox::Reach::StartedProgramsToo};
    StandinSandbox raydeck{registry};
    const std::string edited = rdtest::utf8FromPath(editedGearbox);
    const rdtest::ProgramRun run =
        rdtest::runProgram(ADDIN_HOST_PATH, {"-v", "render", rdtest::utf8FromPath(exampleGearbox), edited});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(raydeck.transfers().size(), 2u); // what each held: the log's "sent" lines
    const std::vector<standin::raydeck::Announcement> running = raydeck.running();
    ASSERT_EQ(running.size(), 1u);
    const std::string process =
        "RayDeck 9: process " + std::to_string(running[0].processId) + ", port " + std::to_string(running[0].port);
    for (const std::string& line : std::vector<std::string>{
             "log: RayDeck 9 installation: live library " + platform::joinPath(raydeck.install.binFolder, "velraydecklive6_64.so"),
          "log: launched " + process,
          "log: sent 17 components, 17 changed and 0 unchanged: 64 meshes, ",
          "log: RayDeck accepted the transfer",
          "log: reused " + process + " (it shows \"Gearbox\")",
          "log: sent 17 components, 2 changed and 15 unchanged: 6 meshes, "})
        EXPECT_NE(run.err.find("addin-host: " + line), std::string::npos) << line << "\n" << run.err;

    // Then the stand-in is asked from its command line: statuses, "-" for
    // standard output, a lost write to it, --version, words it does not know.
    const std::string scene = raydeck.dump(running[0]);
    ASSERT_FALSE(scene.empty());
    const struct {
        std::vector<std::string> args;
        std::string output; // where standard output goes; empty: compared with `shown`
        int status;
        std::string shown; // the start of standard output, then of standard error
    } cases[] = {
        {{"--version"}, "", 0, "raydeck-standin 8.0 (built "},
        {{"--list"}, "", 0, std::to_string(running[0].processId) + " 9 "},
        {{"--dump", "-"}, "", 0, scene},
        {{"--dump", "-"}, "/dev/full", 1, "raydeck-standin: could not write the scene to standard output\n"},
        {{"--describe", "--pid", "1"}, "", 1, "raydeck-standin: no stand-in runs as process 1\n"},
        {{"--list", "--quit"}, "", 2, "raydeck-standin: give one of --list, --describe, --dump and --quit\n"},
        {{"--dumb", "x.rdk"}, "", 2, "raydeck-standin: unknown option \"--dumb\"\n"},
        {{"--help"}, "", 0, "A stand-in for the RayDeck application"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const rdtest::ProgramRun r = rdtest::runProgram(raydeck.install.binName, c.args, {}, {"", c.output});
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ((r.out + r.err).substr(0, c.shown.size()), c.shown);
    }
    EXPECT_EQ(raydeck.running(), running);
    std::vector<std::string> left; // no dump left behind
    for (const fs::directory_entry& entry : fs::directory_iterator(platform::pathFromUtf8(raydeck.announcements)))
        left.push_back(platform::utf8FromPath(entry.path().filename()));
    EXPECT_EQ(left, std::vector<std::string>{std::to_string(running[0].processId) + ".announce"});

    const rdtest::ProgramRun quiet = rdtest::runProgram(ADDIN_HOST_PATH, {"render", edited});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(raydeck.transfers().size(), 3u);
}

#ifndef _WIN32
// tools/try-render.sh as a user runs it, from a folder of their own: FOLDER
// and DESIGN are taken from there, and after a failure it names nothing that
// was not written.
TEST(TryRender, TakesItsFolderAndDesignsFromTheCallersFolderAndNamesOnlyWhatItWrote)
{
    const rdtest::TempDir dir;
    fs::copy_file(exampleGearbox, dir.path() / "gearbox.design.json");
    const std::string script = rdtest::sourcePath("tools/try-render.sh").string();
    const std::string here = rdtest::utf8FromPath(dir.path());

    const rdtest::ProgramRun run =
        rdtest::runProgram("/bin/bash", {script, "-b", RD_BUILD_DIR, "try", "gearbox.design.json"}, here);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("addin-host: log: RayDeck accepted the transfer"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("its scene: " + (dir / "try/scene-")), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(dir.path() / "try" / "resources" / "transfers" / "0001.rdk"));

    const rdtest::ProgramRun failed =
        rdtest::runProgram("/bin/bash", {script, "-b", RD_BUILD_DIR, "lost", "absent.design.json"}, here);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("absent.design.json"), std::string::npos) << failed.err;
    EXPECT_EQ(failed.err.find("transfers:"), std::string::npos) << failed.err;
    EXPECT_EQ(failed.err.find("raydeck-standin.log"), std::string::npos) << failed.err;
}
#endif
