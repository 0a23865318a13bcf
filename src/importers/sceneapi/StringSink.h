#pragma once
// A sink that keeps every byte in memory: the twin of FileSink for tests and
// for anything that wants the scene text as a string.

#include <algorithm>
#include <string>

#include "OutputSink.h"

namespace vel {

class StringSink final : public OutputSink {
public:
    StringSink();

    // Everything written so far.
    std::string str() const;
    std::string_view view() const;

private:
    void makeRoom(std::size_t size) override;

    std::string bytes_; // sized to its capacity; the window is its unused tail
};

} // namespace vel
