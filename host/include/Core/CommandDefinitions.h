#pragma once
// Command definitions: what a button runs, with its name, tooltip and icons.

#include "Base.h"
#include "Forward.h"

#include <string>

namespace adsk::core {

class ADSK_API CommandDefinitions : public Base {
public:
    /// The definition with this id, or empty.
    virtual Ptr<CommandDefinition> itemById(const std::string& id) const = 0;
    /// A new button definition; empty when the id is already taken.
    /// `resourceFolder` holds the icons, relative to the add-in.
    virtual Ptr<CommandDefinition> addButtonDefinition(const std::string& id, const std::string& name,
                                                       const std::string& tooltip,
                                                       const std::string& resourceFolder = "") = 0;

    static const char* classType() { return "adsk::core::CommandDefinitions"; }
};

class ADSK_API CommandDefinition : public Base {
public:
    /// Fired with a new Command each time the user runs the definition, or
    /// empty.
    virtual Ptr<CommandCreatedEvent> commandCreated() const = 0;

    static const char* classType() { return "adsk::core::CommandDefinition"; }
};

} // namespace adsk::core
