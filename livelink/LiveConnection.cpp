#include "LiveConnection.h"

#include "InstallationDiscovery.h"
#include "InstanceList.h"
#include "LiveLibrary.h"
#include "RayDeckLauncher.h"

#include <platform/Services.h>
#include <sceneapi/dev/raydecklive_loader.h>
#include <sceneapi/velScene_api.h>

#include <algorithm>

namespace vel::live {

namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

Connection failed(std::string_view reason)
{
    Connection connection;
    connection.failure = reason;
    return connection;
}

// Lists and selects; after a launch, keeps doing so until a process
// qualifies or the attempts are used up.
Selection findRayDeck(QueryApi& query, const ConnectionSettings& settings, bool& launchFailed)
{
    const SelectionCriteria criteria{settings.modelSetName, settings.acceptAny};
    const auto listAndSelect = [&] {
        return selectInstance(query, listInstances(query, settings.minVersion, settings.maxVersion), criteria);
    };

    Selection selection = listAndSelect();
    if (!selection.instance.empty())
        return selection;
    if (!launchRayDeck(settings.minVersion, settings.maxVersion)) {
        launchFailed = true;
        return selection;
    }
    // The first listing counts as an attempt. Zero attempts wait for nothing
    // (rather than wrapping round to four billion).
    const std::uint32_t waits = settings.attempts > 0 ? settings.attempts - 1 : 0;
    platform::Clock& clock = *platform::services().clock;
    for (std::uint32_t attempt = 0; attempt < waits; ++attempt) {
        selection = listAndSelect();
        clock.sleepMilliseconds(settings.waitMilliseconds);
        if (!selection.instance.empty())
            break;
    }
    return selection;
}

} // namespace

bool connectToPort(velScene_api& scene, int announcedPort)
{
    if (announcedPort >= 1)
        return scene.connect(kAnnouncedHost, announcedPort, kAnnouncedPortCount);

    int lowestPort = -1;
    int highestPort = -1;
    const int status = readLiveLinkPorts(kPortsMinVersion, kPortsMaxVersion, lowestPort, highestPort);
    if (status != PortsRead && status != PortsNoHighest)
        return false;
    // Ports outside 1..65535 cannot be connected; leaving them out also keeps
    // a range such as 0..4294967295 from looping for hours or overflowing.
    const int first = std::max(lowestPort, kLowestPort);
    const int last = std::min(highestPort, kHighestPort);
    for (int port = first; port <= last; ++port) {
        if (scene.connect(kRegisteredHost, port, kRegisteredPortCount))
            return true;
    }
    return false;
}

Connection connectToRayDeck(const ConnectionSettings& settings)
{
    velScene_api* scene = getSceneApi(settings.minVersion, settings.maxVersion);
    if (scene == nullptr)
        return failed(kNoSceneApi);
    scene->id(settings.clientId);

    QueryApi* query = getQueryApi(settings.minVersion, settings.maxVersion);
    if (query == nullptr)
        return failed(kNoQueryApi);

    bool launchFailed = false;
    const Selection selection = findRayDeck(*query, settings, launchFailed);
    if (launchFailed)
        return failed(kLaunchFailed);

    if (!connectToPort(*scene, selection.instance.liveLinkPort))
        return failed(kNoPortAnswered);

    Connection connection;
    connection.sceneInterface = scene;
    connection.reusing = selection.reusing;
    return connection;
}

} // namespace vel::live
