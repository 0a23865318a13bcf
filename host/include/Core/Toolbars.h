#pragma once
// Toolbars and the controls on toolbars and panels.

#include "Base.h"
#include "Forward.h"

#include <string>

namespace adsk::core {

class ADSK_API Toolbars : public Base {
public:
    /// The toolbar with this id (the quick-access toolbar is "QAT"), or empty.
    virtual Ptr<Toolbar> itemById(const std::string& id) const = 0;

    static const char* classType() { return "adsk::core::Toolbars"; }
};

class ADSK_API Toolbar : public Base {
public:
    /// Its controls, or empty.
    virtual Ptr<ToolbarControls> controls() const = 0;

    static const char* classType() { return "adsk::core::Toolbar"; }
};

/// The controls of a toolbar or of a toolbar panel.
class ADSK_API ToolbarControls : public Base {
public:
    /// The control with this id, or empty. A command's control has the id of
    /// its command definition.
    virtual Ptr<ToolbarControl> itemById(const std::string& id) const = 0;
    /// Adds a button for the definition, before (or after) the control
    /// `positionID`, at the end when `positionID` is empty or not found.
    /// Empty when the definition is empty or already has a control here.
    virtual Ptr<CommandControl> addCommand(const Ptr<CommandDefinition>& commandDefinition,
                                           const std::string& positionID = "", bool isBefore = true) = 0;

    static const char* classType() { return "adsk::core::ToolbarControls"; }
};

class ADSK_API ToolbarControl : public Base {
public:
    /// Shows (true) or hides the control; true when done.
    virtual bool isVisible(bool value) = 0;

    static const char* classType() { return "adsk::core::ToolbarControl"; }
};

/// A control that runs a command definition.
class ADSK_API CommandControl : public ToolbarControl {
public:
    static const char* classType() { return "adsk::core::CommandControl"; }
};

} // namespace adsk::core
