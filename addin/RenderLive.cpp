// The render command's flow: stream the active document into a running
// RayDeck over the live link, one complete transfer per click.

#include "FusionExporter.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include <RepeatLinkFactory.h>
#include <Services.h>

#include "ComponentRecord.h"
#include "DefaultRTModule.h"
#include "VelGroup.h"
#include "velSceneapi_oo.h"

namespace {

// The RayDeck versions this add-in streams into.
constexpr std::uint32_t kMinRayDeckVersion = 8;
constexpr std::uint32_t kMaxRayDeckVersion = 9;

// The camera the flow writes and tells RayDeck to look through.
const std::string kActiveCamera = "Active Camera";

// The wrapper of a finished transfer stays the exporter's scene writer, but
// its interface belonged to the live library, which is unloaded with the
// factory. Detaching it when the transfer ends, however it ends, leaves it
// pointing at nothing rather than into unloaded code.
class DetachWhenDone {
public:
    explicit DetachWhenDone(const FusionExporter& exporter) : exporter_(exporter) {}
    ~DetachWhenDone()
    {
        if (vel::velSceneapi_oo* writer = exporter_.sceneWriter())
            writer->attach(nullptr);
    }
    DetachWhenDone(const DetachWhenDone&) = delete;
    DetachWhenDone& operator=(const DetachWhenDone&) = delete;

private:
    const FusionExporter& exporter_;
};

// "Fusion 360, 0x1234": tells RayDeck which host process the scene comes from.
std::string processAttribute(std::uint32_t processId)
{
    char text[256];
    std::snprintf(text, sizeof text, "Fusion 360, %#x", processId);
    return text;
}

} // namespace

void FusionExporter::renderLive(adsk::core::Ptr<adsk::core::Document> document)
{
    // An empty document raises the host's exception here, before anything
    // is connected.
    std::string modelSetName = vel::trimVersionSuffix(document->name());

    // Declared first so that it goes last: destroying it disconnects and
    // unloads the live library, after everything that wrote through it.
    vel::RepeatLinkFactory factory;
    factory.setVersionRange(kMinRayDeckVersion, kMaxRayDeckVersion);
    factory.setModelSetName(std::move(modelSetName));
    factory.setAcceptAny(false);
    const DetachWhenDone detach(*this);

    // Connects (starting RayDeck when none runs) and, when connected, writes
    // the banner and the version.
    setSceneWriter(std::make_unique<vel::velSceneapi_oo>(&factory));
    const bool wrapperConnected = sceneWriter_->api() != nullptr;

    // A factory that failed above tries the whole connection again here.
    if (factory.sceneApi() == nullptr) {
        const std::string text = "Live link failed. Reason: \"" + factory.message() + "\"";
        userInterface_->messageBox(text, "", adsk::core::OKButtonType, adsk::core::NoIconIconType);
        return; // the records, the unit factors and RayDeck's scene stay as they were
    }
    // Connected only on the second request: a new wrapper on the connected
    // factory, so that the stream starts with the banner and the version as
    // on every other transfer.
    if (!wrapperConnected)
        setSceneWriter(std::make_unique<vel::velSceneapi_oo>(&factory));

    // A RayDeck that does not show this design's model set gets every body.
    if (!factory.isReusing())
        sentRecords_.clear();

    sceneWriter_->api()->attribute("process identifier",
                                   processAttribute(platform::services().processes->currentId()).c_str());

    setUnitsPerCentimetre(documentUnitsPerMetre(document) / 100);

    const adsk::core::DefaultModelingOrientations orientation =
        application_->preferences()->generalPreferences()->defaultModelingOrientation();
    {
        vel::DefaultRTModule module;
        // The import options' axes count from 1: 1 Y up, 2 Z up.
        module.setUpVector(static_cast<std::uint32_t>(orientation) + 1);
        module.setMeterScale(unitsPerMetre_);
        // A scene of an earlier transfer keeps the camera and environment the
        // user set up in RayDeck since.
        module.setAdjustCamera(!factory.isReusing());
        module.setAdjustEnvironment(!factory.isReusing());
        module.setCenterGeometry(false);
        module.setSnapToGround(false);
        module.setUseCamera(kActiveCamera);
        sceneWriter_->writeNode(module);
    }

    writeActiveCamera();

    std::shared_ptr<vel::VelGroup> root = buildScene(document);
    sceneWriter_->writeNode(*root);
}
