#pragma once
// The event handlers through which the host runs the add-in's commands.
//
// A click makes the host create a Command and notify the definition's
// command-created handler, which hooks the matching executed handler onto the
// command's execute event; the host then fires that event, and the executed
// handler runs the command flow on the active document.
//
// Each executed handler lives inside its created handler, and the created
// handlers are globals of the module (AddinGlobals.h): the addresses
// registered with the host stay valid as long as the module is loaded.
// Nothing here catches an exception; one that leaves notify ends the command
// and reaches the host, which reports it.

#include <Core/CoreAll.h>

// Runs the export flow (exportToFile, CommandFlows.h).
class RDExportCommandExecutedHandler : public adsk::core::CommandEventHandler {
public:
    ~RDExportCommandExecutedHandler() override;
    void notify(const adsk::core::Ptr<adsk::core::CommandEventArgs>& eventArgs) override;
};

// Runs the render flow (renderLive, CommandFlows.h).
class RDRenderCommandExecutedHandler : public adsk::core::CommandEventHandler {
public:
    ~RDRenderCommandExecutedHandler() override;
    void notify(const adsk::core::Ptr<adsk::core::CommandEventArgs>& eventArgs) override;
};

// Hooks its executed handler onto each command created for "Export to
// RayDeck .rdk".
class ExportCommandCreatedHandler : public adsk::core::CommandCreatedEventHandler {
public:
    ~ExportCommandCreatedHandler() override;
    void notify(const adsk::core::Ptr<adsk::core::CommandCreatedEventArgs>& eventArgs) override;

private:
    RDExportCommandExecutedHandler executed_;
};

// Hooks its executed handler onto each command created for "Render in
// RayDeck 8", from the toolbar button and from the panel button alike.
class RenderCommandCreatedHandler : public adsk::core::CommandCreatedEventHandler {
public:
    ~RenderCommandCreatedHandler() override;
    void notify(const adsk::core::Ptr<adsk::core::CommandCreatedEventArgs>& eventArgs) override;

private:
    RDRenderCommandExecutedHandler executed_;
};
