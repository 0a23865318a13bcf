#pragma once
// The add-in's globals: what lives between run and stop, once per loaded
// module.
//
//   app                          the host application: set by run; kept by
//                                stop, released at unload
//   ui                           its user interface: set by run; released by
//                                stop and at unload
//   exporter                     made by the first click (getExporter),
//                                destroyed by stop
//   renderCommandCreatedHandler  made at load, gone at unload; registered
//   exportCommandCreatedHandler  with the host by run
//   registryRoot                 the key prefix of the RayDeck installations,
//                                vel::live::registryRoot (one definition for
//                                the whole add-in)

#include <memory>

#include <Core/CoreAll.h>

#include <livelink/RegistryRoot.h>
#include "CommandHandlers.h"

class FusionExporter;

extern adsk::core::Ptr<adsk::core::Application> app;
extern adsk::core::Ptr<adsk::core::UserInterface> ui;
extern std::unique_ptr<FusionExporter> exporter;

extern RenderCommandCreatedHandler renderCommandCreatedHandler;
extern ExportCommandCreatedHandler exportCommandCreatedHandler;

inline const std::string_view& registryRoot = vel::live::registryRoot;

// The one FusionExporter, made on the first call from new references to the
// application and user-interface globals, so that both commands share it and
// its change records. An allocation failure propagates.
FusionExporter& getExporter();
