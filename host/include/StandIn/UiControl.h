#pragma once
// Driving the stand-in host's user interface: the toolbars and workspaces an
// add-in finds, what it added to them, a user's click on a command, the file
// dialog's answer and the message boxes shown.

#include <Core/Enums.h>
#include <Core/Export.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace standin::host {

// ---- Layout ---------------------------------------------------------------

struct ToolbarLayout {
    std::string id;
    bool controlsMissing = false; ///< Toolbar::controls() gives an empty Ptr
    bool operator==(const ToolbarLayout&) const = default;
};

struct PanelLayout {
    std::string id;
    bool controlsMissing = false; ///< ToolbarPanel::controls() gives an empty Ptr
    bool operator==(const PanelLayout&) const = default;
};

struct WorkspaceLayout {
    std::string id;
    std::vector<PanelLayout> panels;
    bool panelsMissing = false; ///< Workspace::toolbarPanels() gives an empty Ptr
    bool operator==(const WorkspaceLayout&) const = default;
};

struct UiLayout {
    std::vector<ToolbarLayout> toolbars;
    std::vector<WorkspaceLayout> workspaces; ///< in the order the host lists them
    bool operator==(const UiLayout&) const = default;
};

/// The toolbar "QAT", and the workspaces "FusionSolidEnvironment",
/// "FusionRenderEnvironment" (panels "RenderSetupPanel", "RenderPanel",
/// "RenderOutputPanel") and "CAMEnvironment", in this order, all empty.
ADSK_API UiLayout defaultLayout();

/// Replaces the toolbars and workspaces (with every control on them); command
/// definitions stay.
ADSK_API void setLayout(const UiLayout& layout);

/// The toolbars and workspaces as they are now (after setLayout, removals),
/// so that a host program can find where a control sits.
ADSK_API UiLayout currentLayout();

/// Removes a workspace or one panel, with its controls; false when not there.
ADSK_API bool removeWorkspace(std::string_view workspaceId);
ADSK_API bool removePanel(std::string_view workspaceId, std::string_view panelId);

// ---- What the add-in set up ------------------------------------------------

struct ControlInfo {
    std::string id; ///< the id of its command definition
    bool visible = true;
};

/// The controls of a toolbar or panel, in order; empty when there is no such
/// toolbar or panel.
ADSK_API std::vector<ControlInfo> toolbarControls(std::string_view toolbarId);
ADSK_API std::vector<ControlInfo> panelControls(std::string_view workspaceId, std::string_view panelId);

struct CommandDefinitionInfo {
    std::string id;
    std::string name;
    std::string tooltip;
    std::string resourceFolder;
    std::size_t createdHandlers = 0; ///< distinct handlers on commandCreated
};

/// Every command definition, in the order they were added.
ADSK_API std::vector<CommandDefinitionInfo> commandDefinitions();

// ---- Clicks ------------------------------------------------------------------

/// What became of a click.
struct ClickResult {
    enum Outcome {
        Completed,  ///< every handler returned
        Failed,     ///< an exception left a handler; the command ended there
        NotFound,   ///< no such command definition or control
        NotVisible, ///< the control is hidden
    };
    Outcome outcome = NotFound;
    /// Failed: the exception's what() (for an exception not derived from
    /// std::exception, "unknown exception type"), the way the host reports a
    /// failing command to the user.
    std::string error;

    explicit operator bool() const noexcept { return outcome == Completed; }
};

/// Runs a command definition as the host does for a user's click: a new
/// Command is made and the definition's commandCreated handlers are notified
/// with it (CommandCreatedEventArgs: command() is the new Command,
/// firingEvent() the commandCreated event, whose sender() is the
/// definition); then the Command's execute handlers, which the created
/// handlers usually add, are notified (CommandEventArgs: firingEvent() is the
/// execute event, whose sender() is the Command). Handlers run in the order
/// they were added. An exception that leaves a handler ends the click.
ADSK_API ClickResult click(std::string_view commandDefinitionId);

/// A click on a control: that of its command definition, when the control is
/// visible.
ADSK_API ClickResult clickToolbarControl(std::string_view toolbarId, std::string_view controlId);
ADSK_API ClickResult clickPanelControl(std::string_view workspaceId, std::string_view panelId,
                                       std::string_view controlId);

/// Forgets every handler registered by anyone, keeping definitions and
/// controls. Call it before an add-in's handler objects go away (before its
/// library is unloaded) when the host state lives on.
ADSK_API void unregisterHandlers();

// ---- File dialog -----------------------------------------------------------

/// From now on every dialog shown answers `result`; with DialogOK the user
/// chose `filename` (UTF-8).
ADSK_API void setFileDialogAnswer(adsk::core::DialogResults result, std::string filename = "");
/// Shorthands: the user confirms `filename`; the user cancels (the default).
ADSK_API void answerFileDialogs(std::string filename);
ADSK_API void cancelFileDialogs();

/// One dialog as it was shown: what the add-in had set and what it got.
struct FileDialogRecord {
    std::string filter;
    int filterIndex = 0;
    std::string initialDirectory;
    std::string initialFilename;
    adsk::core::DialogResults result = adsk::core::DialogCancel;
    std::string filename; ///< as filename() returns it afterwards
};
ADSK_API std::vector<FileDialogRecord> shownFileDialogs();

// ---- Message boxes ---------------------------------------------------------

/// One message box as it was shown. The host answers every one with DialogOK.
struct MessageBoxRecord {
    std::string text;
    std::string title;
    adsk::core::MessageBoxButtonTypes buttons = adsk::core::OKButtonType;
    adsk::core::MessageBoxIconTypes icon = adsk::core::NoIconIconType;
};
ADSK_API std::vector<MessageBoxRecord> shownMessageBoxes();

} // namespace standin::host
