#pragma once
// The user-interface objects of the host: command definitions, toolbars,
// workspaces, panels, controls, commands with their events, the file dialog.

#include "Object.h"

#include <StandIn/UiControl.h>

#include <string>
#include <string_view>
#include <vector>

namespace standin::host::detail {

using adsk::core::Ptr;

// An event with its handlers, which it does not own. Firing walks a copy of
// the list, so a handler may add handlers while it runs (they are called from
// the next firing on).
template <class I, class Handler, class Args>
class EventObject : public OwnedObject<I> {
public:
    using OwnedObject<I>::OwnedObject;

    bool add(Handler* handler) override
    {
        if (handler == nullptr)
            return false;
        for (Handler* h : handlers)
            if (h == handler)
                return true;
        handlers.push_back(handler);
        return true;
    }

    Ptr<adsk::core::Base> sender() const override { return Ptr<adsk::core::Base>(&this->owner()); }

    void fire(const Ptr<Args>& args) const
    {
        const std::vector<Handler*> snapshot = handlers;
        for (Handler* h : snapshot)
            h->notify(args);
    }

    std::vector<Handler*> handlers;
};

using CommandCreatedEventObject =
    EventObject<adsk::core::CommandCreatedEvent, adsk::core::CommandCreatedEventHandler,
                adsk::core::CommandCreatedEventArgs>;
using CommandEventObject =
    EventObject<adsk::core::CommandEvent, adsk::core::CommandEventHandler, adsk::core::CommandEventArgs>;

class CommandInputsObject final : public Object<adsk::core::CommandInputs> {};

class CommandObject final : public Object<adsk::core::Command> {
public:
    explicit CommandObject(bool withInputs);

    Ptr<adsk::core::CommandEvent> execute() const override;
    Ptr<adsk::core::CommandInputs> commandInputs() const override;

    mutable CommandEventObject executeEvent{*this};

private:
    Ptr<CommandInputsObject> inputs_;
};

class CommandCreatedEventArgsObject final : public Object<adsk::core::CommandCreatedEventArgs> {
public:
    CommandCreatedEventArgsObject(Ptr<adsk::core::Event> firing, Ptr<adsk::core::Command> command)
        : firing_(std::move(firing)), command_(std::move(command)) {}

    Ptr<adsk::core::Event> firingEvent() const override { return firing_; }
    Ptr<adsk::core::Command> command() const override { return command_; }

private:
    Ptr<adsk::core::Event> firing_;
    Ptr<adsk::core::Command> command_;
};

class CommandEventArgsObject final : public Object<adsk::core::CommandEventArgs> {
public:
    explicit CommandEventArgsObject(Ptr<adsk::core::Event> firing) : firing_(std::move(firing)) {}

    Ptr<adsk::core::Event> firingEvent() const override { return firing_; }

private:
    Ptr<adsk::core::Event> firing_;
};

class CommandDefinitionObject final : public Object<adsk::core::CommandDefinition> {
public:
    CommandDefinitionObject(std::string definitionId, std::string definitionName, std::string tooltipText,
                            std::string iconFolder);

    Ptr<adsk::core::CommandCreatedEvent> commandCreated() const override;

    const std::string id;
    const std::string name;
    const std::string tooltip;
    const std::string resourceFolder;
    mutable CommandCreatedEventObject createdEvent{*this};
};

class CommandDefinitionsObject final : public Object<adsk::core::CommandDefinitions> {
public:
    Ptr<adsk::core::CommandDefinition> itemById(const std::string& id) const override;
    Ptr<adsk::core::CommandDefinition> addButtonDefinition(const std::string& id, const std::string& name,
                                                           const std::string& tooltip,
                                                           const std::string& resourceFolder) override;

    CommandDefinitionObject* find(std::string_view id) const;

    std::vector<Ptr<CommandDefinitionObject>> items;
};

class CommandControlObject final : public Object<adsk::core::CommandControl> {
public:
    explicit CommandControlObject(Ptr<CommandDefinitionObject> commandDefinition)
        : definition(std::move(commandDefinition)) {}

    bool isVisible(bool value) override
    {
        visible = value;
        return true;
    }

    const Ptr<CommandDefinitionObject> definition;
    // A new control is hidden until its add-in shows it, as in the real host.
    bool visible = false;
};

class ToolbarControlsObject final : public Object<adsk::core::ToolbarControls> {
public:
    Ptr<adsk::core::ToolbarControl> itemById(const std::string& id) const override;
    Ptr<adsk::core::CommandControl> addCommand(const Ptr<adsk::core::CommandDefinition>& commandDefinition,
                                               const std::string& positionID, bool isBefore) override;

    CommandControlObject* find(std::string_view id) const;

    std::vector<Ptr<CommandControlObject>> items;
};

class ToolbarObject final : public Object<adsk::core::Toolbar> {
public:
    ToolbarObject(std::string toolbarId, bool withControls);

    Ptr<adsk::core::ToolbarControls> controls() const override { return controls_; }

    const std::string id;
    // Null when the layout says the controls are missing.
    ToolbarControlsObject* controlsObject() const noexcept { return controls_.get(); }

private:
    Ptr<ToolbarControlsObject> controls_;
};

class ToolbarsObject final : public Object<adsk::core::Toolbars> {
public:
    Ptr<adsk::core::Toolbar> itemById(const std::string& id) const override;

    ToolbarObject* find(std::string_view id) const;

    std::vector<Ptr<ToolbarObject>> items;
};

class ToolbarPanelObject final : public Object<adsk::core::ToolbarPanel> {
public:
    ToolbarPanelObject(std::string panelId, bool withControls);

    Ptr<adsk::core::ToolbarControls> controls() const override { return controls_; }

    const std::string id;
    ToolbarControlsObject* controlsObject() const noexcept { return controls_.get(); }

private:
    Ptr<ToolbarControlsObject> controls_;
};

class ToolbarPanelsObject final : public Object<adsk::core::ToolbarPanels> {
public:
    Ptr<adsk::core::ToolbarPanel> itemById(const std::string& id) const override;
    std::size_t count() const noexcept override { return items.size(); }
    Ptr<adsk::core::ToolbarPanel> item(std::size_t index) const override;

    ToolbarPanelObject* find(std::string_view id) const;

    std::vector<Ptr<ToolbarPanelObject>> items;
};

class WorkspaceObject final : public Object<adsk::core::Workspace> {
public:
    WorkspaceObject(std::string workspaceId, Ptr<ToolbarPanelsObject> panelList)
        : id(std::move(workspaceId)), panels(std::move(panelList)) {}

    Ptr<adsk::core::ToolbarPanels> toolbarPanels() const override { return panels; }

    const std::string id;
    const Ptr<ToolbarPanelsObject> panels; // null when missing
};

class WorkspacesObject final : public Object<adsk::core::Workspaces> {
public:
    Ptr<adsk::core::Workspace> itemById(const std::string& id) const override;
    std::size_t count() const noexcept override { return items.size(); }
    Ptr<adsk::core::Workspace> item(std::size_t index) const override;

    WorkspaceObject* find(std::string_view id) const;

    std::vector<Ptr<WorkspaceObject>> items;
};

class FileDialogObject final : public Object<adsk::core::FileDialog> {
public:
    bool filter(const std::string& value) override;
    bool filterIndex(int value) override;
    bool initialDirectory(const std::string& value) override;
    bool initialFilename(const std::string& value) override;
    adsk::core::DialogResults showSave() override;
    std::string filename() const override { return filename_; }

private:
    std::string filter_;
    int filterIndex_ = 0;
    std::string initialDirectory_;
    std::string initialFilename_;
    std::string filename_;
};

class UserInterfaceObject final : public Object<adsk::core::UserInterface> {
public:
    Ptr<adsk::core::CommandDefinitions> commandDefinitions() const override;
    Ptr<adsk::core::Toolbars> toolbars() const override;
    Ptr<adsk::core::Workspaces> workspaces() const override;
    Ptr<adsk::core::FileDialog> createFileDialog() override;
    adsk::core::DialogResults messageBox(const std::string& text, const std::string& title,
                                         adsk::core::MessageBoxButtonTypes buttons,
                                         adsk::core::MessageBoxIconTypes icon) override;

    Ptr<CommandDefinitionsObject> definitions = new CommandDefinitionsObject;
    Ptr<ToolbarsObject> toolbarList = new ToolbarsObject;
    Ptr<WorkspacesObject> workspaceList = new WorkspacesObject;
};

// Gives the user interface new, empty toolbars and workspaces as laid out.
void installLayout(UserInterfaceObject& ui, const UiLayout& layout);

} // namespace standin::host::detail
