#include "CommandHandlers.h"

#include <translate/FusionExporter.h>
#include "AddinGlobals.h"
#include "CommandFlows.h"

using adsk::core::Ptr;

namespace {

// What both created handlers do: hook `executed` onto the new command's
// execute event. Missing arguments, command or event end this quietly.
void hookExecuted(const Ptr<adsk::core::CommandCreatedEventArgs>& eventArgs, adsk::core::CommandEventHandler& executed)
{
    if (!eventArgs)
        return;
    Ptr<adsk::core::Command> command = eventArgs->command();
    if (!command)
        return;
    Ptr<adsk::core::CommandEvent> execute = command->execute();
    if (execute)
        execute->add(&executed);
}

// What both executed handlers check before they run their flow: the event's
// sender is a live command (it has its inputs) and a document is active.
// Empty arguments raise the host's exception; anything else missing gives an
// empty document, and the command does nothing.
Ptr<adsk::core::Document> documentToActOn(const Ptr<adsk::core::CommandEventArgs>& eventArgs)
{
    Ptr<adsk::core::Event> firingEvent = eventArgs->firingEvent();
    if (!firingEvent)
        return nullptr;
    Ptr<adsk::core::Command> command = firingEvent->sender();
    if (!command)
        return nullptr;
    if (!command->commandInputs())
        return nullptr;
    if (!app)
        return nullptr;
    return app->activeDocument();
}

} // namespace

RDExportCommandExecutedHandler::~RDExportCommandExecutedHandler() = default;

void RDExportCommandExecutedHandler::notify(const Ptr<adsk::core::CommandEventArgs>& eventArgs)
{
    Ptr<adsk::core::Document> document = documentToActOn(eventArgs);
    if (document)
        exportToFile(getExporter(), std::move(document));
}

RDRenderCommandExecutedHandler::~RDRenderCommandExecutedHandler() = default;

void RDRenderCommandExecutedHandler::notify(const Ptr<adsk::core::CommandEventArgs>& eventArgs)
{
    Ptr<adsk::core::Document> document = documentToActOn(eventArgs);
    if (document)
        renderLive(getExporter(), std::move(document));
}

ExportCommandCreatedHandler::~ExportCommandCreatedHandler() = default;

void ExportCommandCreatedHandler::notify(const Ptr<adsk::core::CommandCreatedEventArgs>& eventArgs)
{
    hookExecuted(eventArgs, executed_);
}

RenderCommandCreatedHandler::~RenderCommandCreatedHandler() = default;

void RenderCommandCreatedHandler::notify(const Ptr<adsk::core::CommandCreatedEventArgs>& eventArgs)
{
    hookExecuted(eventArgs, executed_);
}
