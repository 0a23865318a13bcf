// The installed tree: the add-in folder as the host loads it, and the host
// program beside it, which finds the add-in on its own.

#include "AddinTestSupport.h"

#include <Sandbox.h>

#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>

using namespace addintest;

namespace {

int shell(const std::string& command)
{
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Width and height from a PNG file's header chunk; zero when it is no PNG.
std::pair<std::uint32_t, std::uint32_t> pngSize(const fs::path& file)
{
    const std::string bytes = rdtest::readFile(file.string());
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto be32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    return {be32(16), be32(20)};
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

    for (const char* command : {"render_command", "export_command"})
        for (const std::uint32_t size : {16u, 32u, 64u}) {
            const std::string base = std::to_string(size) + "x" + std::to_string(size);
            const fs::path folder = addin / "resources" / command;
            EXPECT_EQ(pngSize(folder / (base + ".png")), std::make_pair(size, size)) << folder << " " << base;
            EXPECT_EQ(pngSize(folder / (base + "@2x.png")), std::make_pair(2 * size, 2 * size)) << folder << " " << base;
        }

    const std::string scene = prefix / "scene.rdk";
    ASSERT_EQ(shell("'" + (prefix / "bin/addin-host") + "' export '" + exampleDesign().string() + "' '" + scene +
                    "' 2>'" + log + "'"),
              0)
        << rdtest::readFile(log);
    EXPECT_EQ(rdtest::readFile(scene).rfind("//---veltor:dal:7---\n", 0), 0u);
}
