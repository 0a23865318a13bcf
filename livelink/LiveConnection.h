#pragma once
// The connection step of the live factory (RepeatLinkFactory.h): from a
// version range and a model-set name to a scene interface connected to a
// running RayDeck, launching RayDeck when none qualifies.
//
//   1. Get the live scene interface for the version range (the live library
//      is loaded on first use, raydecklive_loader.h) and give it the client
//      id through id().
//   2. Get the query interface, list the running processes
//      (InstanceList.h) and select one (InstanceSelection.h).
//   3. When none qualifies, launch RayDeck (RayDeckLauncher.h) and wait for
//      it: up to attempts - 1 times list and select again, then sleep
//      waitMilliseconds through the platform clock, also after the attempt
//      that finds it; stop at the first selection.
//   4. Connect: to "localhost" on the port the selected process announces,
//      with 4; when it announces none (or nothing was selected), to
//      "127.0.0.1" on each port registered for the best installation of
//      major versions 5 to 20, ascending, with 1, until one answers.
//
// On failure the interface is dropped without disconnecting it, and the live
// library stays loaded for the next attempt. Nothing is thrown; the failure
// is one of the four reasons below.

#include "InstanceSelection.h"

#include <cstdint>
#include <string>
#include <string_view>

class velScene_api;

namespace vel::live {

// The reasons of a failed connection, as the user reads them after the live
// factory's "Failed to connect. ". They are the live link's own texts, kept
// word for word (the typo of the third included) for those who search for
// them.
inline constexpr std::string_view kNoSceneApi = "Could not get a scene api. Please check your RayDeck installation.\n";
inline constexpr std::string_view kNoQueryApi = "Could not get a query api. Please check your RayDeck installation.\n";
inline constexpr std::string_view kLaunchFailed = "Unabled to launch RayDeck. Please check your RayDeck installation.";
inline constexpr std::string_view kNoPortAnswered =
    "Could not connect on any known port. Please check your RayDeck installation and Live Link settings.";

// The endpoints and the small integer connect() is given with them.
inline constexpr char kAnnouncedHost[] = "localhost";
inline constexpr int kAnnouncedPortCount = 4;
inline constexpr char kRegisteredHost[] = "127.0.0.1";
inline constexpr int kRegisteredPortCount = 1;
// The installations whose registered ports are tried, whatever the range of
// the connection.
inline constexpr int kPortsMinVersion = 5;
inline constexpr int kPortsMaxVersion = 20;

struct ConnectionSettings {
    std::uint32_t attempts = 20;           // listings after a launch, plus one
    std::uint32_t waitMilliseconds = 1000; // sleep after each of them
    int minVersion = 7;
    int maxVersion = 20;
    std::string_view modelSetName;
    bool acceptAny = false;
    std::uint32_t clientId = 1;
};

// What a connection did, for telling the user; filled as far as it got,
// also when it failed.
struct ConnectionReport {
    std::string libraryPath;      // the live library loaded; empty when none was
    int installationVersion = 0;  // the major version of the installation it came from
    bool launched = false;        // no listed process qualified, and RayDeck was launched
    InstanceRecord instance;      // the process chosen; empty when none qualified
    int port = 0;                 // the port that answered; 0 when none did
};

struct Connection {
    velScene_api* sceneInterface = nullptr; // connected; null on failure. Owned by the live library.
    bool reusing = false;                   // the process already shows the model set
    std::string failure;                    // one of the reasons above when sceneInterface is null
    ConnectionReport report;
};

Connection connectToRayDeck(const ConnectionSettings& settings);

// Step 4 alone: connects the scene interface for the selected process
// (announcedPort is its liveLinkPort, 0 when nothing was selected). The port
// on which connect() answered true; 0 when none did. The registered range is
// tried only within the ports that exist (1 to 65535).
int connectToPort(velScene_api& scene, int announcedPort);

} // namespace vel::live
