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
//
// Given threads to write behind (writeBehind), a full 2 MiB piece goes to
// them and the sink goes on in a second buffer; the next piece waits for
// the one before it, so the file is written in order, one piece at a time.
// What the system says of a piece written behind is remembered when the
// sink next waits for it (at the next piece, a flush, or when the threads
// are taken back).

#include <cstdint>
#include <cstdio>
#include <memory>

#include "OutputSink.h"
#include "WriteBehind.h"

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

    void writeBehind(WriteBehind* threads) override;

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
    // Writes `size` bytes at the stream's position, after the piece
    // written behind, if any.
    void put(const char* data, std::size_t size);
    void openWindow(std::size_t buffered);
    // Hands the buffer's full piece to the threads; false when it cannot
    // (no threads, or no memory for a second buffer).
    bool handBehind(std::size_t piece, std::size_t beyond);
    // Waits for the piece written behind and remembers how it went.
    void awaitBehind();
    static void writeAhead(void* sink);

    std::FILE* stream_;
    std::unique_ptr<char, Free> buffer_;
    std::size_t capacity_ = kFirstBufferSize; // the piece size; the buffer has kMaxReserve more
    std::uint64_t offset_ = 0;                // the stream offset of the buffer's first byte

    WriteBehind* behind_ = nullptr;
    std::unique_ptr<char, Free> spare_; // the piece being written behind, else free
    std::size_t spareBytes_ = 0;        // its length while it is written
    bool spareBusy_ = false;
    int spareError_ = 0;                // set by the thread that wrote it
};

} // namespace vel
