// Names beyond the ANSI code page on the Windows side: files opened through
// the wide-character calls, and the live library loaded from a bin folder
// with such a name (the log in a resource folder with one: the render
// session). Every name here would be mangled by the narrow (ANSI) calls.

#include <livelink/LiveLibrary.h>
#include <log/LogTesting.h>
#include <platform/Files.h>
#include <sceneapi/dev/raydecklive_loader.h>
#include <tests/support/Sandbox.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using platform::RegistryRoot;

namespace {

// "Résumé 日本 🎥": Latin-1, CJK, and a character outside the first plane.
const std::string kName = "R\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xA5";

bool existsUtf8(const std::string& path)
{
    return fs::exists(platform::pathFromUtf8(path));
}

} // namespace

TEST(WidePaths, FilesAreCreatedTestedAndMeasuredByTheirFullNames)
{
    rdtest::TempDir dir;
    const std::string folder = dir / kName;
    fs::create_directory(platform::pathFromUtf8(folder));
    const std::string file = dir / (kName + "/" + kName + ".rdk");

    std::FILE* stream = platform::openFile(file, "wb");
    ASSERT_NE(stream, nullptr);
    std::fputs("12345", stream);
    std::fclose(stream);

    EXPECT_TRUE(existsUtf8(file));
    EXPECT_TRUE(platform::isReadableFile(file));
    EXPECT_FALSE(platform::isReadableFile(folder));
    EXPECT_TRUE(platform::isDirectory(folder));
    EXPECT_FALSE(platform::isDirectory(file));
    EXPECT_EQ(platform::fileSize(file), 5u);
    EXPECT_EQ(platform::fileSize(dir / "absent"), std::nullopt);

    // A malformed byte becomes U+FFFD in the name; it never cuts the name
    // short into another one.
    std::FILE* odd = platform::openFile(platform::utf8FromPath(dir.path()) + "\\bad\xFFname.txt", "wb");
    ASSERT_NE(odd, nullptr);
    std::fclose(odd);
    EXPECT_TRUE(existsUtf8(dir / "bad\xEF\xBF\xBDname.txt"));
}

TEST(WidePaths, TheLiveLibraryLoadsFromABinFolderWithSuchAName)
{
    vel::resetLogForTesting();
    {
        const rdtest::RegistrySandbox sandbox;
        rdtest::FakeInstall raydeck = sandbox.makeInstallation(kName);
        fs::copy_file(RD_LIVE_LIBRARY, platform::pathFromUtf8(raydeck.binFolder + "\\velraydecklive6_64.so"));
        sandbox.writeUser(rdtest::regInstallation(RegistryRoot::CurrentUser, 9, raydeck));

        EXPECT_NE(vel::live::getSceneApi(8, 9), nullptr);
        const std::string text = rdtest::readTextFile(raydeck.resourceFolder + "\\sceneapi.log");
        EXPECT_NE(text.find(" DEBUG4:  " + raydeck.binFolder + "\n"), std::string::npos) << text;
        vel::live::unloadLiveLibrary(); // releases the file before the folder goes
        vel::resetLogForTesting();
    }
}
