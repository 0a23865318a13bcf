#pragma once
// The RayDeck stand-in's server: listens on the loopback address, announces
// itself (Announcement.h), and serves every connection as it comes, each a
// transfer or a control request (Protocol.h), so that a client that is slow
// or silent never holds up another. A transfer is recorded as it comes in
// (TransferRecorder.h); once it is complete it is read and applied, all or
// nothing (TransferReading.h), one transfer at a time in the order they
// complete, on a thread of its own, and answered with its verdict. A request
// is answered and the connection closed; the scene description is answered
// at once, also while a transfer is being applied.
//
// It ends when asked to quit, after idleTimeout without a connection, on
// stop() (from any thread), or on SIGINT/SIGTERM when handleSignals is set;
// its announcement goes with it. A connection that sends nothing for
// stallTimeout is given up: a transfer then counts as interrupted and is
// rejected.
//
// It never listens beyond 127.0.0.1.

#include "Announcement.h"
#include "HeldScene.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace standin::raydeck {

struct ServerSettings {
    int majorVersion = 9;
    // The first port of the range that is free is taken; 0 and 0: any free
    // port the system gives.
    int lowestPort = 0;
    int highestPort = 0;
    std::string transferFolder;     // where transfers are recorded
    std::string announcementFolder; // empty: announce nowhere
    std::uint64_t processId = 0;    // announced, and reported in descriptions
    std::chrono::milliseconds idleTimeout{std::chrono::minutes(30)};
    std::chrono::milliseconds stallTimeout{std::chrono::seconds(60)};
    // A larger transfer is rejected, and read no further.
    std::uint64_t maxTransferBytes = std::uint64_t(1) << 30;
    // How many accepted transfers stay recorded; a rejected one never does.
    unsigned keepTransfers = 50;
    bool handleSignals = false;
    // Called as each transfer begins, with its count in this server's life
    // (1, 2, ...): raydeck-standin uses it to die or hang
    // in the middle of a transfer when asked to (RAYDECK_STANDIN_FAULT).
    std::function<void(unsigned)> transferBegins;
    // One line per event (started, each transfer with its verdict, each
    // request, the end), from the server's threads one at a time; none when
    // empty.
    std::function<void(const std::string&)> log;
};

class StandinServer {
public:
    enum class Ending { Quit, Idle, Stopped, Signal };

    explicit StandinServer(ServerSettings settings);
    ~StandinServer();
    StandinServer(const StandinServer&) = delete;
    StandinServer& operator=(const StandinServer&) = delete;

    // Listens at the first free port of the range and announces itself.
    // False, with *whyNot set, when no port is free or the announcement
    // cannot be written.
    bool start(std::string* whyNot = nullptr);

    int port() const;
    const Announcement& announcement() const;

    // Serves until it ends (see above), then removes its announcement.
    // Returns at once, as stopped, when start() did not succeed.
    Ending run();

    // Makes run() return soon; callable from any thread.
    void stop();

    // The scene held; read it only while run() is not running.
    const HeldScene& scene() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace standin::raydeck
