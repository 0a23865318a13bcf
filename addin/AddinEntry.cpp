// The module's two entry points, found by the host under their plain names.
// They are the only symbols the module exports.

#include <Core/CoreAll.h>

#include <sceneapi/dev/raydecklive_loader.h>

#include <translate/FusionExporter.h>
#include "AddinGlobals.h"
#include "UserInterfaceSetup.h"

// True when the user-interface set-up was reached, whatever it returned; the
// host's argument is not read. A missing toolbar "QAT" (and the like) raises
// the host's exception out of run.
extern "C" XI_EXPORT bool run(const char* /*context*/)
{
    app = adsk::core::Application::get();
    if (!app)
        return false;
    ui = app->userInterface();
    if (!ui)
        return false;
    adsk::core::Ptr<adsk::core::CommandDefinitions> commandDefinitions = ui->commandDefinitions();
    if (!commandDefinitions)
        return false;
    adsk::core::Ptr<adsk::core::Toolbars> toolbars = ui->toolbars();
    if (!toolbars)
        return false;
    adsk::core::Ptr<adsk::core::Workspaces> workspaces = ui->workspaces();
    if (!workspaces)
        return false;
    setupUserInterface(std::move(workspaces), std::move(toolbars), std::move(commandDefinitions));
    return true;
}

// Releases the user interface and destroys the exporter, so that the next
// run starts with a fresh one. Command definitions and buttons stay in the
// host, and so does the application reference. A live link that failed
// leaves RayDeck's live library loaded for the next click; it is unloaded
// here, so that it is not left behind with the module. Always true.
extern "C" XI_EXPORT bool stop(const char* /*context*/)
{
    ui.reset();
    exporter.reset();
    vel::live::unloadLiveLibrary();
    return true;
}
