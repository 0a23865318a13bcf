#include "OcctMessages.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <TCollection_AsciiString.hxx>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace standin::host::cad {

namespace {

constexpr std::size_t kKeptFailures = 8;

// "**** ERR StepFile : Undefined Parsing: Line 3736: Incorrect syntax: ..."
// -> "Line 3736: Incorrect syntax: ..."; the STEP parser wraps its lines in
// asterisks and its banner, and other readers end lines with blanks.
std::string plainText(std::string text)
{
    const std::string banners[] = {"**** ERR StepFile : Undefined Parsing: ", "**** ERR StepFile : ",
                                   "**** ERR ", "*** ERR ", "ERR StepFile : "};
    for (const std::string& banner : banners) {
        const std::size_t at = text.find(banner);
        if (at != std::string::npos) {
            text.erase(0, at + banner.size());
            break;
        }
    }
    const std::size_t stars = text.find("****");
    if (stars != std::string::npos)
        text.erase(stars);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' || text.back() == '\t'))
        text.pop_back();
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n'))
        text.erase(0, 1);
    return text;
}

} // namespace

class MessageCapture::Keeper : public Message_Printer {
public:
    Keeper() { SetTraceLevel(Message_Fail); }

    std::vector<std::string> failures() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return failures_;
    }

protected:
    void send(const TCollection_AsciiString& text, const Message_Gravity gravity) const override
    {
        if (gravity < Message_Fail)
            return;
        std::string plain = plainText(text.ToCString());
        if (plain.empty())
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (failures_.size() < kKeptFailures)
            failures_.push_back(std::move(plain));
    }

private:
    mutable std::mutex mutex_;
    mutable std::vector<std::string> failures_;
};

MessageCapture::MessageCapture() : keeper_(new Keeper)
{
    const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
    saved_ = messenger->Printers();
    messenger->ChangePrinters().Clear();
    messenger->AddPrinter(keeper_);
    savedCout_ = std::cout.rdbuf(printed_.rdbuf());
}

MessageCapture::~MessageCapture()
{
    const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
    messenger->ChangePrinters() = saved_;
    std::cout.rdbuf(savedCout_);
}

std::vector<std::string> MessageCapture::failures() const
{
    return Handle(Keeper)::DownCast(keeper_)->failures();
}

std::string MessageCapture::firstFailure(const std::string& fallback) const
{
    const std::vector<std::string> all = failures();
    if (!all.empty())
        return all.front();
    std::string line = printed_.str();
    line = plainText(line.substr(0, line.find('\n')));
    return line.empty() ? fallback : line;
}

void MonitorProgress::Show(const Message_ProgressScope&, const Standard_Boolean)
{
    if (!monitor_)
        return;
    const double position = std::clamp(GetPosition(), 0.0, 1.0);
    const auto done = static_cast<std::size_t>(std::floor(position * static_cast<double>(total_)));
    if (done > shown_) {
        shown_ = done;
        monitor_->advance(done);
    }
}

} // namespace standin::host::cad

