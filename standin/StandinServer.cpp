#include "StandinServer.h"

#include "Protocol.h"
#include "SceneDescription.h"
#include "TransferReading.h"
#include "TransferRecorder.h"

#include <platform/OutputFile.h>
#include <sceneapi/FileBytes.h>
#include <sceneapi/velScene_api_file.h>

#include <asio.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

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

// A recorded transfer, read from its file into `bytes` and applied.
TransferVerdict applyRecorded(const std::string& path, vel::FileBytes& bytes, HeldScene& scene,
                              vel::SceneReader& reader)
{
    std::string error;
    if (!bytes.open(path, error))
        return {false, "cannot read its recording: " + error};
    return applyTransfer(bytes.bytes(), scene, reader);
}

// Reads of a transfer's body: large, so that a transfer of tens of megabytes
// costs the receiving thread few calls and wake-ups.
constexpr std::size_t kChunkBytes = 1024 * 1024;

// How much, and for how long at most, a connection is read after its answer.
constexpr std::uint64_t kMaxDrainBytes = 4 << 20;
constexpr std::chrono::milliseconds kDrainTime{2000};

class Connection;

} // namespace

namespace {

// The server's state and its I/O side; StandinServer::Impl is this.
class Server {
public:
    explicit Server(ServerSettings settings)
        : s(std::move(settings)), recorder(s.transferFolder, s.keepTransfers)
    {
    }
    ~Server()
    {
        // Nothing may apply to the scene while it goes.
        worker.join();
    }

    using Ending = StandinServer::Ending;

    bool start(std::string* whyNot);
    Ending run();
    void stop()
    {
        asio::post(io, [this] { shutdown(Ending::Stopped); });
    }

    void log(const std::string& line)
    {
        if (!s.log)
            return;
        const std::lock_guard<std::mutex> lock(logMutex);
        s.log(line);
    }
    std::string description()
    {
        const std::lock_guard<std::mutex> lock(descriptionMutex);
        return description_;
    }
    // On the worker: the scene changed.
    void describe()
    {
        std::string text = describeScene(scene, s.majorVersion, s.processId);
        const std::lock_guard<std::mutex> lock(descriptionMutex);
        description_ = std::move(text);
    }
    void connectionEnded();
    void shutdown(Ending why);
    // The numbers of the recordings still being received or applied, which
    // pruning leaves alone.
    std::vector<unsigned> busyRecordings() const;

    ServerSettings s;
    asio::io_context io;
    asio::ip::tcp::acceptor acceptor{io};
    asio::steady_timer idle{io};
    asio::steady_timer retry{io}; // the next accept after one failed
    asio::signal_set signals{io};
    Ending ending = Ending::Stopped;
    Announcement announcement;
    bool announced = false;
    // On the I/O thread only: the connections, the recordings.
    std::vector<std::weak_ptr<Connection>> open;
    std::size_t active = 0;
    bool quitting = false;
    unsigned transfersBegun = 0;
    TransferRecorder recorder;
    // On the worker only, while running.
    HeldScene scene;
    vel::SceneReader reader; // reads every transfer

private:
    bool listenAt(int port, asio::error_code& error);
    void accept();
    void armIdle();

    std::mutex logMutex;
    std::mutex descriptionMutex;
    std::string description_;

public:
    // Applies transfers and writes dumps one at a time, in the order they
    // are handed over. Last, so that it stops before anything it uses goes.
    asio::thread_pool worker{1};
};

// One connection, from its request to its answer. Lives as long as an
// operation of it is pending; everything but the apply runs on the I/O
// thread.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(Server& server, asio::ip::tcp::socket socket)
        : server_(server), socket_(std::move(socket)), stall_(server.io)
    {
    }

    void start() { readRequest(); }
    // The number of its transfer's recording until its verdict; 0 when it
    // has none.
    unsigned busyRecording() const { return recording_ && !settled_ ? recording_->number() : 0; }
    // Ends it at once, as the server shuts down.
    void close()
    {
        asio::error_code ignored;
        socket_.close(ignored);
        stall_.cancel();
    }

private:
    using Self = std::shared_ptr<Connection>;

    void armStall()
    {
        stall_.expires_after(server_.s.stallTimeout);
        stall_.async_wait([self = shared_from_this()](const asio::error_code& error) {
            if (!error) {
                self->stalled_ = true;
                asio::error_code ignored;
                self->socket_.cancel(ignored);
            }
        });
    }

    void readRequest()
    {
        armStall();
        asio::async_read_until(socket_, asio::dynamic_buffer(head_, kMaxRequestLine + 1), '\n',
                               [self = shared_from_this()](const asio::error_code& error, std::size_t lineEnd) {
                                   self->onRequest(error, lineEnd);
                               });
    }

    void onRequest(const asio::error_code& error, std::size_t lineEnd)
    {
        stall_.cancel();
        if (!head_.empty() && head_.front() != kRequestStart) {
            answer(std::string(kErrorPrefix) + "not a request\n");
            return;
        }
        if (error == asio::error::not_found) {
            answer(std::string(kErrorPrefix) + "the request line is too long\n");
            return;
        }
        if (error) {
            end(); // cut short or silent: nothing to answer
            return;
        }
        const std::optional<ControlRequest> request = parseRequest(std::string_view(head_).substr(1, lineEnd - 2));
        if (!request) {
            answer(std::string(kErrorPrefix) + "not a request\n");
            return;
        }
        if (request->token != server_.announcement.token) {
            answer(std::string(kErrorPrefix) + "the token is not this stand-in's\n");
            return;
        }
        if (request->command == kTransfer && request->argument.empty()) {
            beginTransfer(lineEnd);
            return;
        }
        if (request->command == kDescribe && request->argument.empty()) {
            answer(server_.description());
            return;
        }
        if (request->command == kQuit && request->argument.empty()) {
            server_.quitting = true;
            answer(std::string(kOk));
            return;
        }
        if (request->command == kDump) {
            dump(request->argument);
            return;
        }
        answer(std::string(kErrorPrefix) + "unknown request \"" + request->command + "\"\n");
    }

    void dump(const std::string& path)
    {
        if (!std::filesystem::path(path).is_absolute()) {
            answer(std::string(kErrorPrefix) + "dump needs the scene file's full path\n");
            return;
        }
        asio::post(server_.worker, [self = shared_from_this(), path]() mutable {
            const std::string failure = writeSceneFile(self->server_.scene, path);
            self->server_.log(failure.empty() ? "wrote the scene to " + path : failure);
            Connection& connection = *self;
            asio::post(connection.server_.io, [self = std::move(self), failure] {
                self->answer(failure.empty() ? std::string(kOk) : std::string(kErrorPrefix) + failure + "\n");
            });
        });
    }

    void beginTransfer(std::size_t lineEnd)
    {
        recording_ = server_.recorder.begin();
        if (server_.s.transferBegins)
            server_.s.transferBegins(++server_.transfersBegun);
        buffer_ = std::make_unique<char[]>(kChunkBytes);
        // What came with the request line is the body's beginning.
        const std::string_view early = std::string_view(head_).substr(lineEnd);
        if (!take(early.data(), early.size()))
            return;
        head_.clear();
        head_.shrink_to_fit();
        readBody();
    }

    // Counts and records a piece of the body; false when that ended it.
    bool take(const char* data, std::size_t size)
    {
        received_ += size;
        if (received_ > server_.s.maxTransferBytes) {
            reject("the transfer is larger than " + std::to_string(server_.s.maxTransferBytes) + " bytes");
            return false;
        }
        recording_->append(data, size);
        return true;
    }

    void readBody()
    {
        armStall();
        socket_.async_read_some(asio::buffer(buffer_.get(), kChunkBytes),
                                [self = shared_from_this()](const asio::error_code& error, std::size_t size) {
                                    self->onBody(error, size);
                                });
    }

    void onBody(const asio::error_code& error, std::size_t size)
    {
        stall_.cancel();
        if (!error) {
            if (take(buffer_.get(), size))
                readBody();
        } else if (error == asio::error::eof) {
            complete();
        } else if (stalled_) {
            reject("nothing came for " + std::to_string(server_.s.stallTimeout.count()) + " ms after "
                   + std::to_string(received_) + " bytes");
        } else if (socket_.is_open()) {
            reject("the connection broke after " + std::to_string(received_) + " bytes: " + error.message());
        } else {
            end(); // shut down meanwhile
        }
    }

    // The whole body is there: the worker applies it, after every transfer
    // that completed before.
    void complete()
    {
        buffer_.reset();
        if (!recording_->finish()) {
            reject("it could not be recorded: " + recording_->error());
            return;
        }
        asio::post(server_.worker, [self = shared_from_this()]() mutable {
            Server& server = self->server_;
            vel::FileBytes bytes; // unmapped once the answer is on its way
            const TransferVerdict verdict =
                applyRecorded(self->recording_->path(), bytes, server.scene, server.reader);
            if (verdict.accepted) {
                server.describe();
                std::string names;
                for (const ModelSet& set : server.scene.modelSets())
                    names += (names.empty() ? "" : ", ") + set.name;
                server.log("transfer " + std::to_string(self->recording_->number()) + " accepted ("
                           + std::to_string(self->received_) + " bytes); model sets: "
                           + (names.empty() ? "none" : names));
            }
            asio::post(server.io, [self = std::move(self), verdict] {
                if (verdict.accepted) {
                    self->settled_ = true;
                    PrunedRecordings pruned = self->server_.recorder.prune(self->server_.busyRecordings());
                    self->answer(std::string(kAccepted) + std::to_string(self->recording_->number()) + "\n");
                    // Their pages are let go on the worker, after the answer.
                    asio::post(self->server_.worker, [pruned = std::move(pruned)] {});
                } else {
                    self->reject(verdict.reason);
                }
            });
        });
    }

    // The transfer is not applied and not kept; the sender is told why when
    // it still listens.
    void reject(const std::string& reason)
    {
        buffer_.reset();
        settled_ = true;
        const std::string number = std::to_string(recording_->number());
        recording_->discard();
        server_.log("transfer " + number + " rejected: " + reason);
        answer(std::string(kRejected) + number + ": " + reason + "\n");
    }

    void answer(std::string text)
    {
        answer_ = std::move(text);
        armStall();
        asio::async_write(socket_, asio::buffer(answer_),
                          [self = shared_from_this()](const asio::error_code& error, std::size_t) {
                              self->stall_.cancel();
                              if (error) {
                                  self->end();
                                  return;
                              }
                              asio::error_code ignored;
                              self->socket_.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
                              self->drain();
                          });
    }

    // What the client still sends after its answer (a refused request's
    // body, the rest of a transfer over the limit) is read and dropped until
    // it ends its side, within bounds: closing with unread bytes would reset
    // the connection, and the reset can destroy the answer before the client
    // reads it.
    void drain()
    {
        stall_.expires_after(std::min<std::chrono::milliseconds>(server_.s.stallTimeout, kDrainTime));
        stall_.async_wait([self = shared_from_this()](const asio::error_code& error) {
            if (!error) {
                asio::error_code ignored;
                self->socket_.cancel(ignored);
            }
        });
        drainSome();
    }
    void drainSome()
    {
        socket_.async_read_some(asio::buffer(discard_), [self = shared_from_this()](const asio::error_code& error,
                                                                                   std::size_t size) {
            self->drained_ += size;
            if (!error && self->drained_ < kMaxDrainBytes)
                self->drainSome();
            else
                self->end();
        });
    }

    void end()
    {
        if (ended_)
            return;
        ended_ = true;
        close();
        server_.connectionEnded();
    }

    Server& server_;
    asio::ip::tcp::socket socket_;
    asio::steady_timer stall_;
    std::string head_; // the request line, and what came with it
    std::unique_ptr<Recording> recording_;
    std::unique_ptr<char[]> buffer_;
    std::uint64_t received_ = 0;
    std::string answer_;
    std::array<char, 4096> discard_{};
    std::uint64_t drained_ = 0;
    bool stalled_ = false;
    bool settled_ = false; // its transfer has its verdict
    bool ended_ = false;
};

bool Server::listenAt(int port, asio::error_code& error)
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

bool Server::start(std::string* whyNot)
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
    describe();
    log("RayDeck " + std::to_string(s.majorVersion) + " stand-in, process " + std::to_string(s.processId)
        + ", listening on 127.0.0.1:" + std::to_string(announcement.port));
    return true;
}

Server::Ending Server::run()
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
    armIdle();
    accept();
    io.run();
    worker.join();
    if (announced) {
        removeAnnouncement(s.announcementFolder, s.processId);
        announced = false;
    }
    log("ended: " + endingText(ending));
    return ending;
}

void Server::shutdown(Ending why)
{
    ending = why;
    asio::error_code ignored;
    acceptor.close(ignored);
    idle.cancel();
    retry.cancel();
    signals.cancel(ignored);
    for (const std::weak_ptr<Connection>& connection : open)
        if (const std::shared_ptr<Connection> alive = connection.lock())
            alive->close();
    io.stop();
}

void Server::armIdle()
{
    idle.expires_after(s.idleTimeout);
    idle.async_wait([this](const asio::error_code& error) {
        if (!error && active == 0)
            shutdown(Ending::Idle);
    });
}

std::vector<unsigned> Server::busyRecordings() const
{
    std::vector<unsigned> busy;
    for (const std::weak_ptr<Connection>& connection : open)
        if (const std::shared_ptr<Connection> alive = connection.lock(); alive && alive->busyRecording() != 0)
            busy.push_back(alive->busyRecording());
    return busy;
}

void Server::connectionEnded()
{
    --active;
    if (quitting)
        shutdown(Ending::Quit);
    else if (active == 0 && acceptor.is_open())
        armIdle();
}

void Server::accept()
{
    acceptor.async_accept([this](const asio::error_code& error, asio::ip::tcp::socket socket) {
        if (error == asio::error::operation_aborted || !acceptor.is_open())
            return;
        if (error) {
            // Out of descriptors, say: try again a little later rather than
            // at once and for ever.
            log("cannot accept a connection: " + error.message());
            retry.expires_after(std::chrono::milliseconds(100));
            retry.async_wait([this](const asio::error_code& stopped) {
                if (!stopped && acceptor.is_open())
                    accept();
            });
            return;
        }
        idle.cancel();
        ++active;
        std::erase_if(open, [](const std::weak_ptr<Connection>& c) { return c.expired(); });
        auto connection = std::make_shared<Connection>(*this, std::move(socket));
        open.push_back(connection);
        connection->start();
        accept();
    });
}

} // namespace

class StandinServer::Impl : public Server {
public:
    using Server::Server;
};

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
