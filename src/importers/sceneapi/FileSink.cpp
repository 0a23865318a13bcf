#include "FileSink.h"

#include <cerrno>
#include <new>

namespace vel {

FileSink::FileSink(std::FILE* stream) : stream_(stream), buffer_(new char[kFirstBufferSize])
{
    setWindow(buffer_.get(), buffer_.get() + capacity_);
}

FileSink::~FileSink()
{
    drain();
}

void FileSink::flush()
{
    drain();
    errno = 0;
    if (std::fflush(stream_) != 0)
        remember(errno);
}

void FileSink::makeRoom(std::size_t)
{
    drain();
}

void FileSink::writeLarge(const char* data, std::size_t size)
{
    drain();
    if (size < capacity_ / 2) {
        std::memcpy(position(), data, size);
        setWindow(position() + size, buffer_.get() + capacity_);
    } else {
        put(data, size);
    }
}

void FileSink::drain()
{
    put(buffer_.get(), static_cast<std::size_t>(position() - buffer_.get()));
    if (capacity_ < kBufferSize && drained_ > kGrowAfter) {
        // Without the memory, the small buffer simply stays.
        if (std::unique_ptr<char[]> larger{new (std::nothrow) char[kBufferSize]}) {
            buffer_ = std::move(larger);
            capacity_ = kBufferSize;
        }
    }
    setWindow(buffer_.get(), buffer_.get() + capacity_);
}

void FileSink::put(const char* data, std::size_t size)
{
    if (size == 0)
        return;
    drained_ += size;
    errno = 0;
    if (std::fwrite(data, 1, size, stream_) != size)
        remember(errno);
}

} // namespace vel
