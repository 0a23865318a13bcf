// The installed tree: the add-in folder as the host loads it, and beside it
// one bin folder with every program a user runs, stripped: the host
// program, which finds the add-in on its own, rdk, and the stand-in
// renderer with its live library. The tree is laid out by the set-up test
// addin_install_tree.

#include "AddinTestSupport.h"

#include <tests/support/RunProgram.h>
#include <tests/support/Sandbox.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

using namespace addintest;

TEST(Install, LaysOutTheAddinFolderAndAHostProgramThatFindsIt)
{
    const fs::path prefix = RD_INSTALL_PREFIX;
    const fs::path addin = prefix / "RayDeck8Addin";
    EXPECT_TRUE(fs::is_regular_file(addin / ADDIN_MODULE_NAME));

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

    rdtest::TempDir dir;
    const std::string scene = dir / "scene.rdk";
    const rdtest::ProgramRun run =
        rdtest::runProgram((prefix / "bin" / ADDIN_HOST_NAME).string(), {"export", exampleDesign().string(), scene});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(rdtest::readFile(scene).rfind("//---veltor:dal:7---\n", 0), 0u);
}

TEST(Install, PutsEveryProgramAUserRunsStrippedIntoOneBinFolder)
{
    const fs::path bin = fs::path(RD_INSTALL_PREFIX) / "bin";
    std::string names = USER_PROGRAM_NAMES;
    std::vector<std::string> programs;
    for (std::size_t start = 0, comma = 0; comma != std::string::npos; start = comma + 1) {
        comma = names.find(',', start);
        programs.push_back(names.substr(start, comma - start));
    }
    EXPECT_GE(programs.size(), 2u);
    for (const std::string& name : programs) {
        SCOPED_TRACE(name);
        const fs::path program = bin / name;
        // Debug sections (ELF and PE alike) name themselves in the file.
        const std::string bytes = rdtest::readFile(program.string());
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes.find(".debug_info"), std::string::npos) << "not stripped";
        const rdtest::ProgramRun run = rdtest::runProgram(program.string(), {"--version"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.rfind(fs::path(name).stem().string() + " 8.0 (built ", 0), 0u) << run.out;
    }
    // The stand-in installation's bin folder: the loader finds the live
    // library beside raydeck-standin.
    EXPECT_TRUE(fs::is_regular_file(bin / LIVE_LIBRARY_NAME));
}
