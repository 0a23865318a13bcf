#include "OwnInstallation.h"

#include <livelink/InstallationDiscovery.h>

#include <filesystem>
#include <system_error>

namespace standin::raydeck {

namespace {

constexpr int kLowestVersion = 5;
constexpr int kHighestVersion = 20;

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error) && !error;
}

} // namespace

std::optional<OwnInstallation> findOwnInstallation(const std::string& executable, std::string* whyNot)
{
    OwnInstallation own;
    for (int version = kHighestVersion; version >= kLowestVersion && own.majorVersion == 0; --version) {
        if (sameFile(vel::live::readBinName(version, version), executable))
            own.majorVersion = version;
    }
    if (own.majorVersion == 0) {
        const vel::live::Installation best = vel::live::findInstallation(kLowestVersion, kHighestVersion);
        if (!best) {
            if (whyNot != nullptr)
                *whyNot = "no RayDeck installation of versions " + std::to_string(kLowestVersion) + " to "
                          + std::to_string(kHighestVersion) + " in the registry";
            return std::nullopt;
        }
        own.majorVersion = best.majorVersion;
        own.namesThisProgram = false;
    }
    const int version = own.majorVersion;
    own.binName = vel::live::readBinName(version, version);
    own.resourceFolder = vel::live::readResourceFolder(version, version);
    int lowest = -1;
    int highest = -1;
    const int status = vel::live::readLiveLinkPorts(version, version, lowest, highest);
    if (status == vel::live::PortsRead) {
        own.lowestPort = lowest;
        own.highestPort = highest;
    } else if (status == vel::live::PortsNoHighest) {
        own.lowestPort = lowest;
        own.highestPort = lowest;
    }
    return own;
}

} // namespace standin::raydeck
