// The export command's flow: ask for a file name, write the scene file.

#include "CommandFlows.h"

#include "DetachWhenDone.h"

#include <cstdint>
#include <memory>
#include <utility>

#include <scene/DefaultRTModule.h>
#include <scene/VelGroup.h>
#include <sceneapi/LightFileFactory.h>
#include <sceneapi/velSceneapi_oo.h>

namespace {

// The file gets every body: the export's pass runs without the records of
// the last live transfer. They are put back when the export ends, however it
// ends: records left from an export that raised half way would make the next
// live update skip components the renderer never received in that state.
class KeepLiveRecords {
public:
    explicit KeepLiveRecords(FusionExporter& exporter) : exporter_(exporter), kept_(exporter.releaseSentRecords()) {}
    ~KeepLiveRecords() { exporter_.restoreSentRecords(std::move(kept_)); }
    KeepLiveRecords(const KeepLiveRecords&) = delete;
    KeepLiveRecords& operator=(const KeepLiveRecords&) = delete;

private:
    FusionExporter& exporter_;
    FusionExporter::RecordMap kept_;
};

} // namespace

void exportToFile(FusionExporter& exporter, adsk::core::Ptr<adsk::core::Document> document)
{
    adsk::core::Ptr<adsk::core::FileDialog> dialog = exporter.userInterface()->createFileDialog();
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

    // A design the scene cannot hold is refused (vel::DesignRefused) before
    // the file is touched.
    exporter.checkDesign(document, false);

    // Opening the file is the first change; when it fails (the factory
    // throws) the exporter is untouched.
    auto factory = std::make_unique<vel::LightFileFactory>(fileName);
    // The wrapper writes the file's header lines, the banner and the version.
    exporter.setSceneWriter(std::make_unique<vel::velSceneapi_oo>(factory.get()));
    vel::velSceneapi_oo& writer = *exporter.sceneWriter();
    const DetachWhenDone detach(exporter);

    const KeepLiveRecords keep(exporter);

    writer.api()->setModeFlags(vel::kExportModeFlags);

    const float unitsPerMetre = exporter.documentUnitsPerMetre(document);
    exporter.setUnitsPerCentimetre(unitsPerMetre / 100);

    // Import options for a file: the model centred on the ground, the
    // renderer's camera fitted to it. The up axis is the host's, as the live
    // link sends it: a file that said Y up for a design modelled Z up would
    // put it on its side in the renderer.
    const adsk::core::DefaultModelingOrientations orientation =
        exporter.application()->preferences()->generalPreferences()->defaultModelingOrientation();
    {
        vel::DefaultRTModule module;
        // The import options' axes count from 1: 1 Y up, 2 Z up.
        module.setUpVector(static_cast<std::uint32_t>(orientation) + 1);
        module.setMeterScale(unitsPerMetre);
        module.setAdjustCamera(true);
        module.setCenterGeometry(true);
        module.setSnapToGround(true);
        module.setKeepOriginal(true);
        writer.writeNode(module);
    }

    std::shared_ptr<vel::VelGroup> root = exporter.buildScene(std::move(document));
    writer.writeNode(*root);
    root.reset();
    // Closed explicitly rather than by the destructor, which could only print
    // a failure: a write that did not reach the disk, or a failed close,
    // throws here, so the command fails instead of passing a truncated file
    // for a written one.
    factory->close();
}
