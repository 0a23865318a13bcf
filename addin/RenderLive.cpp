// The render command's flow: stream the active document into a running
// RayDeck over the live link, one complete transfer per click.

#include "CommandFlows.h"

#include "DetachWhenDone.h"
#include "LiveReport.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include <livelink/RepeatLinkFactory.h>
#include <platform/Services.h>

#include <scene/DefaultRTModule.h>
#include <scene/VelGroup.h>
#include <sceneapi/velSceneapi_oo.h>
#include <translate/ComponentRecord.h>
#include <translate/DesignRefused.h>

namespace {

// The RayDeck versions this add-in streams into.
constexpr std::uint32_t kMinRayDeckVersion = 8;
constexpr std::uint32_t kMaxRayDeckVersion = 9;

// The camera the flow writes and tells RayDeck to look through.
const std::string kActiveCamera = "Active Camera";

// "Fusion 360, 0x1234": tells RayDeck which host process the scene comes from.
std::string processAttribute(std::uint32_t processId)
{
    char text[256];
    std::snprintf(text, sizeof text, "Fusion 360, %#x", processId);
    return text;
}

// One line in the host's text log; a host without an application takes none.
// Two of the connection's reasons end in a line feed, which the message box
// keeps and a log line does without.
void logLine(const FusionExporter& exporter, std::string line, adsk::core::LogLevels level = adsk::core::InfoLogLevel)
{
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    if (!line.empty() && exporter.application())
        exporter.application()->log(line, level);
}

// The failure in the log and in the live link's one message box. An empty
// user interface raises the host's exception.
void reportFailure(const FusionExporter& exporter, const std::string& reason)
{
    logLine(exporter, reason, adsk::core::ErrorLogLevel);
    const std::string text = "Live link failed. Reason: \"" + reason + "\"";
    exporter.userInterface()->messageBox(text, "", adsk::core::OKButtonType, adsk::core::NoIconIconType);
}

} // namespace

void renderLive(FusionExporter& exporter, adsk::core::Ptr<adsk::core::Document> document)
{
    // An empty document raises the host's exception here, before anything
    // is connected.
    std::string modelSetName = vel::trimVersionSuffix(document->name());

    // A design the scene cannot hold is refused before RayDeck is looked for:
    // nothing is sent, and the user is told why.
    try {
        exporter.checkDesign(document, true);
    } catch (const vel::DesignRefused& refused) {
        exporter.userInterface()->messageBox(refused.what(), "", adsk::core::OKButtonType,
                                             adsk::core::NoIconIconType);
        return;
    }

    // Declared first so that it goes last: destroying it disconnects and
    // unloads the live library, after everything that wrote through it.
    vel::RepeatLinkFactory factory;
    factory.setVersionRange(kMinRayDeckVersion, kMaxRayDeckVersion);
    factory.setModelSetName(std::move(modelSetName));
    factory.setAcceptAny(false);
    const DetachWhenDone detach(exporter);

    // Connects (starting RayDeck when none runs) and, when connected, writes
    // the banner and the version.
    exporter.setSceneWriter(std::make_unique<vel::velSceneapi_oo>(&factory));
    const bool wrapperConnected = exporter.sceneWriter()->api() != nullptr;

    // A factory that failed above tries the whole connection again here.
    const bool connected = factory.sceneApi() != nullptr;
    logLine(exporter, addin::installationLine(factory.connectionReport()));
    logLine(exporter, addin::processLine(factory.connectionReport(), factory.isReusing(), factory.modelSetName()));
    if (!connected) {
        reportFailure(exporter, factory.message());
        return; // the records, the unit factors and RayDeck's scene stay as they were
    }
    // Connected only on the second request: a new wrapper on the connected
    // factory, so that the stream starts with the banner and the version as
    // on every other transfer.
    if (!wrapperConnected)
        exporter.setSceneWriter(std::make_unique<vel::velSceneapi_oo>(&factory));
    vel::velSceneapi_oo& writer = *exporter.sceneWriter();

    // A RayDeck that does not show this design's model set gets every body.
    if (!factory.isReusing())
        exporter.forgetSentRecords();

    writer.api()->attribute("process identifier",
                                   processAttribute(platform::services().processes->currentId()).c_str());

    exporter.setUnitsPerCentimetre(exporter.documentUnitsPerMetre(document) / 100);

    const adsk::core::DefaultModelingOrientations orientation =
        exporter.application()->preferences()->generalPreferences()->defaultModelingOrientation();
    {
        vel::DefaultRTModule module;
        // The import options' axes count from 1: 1 Y up, 2 Z up.
        module.setUpVector(static_cast<std::uint32_t>(orientation) + 1);
        module.setMeterScale(exporter.unitsPerMetre());
        // A scene of an earlier transfer keeps the camera and environment the
        // user set up in RayDeck since.
        module.setAdjustCamera(!factory.isReusing());
        module.setAdjustEnvironment(!factory.isReusing());
        module.setCenterGeometry(false);
        module.setSnapToGround(false);
        module.setUseCamera(kActiveCamera);
        writer.writeNode(module);
    }

    exporter.writeActiveCamera();

    std::shared_ptr<vel::VelGroup> root = exporter.buildScene(document);
    writer.writeNode(*root);
    logLine(exporter, addin::sentLine(addin::countSent(*root)));
    root.reset();

    // Only RayDeck's confirmation makes the records true. A transfer lost
    // on the way (RayDeck died, hung or turned it down) may have left its
    // scene with none, some or all of the changes, so the next click sends
    // everything.
    if (!factory.endTransfer()) {
        exporter.forgetSentRecords();
        reportFailure(exporter, factory.message());
        return;
    }
    logLine(exporter, "RayDeck accepted the transfer");
}
