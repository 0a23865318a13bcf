#include "OutputSink.h"

#include <algorithm>
#include <cerrno>

namespace vel {

void OutputSink::fill(char c, std::size_t count)
{
    while (count != 0) {
        const std::size_t piece = std::min(count, kMaxReserve);
        char* p = reserve(piece);
        std::memset(p, c, piece);
        commit(p + piece);
        count -= piece;
    }
}

void OutputSink::writeLarge(const char* data, std::size_t size)
{
    makeRoom(size);
    std::memcpy(next_, data, size);
    next_ += size;
}

void OutputSink::remember(int errnoValue)
{
    if (error_ == 0)
        error_ = errnoValue != 0 ? errnoValue : EIO;
}

} // namespace vel
