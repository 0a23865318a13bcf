#pragma once
// The running application.

#include "Base.h"
#include "Enums.h"
#include "Forward.h"

#include <string>

namespace adsk::core {

/// The running host application, the root from which an add-in reaches
/// everything else. There is one per process.
class ADSK_API Application : public Base {
public:
    /// The running application, or empty when there is none.
    static Ptr<Application> get();

    /// The user interface, or empty.
    virtual Ptr<UserInterface> userInterface() const = 0;
    /// The document the user works on, or empty when none is open.
    virtual Ptr<Document> activeDocument() const = 0;
    /// The viewport the user looks through, or empty when there is none.
    virtual Ptr<Viewport> activeViewport() const = 0;
    /// The application's preferences, or empty.
    virtual Ptr<Preferences> preferences() const = 0;
    /// Writes one line to the host's text log, where the user reads what
    /// add-ins report. True when the line was taken.
    virtual bool log(const std::string& message, LogLevels level = InfoLogLevel,
                     LogTypes type = ConsoleLogType) = 0;

    static const char* classType() { return "adsk::core::Application"; }
};

} // namespace adsk::core
