#include "StandinServer.h"

#include "Protocol.h"
#include "SceneDescription.h"
#include "TransferReading.h"
#include "TransferRecorder.h"

#include <platform/OutputFile.h>
#include <sceneapi/velScene_api_file.h>

#include <asio.hpp>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace standin::raydeck {

namespace {

std::string endingText(StandinServer::Ending ending)
{
    switch (ending) {
    case StandinServer::Ending::Quit: return "asked to quit";
    case StandinServer::Ending::Idle: return "idle for too long";
    case StandinServer::Ending::Stopped: return "stopped";
    case StandinServer::Ending::Signal: return "signalled";
    }
    return "ended";
}

std::uint64_t millisecondsSince1970()
{
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

// Writes the scene as a scene file; empty, or why not. A regular file is
// replaced only when the new one is complete; a failure leaves it as it was.
std::string writeSceneFile(const HeldScene& scene, const std::string& path)
{
    const std::unique_ptr<platform::OutputFile> file = platform::OutputFile::open(path);
    if (!file)
        return "cannot create " + path + ": " + std::strerror(errno);
    std::string failure;
    {
        velScene_api_file writer(file->stream(), true);
        scene.write(writer);
        writer.flush();
        failure = writer.writeErrorText();
    }
    const int closed = failure.empty() ? file->commit() : file->abandon();
    if (failure.empty() && closed != 0)
        failure = std::strerror(closed);
    return failure.empty() ? std::string() : "cannot write " + path + ": " + failure;
}

} // namespace

class StandinServer::Impl {
public:
    explicit Impl(ServerSettings settings) : s(std::move(settings)), recorder(s.transferFolder) {}

    bool start(std::string* whyNot);
    Ending run();
    void stop()
    {
        asio::post(io, [this] { shutdown(Ending::Stopped); });
    }

    ServerSettings s;
    asio::io_context io;
    asio::ip::tcp::acceptor acceptor{io};
    asio::ip::tcp::socket socket{io};
    asio::steady_timer idle{io};
    asio::steady_timer stall{io};
    asio::signal_set signals{io};
    std::array<char, 64 * 1024> chunk{};
    std::string received;
    bool stalled = false;
    bool quitting = false;
    std::string answer;
    Ending ending = Ending::Stopped;
    HeldScene scene;
    TransferRecorder recorder;
    Announcement announcement;
    bool announced = false;
    unsigned transfersBegun = 0;

private:
    void log(const std::string& line) const
    {
        if (s.log)
            s.log(line);
    }
    bool listenAt(int port, asio::error_code& error);
    void accept();
    void read();
    void onRead(const asio::error_code& error, std::size_t size);
    void finishTransfer(const std::string& interruption);
    void handleRequest(std::string_view line);
    std::string answerRequest(const ControlRequest& request);
    void answerAndClose(std::string text);
    void endConnection();
    void armStall();
    void shutdown(Ending why);
};

bool StandinServer::Impl::listenAt(int port, asio::error_code& error)
{
    const asio::ip::tcp::endpoint endpoint(asio::ip::address_v4::loopback(), static_cast<unsigned short>(port));
    asio::error_code ignored;
    acceptor.close(ignored);
    acceptor.open(endpoint.protocol(), error);
    if (error)
        return false;
#ifndef _WIN32
    // Lets a new stand-in take a port whose earlier connections still linger
    // in TIME_WAIT. Not on Windows, where the option lets a second program
    // take a port that another one listens on.
    acceptor.set_option(asio::socket_base::reuse_address(true), ignored);
#endif
    acceptor.bind(endpoint, error);
    if (!error)
        acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        acceptor.close(ignored);
        return false;
    }
    return true;
}

bool StandinServer::Impl::start(std::string* whyNot)
{
    const auto fail = [&](const std::string& reason) {
        if (whyNot != nullptr)
            *whyNot = reason;
        return false;
    };
    asio::error_code error;
    bool listening = false;
    const bool anyPort = s.lowestPort == 0 && s.highestPort == 0;
    if (anyPort) {
        listening = listenAt(0, error);
    } else {
        if (s.lowestPort < 1 || s.highestPort > 65535 || s.lowestPort > s.highestPort)
            return fail("no usable port range: " + std::to_string(s.lowestPort) + " to "
                        + std::to_string(s.highestPort));
        for (int port = s.lowestPort; port <= s.highestPort && !listening; ++port)
            listening = listenAt(port, error);
    }
    if (!listening)
        return fail(anyPort ? "cannot listen on 127.0.0.1: " + error.message()
                            : "no free port from " + std::to_string(s.lowestPort) + " to "
                                  + std::to_string(s.highestPort) + " on 127.0.0.1");

    announcement.processId = s.processId;
    announcement.majorVersion = s.majorVersion;
    announcement.port = acceptor.local_endpoint().port();
    announcement.token = newToken();
    announcement.startedMilliseconds = millisecondsSince1970();
    if (!s.announcementFolder.empty()) {
        removeStaleAnnouncements(s.announcementFolder);
        std::string why;
        if (!writeAnnouncement(s.announcementFolder, announcement, &why)) {
            acceptor.close(error);
            return fail(why);
        }
        announced = true;
    }
    log("RayDeck " + std::to_string(s.majorVersion) + " stand-in, process " + std::to_string(s.processId)
        + ", listening on 127.0.0.1:" + std::to_string(announcement.port));
    return true;
}

StandinServer::Ending StandinServer::Impl::run()
{
    if (!acceptor.is_open())
        return ending; // never started, or run before
    if (s.handleSignals) {
        signals.add(SIGINT);
        signals.add(SIGTERM);
        signals.async_wait([this](const asio::error_code& error, int) {
            if (!error)
                shutdown(Ending::Signal);
        });
    }
    accept();
    io.run();
    if (announced) {
        removeAnnouncement(s.announcementFolder, s.processId);
        announced = false;
    }
    log("ended: " + endingText(ending));
    return ending;
}

void StandinServer::Impl::shutdown(Ending why)
{
    ending = why;
    asio::error_code ignored;
    acceptor.close(ignored);
    socket.close(ignored);
    idle.cancel();
    stall.cancel();
    signals.cancel(ignored);
    io.stop();
}

void StandinServer::Impl::accept()
{
    idle.expires_after(s.idleTimeout);
    idle.async_wait([this](const asio::error_code& error) {
        // A connection accepted meanwhile keeps it running.
        if (!error && !socket.is_open())
            shutdown(Ending::Idle);
    });
    acceptor.async_accept(socket, [this](const asio::error_code& error) {
        if (error == asio::error::operation_aborted || !acceptor.is_open())
            return;
        if (error) {
            log("cannot accept a connection: " + error.message());
            accept();
            return;
        }
        idle.cancel();
        received.clear();
        stalled = false;
        read();
    });
}

void StandinServer::Impl::armStall()
{
    stall.expires_after(s.stallTimeout);
    stall.async_wait([this](const asio::error_code& error) {
        if (!error) {
            stalled = true;
            asio::error_code ignored;
            socket.cancel(ignored);
        }
    });
}

void StandinServer::Impl::read()
{
    armStall();
    socket.async_read_some(asio::buffer(chunk),
                           [this](const asio::error_code& error, std::size_t size) { onRead(error, size); });
}

void StandinServer::Impl::onRead(const asio::error_code& error, std::size_t size)
{
    stall.cancel();
    if (!socket.is_open())
        return; // shut down meanwhile
    const bool overflow = received.size() + size > s.maxTransferBytes;
    const bool first = received.empty() && size > 0;
    if (!overflow)
        received.append(chunk.data(), size);
    if (first && received.front() != kRequestStart && s.transferBegins)
        s.transferBegins(++transfersBegun);

    if (!received.empty() && received.front() == kRequestStart) {
        const std::size_t lineEnd = received.find('\n');
        if (lineEnd != std::string::npos) {
            handleRequest(std::string_view(received).substr(1, lineEnd - 1));
        } else if (received.size() > kMaxRequestLine || overflow) {
            answerAndClose(std::string(kErrorPrefix) + "the request line is too long\n");
        } else if (error) {
            endConnection(); // a request cut short: nothing to answer
        } else {
            read();
        }
        return;
    }

    if (overflow)
        finishTransfer("the transfer is larger than " + std::to_string(s.maxTransferBytes) + " bytes");
    else if (!error)
        read();
    else if (received.empty())
        endConnection(); // a connection that brought nothing is no transfer
    else if (error == asio::error::eof)
        finishTransfer({});
    else if (stalled)
        finishTransfer("nothing came for " + std::to_string(s.stallTimeout.count()) + " ms after "
                       + std::to_string(received.size()) + " bytes");
    else
        finishTransfer("the connection broke after " + std::to_string(received.size())
                       + " bytes: " + error.message());
}

void StandinServer::Impl::finishTransfer(const std::string& interruption)
{
    const RecordedTransfer recorded = recorder.record(received);
    if (!recorded.error.empty())
        log("transfer " + std::to_string(recorded.number) + " not kept: " + recorded.error);
    TransferVerdict verdict;
    if (!interruption.empty())
        verdict.reason = interruption;
    else
        verdict = applyTransfer(received, scene);
    const std::string number = std::to_string(recorded.number);
    if (verdict.accepted) {
        std::string names;
        for (const ModelSet& set : scene.modelSets())
            names += (names.empty() ? "" : ", ") + set.name;
        log("transfer " + number + " accepted (" + std::to_string(received.size()) + " bytes); model sets: "
            + (names.empty() ? "none" : names));
    } else {
        log("transfer " + number + " rejected: " + verdict.reason);
    }
    received.clear();
    received.shrink_to_fit();
    answerAndClose(verdict.accepted ? std::string(kAccepted) + number + "\n"
                                    : std::string(kRejected) + number + ": " + verdict.reason + "\n");
}

std::string StandinServer::Impl::answerRequest(const ControlRequest& request)
{
    const std::string error(kErrorPrefix);
    if (request.token != announcement.token)
        return error + "the token is not this stand-in's\n";
    if (request.command == kDescribe && request.argument.empty())
        return describeScene(scene, s.majorVersion, s.processId);
    if (request.command == kQuit && request.argument.empty()) {
        quitting = true;
        return std::string(kOk);
    }
    if (request.command == kDump) {
        if (!std::filesystem::path(request.argument).is_absolute())
            return error + "dump needs the scene file's full path\n";
        const std::string failure = writeSceneFile(scene, request.argument);
        log(failure.empty() ? "wrote the scene to " + request.argument : failure);
        return failure.empty() ? std::string(kOk) : error + failure + "\n";
    }
    return error + "unknown request \"" + request.command + "\"\n";
}

void StandinServer::Impl::handleRequest(std::string_view line)
{
    const std::optional<ControlRequest> request = parseRequest(line);
    answerAndClose(request ? answerRequest(*request) : std::string(kErrorPrefix) + "not a request\n");
}

void StandinServer::Impl::answerAndClose(std::string text)
{
    answer = std::move(text);
    armStall();
    asio::async_write(socket, asio::buffer(answer), [this](const asio::error_code&, std::size_t) { endConnection(); });
}

void StandinServer::Impl::endConnection()
{
    stall.cancel();
    asio::error_code ignored;
    socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket.close(ignored);
    answer.clear();
    if (quitting)
        shutdown(Ending::Quit);
    else if (acceptor.is_open())
        accept();
}

StandinServer::StandinServer(ServerSettings settings) : impl_(std::make_unique<Impl>(std::move(settings))) {}

StandinServer::~StandinServer()
{
    if (impl_->announced)
        removeAnnouncement(impl_->s.announcementFolder, impl_->s.processId);
}

bool StandinServer::start(std::string* whyNot)
{
    return impl_->start(whyNot);
}

int StandinServer::port() const
{
    return impl_->announcement.port;
}

const Announcement& StandinServer::announcement() const
{
    return impl_->announcement;
}

StandinServer::Ending StandinServer::run()
{
    return impl_->run();
}

void StandinServer::stop()
{
    impl_->stop();
}

const HeldScene& StandinServer::scene() const
{
    return impl_->scene;
}

} // namespace standin::raydeck
