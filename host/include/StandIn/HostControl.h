#pragma once
// Driving the stand-in host: the application state that a host program and
// tests set up around an add-in, and the diagnostics they check afterwards.
// The user interface side (layout, clicks, dialogs) is in UiControl.h.
//
// The state is process-wide and lives inside the host library, as the real
// host's does; Application::get() reaches it from anywhere.
//
//     namespace sh = standin::host;
//     sh::reset();
//     sh::openDesignFile("examples/gearbox.design.json");
//     sh::answerFileDialogs("/tmp/gearbox.rdk");
//     sh::ClickResult r = sh::click("myExportCommandId");

#include <Core/Enums.h>
#include <Core/Export.h>
#include "DesignData.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace standin::host {

/// Back to a freshly started host: no document, Y up, the default view, the
/// default layout (UiControl.h) with no command definitions and no controls,
/// no file dialog answer (dialogs are cancelled), no recorded dialogs,
/// message boxes or log lines, nothing missing. Objects that someone still holds stay
/// valid but are no longer part of the application.
ADSK_API void reset();

/// Makes `design` the active document (after checkDesign, which throws
/// DesignError and then changes nothing), replacing the one before, and
/// applies its host settings (modeling orientation, viewport).
ADSK_API void openDesign(DesignData design);

/// loadDesignFile + openDesign: on a DesignError nothing changes.
ADSK_API void openDesignFile(const std::filesystem::path& file);

/// No active document any more.
ADSK_API void closeDocument();

ADSK_API void setModelingOrientation(adsk::core::DefaultModelingOrientations orientation);

/// The active viewport's camera; empty: there is no active viewport.
ADSK_API void setViewport(std::optional<CameraData> camera);

/// Host objects that can be made to come back empty, so that an add-in's
/// handling of a missing object can be tested. Each names the operation that
/// then returns an empty Ptr. Objects of the document are made missing in
/// DesignData instead; toolbar and panel collections in UiLayout.
enum class Missing {
    Application,         ///< Application::get()
    UserInterface,       ///< Application::userInterface()
    CommandDefinitions,  ///< UserInterface::commandDefinitions()
    Toolbars,            ///< UserInterface::toolbars()
    Workspaces,          ///< UserInterface::workspaces()
    FileDialog,          ///< UserInterface::createFileDialog()
    CommandCreatedEvent, ///< CommandDefinition::commandCreated()
    AddedControl,        ///< ToolbarControls::addCommand() (nothing is added)
    EventArgs,           ///< the eventArgs passed to notify
    FiringEvent,         ///< EventArgs::firingEvent()
    CreatedCommand,      ///< CommandCreatedEventArgs::command()
    ExecuteEvent,        ///< Command::execute()
    CommandInputs,       ///< Command::commandInputs()
    Preferences,         ///< Application::preferences()
    GeneralPreferences,  ///< Preferences::generalPreferences()
    ViewportCamera,      ///< Viewport::camera()
    CameraEye,           ///< Camera::eye()
    CameraTarget,        ///< Camera::target()
    CameraUpVector,      ///< Camera::upVector()
};

/// Makes the operation give an empty Ptr (or not, with false) from now on.
ADSK_API void setMissing(Missing what, bool missing = true);

/// One line of the text log, as an add-in wrote it through Application::log.
struct LogRecord {
    std::string message;
    adsk::core::LogLevels level = adsk::core::InfoLogLevel;
    adsk::core::LogTypes type = adsk::core::ConsoleLogType;
    bool operator==(const LogRecord&) const = default;
};
/// Every line logged since reset(), in order.
ADSK_API std::vector<LogRecord> loggedLines();

/// How many host objects exist right now, held by the host or by anyone's
/// Ptr. Compare two readings to find objects that are never released.
ADSK_API std::size_t liveObjects();

/// The host's arrays (mesh arrays, Vector3D::asArray) handed out so far.
struct ArrayLoans {
    std::size_t lent = 0;        ///< handed out in total
    std::size_t outstanding = 0; ///< not given back to DeallocateArray yet
    std::size_t foreign = 0;     ///< DeallocateArray calls with a pointer the host never lent
};
ADSK_API ArrayLoans arrayLoans();

} // namespace standin::host
