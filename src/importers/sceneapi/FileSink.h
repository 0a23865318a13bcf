#pragma once
// A sink onto a standard I/O stream that someone else opened and closes,
// and writes nothing to while the sink lives. Bytes are gathered in a
// buffer and handed to the system in pieces of the buffer's size, each
// beginning at a multiple of that size in the file, one write call each:
// past the stream's buffer (platform::writeThrough), through which a large
// piece would go out as two writes, the buffer's first and the rest.
//
// Why pieces of that shape: system calls cost, and with 64 KiB pieces
// they took a tenth of a large export's write phase. And the system keeps
// a file's cached pages in units as large as the writes that created them
// allow, when the writes are aligned to them: written in aligned 2 MiB pieces, a file is cached in
// 2 MiB units, which a reader that maps the file gets in one step each
// instead of 512. Reading a large scene just written then no longer spends
// most of its time in first touches of its pages (on a virtual machine
// about 2.4 us per 4 KiB page).
//
// The buffer starts at 64 KiB, which is all a small scene needs, and grows
// to 2 MiB once the output passes 1 MiB. It has kMaxReserve bytes of room
// beyond the piece, so that a reservation never has to wait for the piece
// to be handed on: what lands there begins the next piece.

#include <cstdint>
#include <cstdio>
#include <memory>

#include "OutputSink.h"

namespace vel {

class FileSink final : public OutputSink {
public:
    static constexpr std::size_t kFirstBufferSize = 64 * 1024;
    static constexpr std::size_t kBufferSize = 2 * 1024 * 1024;
    static constexpr std::size_t kGrowAfter = 1024 * 1024;

    explicit FileSink(std::FILE* stream);
    // Drains the buffer; a failure then goes unreported, so owners call
    // flush() and check error() first.
    ~FileSink() override;

    // Drains the buffer and flushes the stream.
    void flush() override;

private:
    struct Free {
        void operator()(char* p) const;
    };

    void makeRoom(std::size_t size) override;
    void writeLarge(const char* data, std::size_t size) override;
    std::size_t pending() const;
    // The bytes from the buffer's start to the end of its piece.
    std::size_t pieceLength() const;
    // Hands on the buffer's piece (at least that much is buffered); what
    // lies beyond it moves to the buffer's start.
    void handPiece();
    // After a piece went out: moves the `count` bytes at `from` to the
    // buffer's start, into a larger buffer once the output is large.
    void keep(std::size_t from, std::size_t count);
    // Hands on everything buffered.
    void drain();
    void put(const char* data, std::size_t size);
    void openWindow(std::size_t buffered);

    std::FILE* stream_;
    std::unique_ptr<char, Free> buffer_;
    std::size_t capacity_ = kFirstBufferSize; // the piece size; the buffer has kMaxReserve more
    std::uint64_t offset_ = 0;                // the stream offset of the buffer's first byte
};

} // namespace vel
