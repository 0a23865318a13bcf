// A whole render session of addin-host.exe as the user starts it, against
// installations that Wine's own reg command writes into the real registry
// roots, with the scripted live library: the installation of the higher
// version under HKEY_LOCAL_MACHINE wins over the one under HKEY_CURRENT_USER,
// the library loads from its bin folder, the live link scans the registered
// ports, and the loader's log lands in the resource folder, whose name is
// beyond the ANSI code page, with its time stamps. (Sessions that launch
// raydeck-standin.exe are tests/standin's, which run here too.)

#include <platform/Files.h>
#include <tests/livelink/ScriptedLive.h>
#include <tests/support/RunProgram.h>
#include <tests/support/Sandbox.h>
#include <tests/support/SourceTree.h>

#include <gmock/gmock.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Wine's (or Windows') own reg command.
std::string regCommand()
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return platform::utf8FromPath(fs::path(std::wstring(folder, length)) / "reg.exe");
}

// Wine now and then fails to start a program right after another one's
// session ended; a start that failed is tried again.
void reg(const std::vector<std::string>& args)
{
    rdtest::ProgramRun run = rdtest::runProgram(regCommand(), args);
    for (int retry = 0; retry < 3 && run.status == -1; ++retry) {
        Sleep(500);
        run = rdtest::runProgram(regCommand(), args);
    }
    ASSERT_EQ(run.status, 0) << "reg: " << run.err;
}

void regAdd(const std::string& key, const std::string& name, const std::string& type, const std::string& data)
{
    reg({"add", key, "/v", name, "/t", type, "/d", data, "/f"});
}

} // namespace

TEST(RenderSession, FindsLoadsConnectsAndLogsThroughTheRealRegistry)
{
    const rdtest::RegistrySandbox sandbox{rdtest::RegistrySandbox::Reach::StartedProgramsToo};
    rdtest::ScriptedLive live(sandbox);
    // No announced port: the registered range is scanned.
    live.script.instances = {rdtest::instanceList({{9, 4711, 0}})};
    live.script.processes[4711] = {true, rdtest::kEmptyScene};
    live.script.accept = {"127.0.0.1:5001"};
    live.write();

    // RayDeck 9 for the machine, with a resource folder named beyond the
    // first plane of Unicode;
    // an older RayDeck 8 for the user, whose bin folder has no live library.
    const rdtest::FakeInstall machine = sandbox.makeInstallation("Programme/RayDeck 9");
    const std::string resources = sandbox.dir / "Programme/RayDeck 9/Ressourcen \xC3\xA9\xE6\x97\xA5 \xF0\x9F\x8E\xA5";
    fs::create_directories(platform::pathFromUtf8(resources));
    const rdtest::FakeInstall user = sandbox.makeInstallation("RayDeck 8");
    // A full path with its drive: the started program runs elsewhere.
    const std::string binFolder =
        platform::utf8FromPath(fs::absolute(platform::pathFromUtf8(rdtest::scriptedLiveFolder())));
    sandbox.writeUser(""); // instead of what ScriptedLive registered
    const std::string machineKey = "HKLM\\SOFTWARE\\Veltor\\RayDeck 9";
    regAdd(machineKey, "BinName", "REG_SZ", machine.binName);
    regAdd(machineKey, "ResourceFolder", "REG_SZ", resources);
    regAdd(machineKey, "BinFolder", "REG_SZ", binFolder);
    regAdd(machineKey, "LiveLinkPort", "REG_DWORD", "5000");
    regAdd(machineKey, "LiveLinkMaxPort", "REG_DWORD", "5002");
    const std::string userKey = "HKCU\\SOFTWARE\\Veltor\\RayDeck 8";
    regAdd(userKey, "BinName", "REG_SZ", user.binName);
    regAdd(userKey, "ResourceFolder", "REG_SZ", user.resourceFolder);
    regAdd(userKey, "BinFolder", "REG_SZ", user.binFolder);

    rdtest::TempDir work;
    const rdtest::ProgramRun run = rdtest::runProgram(
        RD_ADDIN_HOST, {"render", platform::utf8FromPath(rdtest::sourcePath("tests/host/designs/01_gearbox.design.json"))},
        platform::utf8FromPath(work.path()));
    EXPECT_EQ(run.status, 0) << run.err;

    const std::vector<std::string> calls = live.calls();
    EXPECT_THAT(calls, Contains("connect(127.0.0.1,5000,1)"));
    EXPECT_THAT(calls, Contains("connect(127.0.0.1,5001,1)"));
    EXPECT_THAT(calls, Not(Contains("connect(127.0.0.1,5002,1)")));
    // The id of the started program, not of this one.
    const std::string attribute = "attribute(process identifier,Fusion 360, 0x";
    const auto found = std::find_if(calls.begin(), calls.end(),
                                    [&](const std::string& call) { return call.rfind(attribute, 0) == 0; });
    ASSERT_NE(found, calls.end());
    EXPECT_TRUE(std::regex_match(found->substr(attribute.size()), std::regex("[0-9a-f]+\\)"))) << *found;
    EXPECT_NE(*found, attribute + [] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%lx)", static_cast<unsigned long>(GetCurrentProcessId()));
        return std::string(hex);
    }());
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "disconnect()");
    EXPECT_EQ(calls.back(), "destroy(1)");

    // The log: one line per step of the loader, each with its time stamp.
    const std::string log = rdtest::readTextFile(resources + "\\sceneapi.log");
    std::istringstream lines(log);
    int stamped = 0;
    for (std::string line; std::getline(lines, line); ++stamped)
        EXPECT_TRUE(std::regex_match(line, std::regex(R"(raydecklive_loader\.cpp:\d+ - \d\d:\d\d:\d\d\.\d\d\d DEBUG4:  .+)")))
            << line;
    EXPECT_GE(stamped, 4);
    EXPECT_THAT(log, HasSubstr(" DEBUG4:  " + binFolder + "\n"));
    EXPECT_FALSE(fs::exists(platform::pathFromUtf8(user.resourceFolder + "\\sceneapi.log")));
}
