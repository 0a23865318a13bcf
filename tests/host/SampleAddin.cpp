// A miniature add-in, built as a module of its own and loaded by AddinModuleTest
// the way a host program loads an add-in: it finds the application through the
// host library, adds a command with a button on the quick-access toolbar, and
// shows the active document's name and units when the command runs.

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>

using namespace adsk::core;

namespace {

Ptr<Application> app;
Ptr<UserInterface> ui;

class ShowExecuted : public CommandEventHandler {
public:
    void notify(const Ptr<CommandEventArgs>& eventArgs) override
    {
        Ptr<Command> command = eventArgs->firingEvent()->sender();
        if (!command)
            return;
        // No document: `->` raises, and the host reports the failed command.
        Ptr<Document> document = app->activeDocument();
        Ptr<adsk::fusion::Design> design = document->products()->item(0);
        ui->messageBox(document->name() + " in " + design->unitsManager()->defaultLengthUnits(), "", OKButtonType,
                       NoIconIconType);
    }
};

class ShowCreated : public CommandCreatedEventHandler {
public:
    void notify(const Ptr<CommandCreatedEventArgs>& eventArgs) override
    {
        if (!eventArgs)
            return;
        Ptr<Command> command = eventArgs->command();
        if (command)
            command->execute()->add(&executed_);
    }

private:
    ShowExecuted executed_;
};

ShowCreated created;

} // namespace

extern "C" XI_EXPORT bool run(const char*)
{
    app = Application::get();
    if (!app)
        return false;
    ui = app->userInterface();
    if (!ui)
        return false;
    Ptr<CommandDefinition> definition = ui->commandDefinitions()->itemById("sampleShow");
    if (!definition)
        definition = ui->commandDefinitions()->addButtonDefinition("sampleShow", "Show", "Shows the document", "./res");
    definition->commandCreated()->add(&created);
    Ptr<ToolbarControl> control = ui->toolbars()->itemById("QAT")->controls()->addCommand(definition, "", true);
    if (control)
        control->isVisible(true);
    return true;
}

extern "C" XI_EXPORT bool stop(const char*)
{
    ui = nullptr;
    return true;
}
