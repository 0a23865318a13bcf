#pragma once
// A sink of the scene file writer onto a live-link connection: bytes are
// gathered in a 64 KiB buffer and sent in large pieces, a piece larger than
// the buffer (a binary list) directly. A piece the stand-in does not take
// within the send timeout breaks the transfer: the failure is remembered
// (EPIPE), the connection is closed, and later bytes are
// dropped, so that a hung receiver costs one timeout, not one per piece.

#include "LoopbackStream.h"

#include <sceneapi/OutputSink.h>

#include <chrono>
#include <memory>

namespace standin::raydeck {

class SocketSink final : public vel::OutputSink {
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    SocketSink(LoopbackStream& stream, std::chrono::milliseconds sendTimeout);
    // Sends what is buffered; a failure then goes unreported, so owners call
    // flush() and check error() first.
    ~SocketSink() override;

    // Sends everything buffered.
    void flush() override;

    // The last byte handed to the connection, or '\n' before the first.
    char lastByte() const { return lastByte_; }

private:
    void makeRoom(std::size_t size) override;
    void writeLarge(const char* data, std::size_t size) override;
    void drain();
    void send(const char* data, std::size_t size);

    LoopbackStream& stream_;
    std::chrono::milliseconds sendTimeout_;
    std::unique_ptr<char[]> buffer_;
    char lastByte_ = '\n';
};

} // namespace standin::raydeck
