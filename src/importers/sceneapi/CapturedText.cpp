#include "CapturedText.h"

#include <cstring>

namespace vel {

void CapturedText::makeRoom(std::size_t size)
{
    const std::size_t used = text().size();
    const std::size_t room = size + 2 * (room_ + 256);
    std::unique_ptr<char[]> grown(new char[room]);
    if (used != 0)
        std::memcpy(grown.get(), bytes_.get(), used);
    bytes_ = std::move(grown);
    room_ = room;
    setWindow(bytes_.get() + used, bytes_.get() + room_);
}

} // namespace vel
