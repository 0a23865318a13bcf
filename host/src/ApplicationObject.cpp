#include "ApplicationObject.h"

#include "DocumentObjects.h"
#include "GeometryObjects.h"
#include "HostState.h"

namespace adsk::core {

Base::~Base() = default;

Ptr<Application> Application::get()
{
    auto& state = standin::host::detail::hostState();
    if (state.isMissing(standin::host::Missing::Application))
        return nullptr;
    return state.application;
}

} // namespace adsk::core

namespace standin::host::detail {

std::atomic<std::size_t>& liveObjectCount() noexcept
{
    static std::atomic<std::size_t> count{0};
    return count;
}

HostState& hostState()
{
    static HostState* state = [] {
        auto* s = new HostState;
        s->application = new ApplicationObject;
        installLayout(*s->application->ui, defaultLayout());
        return s;
    }();
    return *state;
}

adsk::core::DefaultModelingOrientations GeneralPreferencesObject::defaultModelingOrientation() const
{
    return hostState().orientation;
}

Ptr<adsk::core::GeneralPreferences> PreferencesObject::generalPreferences() const
{
    if (hostState().isMissing(Missing::GeneralPreferences))
        return nullptr;
    return general_;
}

Ptr<adsk::core::UserInterface> ApplicationObject::userInterface() const
{
    if (hostState().isMissing(Missing::UserInterface))
        return nullptr;
    return ui;
}

Ptr<adsk::core::Document> ApplicationObject::activeDocument() const
{
    return hostState().document;
}

Ptr<adsk::core::Viewport> ApplicationObject::activeViewport() const
{
    const HostState& state = hostState();
    if (!state.viewport)
        return nullptr;
    return new ViewportObject(*state.viewport);
}

bool ApplicationObject::log(const std::string& message, adsk::core::LogLevels level, adsk::core::LogTypes type)
{
    hostState().log.push_back({message, level, type});
    return true;
}

Ptr<adsk::core::Preferences> ApplicationObject::preferences() const
{
    if (hostState().isMissing(Missing::Preferences))
        return nullptr;
    return preferences_;
}

} // namespace standin::host::detail
