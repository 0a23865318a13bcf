#include <tests/support/Sandbox.h>

#include <livelink/InstallationDiscovery.h>

#include <gtest/gtest.h>

using namespace vel::live;
using namespace rdtest;

namespace {

constexpr platform::RegistryRoot kUser = platform::RegistryRoot::CurrentUser;
constexpr platform::RegistryRoot kMachine = platform::RegistryRoot::LocalMachine;

class InstallationDiscovery : public testing::Test {
protected:
    // The base key with the values naming the active installation.
    static std::string active(const std::string& activePath, const std::string& version)
    {
        return regKey(kUser, "") + regString("RayDeckActivePath", activePath) + regString("RayDeckVersion", version);
    }

    RegistrySandbox sandbox;
    FakeInstall a = sandbox.makeInstallation("a");
    FakeInstall b = sandbox.makeInstallation("b");
};

} // namespace

TEST_F(InstallationDiscovery, TheMachineRootWinsOnlyWithAHigherVersion)
{
    sandbox.writeUser(regInstallation(kUser, 9, a));
    sandbox.writeMachine(regInstallation(kMachine, 9, b));
    const vel::live::Installation found = findInstallation(5, 20);
    ASSERT_TRUE(found);
    EXPECT_EQ(found.majorVersion, 9);
    EXPECT_EQ(found.key->queryString("BinName", kValueBufferBytes), a.binName);

    sandbox.writeMachine(regInstallation(kMachine, 10, b));
    int version = 0;
    EXPECT_EQ(readBinFolder(5, 20, version), b.binFolder);
    EXPECT_EQ(version, 10);
    EXPECT_EQ(readResourceFolder(5, 20), b.resourceFolder);
    EXPECT_EQ(readBinName(5, 9), a.binName);
}

TEST_F(InstallationDiscovery, MethodsAreTriedInOrderAndAVersionOutsideTheRangeFallsThrough)
{
    const std::string installations =
        regInstallation(kUser, 7, a) + regInstallation(kUser, 9, b) + regInstallation(kUser, 12, a);
    const auto chosen = [&](const std::string& base) {
        sandbox.writeUser(base + installations);
        return findInstallation(5, 10).majorVersion;
    };
    // The active path decides even over a higher installation; out of the
    // range, the version value is next, before the scan, which takes the
    // highest version in the range.
    EXPECT_EQ(chosen(active("C:\\Program Files\\Veltor\\RayDeck 7\\", "RayDeck 12")), 7);
    EXPECT_EQ(chosen(active("/opt/veltor/RayDeck 12/", "RayDeck 7")), 7);
    EXPECT_EQ(chosen(active("/opt/veltor/RayDeck 12/", "RayDeck 12")), 9);
    // A version value with no number after a blank is no version.
    for (const char* name : {"RayDeck7", "RayDeck 0", "RayDeck x"})
        EXPECT_EQ(chosen(active("no separator", name)), 9) << name;
}

TEST_F(InstallationDiscovery, AnInstallationWithoutItsFilesIsNeverChosen)
{
    FakeInstall noFolder = b;
    noFolder.resourceFolder = b.binName; // a file, not a folder
    std::filesystem::remove(a.binName);
    sandbox.writeUser(active("/opt/RayDeck 12/", "RayDeck 12") + regInstallation(kUser, 12, a)
                      + regInstallation(kUser, 11, noFolder) + regKey(kUser, "RayDeck 10")
                      + regString("BinName", b.binFolder) // a folder, not a file
                      + regString("ResourceFolder", b.resourceFolder) + regInstallation(kUser, 7, b));
    EXPECT_EQ(findInstallation(5, 20).majorVersion, 7);

    // Nothing in the range: status 1168, empty readers, the version untouched.
    const vel::live::Installation none = findInstallation(8, 11);
    EXPECT_EQ(none.status, 1168);
    EXPECT_EQ(none.key, nullptr);
    int version = 42;
    EXPECT_EQ(readBinFolder(8, 11, version), "");
    EXPECT_EQ(version, 42);
    EXPECT_EQ(readBinName(8, 11), "");
}

TEST_F(InstallationDiscovery, PathsLongerThanTheUseBufferValidateButReadEmpty)
{
    // 300 bytes of path: fine for the 2048-byte search, too long for 520.
    const std::string deep = sandbox.dir / (std::string(140, 'd') + "/" + std::string(140, 'e'));
    std::filesystem::create_directories(deep);
    FakeInstall longOne{deep + "/raydeck", std::string(259, 'f'), a.resourceFolder};
    writeFile(longOne.binName, "");
    sandbox.writeUser(regInstallation(kUser, 9, longOne));

    EXPECT_EQ(findInstallation(5, 20).majorVersion, 9);
    EXPECT_EQ(readBinName(5, 20), "");
    int version = 0;
    EXPECT_EQ(readBinFolder(5, 20, version), longOne.binFolder); // 259 characters still fit
    longOne.binFolder += 'f';
    sandbox.writeUser(regInstallation(kUser, 9, longOne));
    EXPECT_EQ(readBinFolder(5, 20, version), "");
}

TEST_F(InstallationDiscovery, PortsAreReadAsNumbersOrAsDecimalStrings)
{
    int lowest = 0, highest = 0;
    const auto ports = [&](const std::string& values) {
        sandbox.writeUser(regInstallation(kUser, 9, a) + values);
        lowest = highest = -1;
        return readLiveLinkPorts(5, 20, lowest, highest);
    };
    EXPECT_EQ(ports(regDword("LiveLinkPort", 5000) + regDword("LiveLinkMaxPort", 5010)), PortsRead);
    EXPECT_EQ(std::pair(lowest, highest), std::pair(5000, 5010));
    EXPECT_EQ(ports(regString("LiveLinkPort", " 6000") + regString("LiveLinkMaxPort", "6002x")), PortsRead);
    EXPECT_EQ(std::pair(lowest, highest), std::pair(6000, 6002));
    EXPECT_EQ(ports(regDword("LiveLinkPort", 5000)), PortsNoHighest);
    EXPECT_EQ(std::pair(lowest, highest), std::pair(5000, -1));
    // A number for the lowest port means a number for the highest too.
    EXPECT_EQ(ports(regDword("LiveLinkPort", 5000) + regString("LiveLinkMaxPort", "5010")), PortsNoHighest);
    EXPECT_EQ(ports(""), PortsUnreadable);
    // 256 characters and the terminator need 514 bytes, two more than read.
    EXPECT_EQ(ports(regString("LiveLinkPort", std::string(252, ' ') + "5000")), PortsUnreadable);
    EXPECT_EQ(std::pair(lowest, highest), std::pair(-1, -1));

    lowest = 7;
    highest = 8;
    EXPECT_EQ(readLiveLinkPorts(10, 20, lowest, highest), PortsNoInstallation);
    EXPECT_EQ(std::pair(lowest, highest), std::pair(7, 8));
}

TEST(ActivePathVersion, TakesTheNumberAfterTheLastLetterOfTheWordUpToTheSeparator)
{
    const std::pair<const char*, int> cases[] = {
        {"C:\\Program Files\\Veltor\\RayDeck 9\\", 9},
        {"C:\\Program Files\\Veltor\\RayDeck 9", 9}, // the separator lies before the number
        {"/opt/veltor/RayDeck 11/", 11},
        {"C:/Veltor\\RayDeck 9\\", 9},              // "/" is looked for first
        {"C:\\Veltor\\RayDeck 9\\data", 0},         // any letter of the word counts: the "a" of "data"
        {"C:\\Veltor\\RayDeck 9\\bin", 9},          // "bin" has none of them
        {"C:\\Veltor\\RayDeck\\", -1},              // the last separator right after the letter
        {"C:\\Veltor\\RayDeck\\9\\", 0},            // an earlier one there is read as text
        {"RayDeck 9", -1},                          // no separator
        {"C:\\1\\2\\", -1},                         // no letter of the word
        {"/RayDeck 99999999999/", 2147483647},      // saturates instead of overflowing
        {"/RayDeck -9/", 0},                        // no sign
    };
    for (const auto& [path, version] : cases)
        EXPECT_EQ(versionFromActivePath(path), version) << path;
}
