// The file factory: the file's header, names, truncation, line ends, standard
// output for "-", closing once, and the failures it reports (a file that
// cannot be opened, a disk that runs full).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "LightFileFactory.h"
#include "velSceneapi_oo.h"

using namespace vel;
namespace fs = std::filesystem;

namespace {

std::string expectedStart()
{
    return "//---veltor:dal:7---\n//---import:dal:1---\n//---id:1---\n// This is a RayDeck scene file\n\n"
           "#print \"" + wrapperBanner() + "\"\nversion 9\n\n";
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Collects what is written to the standard error descriptor meanwhile.
class StderrCapture {
public:
    StderrCapture() : file_(std::tmpfile()), saved_(::dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        ::dup2(::fileno(file_), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    std::string text()
    {
        restore();
        std::rewind(file_);
        return readAll(::fileno(file_));
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    std::FILE* file_;
    int saved_;
};

// A list of floats larger than every buffer on the way.
void writeLargeScene(velSceneapi_oo& w)
{
    std::vector<float> floats(200000, 1.0f);
    w.beginGroup("g");
    w.setFloatArray("values", floats);
    w.endGroup();
}

class FileFactory : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() /
                   ("rd-factory-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
};

} // namespace

TEST_F(FileFactory, WritesTheHeaderWithLineFeedsOnly)
{
    const fs::path path = dir / "scene.rdk";
    LightFileFactory factory(path.string());
    ASSERT_NE(factory.sceneApi(), nullptr);
    {
        velSceneapi_oo w(&factory);
        w.api()->setModeFlags(1);
        w.beginGroup("g");
        w.endGroup();
    }
    factory.close();
    EXPECT_EQ(factory.sceneApi(), nullptr);
    const std::string text = readFile(path);
    EXPECT_EQ(text, expectedStart() + "\ngroup \"g\" {\n}\n");
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(FileFactory, TruncatesAnExistingFile)
{
    const fs::path path = dir / "old.rdk";
    std::ofstream(path) << std::string(100000, 'x');
    {
        LightFileFactory factory(path.string());
        velSceneapi_oo w(&factory);
    }
    EXPECT_EQ(readFile(path), expectedStart());
}

TEST_F(FileFactory, OpensNamesWithNonAsciiCharacters)
{
    const std::string name = "Sc\xC3\xA8ne \xE2\x9C\x93 \xE6\x97\xA5\xE6\x9C\xAC.rdk"; // "Scène ✓ 日本.rdk"
    const fs::path path = dir / fs::path(std::u8string(name.begin(), name.end()));
    {
        LightFileFactory factory((dir.string() + "/" + name));
        velSceneapi_oo w(&factory);
    }
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(readFile(path), expectedStart());
}

TEST_F(FileFactory, AFileThatCannotBeOpenedIsReportedWithItsName)
{
    const std::string path = (dir / "missing" / "scene.rdk").string();
    StderrCapture err;
    try {
        LightFileFactory factory(path);
        FAIL() << "opened";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "could not open file: \"" + path + "\"");
    }
    EXPECT_EQ(err.text(), "opening file: No such file or directory\n");
}

TEST_F(FileFactory, CloseThenDestructionClosesOnce)
{
    const fs::path path = dir / "scene.rdk";
    StderrCapture err;
    {
        LightFileFactory factory(path.string());
        {
            velSceneapi_oo w(&factory);
        }
        factory.close();
        EXPECT_EQ(readFile(path), expectedStart()); // complete before destruction
        factory.close();                           // nothing left to close
    }
    EXPECT_EQ(err.text(), "");
    EXPECT_EQ(readFile(path), expectedStart());
}

// A full disk: whether the failure comes while writing or only when the
// stream is flushed at the close, the export must not end as a success.
TEST_F(FileFactory, AFullDiskFailsTheClose)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "/dev/full is not available";
    for (const bool large : {false, true}) {
        SCOPED_TRACE(large ? "large scene" : "header only");
        StderrCapture err;
        LightFileFactory factory("/dev/full");
        {
            velSceneapi_oo w(&factory);
            if (large)
                writeLargeScene(w);
        }
        try {
            factory.close();
            ADD_FAILURE() << "close reported success";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "could not close file");
        }
        EXPECT_EQ(factory.sceneApi(), nullptr);
        EXPECT_EQ(err.text(), "closing file: No space left on device\n");
    }

    // Without close the destructor reports it, and cannot throw.
    StderrCapture err;
    {
        LightFileFactory factory("/dev/full");
        velSceneapi_oo w(&factory);
        writeLargeScene(w);
    }
    EXPECT_EQ(err.text(), "closing file: No space left on device\n");
}

// "-" sends the scene to standard output; everything else the process prints
// there from then on goes to standard error. Run in a child process, whose
// descriptors can be given away.
TEST(FileFactoryStandardOutput, DashSendsTheSceneToStandardOutput)
{
    int out[2], err[2];
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::pipe(err), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        for (const int fd : {out[0], out[1], err[0], err[1]})
            ::close(fd);
        int status = 0;
        try {
            LightFileFactory factory("-");
            {
                velSceneapi_oo w(&factory);
                std::printf("stray\n");
                std::fflush(stdout);
                w.api()->setModeFlags(1);
                w.beginGroup("g");
                w.endGroup();
            }
            factory.close();
            std::printf("after\n");
            std::fflush(stdout);
        } catch (...) {
            status = 3;
        }
        ::_exit(status);
    }
    ::close(out[1]);
    ::close(err[1]);
    const std::string scene = readAll(out[0]);
    const std::string other = readAll(err[0]);
    ::close(out[0]);
    ::close(err[0]);
    int status = -1;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(scene, expectedStart() + "\ngroup \"g\" {\n}\n");
    EXPECT_EQ(other, "stray\nafter\n");
}
