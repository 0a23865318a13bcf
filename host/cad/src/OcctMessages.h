#pragma once
// OpenCASCADE reports through one process-wide messenger whose printer
// writes to standard output, where the scene may be going, and some of its
// older readers write to std::cout themselves. While a MessageCapture lives,
// the messenger's printers are replaced by one that keeps the failures for
// error messages, and std::cout writes into a buffer kept the same way; both
// come back when it goes.
//
// MonitorProgress passes OpenCASCADE's progress on to an ImportMonitor.

#include "LeakCheckPause.h"

#include <StandIn/ImportMonitor.h>

#include <Message_Printer.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_SequenceOfPrinters.hxx>

#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace standin::host::cad {

class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    /// The failures reported since construction (at most the first few),
    /// without OpenCASCADE's banners and colour codes.
    std::vector<std::string> failures() const;
    /// The first failure, else the first line written to std::cout, else
    /// `fallback`.
    std::string firstFailure(const std::string& fallback) const;

private:
    class Keeper;
    Handle(Message_Printer) keeper_;
    Message_SequenceOfPrinters saved_;
    std::ostringstream printed_;
    std::streambuf* savedCout_ = nullptr;
};

/// OpenCASCADE builds process-wide registries the first time a reader or an
/// XCAF application is made (controllers, static parameters, driver tables)
/// and never frees them: kept out of the leak check while a FirstUseScope
/// lives.
using FirstUseScope = LeakCheckPause;

/// Passes progress on as `total` steps of the monitor's current stage.
class MonitorProgress : public Message_ProgressIndicator {
public:
    MonitorProgress(ImportMonitor* monitor, std::size_t total) : monitor_(monitor), total_(total) {}

    void Show(const Message_ProgressScope& scope, const Standard_Boolean isForce) override;
    Standard_Boolean UserBreak() override { return Standard_False; }

private:
    ImportMonitor* monitor_;
    std::size_t total_;
    std::size_t shown_ = 0;
};

} // namespace standin::host::cad
