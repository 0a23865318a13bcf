// Whole render sessions: the add-in's render command, clicked through the
// stand-in host, loads the substitute live library from a sandboxed
// installation, launches the real raydeck-standin and streams into it. What
// the stand-in received and the scene it holds afterwards are checked
// against one full transfer of the same design.

#include "StandinSandbox.h"

#include <log/LogTesting.h>
#include <platform/Files.h>
#include <platform/Services.h>
#include <standin/Announcement.h>
#include <tests/support/RunProgram.h>

#include <Core/CoreAll.h>
#include <StandIn/StandIn.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

// Absolute: under Wine, RD_SOURCE_DIR is a Linux path that only the current
// drive makes whole.
const fs::path sourceDir = fs::absolute(std::getenv("RD_SOURCE_DIR") ? std::getenv("RD_SOURCE_DIR") : ".");
const fs::path exampleGearbox = sourceDir / "examples" / "gearbox.design.json";

// The example's edited state: only the spur gear changed, in both shaft
// assemblies that hold it.
const fs::path editedGearbox = sourceDir / "examples" / "gearbox-edited.design.json";

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
    EXPECT_EQ(count(first, "\nobject "), kExampleObjects);
    const std::size_t components = count(first, "\nflags 32769\n");
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
    EXPECT_EQ(count(second, "\nflags 1\n"), components);
    EXPECT_EQ(count(second, "\nflags 32769\n"), 0u);
    EXPECT_EQ(count(second, "\nobject "), 0u);
    EXPECT_EQ(raydeck.dump(running[0]), full); // gtest shows the lines that differ

    // The gear made wider: its two placements alone come with their bodies.
    sh::openDesignFile(editedGearbox);
    clickWithoutMessage();
    const std::string third = transfer(2);
    EXPECT_EQ(count(third, "\nflags 32769\n"), 2u);
    EXPECT_EQ(count(third, "\nflags 1\n"), components - 2);
    EXPECT_EQ(count(third, "\nobject "), 6u); // the gear's three faces, twice
    const std::string updated = raydeck.dump(running[0]);
    EXPECT_FALSE(updated == full);

    // A full transfer of the edited design, from an add-in started anew
    // without change records, leaves the same scene.
    ASSERT_TRUE(stop(""));
    ASSERT_TRUE(run(""));
    clickWithoutMessage();
    ASSERT_EQ(raydeck.transfers().size(), 4u);
    EXPECT_EQ(count(transfer(3), "\nobject "), kExampleObjects);
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
    EXPECT_EQ(count(resent, "\nobject "), kExampleObjects);
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

// The host program, as a user runs it: one session, one click per design.
TEST(AddinHostRender, RendersEachDesignWithOneClickIntoTheStandin)
{
    rdtest::RegistrySandbox registry{rdtest::RegistrySandbox::Reach::StartedProgramsToo};
    StandinSandbox raydeck{registry};
    const rdtest::ProgramRun run = rdtest::runProgram(
        ADDIN_HOST_PATH, {"render", rdtest::utf8FromPath(exampleGearbox), rdtest::utf8FromPath(editedGearbox)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> transfers = raydeck.transfers();
    ASSERT_EQ(transfers.size(), 2u);
    EXPECT_EQ(count(rdtest::readFile(transfers[0]), "\nobject "), kExampleObjects);
    EXPECT_EQ(count(rdtest::readFile(transfers[1]), "\nobject "), 6u);
    const std::vector<standin::raydeck::Announcement> running = raydeck.running();
    ASSERT_EQ(running.size(), 1u);

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
}
