#include "ScriptedLive.h"

#include <livelink/LiveLibrary.h>
#include <sceneapi/dev/raydecklive_loader.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#ifdef _WIN32
#include <platform/Utf16.h>
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using rdtest::RegistrySandbox;
using namespace vel::live;

namespace {

// The scripted library, under the 64-bit name, records what is done to it.
const std::string kOnly64 = rdtest::scriptedLiveFolder();
const std::string kOld = RD_LIVE_OLD_DIR;
const std::string kNoEntry = RD_LIVE_NO_ENTRY_DIR;

// Whether the process has the library at path loaded, without loading it.
bool isLoaded(const std::string& path)
{
#ifdef _WIN32
    const std::u16string name = platform::utf8ToUtf16(path);
    return GetModuleHandleW(std::wstring(name.begin(), name.end()).c_str()) != nullptr;
#else
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        ::dlclose(handle);
    return handle != nullptr;
#endif
}

// Runs in another current directory for its lifetime.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& path) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~ScopedCurrentDirectory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

class Loader : public testing::Test {
protected:
    // Registers an installation whose bin folder is binFolder; its resource
    // folder holds the log.
    void install(int version, const std::string& binFolder)
    {
        live.raydeck.binFolder = binFolder;
        live.install(version);
    }

    std::string log() const { return rdtest::readTextFile(live.raydeck.resourceFolder + "/sceneapi.log"); }
    long recorded(const std::string& call) const
    {
        const std::vector<std::string> calls = live.calls();
        return std::count(calls.begin(), calls.end(), call);
    }

    RegistrySandbox sandbox;
    rdtest::ScriptedLive live{sandbox}; // unloads the library when it goes
};

} // namespace

// First, while the scripted library has not been loaded by any test.
TEST_F(Loader, WithoutAnInstallationNoFileIsTriedAndBothGetsAreEmpty)
{
    // A loadable library in the current folder would be the third candidate.
    sandbox.writeUser("");
    const ScopedCurrentDirectory inLibraryFolder(kOnly64);
    EXPECT_EQ(getQueryApi(8, 9), nullptr);
    EXPECT_EQ(getSceneApi(8, 9), nullptr);
    EXPECT_FALSE(isLoaded(kOnly64 + "/velraydecklive6_64.so"));
    EXPECT_FALSE(std::filesystem::exists(live.raydeck.resourceFolder + "/sceneapi.log"));
}

TEST_F(Loader, Version9LoadsThe64BitFileOnceForEveryRangeUntilUnloadedAndLogsEachStep)
{
    live.script.instances = {"<instances/>"};
    live.script.processes[0x123456789] = {true, "<scene/>"};
    live.write();

    QueryApi* query = getQueryApi(8, 9);
    ASSERT_NE(query, nullptr);
    EXPECT_STREQ(query->listInstances(), "<instances/>");
    EXPECT_TRUE(query->attach(0x123456789)); // all 64 bits arrive
    EXPECT_STREQ(query->describeScene(), "<scene/>");
    query->detach();
    EXPECT_EQ(query->describeScene(), nullptr);
    const std::string text = log();
    const std::string steps[] = {" DEBUG4:  vel_get_query_api -> raydeck_live_loader: ", " DEBUG4:  " + kOnly64 + "\n",
                                 " DEBUG4:  initialize shared handle: 0x", " DEBUG4:  Raydeck live: 0x"};
    for (const std::string& expected : steps)
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\nin:\n" << text;
    EXPECT_EQ(text.find("WARNING"), std::string::npos);

    // Loaded, it serves any range without looking for an installation.
    sandbox.writeUser("");
    EXPECT_EQ(getQueryApi(50, 60), query);
    EXPECT_NE(getSceneApi(1, 2), nullptr);
    EXPECT_EQ(recorded("initialize()"), 1);

    unloadLiveLibrary();
    EXPECT_EQ(live.calls().back(), "destroy(1)");
    unloadLiveLibrary(); // nothing left to destroy
    EXPECT_EQ(recorded("destroy(1)"), 1);
    EXPECT_EQ(getSceneApi(8, 9), nullptr);
    install(9, kOnly64);
    EXPECT_NE(getSceneApi(8, 9), nullptr);
    EXPECT_EQ(recorded("initialize()"), 2);
    // Loaded by version, not by chance: out of range, nothing is found.
    unloadLiveLibrary();
    EXPECT_EQ(getSceneApi(10, 20), nullptr);
}

TEST_F(Loader, TheBinFolderComesBeforeTheCurrentFolderAndOldVersionsUseTheOldName)
{
    // Without its entry point a library is released, and tried again next time.
    install(9, kNoEntry);
    EXPECT_EQ(getQueryApi(8, 9), nullptr);
    EXPECT_FALSE(isLoaded(kNoEntry + "/velraydecklive6_32.so"));
    EXPECT_NE(log().find("DEBUG4:  initialize shared handle: 0x"), std::string::npos);

    const std::string empty = sandbox.dir / "empty";
    std::filesystem::create_directory(empty);
    install(9, empty);
    EXPECT_EQ(getSceneApi(8, 9), nullptr);
    EXPECT_NE(log().find(" WARNING:  NO shared handle\n"), std::string::npos);
    {
        const ScopedCurrentDirectory inLibraryFolder(kOnly64);
        EXPECT_NE(getSceneApi(8, 9), nullptr);
    }
    unloadLiveLibrary();

    install(5, kOld);
    EXPECT_NE(getSceneApi(5, 5), nullptr);
    EXPECT_TRUE(isLoaded(kOld + "/velraydecklive32.so"));
}
