#pragma once
// The process-wide state of the stand-in host: the application object and
// everything the control functions set around it.

#include "Object.h"

#include <StandIn/DesignData.h>
#include <StandIn/HostControl.h>
#include <StandIn/UiControl.h>

#include <bitset>
#include <optional>
#include <string>
#include <vector>

namespace standin::host::detail {

class ApplicationObject;
class DocumentObject;

struct HostState {
    adsk::core::Ptr<ApplicationObject> application;
    adsk::core::Ptr<DocumentObject> document;
    adsk::core::DefaultModelingOrientations orientation = adsk::core::YUpModelingOrientation;
    std::optional<CameraData> viewport = defaultView(adsk::core::YUpModelingOrientation);
    std::bitset<32> missing;
    adsk::core::DialogResults dialogResult = adsk::core::DialogCancel;
    std::string dialogFilename;
    std::vector<FileDialogRecord> fileDialogs;
    std::vector<MessageBoxRecord> messageBoxes;
    std::vector<LogRecord> log;

    bool isMissing(Missing what) const { return missing.test(static_cast<std::size_t>(what)); }
};

// The one state of the process, made on first use and never destroyed, so
// that host objects released late (from static destructors of an add-in)
// still find it.
HostState& hostState();

} // namespace standin::host::detail
