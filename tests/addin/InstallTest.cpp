// The installed tree: the add-in folder as the host loads it, and the host
// program beside it, which finds the add-in on its own.

#include "AddinTestSupport.h"

#include <Sandbox.h>

#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>

using namespace addintest;

namespace {

int shell(const std::string& command)
{
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

TEST(Install, LaysOutTheAddinFolderAndAHostProgramThatFindsIt)
{
    rdtest::TempDir prefix;
    const std::string log = prefix / "install.log";
    ASSERT_EQ(shell(std::string(RD_CMAKE_COMMAND) + " --install '" RD_BUILD_DIR "' --prefix '" + prefix.path().string() +
                    "' >'" + log + "' 2>&1"),
              0)
        << rdtest::readFile(log);

    const fs::path addin = prefix.path() / "RayDeck8Addin";
    EXPECT_TRUE(fs::is_regular_file(addin / "RayDeck8Addin.so"));

    const nlohmann::json manifest = nlohmann::json::parse(rdtest::readFile((addin / "RayDeck8Addin.manifest").string()));
    EXPECT_EQ(manifest.at("type"), "addin");
    EXPECT_EQ(manifest.at("autodeskProduct"), "Fusion360");
    EXPECT_FALSE(manifest.at("id").get<std::string>().empty());
    EXPECT_EQ(manifest.at("supportedOS"), "windows");

    // The icon sizes the host asks for.
    for (const char* command : {"render_command", "export_command"})
        for (const char* size : {"16x16", "32x32", "64x64"})
            for (const char* density : {"", "@2x"}) {
                const fs::path icon = addin / "resources" / command / (std::string(size) + density + ".png");
                EXPECT_EQ(rdtest::readFile(icon.string()).substr(1, 3), "PNG") << icon;
            }

    const std::string scene = prefix / "scene.rdk";
    ASSERT_EQ(shell("'" + (prefix / "bin/addin-host") + "' export '" + exampleDesign().string() + "' '" + scene +
                    "' 2>'" + log + "'"),
              0)
        << rdtest::readFile(log);
    EXPECT_EQ(rdtest::readFile(scene).rfind("//---veltor:dal:7---\n", 0), 0u);
}
