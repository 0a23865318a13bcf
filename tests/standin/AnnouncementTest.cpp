// How stand-ins find each other: announcements, the folder they live in,
// and the control requests that their tokens guard.

#include <platform/PrivateFolder.h>
#include <standin/Announcement.h>
#include <standin/Protocol.h>
#include <tests/support/Sandbox.h>

#include <gtest/gtest.h>

#include <filesystem>

using namespace standin::raydeck;
namespace fs = std::filesystem;

namespace {

Announcement sample(std::uint64_t pid, std::uint64_t started = 1000)
{
    return {pid, 9, 5000, "0123456789abcdef0123456789abcdef", started};
}

} // namespace

TEST(Announcement, ReadsBackWhatItWritesAndNothingThatDiffers)
{
    const Announcement a = sample(4711);
    const std::string text = formatAnnouncement(a);
    EXPECT_EQ(parseAnnouncement(text), a);

    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string changed = text;
        changed.replace(changed.find(from), from.size(), to);
        return changed;
    };
    const std::string rejected[] = {
        "",
        replaced("raydeck-standin 1", "raydeck-standin 2"),
        replaced("port 5000", "port 0"),
        replaced("port 5000", "port 65536"),
        replaced("port 5000", "port 5000x"),
        replaced("version 9", "version -9"),
        replaced("pid 4711", "pid 0"),
        replaced("0123456789abcdef0123456789abcdef", "0123456789ABCDEF0123456789ABCDEF"),
        replaced("0123456789abcdef0123456789abcdef", "0123"),
        replaced("port 5000\n", ""),                       // a field missing
        replaced("port 5000\n", "port 5000\nport 5001\n"), // a field twice
        text + "extra 1\n",
        text.substr(0, text.size() - 1), // the last line without its line feed
    };
    for (const std::string& bad : rejected)
        EXPECT_FALSE(parseAnnouncement(bad)) << bad;
}

#ifndef _WIN32
TEST(Announcement, TheFolderIsPrivateOrRefused)
{
    rdtest::TempDir runtime;
    rdtest::ScopedEnv variable("XDG_RUNTIME_DIR", runtime.path().string());
    std::string why;
    const std::string folder = announcementFolder(&why);
    ASSERT_EQ(folder, (runtime.path() / "veltor-raydeck").string()) << why;
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    ASSERT_TRUE(writeAnnouncement(folder, sample(4711)));
    EXPECT_EQ(fs::status(announcementPath(folder, 4711)).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(folder, fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
                                | fs::perms::others_exec,
                    fs::perm_options::add);
    EXPECT_EQ(announcementFolder(&why), "");
    EXPECT_NE(why.find("open to other users"), std::string::npos) << why;

    fs::remove_all(folder);
    fs::create_directory_symlink(runtime.path(), folder);
    EXPECT_EQ(announcementFolder(&why), "");
    EXPECT_NE(why.find("not a directory"), std::string::npos) << why;
}
#endif

TEST(Protocol, RequestsReadBackAndAnythingElseIsNone)
{
    const ControlRequest dump{"0123456789abcdef0123456789abcdef", "dump", "/tmp/my scenes/a b.rdk"};
    const std::string sent = formatRequest(dump);
    ASSERT_EQ(sent.front(), '\0');
    ASSERT_EQ(sent.back(), '\n');
    EXPECT_EQ(parseRequest(std::string_view(sent).substr(1, sent.size() - 2)), dump);
    const ControlRequest quit{"t", "quit", ""};
    EXPECT_EQ(parseRequest("raydeck-standin t quit"), quit);

    for (const std::string_view bad : {"", "raydeck-standin", "raydeck-standin token", "raydeck token quit",
                                       "raydeck-standin  quit", "raydeck-standin t quit\nquit"})
        EXPECT_FALSE(parseRequest(bad)) << bad;
    EXPECT_FALSE(parseRequest(std::string_view("raydeck-standin t du\0mp", 23)));
}
