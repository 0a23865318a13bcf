#include "DynamicLibrary.h"

#include <utility>

// Ownership only; load, symbol and reset are per system (posix/, win/).

namespace platform {

DynamicLibrary::~DynamicLibrary()
{
    reset();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept
{
    if (this != &other) {
        reset();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

} // namespace platform
