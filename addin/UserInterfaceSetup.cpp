#include "UserInterfaceSetup.h"

#include "AddinGlobals.h"
#include "CommandTexts.h"

using adsk::core::Ptr;

namespace {

// One button to make: its command's texts and icons, and the handler to hook.
struct Button {
    const std::string& id;
    const std::string& name;
    const std::string& tooltip;
    const char* resourceFolder;
    adsk::core::CommandCreatedEventHandler& handler;
};

// The definition with the button's id, or a new button definition; empty
// when the host gives neither.
Ptr<adsk::core::CommandDefinition> takeOrAddDefinition(const Ptr<adsk::core::CommandDefinitions>& definitions,
                                                       const Button& button)
{
    Ptr<adsk::core::CommandDefinition> definition = definitions->itemById(button.id);
    if (!definition)
        definition = definitions->addButtonDefinition(button.id, button.name, button.tooltip, button.resourceFolder);
    return definition;
}

// The toolbar's button, which nothing depends on: whatever the host fails to
// give ends this step quietly.
void addToolbarButton(const Ptr<adsk::core::ToolbarControls>& controls,
                      const Ptr<adsk::core::CommandDefinitions>& definitions, const Button& button)
{
    if (controls->itemById(button.id))
        return;
    Ptr<adsk::core::CommandDefinition> definition = takeOrAddDefinition(definitions, button);
    if (!definition)
        return;
    Ptr<adsk::core::CommandCreatedEvent> created = definition->commandCreated();
    if (!created)
        return;
    created->add(&button.handler);
    Ptr<adsk::core::ToolbarControl> control = controls->addCommand(definition, "", true);
    if (control)
        control->isVisible(true);
}

// A panel button. False when the definition has no command-created event or
// the host gives no control for it; true when it is there or was made, and
// when there is no definition to make it from.
bool addPanelButton(const Ptr<adsk::core::ToolbarControls>& controls,
                    const Ptr<adsk::core::CommandDefinitions>& definitions, const Button& button)
{
    if (controls->itemById(button.id))
        return true;
    Ptr<adsk::core::CommandDefinition> definition = takeOrAddDefinition(definitions, button);
    if (!definition)
        return true;
    Ptr<adsk::core::CommandCreatedEvent> created = definition->commandCreated();
    if (!created)
        return false;
    created->add(&button.handler);
    Ptr<adsk::core::ToolbarControl> control = controls->addCommand(definition, "", true);
    if (!control)
        return false;
    control->isVisible(true);
    return true;
}

} // namespace

bool setupUserInterface(Ptr<adsk::core::Workspaces> workspaces, Ptr<adsk::core::Toolbars> toolbars,
                        Ptr<adsk::core::CommandDefinitions> commandDefinitions)
{
    const addin::CommandTexts texts = addin::commandTexts();
    const Button renderOnToolbar{texts.renderIdOnToolbar, texts.renderName, texts.renderTooltip,
                                     addin::kRenderResourceFolder, renderCommandCreatedHandler};
    const Button renderOnPanel{texts.renderIdOnPanel, texts.renderName, texts.renderTooltip,
                                   addin::kRenderResourceFolder, renderCommandCreatedHandler};
    const Button exportOnPanel{texts.exportIdOnPanel, texts.exportName, texts.exportTooltip,
                                   addin::kExportResourceFolder, exportCommandCreatedHandler};

    Ptr<adsk::core::ToolbarControls> toolbarControls = toolbars->itemById(addin::kToolbarId)->controls();
    addToolbarButton(toolbarControls, commandDefinitions, renderOnToolbar);

    // The render workspace, else the last one the host lists.
    Ptr<adsk::core::Workspace> workspace = workspaces->itemById(addin::kWorkspaceId);
    if (!workspace && workspaces->count() > 0)
        workspace = workspaces->item(workspaces->count() - 1);
    if (!workspace)
        return true;

    // Its render panel, else its last panel.
    Ptr<adsk::core::ToolbarPanels> panels = workspace->toolbarPanels();
    Ptr<adsk::core::ToolbarPanel> panel = panels->itemById(addin::kPanelId);
    if (!panel && panels->count() > 0)
        panel = panels->item(panels->count() - 1);
    if (!panel)
        return true;
    Ptr<adsk::core::ToolbarControls> panelControls = panel->controls();
    if (!panelControls)
        return true;

    return addPanelButton(panelControls, commandDefinitions, renderOnPanel) &&
           addPanelButton(panelControls, commandDefinitions, exportOnPanel);
}
