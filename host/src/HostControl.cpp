#include <StandIn/HostControl.h>

#include "ApplicationObject.h"
#include "DocumentObjects.h"
#include "HostState.h"

#include <StandIn/DesignLoader.h>

namespace standin::host {

using detail::hostState;

void reset()
{
    detail::HostState& state = hostState();
    state.document.reset();
    state.orientation = adsk::core::YUpModelingOrientation;
    state.viewport = defaultView(adsk::core::YUpModelingOrientation);
    state.missing.reset();
    state.dialogResult = adsk::core::DialogCancel;
    state.dialogFilename.clear();
    state.fileDialogs.clear();
    state.messageBoxes.clear();
    state.log.clear();
    // The application and its user interface stay the same objects, as in a
    // running host; what they hold is new.
    detail::UserInterfaceObject& ui = *state.application->ui;
    ui.definitions = new detail::CommandDefinitionsObject;
    detail::installLayout(ui, defaultLayout());
}

void openDesign(DesignData design)
{
    checkDesign(design);
    const HostSettings settings = design.host;
    adsk::core::Ptr<detail::DocumentObject> document = detail::makeDocument(std::move(design));
    detail::HostState& state = hostState();
    state.document = std::move(document);
    state.orientation = settings.modelingOrientation;
    state.viewport = settings.viewport;
}

void openDesignFile(const std::filesystem::path& file)
{
    openDesign(loadDesignFile(file));
}

void closeDocument()
{
    hostState().document.reset();
}

void setModelingOrientation(adsk::core::DefaultModelingOrientations orientation)
{
    hostState().orientation = orientation;
}

void setViewport(std::optional<CameraData> camera)
{
    hostState().viewport = camera;
}

void setMissing(Missing what, bool missing)
{
    hostState().missing.set(static_cast<std::size_t>(what), missing);
}

std::vector<LogRecord> loggedLines()
{
    return hostState().log;
}

std::size_t liveObjects()
{
    return detail::liveObjectCount().load(std::memory_order_relaxed);
}

} // namespace standin::host
