#pragma once
// The application object and its preferences.

#include "Object.h"
#include "UiObjects.h"

namespace standin::host::detail {

class GeneralPreferencesObject final : public Object<adsk::core::GeneralPreferences> {
public:
    adsk::core::DefaultModelingOrientations defaultModelingOrientation() const override;
};

class PreferencesObject final : public Object<adsk::core::Preferences> {
public:
    Ptr<adsk::core::GeneralPreferences> generalPreferences() const override;

private:
    Ptr<GeneralPreferencesObject> general_ = new GeneralPreferencesObject;
};

class ApplicationObject final : public Object<adsk::core::Application> {
public:
    Ptr<adsk::core::UserInterface> userInterface() const override;
    Ptr<adsk::core::Document> activeDocument() const override;
    Ptr<adsk::core::Viewport> activeViewport() const override;
    Ptr<adsk::core::Preferences> preferences() const override;
    bool log(const std::string& message, adsk::core::LogLevels level, adsk::core::LogTypes type) override;

    // Replaced by reset(); whoever still holds the old one keeps a detached
    // user interface.
    Ptr<UserInterfaceObject> ui = new UserInterfaceObject;

private:
    Ptr<PreferencesObject> preferences_ = new PreferencesObject;
};

} // namespace standin::host::detail
