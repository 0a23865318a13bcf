// Files read only when they are files, and a program's main kept from
// aborting.
#include <platform/Files.h>
#include <platform/Program.h>

#include <tests/support/Sandbox.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

// Reading a directory or a device as a file would never end or means
// nothing.
TEST(Files, OnlyRegularFilesAreRead)
{
    rdtest::TempDir dir;
    const std::string file = dir / "a.rdk";
    rdtest::writeFile(file, "bytes");
    const struct {
        std::string path;
        std::string whyNot; // empty: it opens
        int error;
    } cases[] = {
        {file, "", 0},
        {rdtest::utf8FromPath(dir.path()), "Is a directory", EISDIR},
#ifdef _WIN32
        {"NUL", "not a regular file", EINVAL},
#else
        {"/dev/zero", "not a regular file", EINVAL},
#endif
        {dir / "missing.rdk", std::strerror(ENOENT), ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string whyNot;
        errno = 0;
        std::FILE* stream = platform::openRegularFile(c.path, whyNot);
        EXPECT_EQ(whyNot, c.whyNot);
        if (stream != nullptr) {
            std::string bytes;
            EXPECT_TRUE(platform::readToEnd(stream, bytes, whyNot));
            EXPECT_EQ(bytes, "bytes");
            std::fclose(stream);
        } else {
            EXPECT_EQ(errno, c.error);
        }
    }
}

namespace {

int returnsSeven(int, char**)
{
    return 7;
}
int runsOutOfMemory(int, char**)
{
    throw std::bad_alloc();
}
int fails(int, char**)
{
    throw std::runtime_error("bad thing");
}
int throwsSomethingElse(int, char**)
{
    throw 42;
}

} // namespace

TEST(GuardedMain, AnExceptionBecomesOneLineAndTheFailureStatus)
{
    const struct {
        int (*body)(int, char**);
        int status;
        std::string err;
    } cases[] = {
        {returnsSeven, 7, ""},
        {runsOutOfMemory, 1, "tool: out of memory\n"},
        {fails, 1, "tool: bad thing\n"},
        {throwsSomethingElse, 1, "tool: an unexpected failure\n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(platform::guardedMain("tool", 1, c.body, 0, nullptr), c.status);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err);
    }
}
