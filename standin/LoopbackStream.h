#pragma once
// One TCP connection to a port of this machine's loopback address
// (127.0.0.1), with a time limit on every operation, so that a stand-in
// that hangs never hangs its caller. Blocking calls, each running the
// connection's own event loop until the operation completes or its time is
// up; no thread is started.
//
// After a failed or timed-out operation the connection is closed and every
// later operation fails at once.

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace standin::raydeck {

class LoopbackStream {
public:
    using Milliseconds = std::chrono::milliseconds;

    // Connects to 127.0.0.1:port. Null when nothing accepts within the time
    // (a port where nothing listens is refused at once); *whyNot says why.
    static std::unique_ptr<LoopbackStream> connect(int port, Milliseconds timeout, std::string* whyNot = nullptr);

    ~LoopbackStream();
    LoopbackStream(const LoopbackStream&) = delete;
    LoopbackStream& operator=(const LoopbackStream&) = delete;

    // Sends every byte; false when the peer did not take them all in time
    // or the connection broke.
    bool send(const char* data, std::size_t size, Milliseconds timeout);

    // Ends this side's sending: the peer reads the end of the stream. Bytes
    // can still be received.
    bool finishSending();

    // Everything the peer sends until it closes the connection. Nothing when
    // that does not happen in time, the connection breaks, or more than
    // maxBytes arrive.
    std::optional<std::string> receiveAll(Milliseconds timeout, std::size_t maxBytes);

    bool isOpen() const;
    void close();

    // What went wrong last, for messages.
    const std::string& lastError() const { return lastError_; }

private:
    struct Impl;
    explicit LoopbackStream(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> impl_;
    std::string lastError_;
};

} // namespace standin::raydeck
