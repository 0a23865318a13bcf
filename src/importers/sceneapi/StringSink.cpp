#include "StringSink.h"

namespace vel {

StringSink::StringSink()
{
    bytes_.resize(256);
    setWindow(bytes_.data(), bytes_.data() + bytes_.size());
}

std::string StringSink::str() const
{
    return std::string(view());
}

std::string_view StringSink::view() const
{
    return std::string_view(bytes_.data(), static_cast<std::size_t>(position() - bytes_.data()));
}

void StringSink::makeRoom(std::size_t size)
{
    const std::size_t used = static_cast<std::size_t>(position() - bytes_.data());
    bytes_.resize(std::max(bytes_.size() * 2, used + size));
    setWindow(bytes_.data() + used, bytes_.data() + bytes_.size());
}

} // namespace vel
