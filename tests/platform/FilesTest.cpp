#include "Sandbox.h"

#include <Files.h>

#include <gtest/gtest.h>

TEST(Files, TestsTellFilesFromFoldersAndSizeSparseFiles)
{
    rdtest::TempDir dir;
    const std::string file = dir / "file";
    rdtest::writeFile(file, "abc");
    std::filesystem::resize_file(file, 20971520);

    EXPECT_TRUE(platform::isReadableFile(file));
    EXPECT_FALSE(platform::isReadableFile(dir.path().string())); // opens for reading on POSIX, still no file
    EXPECT_FALSE(platform::isReadableFile(dir / "missing"));
    EXPECT_FALSE(platform::isReadableFile(""));

    EXPECT_TRUE(platform::isDirectory(dir.path().string()));
    EXPECT_FALSE(platform::isDirectory(file));
    EXPECT_FALSE(platform::isDirectory(dir / "missing"));

    EXPECT_EQ(platform::fileSize(file), 20971520u);
    EXPECT_EQ(platform::fileSize(dir / "missing"), std::nullopt);
    EXPECT_EQ(platform::fileSize(dir.path().string()), std::nullopt);

    // The separator is added even after one: both systems accept the double.
    EXPECT_EQ(platform::joinPath("/a/b/", "c.log"), "/a/b//c.log");
    EXPECT_EQ(platform::joinPath(".", "lib"), "./lib");
}
