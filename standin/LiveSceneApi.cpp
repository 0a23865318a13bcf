#include "LiveSceneApi.h"

#include "Announcement.h"
#include "Protocol.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <thread>
#include <vector>

namespace standin::raydeck {

namespace {

// The stand-ins listen on the loopback address only, and the live link
// never reaches another machine.
bool isLoopbackName(const char* host)
{
    if (host == nullptr)
        return false;
    const std::string_view name(host);
    return name == "localhost" || name == "127.0.0.1";
}

constexpr int kMaxAttempts = 10;

// The token of the stand-in announced on this port; empty when none is.
std::string tokenOfPort(const std::string& announcements, int port)
{
    if (announcements.empty())
        return {};
    for (const Announcement& standin : runningAnnouncements(announcements))
        if (standin.port == port)
            return standin.token;
    return {};
}
constexpr std::size_t kMaxVerdict = 4096;
} // namespace

LiveSceneApi::LiveSceneApi(std::string announcements, LiveTimeouts timeouts)
    : announcements_(std::move(announcements)), timeouts_(timeouts)
{
}

LiveSceneApi::~LiveSceneApi()
{
    dropConnection();
}

void LiveSceneApi::dropConnection()
{
    writer_.reset(); // and its sink, before the connection it sends into
    sink_ = nullptr;
    stream_.reset();
}

bool LiveSceneApi::connect(const char* host, int port, int count)
{
    dropConnection();
    if (!isLoopbackName(host) || port < 1 || port > 65535)
        return false;
    // Nothing but an announced stand-in takes a transfer.
    const std::string token = tokenOfPort(announcements_, port);
    if (token.empty())
        return false;
    const int attempts = count < 1 ? 1 : count > kMaxAttempts ? kMaxAttempts : count;
    for (int attempt = 0; attempt < attempts && !stream_; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(timeouts_.pauseBetweenAttempts);
        stream_ = LoopbackStream::connect(port, timeouts_.connect);
    }
    if (!stream_)
        return false;
    auto sink = std::make_unique<SocketSink>(*stream_, timeouts_.send);
    sink->write(formatRequest({token, std::string(kTransfer), {}}));
    sink_ = sink.get();
    writer_ = std::make_unique<velScene_api_file>(std::move(sink), true);
    return true;
}

bool LiveSceneApi::disconnect()
{
    if (!writer_)
        return false;
    writer_->flush();
    bool sent = writer_->writeError() == 0;
    if (sent) {
        if (sink_->lastByte() != '\n')
            sink_->put('\n');
        sink_->write(kEndMark);
        sink_->flush();
        sent = sink_->error() == 0;
    }
    writer_.reset();
    sink_ = nullptr;
    bool accepted = false;
    if (!sent) {
        lastVerdict_ = "the stand-in did not take the transfer: " + stream_->lastError();
    } else if (!stream_->finishSending()) {
        lastVerdict_ = "the transfer could not be ended: " + stream_->lastError();
    } else if (std::optional<std::string> verdict = stream_->receiveAll(timeouts_.verdict, kMaxVerdict)) {
        if (!verdict->empty() && verdict->back() == '\n')
            verdict->pop_back();
        lastVerdict_ = *verdict;
        accepted = lastVerdict_.starts_with(kAccepted);
    } else {
        lastVerdict_ = "no verdict from the stand-in: " + stream_->lastError();
    }
    stream_.reset();
    return accepted;
}

void LiveSceneApi::writeText(const char* format, ...)
{
    if (!writer_ || format == nullptr)
        return;
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (size >= 0) {
        std::vector<char> text(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        writer_->writeText("%s", text.data());
    }
    va_end(args);
}

void LiveSceneApi::id(std::uint32_t n)
{
    if (writer_)
        writer_->id(n);
    else
        clientId_ = n;
}
} // namespace standin::raydeck
