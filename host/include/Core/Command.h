#pragma once
// A command: one run of a command definition.

#include "Base.h"
#include "Forward.h"

namespace adsk::core {

/// Created by the host each time the user runs a command definition, and
/// handed to the definition's commandCreated handlers.
class ADSK_API Command : public Base {
public:
    /// Fired when the command runs, after its created handlers; or empty.
    virtual Ptr<CommandEvent> execute() const = 0;
    /// The command's inputs, or empty.
    virtual Ptr<CommandInputs> commandInputs() const = 0;

    static const char* classType() { return "adsk::core::Command"; }
};

/// The inputs of a command's dialog.
class ADSK_API CommandInputs : public Base {
public:
    static const char* classType() { return "adsk::core::CommandInputs"; }
};

} // namespace adsk::core
