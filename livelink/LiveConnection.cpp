#include "LiveConnection.h"

#include "InstallationDiscovery.h"
#include "InstanceList.h"
#include "LiveLibrary.h"
#include "RayDeckLauncher.h"

#include <platform/Services.h>
#include <sceneapi/dev/raydecklive_loader.h>
#include <sceneapi/velScene_api.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace vel::live {

namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

Connection failed(std::string_view reason, ConnectionReport report = {})
{
    Connection connection;
    connection.failure = reason;
    connection.report = std::move(report);
    return connection;
}

// Lists and selects; after a launch, keeps doing so until a process
// qualifies or the attempts are used up.
Selection findRayDeck(QueryApi& query, const ConnectionSettings& settings, bool& launched, bool& launchFailed)
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
    launched = true;
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

int connectToPort(velScene_api& scene, int announcedPort)
{
    if (announcedPort >= 1)
        return scene.connect(kAnnouncedHost, announcedPort, kAnnouncedPortCount) ? announcedPort : 0;

    int lowestPort = -1;
    int highestPort = -1;
    const int status = readLiveLinkPorts(kPortsMinVersion, kPortsMaxVersion, lowestPort, highestPort);
    if (status != PortsRead && status != PortsNoHighest)
        return 0;
    // Ports outside 1..65535 cannot be connected; leaving them out also keeps
    // a range such as 0..4294967295 from looping for hours or overflowing.
    const int first = std::max(lowestPort, kLowestPort);
    const int last = std::min(highestPort, kHighestPort);
    for (int port = first; port <= last; ++port) {
        if (scene.connect(kRegisteredHost, port, kRegisteredPortCount))
            return port;
    }
    return 0;
}

Connection connectToRayDeck(const ConnectionSettings& settings)
{
    ConnectionReport report;
    velScene_api* scene = getSceneApi(settings.minVersion, settings.maxVersion);
    if (const std::optional<LoadedLibrary> library = loadedLiveLibrary()) {
        report.libraryPath = library->path;
        report.installationVersion = library->majorVersion;
    }
    if (scene == nullptr)
        return failed(kNoSceneApi, std::move(report));
    scene->id(settings.clientId);

    QueryApi* query = getQueryApi(settings.minVersion, settings.maxVersion);
    if (query == nullptr)
        return failed(kNoQueryApi, std::move(report));

    bool launchFailed = false;
    const Selection selection = findRayDeck(*query, settings, report.launched, launchFailed);
    report.instance = selection.instance;
    if (launchFailed)
        return failed(kLaunchFailed, std::move(report));

    report.port = connectToPort(*scene, selection.instance.liveLinkPort);
    if (report.port == 0)
        return failed(kNoPortAnswered, std::move(report));

    Connection connection;
    connection.sceneInterface = scene;
    connection.reusing = selection.reusing;
    connection.report = std::move(report);
    return connection;
}

} // namespace vel::live
