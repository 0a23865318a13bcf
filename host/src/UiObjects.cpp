#include "UiObjects.h"

#include "HostState.h"

#include <algorithm>

namespace standin::host::detail {

using adsk::core::DialogResults;

namespace {

bool missing(Missing what)
{
    return hostState().isMissing(what);
}

template <class T>
T* findById(const std::vector<Ptr<T>>& items, std::string_view id)
{
    for (const Ptr<T>& item : items)
        if (item->id == id)
            return item.get();
    return nullptr;
}

} // namespace

// ---- Commands ----------------------------------------------------------------

CommandObject::CommandObject(bool withInputs)
{
    if (withInputs)
        inputs_ = new CommandInputsObject;
}

Ptr<adsk::core::CommandEvent> CommandObject::execute() const
{
    if (missing(Missing::ExecuteEvent))
        return nullptr;
    return &executeEvent;
}

Ptr<adsk::core::CommandInputs> CommandObject::commandInputs() const
{
    return inputs_;
}

CommandDefinitionObject::CommandDefinitionObject(std::string definitionId, std::string definitionName,
                                                 std::string tooltipText, std::string iconFolder)
    : id(std::move(definitionId)), name(std::move(definitionName)), tooltip(std::move(tooltipText)),
      resourceFolder(std::move(iconFolder))
{
}

Ptr<adsk::core::CommandCreatedEvent> CommandDefinitionObject::commandCreated() const
{
    if (missing(Missing::CommandCreatedEvent))
        return nullptr;
    return &createdEvent;
}

Ptr<adsk::core::CommandDefinition> CommandDefinitionsObject::itemById(const std::string& id) const
{
    return find(id);
}

Ptr<adsk::core::CommandDefinition> CommandDefinitionsObject::addButtonDefinition(const std::string& id,
                                                                                 const std::string& name,
                                                                                 const std::string& tooltip,
                                                                                 const std::string& resourceFolder)
{
    if (id.empty() || find(id) != nullptr)
        return nullptr;
    items.push_back(new CommandDefinitionObject(id, name, tooltip, resourceFolder));
    return items.back();
}

CommandDefinitionObject* CommandDefinitionsObject::find(std::string_view id) const
{
    return findById(items, id);
}

// ---- Controls ----------------------------------------------------------------

Ptr<adsk::core::ToolbarControl> ToolbarControlsObject::itemById(const std::string& id) const
{
    return find(id);
}

Ptr<adsk::core::CommandControl> ToolbarControlsObject::addCommand(
    const Ptr<adsk::core::CommandDefinition>& commandDefinition, const std::string& positionID, bool isBefore)
{
    if (!commandDefinition || missing(Missing::AddedControl))
        return nullptr;
    // Every definition is made by CommandDefinitionsObject.
    Ptr<CommandDefinitionObject> definition(static_cast<CommandDefinitionObject*>(commandDefinition.get()));
    if (find(definition->id) != nullptr)
        return nullptr;

    Ptr<CommandControlObject> control = new CommandControlObject(definition);
    auto at = items.end();
    if (!positionID.empty()) {
        auto position = std::find_if(items.begin(), items.end(),
                                     [&](const Ptr<CommandControlObject>& c) { return c->definition->id == positionID; });
        if (position != items.end())
            at = isBefore ? position : position + 1;
    }
    items.insert(at, control);
    return control;
}

CommandControlObject* ToolbarControlsObject::find(std::string_view id) const
{
    for (const Ptr<CommandControlObject>& c : items)
        if (c->definition->id == id)
            return c.get();
    return nullptr;
}

// ---- Toolbars, workspaces, panels --------------------------------------------

ToolbarObject::ToolbarObject(std::string toolbarId, bool withControls) : id(std::move(toolbarId))
{
    if (withControls)
        controls_ = new ToolbarControlsObject;
}

Ptr<adsk::core::Toolbar> ToolbarsObject::itemById(const std::string& id) const
{
    return find(id);
}

ToolbarObject* ToolbarsObject::find(std::string_view id) const
{
    return findById(items, id);
}

ToolbarPanelObject::ToolbarPanelObject(std::string panelId, bool withControls) : id(std::move(panelId))
{
    if (withControls)
        controls_ = new ToolbarControlsObject;
}

Ptr<adsk::core::ToolbarPanel> ToolbarPanelsObject::itemById(const std::string& id) const
{
    return find(id);
}

Ptr<adsk::core::ToolbarPanel> ToolbarPanelsObject::item(std::size_t index) const
{
    return index < items.size() ? items[index] : nullptr;
}

ToolbarPanelObject* ToolbarPanelsObject::find(std::string_view id) const
{
    return findById(items, id);
}

Ptr<adsk::core::Workspace> WorkspacesObject::itemById(const std::string& id) const
{
    return find(id);
}

Ptr<adsk::core::Workspace> WorkspacesObject::item(std::size_t index) const
{
    return index < items.size() ? items[index] : nullptr;
}

WorkspaceObject* WorkspacesObject::find(std::string_view id) const
{
    return findById(items, id);
}

// ---- File dialog -------------------------------------------------------------

bool FileDialogObject::filter(const std::string& value)
{
    filter_ = value;
    return true;
}

bool FileDialogObject::filterIndex(int value)
{
    filterIndex_ = value;
    return true;
}

bool FileDialogObject::initialDirectory(const std::string& value)
{
    initialDirectory_ = value;
    return true;
}

bool FileDialogObject::initialFilename(const std::string& value)
{
    initialFilename_ = value;
    return true;
}

DialogResults FileDialogObject::showSave()
{
    HostState& state = hostState();
    const DialogResults result = state.dialogResult;
    filename_ = result == adsk::core::DialogOK ? state.dialogFilename : std::string();
    state.fileDialogs.push_back({filter_, filterIndex_, initialDirectory_, initialFilename_, result, filename_});
    return result;
}

// ---- User interface ----------------------------------------------------------

Ptr<adsk::core::CommandDefinitions> UserInterfaceObject::commandDefinitions() const
{
    if (missing(Missing::CommandDefinitions))
        return nullptr;
    return definitions;
}

Ptr<adsk::core::Toolbars> UserInterfaceObject::toolbars() const
{
    if (missing(Missing::Toolbars))
        return nullptr;
    return toolbarList;
}

Ptr<adsk::core::Workspaces> UserInterfaceObject::workspaces() const
{
    if (missing(Missing::Workspaces))
        return nullptr;
    return workspaceList;
}

Ptr<adsk::core::FileDialog> UserInterfaceObject::createFileDialog()
{
    if (missing(Missing::FileDialog))
        return nullptr;
    return new FileDialogObject;
}

DialogResults UserInterfaceObject::messageBox(const std::string& text, const std::string& title,
                                              adsk::core::MessageBoxButtonTypes buttons,
                                              adsk::core::MessageBoxIconTypes icon)
{
    hostState().messageBoxes.push_back({text, title, buttons, icon});
    return adsk::core::DialogOK;
}

} // namespace standin::host::detail
