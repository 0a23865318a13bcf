#pragma once
// A sink onto a standard I/O stream that someone else opened and closes.
// Bytes are gathered in a buffer and handed to fwrite in large pieces; a piece
// of half the buffer or more (a binary list) goes to fwrite directly. Every
// fwrite of a large piece costs the C library two system calls: with 64 KiB
// pieces those took a tenth of a large export's write phase. So the buffer
// starts at 64 KiB, which is all a small scene needs, and grows to 256 KiB
// once the output passes 4 MiB, where the calls begin to count.

#include <cstdio>
#include <memory>

#include "OutputSink.h"

namespace vel {

class FileSink final : public OutputSink {
public:
    static constexpr std::size_t kFirstBufferSize = 64 * 1024;
    static constexpr std::size_t kBufferSize = 256 * 1024;
    static constexpr std::size_t kGrowAfter = 4 * 1024 * 1024;

    explicit FileSink(std::FILE* stream);
    // Drains the buffer; a failure then goes unreported, so owners call
    // flush() and check error() first.
    ~FileSink() override;

    // Drains the buffer and flushes the stream.
    void flush() override;

private:
    void makeRoom(std::size_t size) override;
    void writeLarge(const char* data, std::size_t size) override;
    void drain();
    void put(const char* data, std::size_t size);

    std::FILE* stream_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = kFirstBufferSize;
    std::size_t drained_ = 0; // bytes handed to the stream so far
};

} // namespace vel
