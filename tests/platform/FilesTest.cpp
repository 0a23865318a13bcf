// Files written whole or not at all, files read only when they are files, one
// file under two names, and a program's main kept from aborting.
#include <platform/Files.h>
#include <platform/OutputFile.h>
#include <platform/Program.h>

#include <tests/support/Sandbox.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A device that takes whatever is written and has no content to keep.
#ifdef _WIN32
const std::string kDevice = "NUL";
#else
const std::string kDevice = "/dev/null";
#endif

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(rdtest::utf8FromPath(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

void write(platform::OutputFile& file, const std::string& text)
{
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file.stream()), text.size());
}

} // namespace

// Committed, the new bytes take the destination's place with its permissions
// (a link: its target's place); abandoned, the destination is as it was. In
// neither case is anything left beside it.
TEST(OutputFile, TakesTheDestinationsPlaceOnlyWhenCommitted)
{
    const struct {
        const char* name;
        bool exists;
        bool throughLink;
    } cases[] = {
        {"a new name", false, false},
        {"an existing file", true, false},
        {"a link to a file", true, true},
        {"a dangling link", false, true},
    };
    for (const auto& c : cases) {
        for (const bool commit : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (commit ? ", committed" : ", abandoned"));
#ifdef _WIN32
            if (c.throughLink)
                continue; // links need a privilege there
#endif
            rdtest::TempDir dir;
            const std::string target = dir / "scene \xC3\xA9.rdk";
            if (c.exists)
                rdtest::writeFile(target, "old");
            const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
            if (c.exists)
                fs::permissions(rdtest::pathFromUtf8(target), mode);
            std::string name = target;
            if (c.throughLink) {
                name = dir / "link.rdk";
                fs::create_symlink("scene \xC3\xA9.rdk", rdtest::pathFromUtf8(name));
            }

            std::unique_ptr<platform::OutputFile> file = platform::OutputFile::open(name);
            ASSERT_TRUE(file) << std::strerror(errno);
            EXPECT_FALSE(file->partialName().empty());
            write(*file, "new");
            EXPECT_EQ(commit ? file->commit() : file->abandon(), 0);
            EXPECT_EQ(file->stream(), nullptr);

            const bool there = commit || c.exists;
            EXPECT_EQ(fs::exists(rdtest::pathFromUtf8(target)), there);
            if (there) {
                EXPECT_EQ(rdtest::readFile(target), commit ? "new" : "old");
            }
            if (c.throughLink) {
                EXPECT_TRUE(fs::is_symlink(rdtest::pathFromUtf8(name)));
            }
#ifndef _WIN32
            if (c.exists) {
                EXPECT_EQ(fs::status(rdtest::pathFromUtf8(target)).permissions(), mode);
            }
#endif
            std::vector<std::string> expected;
            if (c.throughLink)
                expected.push_back("link.rdk");
            if (there)
                expected.push_back("scene \xC3\xA9.rdk");
            EXPECT_EQ(namesIn(dir.path()), expected);
        }
    }
}

// A device is written in place, and a file that could not be written in
// place is not replaced either.
TEST(OutputFile, WritesADeviceInPlaceAndRefusesAReadOnlyFile)
{
    std::unique_ptr<platform::OutputFile> device = platform::OutputFile::open(kDevice);
    ASSERT_TRUE(device) << std::strerror(errno);
    EXPECT_EQ(device->partialName(), "");
    write(*device, "gone");
    EXPECT_EQ(device->commit(), 0);

    rdtest::TempDir dir;
    const std::string path = dir / "kept.rdk";
    rdtest::writeFile(path, "old");
    fs::permissions(rdtest::pathFromUtf8(path), fs::perms::owner_read);
    if (std::FILE* probe = platform::openFile(path, "r+b")) {
        std::fclose(probe);
        fs::permissions(rdtest::pathFromUtf8(path), fs::perms::owner_all);
        GTEST_SKIP() << "this user may write a read-only file (root; Wine run by root)";
    }
    errno = 0;
    EXPECT_FALSE(platform::OutputFile::open(path));
    EXPECT_EQ(errno, EACCES);
    fs::permissions(rdtest::pathFromUtf8(path), fs::perms::owner_all);
    EXPECT_EQ(rdtest::readFile(path), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"kept.rdk"});
}

// Reading a directory or a device as a file would never end or means
// nothing; and one file may have two names.
TEST(Files, OnlyRegularFilesAreReadAndOneFileIsKnownByEachName)
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

    rdtest::writeFile(dir / "b.rdk", "bytes");
    EXPECT_TRUE(platform::sameFile(file, rdtest::utf8FromPath(dir.path() / "." / "a.rdk")));
    EXPECT_FALSE(platform::sameFile(file, dir / "b.rdk"));
    EXPECT_FALSE(platform::sameFile(file, dir / "missing.rdk"));
#ifndef _WIN32
    fs::create_symlink("a.rdk", dir.path() / "link.rdk");
    EXPECT_TRUE(platform::sameFile(dir / "link.rdk", file));
#endif
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
