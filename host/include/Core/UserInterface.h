#pragma once
// The user interface: command definitions, toolbars, workspaces, dialogs.

#include "Base.h"
#include "Enums.h"
#include "Forward.h"

#include <string>

namespace adsk::core {

class ADSK_API UserInterface : public Base {
public:
    /// Every command definition of the application, or empty.
    virtual Ptr<CommandDefinitions> commandDefinitions() const = 0;
    /// The toolbars (the quick-access toolbar is "QAT"), or empty.
    virtual Ptr<Toolbars> toolbars() const = 0;
    /// The workspaces, in the order the host shows them, or empty.
    virtual Ptr<Workspaces> workspaces() const = 0;
    /// A new save/open dialog, or empty.
    virtual Ptr<FileDialog> createFileDialog() = 0;
    /// Shows `text` modally and returns the button the user chose.
    virtual DialogResults messageBox(const std::string& text, const std::string& title = "",
                                     MessageBoxButtonTypes buttons = OKButtonType,
                                     MessageBoxIconTypes icon = NoIconIconType) = 0;

    static const char* classType() { return "adsk::core::UserInterface"; }
};

} // namespace adsk::core
