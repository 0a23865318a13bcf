// How a stand-in started without arguments finds which installation it is.

#include <platform/RegFile.h>
#include <standin/OwnInstallation.h>
#include <tests/support/Sandbox.h>

#include <gtest/gtest.h>

#include <filesystem>

using standin::raydeck::findOwnInstallation;
using standin::raydeck::OwnInstallation;
namespace fs = std::filesystem;

TEST(OwnInstallation, IsTheOneNamingThisProgramOtherwiseTheBestWithItsPorts)
{
    rdtest::RegistrySandbox registry;
    const rdtest::FakeInstall nine = registry.makeInstallation("nine");
    rdtest::FakeInstall ten = registry.makeInstallation("ten");
    // The program as the installation names it, through a link.
    const std::string program = registry.dir / "programs/raydeck-standin";
    fs::create_directories(registry.dir / "programs");
    rdtest::writeFile(program, "#!/bin/sh\n");
    fs::remove(ten.binName);
    std::error_code noSymbolicLinks; // Wine has none: a hard link then
    fs::create_symlink(program, ten.binName, noSymbolicLinks);
    if (noSymbolicLinks)
        fs::create_hard_link(program, ten.binName);
    const auto root = platform::RegistryRoot::CurrentUser;
    registry.writeUser(rdtest::regInstallation(root, 9, nine) + rdtest::regDword("LiveLinkPort", 5000)
                       + rdtest::regInstallation(root, 10, ten) + rdtest::regString("LiveLinkPort", "6000")
                       + rdtest::regString("LiveLinkMaxPort", "6009"));

    std::optional<OwnInstallation> own = findOwnInstallation(program);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->majorVersion, 10);
    EXPECT_TRUE(own->namesThisProgram);
    EXPECT_EQ(own->resourceFolder, ten.resourceFolder);
    EXPECT_EQ(own->lowestPort, 6000);
    EXPECT_EQ(own->highestPort, 6009);

    // Started as the file of version 9: version 9 even though 10 is better,
    // and a lowest port without a highest one is a range of one.
    own = findOwnInstallation(nine.binName);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->majorVersion, 9);
    EXPECT_EQ(own->lowestPort, 5000);
    EXPECT_EQ(own->highestPort, 5000);

    // Named by no installation: the best one, said so.
    own = findOwnInstallation(registry.dir / "elsewhere");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->majorVersion, 10);
    EXPECT_FALSE(own->namesThisProgram);

    registry.writeUser("");
    std::string why;
    EXPECT_FALSE(findOwnInstallation(program, &why));
    EXPECT_NE(why.find("no RayDeck installation"), std::string::npos) << why;
}
