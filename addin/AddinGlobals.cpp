#include "AddinGlobals.h"

#include <translate/FusionExporter.h>

adsk::core::Ptr<adsk::core::Application> app;
adsk::core::Ptr<adsk::core::UserInterface> ui;
std::unique_ptr<FusionExporter> exporter;

RenderCommandCreatedHandler renderCommandCreatedHandler;
ExportCommandCreatedHandler exportCommandCreatedHandler;

FusionExporter& getExporter()
{
    if (!exporter)
        exporter = std::make_unique<FusionExporter>(ui, app);
    return *exporter;
}
