// The file factory: the file's header, names, replacement, line ends,
// standard output for "-", closing once, a disk that runs full, and exports
// that fail or die half way. A file that cannot be opened is the host
// program's test, which sees the whole message.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <stdexcept>
#include <vector>

#include <sceneapi/LightFileFactory.h>
#include <sceneapi/velSceneapi_oo.h>

#include <tests/support/RunProgram.h>
#include <tests/support/Sandbox.h>

using namespace vel;
namespace fs = std::filesystem;

namespace {

std::string expectedStart()
{
    return "//---veltor:dal:7---\n//---import:dal:1---\n//---id:1---\n// This is a RayDeck scene file\n\n"
           "#print \"" + wrapperBanner() + "\"\nversion 9\n\n";
}

// What `run` writes to standard error.
template <typename Run>
std::string stderrOf(Run run)
{
    std::fflush(stderr);
    testing::internal::CaptureStderr();
    run();
    std::fflush(stderr);
    return testing::internal::GetCapturedStderr();
}

// A binary list of floats larger than every buffer on the way, and a text
// list large enough for threads to format it.
void writeLargeScene(velSceneapi_oo& w)
{
    std::vector<float> floats(200000, 1.0f);
    w.beginGroup("g");
    w.setFloatArray("values", floats);
    w.api()->setModeFlags(1);
    w.setFloatArray("text", floats);
    w.endGroup();
}

class FileFactory : public ::testing::Test {
protected:
    rdtest::TempDir temp;
    fs::path dir = temp.path();
};

} // namespace

// Over an existing, longer file with a name beyond ASCII: nothing of it may
// remain. A second close, and the destructor after it, have nothing left to
// do.
TEST_F(FileFactory, WritesTheHeaderWithLineFeedsOnlyOverAnExistingFileAndClosesOnce)
{
    const std::string name = "Sc\xC3\xA8ne \xE2\x9C\x93 \xE6\x97\xA5\xE6\x9C\xAC.rdk"; // "Scène ✓ 日本.rdk"
    const fs::path path = dir / fs::path(std::u8string(name.begin(), name.end()));
    std::ofstream(path) << std::string(100000, 'x');
    const std::string expected = expectedStart() + "\ngroup \"g\" {\n}\n";
    const std::string err = stderrOf([&] {
        LightFileFactory factory(rdtest::utf8FromPath(dir) + "/" + name);
        ASSERT_NE(factory.sceneApi(), nullptr);
        {
            velSceneapi_oo w(&factory);
            w.api()->setModeFlags(vel::kExportModeFlags);
            w.beginGroup("g");
            w.endGroup();
        }
        factory.close();
        EXPECT_EQ(factory.sceneApi(), nullptr);
        EXPECT_EQ(rdtest::readFile(rdtest::utf8FromPath(path)), expected); // complete before destruction
        factory.close();
    });
    EXPECT_EQ(err, "");
    EXPECT_EQ(rdtest::readFile(rdtest::utf8FromPath(path)), expected);
}

// However an export ends before its close succeeds, the file exported last
// time stays as it was, and nothing is left but, after a kill, the partial
// file whose name says what it is.
TEST_F(FileFactory, AnExportThatFailsOrDiesLeavesThePreviousFile)
{
    const std::string previous = expectedStart() + "\ngroup \"last time\" {\n}\n";
    const std::string where = "in group \"Root\" > object \"Body\" > group \"" + std::string(40, 'x') + "...\"";
    const struct {
        const char* how;
        bool limit; // a file size limit applies
        int status; // -1: killed, whatever the system reports then
        std::string err;
        bool partialLeft;
    } cases[] = {
        {"long", false, 3,
         "closing file: a line longer than the scene file format allows (1048574 characters), " + where + "\n", false},
        {"limit", true, 3, "closing file: File too large\n", false},
        {"die", false, -1, "", true},
        {"limit-kills", true, -1, "", true},
    };
#ifdef _WIN32
    // A Windows program cannot set a size limit: the Wine test of its own
    // runs with one from outside, and SIGXFSZ ignored.
    const bool limited = std::getenv("RD_FILE_SIZE_LIMITED") != nullptr;
#endif
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
#ifdef _WIN32
        if (c.limit != limited || std::string(c.how) == "limit-kills")
            continue;
#endif
        rdtest::TempDir folder;
        const std::string path = folder / "scene.rdk";
        rdtest::writeFile(path, previous);
        const rdtest::ProgramRun run = rdtest::runProgram(RD_SCENE_WRITER, {c.how, path});
        if (c.status == -1) {
            EXPECT_TRUE(run.status != 0 && run.status != 3) << run.status;
        } else {
            EXPECT_EQ(run.status, c.status) << run.err;
        }
#ifdef _WIN32
        // Wine reports a write past the limit as an error of its own choice.
        EXPECT_EQ(c.limit ? run.err.substr(0, 14) : run.err, c.limit ? "closing file: " : c.err);
#else
        EXPECT_EQ(run.err, c.err);
#endif
        EXPECT_TRUE(rdtest::readFile(path) == previous) << "the previous file changed";
        std::set<std::string> left;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            left.insert(rdtest::utf8FromPath(entry.path().filename()));
        EXPECT_EQ(left.erase("scene.rdk"), 1u);
        EXPECT_EQ(left.size(), c.partialLeft ? 1u : 0u);
        for (const std::string& name : left)
            EXPECT_TRUE(std::regex_match(name, std::regex(R"(scene\.rdk\.[a-z0-9]{6}\.partial)"))) << name;
    }
}

// A full disk: whether the failure comes only when the stream is flushed at
// the close or while writing, the export must not end as a success, and the
// failure is told once. (A scene larger than the buffers, through the host
// program: HostProgramTest.cpp.)
TEST_F(FileFactory, AFullDiskFailsTheClose)
{
    // Under Wine the Linux device is there although std::filesystem does not
    // see it: ask by opening it.
    std::FILE* probe = std::fopen("/dev/full", "wb");
    if (probe == nullptr)
        GTEST_SKIP() << "/dev/full is not available";
    std::fclose(probe);
    EXPECT_EQ(stderrOf([] {
                  LightFileFactory factory("/dev/full");
                  { velSceneapi_oo w(&factory); } // the header only
                  try {
                      factory.close();
                      ADD_FAILURE() << "close reported success";
                  } catch (const std::runtime_error& e) {
                      EXPECT_STREQ(e.what(), "could not close file");
                  }
                  EXPECT_EQ(factory.sceneApi(), nullptr);
              }),
              "closing file: No space left on device\n");
    // Without close the destructor reports it, and cannot throw.
    EXPECT_EQ(stderrOf([] {
                  LightFileFactory factory("/dev/full");
                  velSceneapi_oo w(&factory);
                  writeLargeScene(w);
              }),
              "closing file: No space left on device\n");
}

// "-" sends the scene to standard output; everything else the process prints
// there from then on goes to standard error. Run in a program of its own,
// whose standard output can be given away.
TEST(FileFactoryStandardOutput, DashSendsTheSceneToStandardOutput)
{
    const rdtest::ProgramRun run = rdtest::runProgram(RD_SCENE_WRITER, {});
    EXPECT_EQ(run.status, 0) << run.err;
    // No "\r" in the scene, also on Windows, where the descriptor is switched
    // to binary mode.
    EXPECT_EQ(run.out, expectedStart() + "\ngroup \"g\" {\n}\n");
    EXPECT_EQ(run.err, "stray\nafter\n");
}
