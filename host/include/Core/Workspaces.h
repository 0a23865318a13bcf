#pragma once
// Workspaces and their toolbar panels.

#include "Base.h"
#include "Forward.h"

#include <cstddef>
#include <string>

namespace adsk::core {

class ADSK_API Workspaces : public Base {
public:
    /// The workspace with this id, or empty.
    virtual Ptr<Workspace> itemById(const std::string& id) const = 0;
    virtual std::size_t count() const = 0;
    /// The workspace at `index`, or empty when out of range.
    virtual Ptr<Workspace> item(std::size_t index) const = 0;

    static const char* classType() { return "adsk::core::Workspaces"; }
};

class ADSK_API Workspace : public Base {
public:
    /// Its panels, or empty.
    virtual Ptr<ToolbarPanels> toolbarPanels() const = 0;

    static const char* classType() { return "adsk::core::Workspace"; }
};

class ADSK_API ToolbarPanels : public Base {
public:
    /// The panel with this id, or empty.
    virtual Ptr<ToolbarPanel> itemById(const std::string& id) const = 0;
    virtual std::size_t count() const = 0;
    /// The panel at `index`, or empty when out of range.
    virtual Ptr<ToolbarPanel> item(std::size_t index) const = 0;

    static const char* classType() { return "adsk::core::ToolbarPanels"; }
};

class ADSK_API ToolbarPanel : public Base {
public:
    /// Its controls, or empty.
    virtual Ptr<ToolbarControls> controls() const = 0;

    static const char* classType() { return "adsk::core::ToolbarPanel"; }
};

} // namespace adsk::core
