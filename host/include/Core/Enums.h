#pragma once
// Enumerations of adsk::core, with the published names and values.

namespace adsk::core {

/// What a dialog's show operation or a message box returns.
enum DialogResults {
    DialogError = -1,
    DialogOK = 0,
    DialogCancel = 1,
    DialogNo = 2,
    DialogYes = 3,
};

enum MessageBoxButtonTypes {
    OKButtonType = 0,
    OKCancelButtonType = 1,
    RetryCancelButtonType = 2,
    YesNoButtonType = 3,
    YesNoCancelButtonType = 4,
};

enum MessageBoxIconTypes {
    NoIconIconType = 0,
    QuestionIconType = 1,
    InformationIconType = 2,
    WarningIconType = 3,
    CriticalIconType = 4,
};

/// Which axis points up in new designs (a general preference).
enum DefaultModelingOrientations {
    YUpModelingOrientation = 0,
    ZUpModelingOrientation = 1,
};

/// How serious a line of the text log is (Application::log).
enum LogLevels {
    InfoLogLevel = 0,
    WarningLogLevel = 1,
    ErrorLogLevel = 2,
};

/// Where a line of the text log goes: the host's text-command window, or
/// the host's log file.
enum LogTypes {
    ConsoleLogType = 0,
    FileLogType = 1,
};

enum CameraTypes {
    OrthographicCameraType = 0,
    PerspectiveCameraType = 1,
};

} // namespace adsk::core
