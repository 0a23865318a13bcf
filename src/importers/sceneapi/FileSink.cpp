#include "FileSink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "ScratchMemory.h"

#include <platform/Files.h>

namespace vel {

namespace {

char* allocateBuffer(std::size_t pieceSize)
{
    return static_cast<char*>(allocateScratch(pieceSize + OutputSink::kMaxReserve));
}

} // namespace

void FileSink::Free::operator()(char* p) const
{
    freeScratch(p);
}

FileSink::FileSink(std::FILE* stream) : stream_(stream), buffer_(allocateBuffer(kFirstBufferSize))
{
    // The pieces go past the stream's own buffer, which is emptied first.
    errno = 0;
    if (std::fflush(stream_) != 0)
        remember(errno);
    // Pieces line up with the stream's offsets, wherever it stands (a pipe
    // has none: any start will do).
    const long at = std::ftell(stream_);
    offset_ = at > 0 ? static_cast<std::uint64_t>(at) : 0;
    openWindow(0);
}

FileSink::~FileSink()
{
    drain();
}

void FileSink::writeBehind(WriteBehind* threads)
{
    awaitBehind();
    behind_ = threads;
}

void FileSink::flush()
{
    drain();
    errno = 0;
    if (std::fflush(stream_) != 0)
        remember(errno);
}

std::size_t FileSink::pending() const
{
    return static_cast<std::size_t>(position() - buffer_.get());
}

std::size_t FileSink::pieceLength() const
{
    return capacity_ - static_cast<std::size_t>(offset_ % capacity_);
}

void FileSink::openWindow(std::size_t buffered)
{
    setWindow(buffer_.get() + buffered, buffer_.get() + pieceLength() + kMaxReserve);
}

void FileSink::makeRoom(std::size_t size)
{
    // The window reaches kMaxReserve past the piece, so a reservation finds
    // it short only once the piece is full.
    if (pending() >= pieceLength())
        handPiece();
    if (static_cast<std::size_t>(buffer_.get() + pieceLength() + kMaxReserve - position()) < size)
        drain();
}

void FileSink::writeLarge(const char* data, std::size_t size)
{
    while (size != 0) {
        const std::size_t piece = pieceLength();
        const std::size_t buffered = pending();
        if (buffered == 0 && piece == capacity_ && size >= capacity_) {
            // Whole pieces straight from the caller's memory (a binary list).
            const std::size_t whole = size / capacity_ * capacity_;
            put(data, whole);
            offset_ += whole;
            data += whole;
            size -= whole;
            keep(0, 0);
            continue;
        }
        if (buffered >= piece) {
            handPiece();
            continue;
        }
        const std::size_t n = std::min(size, piece - buffered);
        std::memcpy(position(), data, n);
        openWindow(buffered + n);
        data += n;
        size -= n;
    }
}

void FileSink::handPiece()
{
    const std::size_t piece = pieceLength();
    const std::size_t beyond = pending() - piece;
    if (handBehind(piece, beyond))
        return;
    put(buffer_.get(), piece);
    offset_ += piece;
    keep(piece, beyond);
}

bool FileSink::handBehind(std::size_t piece, std::size_t beyond)
{
    if (!behind_ || capacity_ != kBufferSize)
        return false;
    awaitBehind();
    if (!spare_) {
        try {
            spare_.reset(allocateBuffer(kBufferSize));
        } catch (const std::bad_alloc&) {
            return false; // one buffer, written in place
        }
    }
    // What lies beyond the piece begins the other buffer, which becomes the
    // sink's while this one is written.
    std::memcpy(spare_.get(), buffer_.get() + piece, beyond);
    std::swap(buffer_, spare_);
    spareBytes_ = piece;
    spareBusy_ = true;
    offset_ += piece;
    openWindow(beyond);
    behind_->post({&FileSink::writeAhead, this});
    return true;
}

void FileSink::writeAhead(void* sink)
{
    auto& self = *static_cast<FileSink*>(sink);
    self.spareError_ = platform::writeThrough(self.stream_, self.spare_.get(), self.spareBytes_);
}

void FileSink::awaitBehind()
{
    if (!spareBusy_)
        return;
    behind_->finish();
    spareBusy_ = false;
    if (spareError_)
        remember(std::exchange(spareError_, 0));
}

void FileSink::keep(std::size_t from, std::size_t count)
{
    if (capacity_ < kBufferSize && offset_ >= kGrowAfter) {
        // Without the memory, the small buffer simply stays.
        try {
            std::unique_ptr<char, Free> larger(allocateBuffer(kBufferSize));
            std::memcpy(larger.get(), buffer_.get() + from, count);
            buffer_ = std::move(larger);
            capacity_ = kBufferSize;
            openWindow(count);
            return;
        } catch (const std::bad_alloc&) {
        }
    }
    std::memmove(buffer_.get(), buffer_.get() + from, count);
    openWindow(count);
}

void FileSink::drain()
{
    const std::size_t buffered = pending();
    put(buffer_.get(), buffered);
    offset_ += buffered;
    openWindow(0);
}

void FileSink::put(const char* data, std::size_t size)
{
    awaitBehind();
    if (size == 0)
        return;
    if (const int failed = platform::writeThrough(stream_, data, size))
        remember(failed);
}

} // namespace vel
