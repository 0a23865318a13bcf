// The export command's flow: ask for a file name, write the scene file.

#include "FusionExporter.h"

#include <memory>
#include <utility>

#include "DefaultRTModule.h"
#include "LightFileFactory.h"
#include "VelGroup.h"
#include "velSceneapi_oo.h"

namespace {

// The wrapper of a finished export outlives its factory and the writer the
// factory owned. Detaching it when the export ends, however it ends, leaves
// it pointing at no writer instead of a freed one.
class DetachWhenDone {
public:
    explicit DetachWhenDone(vel::velSceneapi_oo& wrapper) : wrapper_(wrapper) {}
    ~DetachWhenDone() { wrapper_.attach(nullptr); }
    DetachWhenDone(const DetachWhenDone&) = delete;
    DetachWhenDone& operator=(const DetachWhenDone&) = delete;

private:
    vel::velSceneapi_oo& wrapper_;
};

// The file gets every body: the export's pass runs without the records of
// the last live transfer. They are put back when the export ends, however it
// ends: records left from an export that raised half way would make the next
// live update skip components the renderer never received in that state.
class KeepLiveRecords {
public:
    explicit KeepLiveRecords(FusionExporter::RecordMap& records)
        : records_(records), kept_(std::exchange(records, FusionExporter::RecordMap()))
    {
    }
    ~KeepLiveRecords() { records_ = std::move(kept_); }
    KeepLiveRecords(const KeepLiveRecords&) = delete;
    KeepLiveRecords& operator=(const KeepLiveRecords&) = delete;

private:
    FusionExporter::RecordMap& records_;
    FusionExporter::RecordMap kept_;
};

} // namespace

void FusionExporter::exportToFile(adsk::core::Ptr<adsk::core::Document> document)
{
    adsk::core::Ptr<adsk::core::FileDialog> dialog = userInterface_->createFileDialog();
    dialog->filter("RayDeck scene (*.rdk)");
    dialog->filterIndex(0);
    dialog->initialDirectory("%CSIDL_MYDOCUMENTS%");
    const std::string documentName = document->name();
    // The document's name as the host gives it, without an extension; only
    // the name offered for an unnamed document has one.
    dialog->initialFilename(documentName.empty() ? "Untitled.rdk" : documentName);

    // Cancel, a dialog error or no name: nothing is written and the exporter
    // stays exactly as it was.
    if (dialog->showSave() != adsk::core::DialogOK)
        return;
    const std::string fileName = dialog->filename();
    if (fileName.empty())
        return;

    // Opening the file is the first change; when it fails (the factory
    // throws) the exporter is untouched.
    auto factory = std::make_unique<vel::LightFileFactory>(fileName);
    // The wrapper writes the file's header lines, the banner and the version.
    sceneWriter_ = std::make_unique<vel::velSceneapi_oo>(factory.get());
    const DetachWhenDone detach(*sceneWriter_);

    const KeepLiveRecords keep(sentRecords_);

    // Text lists with indentation.
    sceneWriter_->api()->setModeFlags(1);

    unitsPerMetre_ = documentUnitsPerMetre(document);
    unitsPerCentimetre_ = unitsPerMetre_ / 100;

    // Import options for a file: Y up whatever the host's orientation, the
    // model centred on the ground, the renderer's camera fitted to it.
    {
        vel::DefaultRTModule module;
        module.setUpVector(1);
        module.setMeterScale(unitsPerMetre_);
        module.setAdjustCamera(true);
        module.setCenterGeometry(true);
        module.setSnapToGround(true);
        module.setKeepOriginal(true);
        sceneWriter_->writeNode(module);
    }

    std::shared_ptr<vel::VelGroup> root = buildScene(std::move(document));
    sceneWriter_->writeNode(*root);
    root.reset();
    // Closed explicitly rather than by the destructor, which could only print
    // a failure: a write that did not reach the disk, or a failed close,
    // throws here, so the command fails instead of passing a truncated file
    // for a written one.
    factory->close();
}
