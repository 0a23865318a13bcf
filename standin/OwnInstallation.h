#pragma once
// Which RayDeck installation a stand-in process is: it is started without
// arguments, as RayDeck's launcher starts RayDeck, and finds itself in the
// registry (InstallationDiscovery.h) like the add-in does.

#include <optional>
#include <string>

namespace standin::raydeck {

struct OwnInstallation {
    int majorVersion = 0;
    std::string binName;
    std::string resourceFolder;
    // The registered live-link ports; 0 and 0 when none are registered. A
    // registered lowest port without a highest one is a range of one.
    int lowestPort = 0;
    int highestPort = 0;
    // False when no installation names this executable and the best one of
    // all versions was taken instead.
    bool namesThisProgram = true;
};

// The installation, among major versions 20 down to 5, whose "BinName" is
// `executable` (the same file, however the path is spelled); without one,
// the best installation of versions 5 to 20. Nothing, with *whyNot set,
// when there is no installation at all.
std::optional<OwnInstallation> findOwnInstallation(const std::string& executable, std::string* whyNot = nullptr);

} // namespace standin::raydeck
