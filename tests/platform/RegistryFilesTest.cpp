// The POSIX registry: the two roots read from .reg files.
#include <tests/support/Sandbox.h>

#include <platform/Services.h>

#include <gtest/gtest.h>

#include <filesystem>

using platform::RegistryRoot;
using rdtest::RegistrySandbox;

namespace {

platform::Registry& registry()
{
    return *platform::services().registry;
}

} // namespace

TEST(RegistryFiles, EachRootComesFromItsOwnFileAndAMissingFileIsEmpty)
{
    RegistrySandbox sandbox;
    testing::internal::CaptureStderr();
    EXPECT_EQ(registry().open(RegistryRoot::CurrentUser, "SOFTWARE"), nullptr);

    sandbox.writeUser(rdtest::regKey(RegistryRoot::CurrentUser, "")
                      + rdtest::regString("Who", "user"));
    sandbox.writeMachine(rdtest::regKey(RegistryRoot::LocalMachine, "")
                         + rdtest::regString("Who", "machine"));
    const auto user = registry().open(RegistryRoot::CurrentUser, "SOFTWARE\\Veltor\\");
    const auto machine = registry().open(RegistryRoot::LocalMachine, "software\\veltor");
    ASSERT_TRUE(user && machine);
    EXPECT_EQ(user->queryString("Who", 520), "user");
    EXPECT_EQ(machine->queryString("WHO", 520), "machine");

    // Edits take effect at the next open, as in the registry; a key already
    // open keeps what it read.
    sandbox.writeUser(rdtest::regKey(RegistryRoot::CurrentUser, "")
                      + rdtest::regString("Who", "edited"));
    EXPECT_EQ(registry().open(RegistryRoot::CurrentUser, "SOFTWARE\\Veltor")->queryString("Who", 520), "edited");
    EXPECT_EQ(user->queryString("Who", 520), "user");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(RegistryFiles, StringsMustFitTheBufferAsUtf16AndTypesMustMatch)
{
    RegistrySandbox sandbox;
    const std::string chars259(259, 'x');
    const std::string emoji = "\xF0\x9F\x98\x80"; // one code point, two UTF-16 units
    sandbox.writeUser(rdtest::regKey(RegistryRoot::CurrentUser, "")
                      + rdtest::regString("Fits", chars259)
                      + rdtest::regString("TooLong", chars259 + "x")
                      + rdtest::regString("Wide", std::string(258, 'x') + emoji)
                      + rdtest::regString("Empty", "") + rdtest::regDword("Number", 5000));
    const auto key = registry().open(RegistryRoot::CurrentUser, "SOFTWARE\\Veltor");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->queryString("Fits", 520), chars259);    // 259 + terminator = 520 bytes
    EXPECT_EQ(key->queryString("TooLong", 520), std::nullopt);
    EXPECT_EQ(key->queryString("TooLong", 522), chars259 + "x");
    EXPECT_EQ(key->queryString("Wide", 520), std::nullopt); // 258 + 2 units + terminator: 522 bytes
    EXPECT_EQ(key->queryString("Empty", 2), "");
    EXPECT_EQ(key->queryString("Empty", 1), std::nullopt);

    EXPECT_EQ(key->queryDword("Number"), 5000u);
    EXPECT_EQ(key->queryString("Number", 520), std::nullopt);
    EXPECT_EQ(key->queryDword("Fits"), std::nullopt);
    EXPECT_EQ(key->queryDword("Missing"), std::nullopt);
}

TEST(RegistryFiles, AMalformedFileIsReportedOnceWithItsLineAndReadsAsEmpty)
{
    RegistrySandbox sandbox;
    sandbox.writeMachine(rdtest::regKey(RegistryRoot::LocalMachine, "")
                         + "\"BinName\"=\"C:\\Program Files\\raydeck.exe\"\n");
    sandbox.writeUser(rdtest::regKey(RegistryRoot::CurrentUser, ""));

    testing::internal::CaptureStderr();
    EXPECT_EQ(registry().open(RegistryRoot::LocalMachine, "SOFTWARE\\Veltor"), nullptr);
    EXPECT_EQ(registry().open(RegistryRoot::LocalMachine, ""), nullptr);
    EXPECT_NE(registry().open(RegistryRoot::CurrentUser, "SOFTWARE\\Veltor"), nullptr); // unaffected
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reported, "registry file " + (sandbox.dir / "system.reg")
                            + ", line 4: a backslash in a quoted text must be written \\\\ (or \\\" for a "
                              "quote); the file is ignored\n");

    // Mended, it is read; broken again, it is reported again.
    testing::internal::CaptureStderr();
    sandbox.writeMachine(rdtest::regKey(RegistryRoot::LocalMachine, ""));
    EXPECT_NE(registry().open(RegistryRoot::LocalMachine, "SOFTWARE\\Veltor"), nullptr);
    sandbox.writeMachine("[");
    EXPECT_EQ(registry().open(RegistryRoot::LocalMachine, "SOFTWARE\\Veltor"), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("line 3: a key line must end"), std::string::npos);

    // A folder in the file's place is a bad file too, not the end of the
    // command that asked.
    const std::string folder = sandbox.dir / "system.reg";
    std::filesystem::remove(rdtest::pathFromUtf8(folder));
    std::filesystem::create_directory(rdtest::pathFromUtf8(folder));
    testing::internal::CaptureStderr();
    EXPECT_EQ(registry().open(RegistryRoot::LocalMachine, "SOFTWARE\\Veltor"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "registry file " + folder + ": cannot be read: Is a directory; it is ignored\n");
}
