// Whole sessions through the addin-host program, as a user runs it: the
// scene files it writes (against golden files), what it tells on standard
// error, and its exit status.

#include "AddinTestSupport.h"

#include <tests/livelink/ScriptedLive.h>
#include <tests/support/DeepDesign.h>
#include <tests/support/GoldenFile.h>
#include <tests/support/RunProgram.h>
#include <tests/support/Sandbox.h>

#include <gmock/gmock.h>

#include <fstream>

using namespace addintest;
using ::testing::HasSubstr;

namespace {

using Outcome = rdtest::ProgramRun;

class HostProgram : public ::testing::Test {
protected:
    // Runs addin-host with `args` in the temporary folder.
    Outcome host(const std::vector<std::string>& args)
    {
        return rdtest::runProgram(ADDIN_HOST_PATH, args, rdtest::utf8FromPath(dir.path()));
    }

    Outcome script(const std::string& text)
    {
        rdtest::writeFile(dir / "session.txt", text);
        return host({"script", "session.txt"});
    }

    rdtest::TempDir dir;
    // The host program reads this registry: no RayDeck unless a test
    // installs one.
    rdtest::RegistrySandbox registry{rdtest::RegistrySandbox::Reach::StartedProgramsToo};
};

} // namespace

// The example goes to a name beyond ASCII, "Scène ✓ 日本.rdk": from the
// command line to the file system as UTF-8 (on Windows: the wide command
// line, the wide-character open).
TEST_F(HostProgram, ExportsTheExampleAndTheTestDesignsAsTheGoldenFilesHoldThem)
{
    struct Export {
        fs::path design;
        std::string golden, out;
    };
    std::vector<Export> exports = {
        {exampleDesign(), "gearbox", "Sc\xC3\xA8ne \xE2\x9C\x93 \xE6\x97\xA5\xE6\x9C\xAC.rdk"}};
    for (const char* name : {"01_gearbox", "02_minimal", "03_zup_default_view", "04_no_viewport",
                             "05_computed_properties", "06_nan_properties", "07_appearances", "08_placements"})
        exports.push_back({testDesign(std::string(name) + ".design.json"), name, std::string(name) + ".rdk"});
    for (const auto& [design, golden, out] : exports) {
        SCOPED_TRACE(golden);
        const Outcome r = host({"export", design.string(), out});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "addin-host: wrote the scene to \"" + (dir / out) + "\"\n");
        EXPECT_TRUE(matchesGoldenFile("addin/golden/" + golden + ".rdk", withoutBuildStamp(rdtest::readFile(dir / out))));
    }
}

TEST_F(HostProgram, AnExportThatIsNotWrittenCompletelyFails)
{
    Outcome r = host({"export", exampleDesign().string(), "/dev/full"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("closing file: No space left on device\n"));
    EXPECT_THAT(r.err, HasSubstr("addin-host: command \"Export to RayDeck .rdk\" failed: could not close file\n"));
    EXPECT_THAT(r.err, HasSubstr("addin-host: the export to \"" + fs::absolute("/dev/full").string() + "\" failed\n"));

    r = host({"export", exampleDesign().string(), "no/such/folder.rdk"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("opening file: No such file or directory\n"));
    EXPECT_THAT(r.err, HasSubstr("failed: could not open file: \"" + (dir / "no/such/folder.rdk") + "\"\n"));

    r = host({"export", testDesign("30_bad_syntax.design.json").string(), "bad.rdk"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("30_bad_syntax.design.json: " +
                                rdtest::readFile(testDesign("30_bad_syntax.expect").string())));
    EXPECT_FALSE(fs::exists(dir / "bad.rdk"));

    // 20,000 components deep (it crashed the traversal): refused before the
    // previous export is touched.
    rdtest::writeFile(dir / "deep.design.json", rdtest::chainDesignJson(20000));
    rdtest::writeFile(dir / "deep.rdk", "the previous export");
    r = host({"export", "deep.design.json", "deep.rdk"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("failed: The scene cannot hold this design: Part0/Part1/Part2/... 895 more "
                                 ".../Part898/Part899/Part900: components nested more than 900 levels deep\n"));
    EXPECT_THAT(r.err, HasSubstr("addin-host: the export to \"" + (dir / "deep.rdk") + "\" failed\n"));
    EXPECT_EQ(rdtest::readFile(dir / "deep.rdk"), "the previous export");
}

// The design is never the file an export replaces, whatever name leads to it.
// (A failed close keeping the previous file is the file factory's test.)
TEST_F(HostProgram, NoExportReplacesItsDesign)
{
    const std::string design = rdtest::readFile(exampleDesign().string());
    rdtest::writeFile(dir / "own.design.json", design);
    std::vector<std::string> sameFile = {"own.design.json", "./own.design.json"};
#ifndef _WIN32
    fs::create_symlink("own.design.json", dir.path() / "link.json");
    sameFile.push_back("link.json");
#endif
    for (const std::string& out : sameFile) {
        SCOPED_TRACE(out);
        const Outcome r = host({"export", "own.design.json", out});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "addin-host: the scene file \"" + (dir / out.substr(out.find_first_not_of("./")))
                             + "\" is the design file itself; nothing was written\n");
        EXPECT_EQ(rdtest::readFile(dir / "own.design.json"), design);
    }
}

TEST_F(HostProgram, AScriptedSessionReproducesClicksCancelsEditsAndRestarts)
{
    rdtest::writeFile(dir / "edited.design.json", rdtest::readFile(testDesign("08_placements.design.json").string()));
    // A RayDeck that runs but does not answer on its port.
    rdtest::ScriptedLive live(registry);
    live.script.instances = {rdtest::instanceList({{9, 4711, 5000}})};
    live.script.processes[4711] = {true, rdtest::kEmptyScene};
    live.write();
    // The add-in loaded from another path.
    fs::copy_file(ADDIN_MODULE_PATH, dir / "Copy.so");
    rdtest::writeFile(dir / "session.txt", "# cancel, then save; stop and start again\n"
                             "run\n"
                             "open " + testDesign("01_gearbox.design.json").string() + "\n"
                             "click Export to RayDeck .rdk\n"
                             "answer first.rdk\n"
                             "click rayDeck8ExportCommandOnPanelCPP\n"
                             "stop\n"
                             "run\n"
                             "\n"
                             "open edited.design.json\n"
                             "answer second.rdk\n"
                             "click   Export to RayDeck .rdk  \n"
                             "answer missing/third.rdk\n"
                             "click Export to RayDeck .rdk\n"
                             "expect-failure could not open file: \"" + (dir / "missing/third.rdk") + "\"\n"
                             "click Render in RayDeck 8\n"
                             "expect-message Live link failed. Reason: \"Failed to connect. Could not connect on any known port. "
                             "Please check your RayDeck installation and Live Link settings.\"\n"
                             "unload\n"
                             "remove-panel FusionRenderEnvironment RenderPanel\n"
                             "run\n"
                             "answer - \n"
                             "click Export to RayDeck .rdk\n");
    const Outcome r = host({"--addin", dir / "Copy.so", "script", "session.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(matchesGoldenFile("addin/golden/01_gearbox.rdk", withoutBuildStamp(rdtest::readFile(dir / "first.rdk"))));
    EXPECT_TRUE(matchesGoldenFile("addin/golden/08_placements.rdk",
                                  withoutBuildStamp(rdtest::readFile(dir / "second.rdk"))));
    EXPECT_EQ(r.out, rdtest::readFile(dir / "second.rdk"));
    // What the user saw.
    EXPECT_THAT(r.err, HasSubstr("addin-host: command \"Export to RayDeck .rdk\" failed: could not open file"));
    EXPECT_THAT(r.err, HasSubstr("addin-host: message box: Live link failed."));
}

// On success the add-in's log lines are shown only with -v; on failure they
// are, with where RayDeck was looked for and how to try the link.
TEST_F(HostProgram, ARenderThatFailsSaysWhatTheAddinDidWhereItLookedAndHowToTryTheLink)
{
    registry.writeUser(""); // a file, but no RayDeck in it
    const Outcome r = host({"render", exampleDesign().string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("addin-host: log: error: Failed to connect. Could not get a scene api. Please check "
                                 "your RayDeck installation.\n"
                                 "addin-host: message box: Live link failed."));
#ifndef _WIN32
    EXPECT_THAT(r.err, HasSubstr("addin-host: RayDeck was looked for in the registry: HKEY_CURRENT_USER from "
                                 + (registry.dir / "user.reg") + ", HKEY_LOCAL_MACHINE from "
                                 + (registry.dir / "system.reg") + " (missing or not readable)\n"));
#endif
    EXPECT_THAT(r.err, HasSubstr("addin-host: to try the live link with a stand-in RayDeck: tools/try-render.sh"));
}

TEST_F(HostProgram, AWrongStepOrCommandLineSaysWhereAndWhat)
{
    // A bad script runs nothing (2); a step that cannot be done ends the
    // session at its line (1); a failed command fails the session at its end.
    const std::string bad = testDesign("30_bad_syntax.design.json").string();
    const std::string gearbox = testDesign("01_gearbox.design.json").string();
    const struct {
        std::string script;
        int status;
        std::string error;
    } cases[] = {
        {"run\nanswer x.rdk\nclik Export\n", 2, "addin-host: session.txt:3: unknown step \"clik\"\n"},
        {"# nothing to open\nopen\n", 2, "addin-host: session.txt:2: \"open\" needs an argument\n"},
        {"run\nopen " + bad + "\nanswer never.rdk\nclick Export to RayDeck .rdk\n", 1,
         "session.txt:2: " + bad + ": line 4"},
        {"click Export to RayDeck .rdk\n", 1,
         "session.txt:1: no button of the command \"Export to RayDeck .rdk\" in the user interface\n"},
        {"run\nclick Render in RayDeck 8\nexpect-failure\n", 1,
         "session.txt:3: expected the last click to fail, but it did not\n"},
        {"run\nopen " + gearbox + "\nanswer /dev/full\nclick Export to RayDeck .rdk\nanswer after.rdk\n"
         "click Export to RayDeck .rdk\nclick Render in RayDeck 8\n", 1,
         "addin-host: the session had 1 failed command and 1 message box that no step expected\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const Outcome r = script(c.script);
        EXPECT_EQ(r.status, c.status);
        if (c.status == 2)
            EXPECT_EQ(r.err, c.error); // nothing ran
        else
            EXPECT_THAT(r.err, HasSubstr(c.error));
    }
    EXPECT_FALSE(fs::exists(dir / "never.rdk"));
    EXPECT_TRUE(fs::exists(dir / "after.rdk"));

    // -v shows the add-in stopped and unloaded after the failure.
    rdtest::writeFile(dir / "session.txt", "run\nclick Export to RayDeck .rdk\nexpect-message Hello\n");
    Outcome r = host({"-v", "script", "session.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("session.txt:3: expected a message box \"Hello\", but none is left\n"
                                "addin-host: stop returned true\n"
                                "addin-host: unloaded "));

    // A library, but no add-in.
    EXPECT_THAT(host({"--addin", ADSK_LIBRARY_PATH, "export", exampleDesign().string(), "x.rdk"}).err,
                HasSubstr("not an add-in module (it exports no \"run\")"));
    EXPECT_EQ(host({"script", "absent.txt"}).err, "addin-host: absent.txt: cannot read the script\n");
}

// The command line's conventions: statuses, "-" for standard input and
// output, a lost write to standard output, --version, the help of each
// command with its options and statuses, an unknown word named.
TEST_F(HostProgram, FollowsTheCommandLineConventions)
{
    const std::string design = exampleDesign().string();
    rdtest::writeFile(dir / "run.txt", "run\nopen " + design + "\nanswer piped.rdk\nclick Export to RayDeck .rdk\n");
    rdtest::writeFile(dir / "broken.json", "{\"format\": \"design/1\",");
    const std::string scene = "//---veltor:dal:7---\n";
    const struct {
        std::vector<std::string> args;
        rdtest::ProgramStreams streams;
        int status;
        std::vector<std::string> shown; // on standard output, then standard error
    } cases[] = {
        {{"--version"}, {}, 0, {"addin-host 8.0 (built "}},
        {{"export", "--help"},
         {},
         0,
         {"DESIGN", "\"-\": a design document on standard input", "\"-\": standard output", "--deflection",
          "bounding box's diagonal", "--mesh-unit", "--progress", "Exit status:\n  0  done\n  1  the session failed"}},
        {{"export", "-", "-"}, {design, ""}, 0, {scene, "addin-host: wrote the scene to standard output\n"}},
        {{"export", design, "-"}, {"", "/dev/full"}, 1, {"addin-host: the export to standard output failed\n"}},
        {{"export", "-", "x.rdk"}, {dir / "broken.json", ""}, 1, {"addin-host: standard input: line 1, column 23: "}},
        {{"script", "-"}, {dir / "run.txt", ""}, 0, {}}, // writes piped.rdk, beside the current folder's
        {{"export", "--deflection", "-1", design, "x.rdk"}, {}, 2, {"addin-host: bad option: deflection"}},
        {{}, {}, 2, {"addin-host: a command is required (commands: export, render, script)\n"}},
        {{"exprot", design, "x.rdk"}, {}, 2, {"addin-host: unknown command \"exprot\""}},
        {{"export", "--bogus", design, "x.rdk"}, {}, 2, {"addin-host: unknown option \"--bogus\""}},
        {{"export", "only-one"}, {}, 2, {"addin-host: OUT is required\nRun 'addin-host export --help'"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Outcome r = rdtest::runProgram(ADDIN_HOST_PATH, c.args, rdtest::utf8FromPath(dir.path()), c.streams);
        EXPECT_EQ(r.status, c.status) << r.err;
        std::string shown = r.out + r.err;
        // The help is text, with "\r\n" on Windows (a scene stays binary: the
        // scripted session above compares it byte for byte).
        std::erase(shown, '\r');
        for (const std::string& text : c.shown)
            EXPECT_THAT(shown, HasSubstr(text));
    }
    EXPECT_FALSE(fs::exists(dir / "x.rdk"));
    EXPECT_TRUE(fs::exists(dir / "piped.rdk"));
}
