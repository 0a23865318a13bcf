#pragma once
// A sink that drops every byte: the destination of a writer without a stream.

#include "OutputSink.h"

namespace vel {

class DiscardSink final : public OutputSink {
public:
    DiscardSink() { setWindow(scratch_, scratch_ + sizeof scratch_); }

private:
    void makeRoom(std::size_t) override { setWindow(scratch_, scratch_ + sizeof scratch_); }
    void writeLarge(const char*, std::size_t) override {}

    char scratch_[kMaxReserve];
};

} // namespace vel
