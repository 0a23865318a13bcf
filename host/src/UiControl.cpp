#include <StandIn/UiControl.h>

#include "ApplicationObject.h"
#include "HostState.h"
#include "UiObjects.h"

#include <algorithm>
#include <exception>

namespace standin::host {

using adsk::core::Ptr;
using detail::hostState;

namespace {

detail::UserInterfaceObject& ui()
{
    return *hostState().application->ui;
}

detail::ToolbarPanelObject* findPanel(std::string_view workspaceId, std::string_view panelId)
{
    detail::WorkspaceObject* workspace = ui().workspaceList->find(workspaceId);
    if (workspace == nullptr || !workspace->panels)
        return nullptr;
    return workspace->panels->find(panelId);
}

std::vector<ControlInfo> describe(const detail::ToolbarControlsObject* controls)
{
    std::vector<ControlInfo> result;
    if (controls != nullptr)
        for (const auto& c : controls->items)
            result.push_back({c->definition->id, c->visible});
    return result;
}

// Runs `f`; an exception that leaves it becomes a failed click.
template <class F>
bool guarded(ClickResult& result, F&& f)
{
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        result = {ClickResult::Failed, e.what()};
    } catch (...) {
        result = {ClickResult::Failed, "unknown exception type"};
    }
    return false;
}

ClickResult runCommand(Ptr<detail::CommandDefinitionObject> definition)
{
    const detail::HostState& state = hostState();
    const bool argsMissing = state.isMissing(Missing::EventArgs);
    const bool firingMissing = state.isMissing(Missing::FiringEvent);
    Ptr<detail::CommandObject> command = new detail::CommandObject(!state.isMissing(Missing::CommandInputs));

    ClickResult result{ClickResult::Completed, {}};

    Ptr<adsk::core::CommandCreatedEventArgs> createdArgs;
    if (!argsMissing)
        createdArgs = new detail::CommandCreatedEventArgsObject(
            firingMissing ? nullptr : Ptr<adsk::core::Event>(&definition->createdEvent),
            state.isMissing(Missing::CreatedCommand) ? nullptr : Ptr<adsk::core::Command>(command));
    if (!guarded(result, [&] { definition->createdEvent.fire(createdArgs); }))
        return result;

    Ptr<adsk::core::CommandEventArgs> executeArgs;
    if (!argsMissing)
        executeArgs = new detail::CommandEventArgsObject(
            firingMissing ? nullptr : Ptr<adsk::core::Event>(&command->executeEvent));
    guarded(result, [&] { command->executeEvent.fire(executeArgs); });
    return result;
}

ClickResult clickControl(const detail::ToolbarControlsObject* controls, std::string_view controlId)
{
    detail::CommandControlObject* control = controls != nullptr ? controls->find(controlId) : nullptr;
    if (control == nullptr)
        return {ClickResult::NotFound, {}};
    if (!control->visible)
        return {ClickResult::NotVisible, {}};
    return runCommand(control->definition);
}

} // namespace

namespace detail {

void installLayout(UserInterfaceObject& userInterface, const UiLayout& layout)
{
    Ptr<ToolbarsObject> toolbars = new ToolbarsObject;
    for (const ToolbarLayout& t : layout.toolbars)
        toolbars->items.push_back(new ToolbarObject(t.id, !t.controlsMissing));

    Ptr<WorkspacesObject> workspaces = new WorkspacesObject;
    for (const WorkspaceLayout& w : layout.workspaces) {
        Ptr<ToolbarPanelsObject> panels;
        if (!w.panelsMissing) {
            panels = new ToolbarPanelsObject;
            for (const PanelLayout& p : w.panels)
                panels->items.push_back(new ToolbarPanelObject(p.id, !p.controlsMissing));
        }
        workspaces->items.push_back(new WorkspaceObject(w.id, panels));
    }
    userInterface.toolbarList = toolbars;
    userInterface.workspaceList = workspaces;
}

} // namespace detail

UiLayout defaultLayout()
{
    UiLayout layout;
    layout.toolbars = {{"QAT"}};
    layout.workspaces = {
        {"FusionSolidEnvironment", {{"SolidCreatePanel"}, {"SolidModifyPanel"}}},
        {"FusionRenderEnvironment", {{"RenderSetupPanel"}, {"RenderPanel"}, {"RenderOutputPanel"}}},
        {"CAMEnvironment", {{"CAMJobPanel"}, {"CAMActionsPanel"}}},
    };
    return layout;
}

void setLayout(const UiLayout& layout)
{
    detail::installLayout(ui(), layout);
}

UiLayout currentLayout()
{
    UiLayout layout;
    for (const auto& t : ui().toolbarList->items)
        layout.toolbars.push_back({t->id, t->controlsObject() == nullptr});
    for (const auto& w : ui().workspaceList->items) {
        WorkspaceLayout workspace{w->id, {}, !w->panels};
        if (w->panels)
            for (const auto& p : w->panels->items)
                workspace.panels.push_back({p->id, p->controlsObject() == nullptr});
        layout.workspaces.push_back(std::move(workspace));
    }
    return layout;
}

bool removeWorkspace(std::string_view workspaceId)
{
    auto& items = ui().workspaceList->items;
    auto it = std::find_if(items.begin(), items.end(), [&](const auto& w) { return w->id == workspaceId; });
    if (it == items.end())
        return false;
    items.erase(it);
    return true;
}

bool removePanel(std::string_view workspaceId, std::string_view panelId)
{
    detail::WorkspaceObject* workspace = ui().workspaceList->find(workspaceId);
    if (workspace == nullptr || !workspace->panels)
        return false;
    auto& items = workspace->panels->items;
    auto it = std::find_if(items.begin(), items.end(), [&](const auto& p) { return p->id == panelId; });
    if (it == items.end())
        return false;
    items.erase(it);
    return true;
}

std::vector<ControlInfo> toolbarControls(std::string_view toolbarId)
{
    const detail::ToolbarObject* toolbar = ui().toolbarList->find(toolbarId);
    return describe(toolbar != nullptr ? toolbar->controlsObject() : nullptr);
}

std::vector<ControlInfo> panelControls(std::string_view workspaceId, std::string_view panelId)
{
    const detail::ToolbarPanelObject* panel = findPanel(workspaceId, panelId);
    return describe(panel != nullptr ? panel->controlsObject() : nullptr);
}

std::vector<CommandDefinitionInfo> commandDefinitions()
{
    std::vector<CommandDefinitionInfo> result;
    for (const auto& d : ui().definitions->items)
        result.push_back({d->id, d->name, d->tooltip, d->resourceFolder, d->createdEvent.handlers.size()});
    return result;
}

ClickResult click(std::string_view commandDefinitionId)
{
    detail::CommandDefinitionObject* definition = ui().definitions->find(commandDefinitionId);
    if (definition == nullptr)
        return {ClickResult::NotFound, {}};
    return runCommand(definition);
}

ClickResult clickToolbarControl(std::string_view toolbarId, std::string_view controlId)
{
    const detail::ToolbarObject* toolbar = ui().toolbarList->find(toolbarId);
    return clickControl(toolbar != nullptr ? toolbar->controlsObject() : nullptr, controlId);
}

ClickResult clickPanelControl(std::string_view workspaceId, std::string_view panelId, std::string_view controlId)
{
    const detail::ToolbarPanelObject* panel = findPanel(workspaceId, panelId);
    return clickControl(panel != nullptr ? panel->controlsObject() : nullptr, controlId);
}

void unregisterHandlers()
{
    detail::UserInterfaceObject& userInterface = ui();
    for (const auto& d : userInterface.definitions->items)
        d->createdEvent.handlers.clear();
    // Definitions that are gone from the collection but still have controls.
    auto clearControls = [](const detail::ToolbarControlsObject* controls) {
        if (controls != nullptr)
            for (const auto& c : controls->items)
                c->definition->createdEvent.handlers.clear();
    };
    for (const auto& t : userInterface.toolbarList->items)
        clearControls(t->controlsObject());
    for (const auto& w : userInterface.workspaceList->items)
        if (w->panels)
            for (const auto& p : w->panels->items)
                clearControls(p->controlsObject());
}

void setFileDialogAnswer(adsk::core::DialogResults result, std::string filename)
{
    hostState().dialogResult = result;
    hostState().dialogFilename = std::move(filename);
}

void answerFileDialogs(std::string filename)
{
    setFileDialogAnswer(adsk::core::DialogOK, std::move(filename));
}

void cancelFileDialogs()
{
    setFileDialogAnswer(adsk::core::DialogCancel);
}

std::vector<FileDialogRecord> shownFileDialogs()
{
    return hostState().fileDialogs;
}

std::vector<MessageBoxRecord> shownMessageBoxes()
{
    return hostState().messageBoxes;
}

} // namespace standin::host
