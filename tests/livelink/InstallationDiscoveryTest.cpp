#include "Sandbox.h"

#include <InstallationDiscovery.h>

#include <gtest/gtest.h>

#include <filesystem>

using platform::RegistryRoot;
using rdtest::RegistrySandbox;
using namespace vel::live;

namespace {

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;

class InstallationDiscovery : public testing::Test {
protected:
    // The base key with the values naming the active installation.
    static std::string activeValues(RegistryRoot root, const std::string& activePath, const std::string& version)
    {
        return RegistrySandbox::key(root, "") + RegistrySandbox::stringValue("RayDeckActivePath", activePath)
               + RegistrySandbox::stringValue("RayDeckVersion", version);
    }

    RegistrySandbox sandbox;
    rdtest::Installation a = sandbox.makeInstallation("a");
    rdtest::Installation b = sandbox.makeInstallation("b");
    rdtest::Installation c = sandbox.makeInstallation("c");
};

} // namespace

TEST_F(InstallationDiscovery, TheMachineRootWinsOnlyWithAHigherVersion)
{
    sandbox.writeUser(RegistrySandbox::installationKey(kUser, 9, a));
    sandbox.writeMachine(RegistrySandbox::installationKey(kMachine, 9, b));
    Installation found = findInstallation(5, 20);
    ASSERT_TRUE(found);
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.majorVersion, 9);
    EXPECT_EQ(found.key->queryString("BinName", kValueBufferBytes), a.binName);

    sandbox.writeMachine(RegistrySandbox::installationKey(kMachine, 10, b));
    EXPECT_EQ(readBinName(5, 20), b.binName);
    EXPECT_EQ(readResourceFolder(5, 20), b.resourceFolder);
    int version = 0;
    EXPECT_EQ(readBinFolder(5, 20, version), b.binFolder);
    EXPECT_EQ(version, 10);

    // Only the user's installation is in the range.
    EXPECT_EQ(readBinName(5, 9), a.binName);
}

TEST_F(InstallationDiscovery, MethodsAreTriedInOrderAndAVersionOutsideTheRangeFallsThrough)
{
    const std::string installations = RegistrySandbox::installationKey(kUser, 7, a)
                                      + RegistrySandbox::installationKey(kUser, 9, b)
                                      + RegistrySandbox::installationKey(kUser, 12, c);

    // The active path decides even over a higher installation.
    sandbox.writeUser(activeValues(kUser, "C:\\Program Files\\Veltor\\RayDeck 7\\", "RayDeck 12") + installations);
    EXPECT_EQ(findInstallation(5, 10).majorVersion, 7);

    // Active path out of the range: the version value is next, before the scan.
    sandbox.writeUser(activeValues(kUser, "/opt/veltor/RayDeck 12/", "RayDeck 7") + installations);
    EXPECT_EQ(findInstallation(5, 10).majorVersion, 7);

    // Both out of the range: the scan takes the highest in it.
    sandbox.writeUser(activeValues(kUser, "/opt/veltor/RayDeck 12/", "RayDeck 12") + installations);
    EXPECT_EQ(findInstallation(5, 10).majorVersion, 9);
    EXPECT_EQ(findInstallation(5, 20).majorVersion, 12);

    // A version value without a number after a blank is no version: the
    // scan decides (and nothing reads past the value).
    for (const char* name : {"RayDeck7", "RayDeck 0", "RayDeck x"}) {
        sandbox.writeUser(activeValues(kUser, "no separator", name) + installations);
        EXPECT_EQ(findInstallation(5, 10).majorVersion, 9) << name;
    }
}

TEST_F(InstallationDiscovery, AnInstallationWithoutItsFilesIsNeverChosen)
{
    std::filesystem::remove(c.binName);
    sandbox.writeUser(activeValues(kUser, "/opt/RayDeck 12/", "RayDeck 12")
                      + RegistrySandbox::installationKey(kUser, 12, c)
                      + RegistrySandbox::installationKey(kUser, 7, a));
    EXPECT_EQ(findInstallation(5, 20).majorVersion, 7);

    // A resource "folder" that is a file, or a missing value, fails the same way.
    rdtest::Installation noFolder = b;
    noFolder.resourceFolder = b.binName;
    sandbox.writeMachine(RegistrySandbox::installationKey(kMachine, 15, noFolder)
                         + RegistrySandbox::key(kMachine, "RayDeck 14")
                         + RegistrySandbox::stringValue("BinName", b.binName));
    EXPECT_EQ(findInstallation(5, 20).majorVersion, 7);

    // Nothing in the range: status 1168, empty readers, the version untouched.
    const Installation none = findInstallation(8, 11);
    EXPECT_FALSE(none);
    EXPECT_EQ(none.status, kErrorNotFound);
    EXPECT_EQ(none.status, 1168);
    EXPECT_EQ(none.key, nullptr);
    int version = 42;
    EXPECT_EQ(readBinFolder(8, 11, version), "");
    EXPECT_EQ(version, 42);
    EXPECT_EQ(readBinName(8, 11), "");
    EXPECT_EQ(readResourceFolder(8, 11), "");
}

TEST_F(InstallationDiscovery, PathsLongerThanTheUseBufferValidateButReadEmpty)
{
    // 300 bytes of path: fine for the 2048-byte search, too long for 520.
    const std::string deep = sandbox.dir / (std::string(140, 'd') + "/" + std::string(140, 'e'));
    std::filesystem::create_directories(deep);
    rdtest::Installation longOne = a;
    longOne.binName = deep + "/raydeck";
    rdtest::writeFile(longOne.binName, "");
    longOne.binFolder = std::string(259, 'f');
    sandbox.writeUser(RegistrySandbox::installationKey(kUser, 9, longOne));
    ASSERT_GT(longOne.binName.size(), 259u);

    EXPECT_EQ(findInstallation(5, 20).majorVersion, 9);
    EXPECT_EQ(readBinName(5, 20), "");
    int version = 0;
    EXPECT_EQ(readBinFolder(5, 20, version), longOne.binFolder); // 259 characters still fit

    longOne.binFolder += 'f';
    sandbox.writeUser(RegistrySandbox::installationKey(kUser, 9, longOne));
    EXPECT_EQ(readBinFolder(5, 20, version), "");
}

TEST_F(InstallationDiscovery, PortsAreReadAsNumbersOrAsDecimalStrings)
{
    const auto ports = [&](const std::string& values, int& lowest, int& highest) {
        sandbox.writeUser(RegistrySandbox::installationKey(kUser, 9, a) + values);
        lowest = -1;
        highest = -1;
        return readLiveLinkPorts(5, 20, lowest, highest);
    };
    int lowest = 0;
    int highest = 0;
    EXPECT_EQ(ports(RegistrySandbox::dwordValue("LiveLinkPort", 5000)
                        + RegistrySandbox::dwordValue("LiveLinkMaxPort", 5010), lowest, highest), PortsRead);
    EXPECT_EQ(lowest, 5000);
    EXPECT_EQ(highest, 5010);

    EXPECT_EQ(ports(RegistrySandbox::stringValue("LiveLinkPort", " 6000")
                        + RegistrySandbox::stringValue("LiveLinkMaxPort", "6002x"), lowest, highest), PortsRead);
    EXPECT_EQ(lowest, 6000);
    EXPECT_EQ(highest, 6002);

    EXPECT_EQ(ports(RegistrySandbox::dwordValue("LiveLinkPort", 5000), lowest, highest), PortsNoHighest);
    EXPECT_EQ(lowest, 5000);
    EXPECT_EQ(highest, -1);

    // A number for the lowest port means a number for the highest too.
    EXPECT_EQ(ports(RegistrySandbox::dwordValue("LiveLinkPort", 5000)
                        + RegistrySandbox::stringValue("LiveLinkMaxPort", "5010"), lowest, highest), PortsNoHighest);

    EXPECT_EQ(ports("", lowest, highest), PortsUnreadable);
    EXPECT_EQ(lowest, -1);
    // 256 characters and the terminator need 514 bytes, two more than read.
    EXPECT_EQ(ports(RegistrySandbox::stringValue("LiveLinkPort", std::string(252, ' ') + "5000"), lowest, highest),
              PortsUnreadable);
    EXPECT_EQ(ports(RegistrySandbox::stringValue("LiveLinkPort", std::string(251, ' ') + "5000")
                        + RegistrySandbox::stringValue("LiveLinkMaxPort", "5001"), lowest, highest), PortsRead);
    EXPECT_EQ(lowest, 5000);

    lowest = 7;
    highest = 8;
    EXPECT_EQ(readLiveLinkPorts(10, 20, lowest, highest), PortsNoInstallation);
    EXPECT_EQ(lowest, 7);
    EXPECT_EQ(highest, 8);
}

TEST(ActivePathVersion, TakesTheNumberAfterTheLastLetterOfTheWordUpToTheSeparator)
{
    const struct {
        const char* path;
        int version;
    } cases[] = {
        {"C:\\Program Files\\Veltor\\RayDeck 9\\", 9},
        {"C:\\Program Files\\Veltor\\RayDeck 9", 9},  // the separator lies before the number
        {"/opt/veltor/RayDeck 11/", 11},
        {"C:/Veltor\\RayDeck 9\\", 9},               // "/" is looked for first
        {"C:\\Veltor\\RayDeck 9\\data", 0},          // any letter of the word counts: the "a" of "data"
        {"C:\\Veltor\\RayDeck 9\\bin", 9},           // "bin" has none of them
        {"C:\\Veltor\\RayDeck\\", -1},               // the last separator right after the letter
        {"C:\\Veltor\\RayDeck\\9\\", 0},             // an earlier one there is read as text
        {"RayDeck 9", -1},                           // no separator
        {"C:\\1\\2\\", -1},                          // no letter of the word
        {"", -1},
        {"/RayDeck 99999999999/", 2147483647},       // saturates instead of overflowing
        {"/RayDeck -9/", 0},                         // no sign
    };
    for (const auto& c : cases)
        EXPECT_EQ(versionFromActivePath(c.path), c.version) << c.path;

    EXPECT_EQ(registryRoot, "SOFTWARE\\Veltor\\");
    EXPECT_EQ(registryRoot.size(), 16u);
    EXPECT_EQ(installationKeyPath(9), "SOFTWARE\\Veltor\\RayDeck 9");
}
