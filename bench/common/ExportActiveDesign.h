#pragma once
// The export command's work on the stand-in host's active document, without
// the dialog and the module: the check that the scene can hold the design,
// the translation into the scene graph and the scene file in text lists,
// written into `file` and flushed.

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>

#include <cstdio>
#include <memory>

#include <scene/VelGroup.h>
#include <sceneapi/velScene_api_file.h>
#include <sceneapi/velSceneapi_oo.h>
#include <translate/FusionExporter.h>

// The translation of the active design emitted into `api`.
inline void emitActiveDesign(velScene_api& api)
{
    adsk::core::Ptr<adsk::core::Application> app = adsk::core::Application::get();
    adsk::core::Ptr<adsk::core::Document> document = app->activeDocument();
    FusionExporter exporter(app->userInterface(), app);
    exporter.checkDesign(document, false);
    auto wrapper = std::make_unique<vel::velSceneapi_oo>(nullptr);
    wrapper->attach(&api);
    exporter.setSceneWriter(std::move(wrapper));
    exporter.setUnitsPerCentimetre(exporter.documentUnitsPerMetre(document) / 100);
    exporter.sceneWriter()->writeNode(*exporter.buildScene(document));
    exporter.setSceneWriter(nullptr);
}

inline void exportActiveDesign(std::FILE* file)
{
    velScene_api_file writer(file, false);
    writer.setModeFlags(vel::kExportModeFlags);
    emitActiveDesign(writer);
    writer.flush();
}
