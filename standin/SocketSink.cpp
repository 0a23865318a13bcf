#include "SocketSink.h"

#include <cerrno>

namespace standin::raydeck {

SocketSink::SocketSink(LoopbackStream& stream, std::chrono::milliseconds sendTimeout)
    : stream_(stream), sendTimeout_(sendTimeout), buffer_(new char[kBufferSize])
{
    setWindow(buffer_.get(), buffer_.get() + kBufferSize);
}

SocketSink::~SocketSink()
{
    drain();
}

void SocketSink::flush()
{
    drain();
}

void SocketSink::makeRoom(std::size_t)
{
    drain();
}

void SocketSink::writeLarge(const char* data, std::size_t size)
{
    drain();
    if (size < kBufferSize / 2) {
        std::memcpy(position(), data, size);
        setWindow(position() + size, buffer_.get() + kBufferSize);
    } else {
        send(data, size);
    }
}

void SocketSink::drain()
{
    send(buffer_.get(), static_cast<std::size_t>(position() - buffer_.get()));
    setWindow(buffer_.get(), buffer_.get() + kBufferSize);
}

void SocketSink::send(const char* data, std::size_t size)
{
    if (size == 0 || error() != 0)
        return;
    if (!stream_.send(data, size, sendTimeout_)) {
        remember(EPIPE);
        stream_.close();
        return;
    }
    lastByte_ = data[size - 1];
}

} // namespace standin::raydeck
