#pragma once
// A sink onto a standard I/O stream that someone else opened and closes.
// Bytes are gathered in a 64 KiB buffer and handed to fwrite in large pieces;
// a piece larger than the buffer (a binary list) goes to fwrite directly.

#include <cstdio>
#include <memory>

#include "OutputSink.h"

namespace vel {

class FileSink final : public OutputSink {
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;

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
};

} // namespace vel
