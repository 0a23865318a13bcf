#include <cstdlib>
#include <cstring>
#include <new>

#include "ScratchMemory.h"
#include "InParts.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vel {

namespace {
constexpr std::size_t kHugePage = 2u << 20;
}

void* allocateScratch(std::size_t bytes)
{
    void* memory = nullptr;
#if defined(__linux__)
    if (bytes >= 2 * kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (::posix_memalign(&memory, kHugePage, rounded) == 0) {
            ::madvise(memory, rounded, MADV_HUGEPAGE); // advice only: fine when refused
            return memory;
        }
        memory = nullptr;
    }
#endif
    memory = std::malloc(bytes == 0 ? 1 : bytes);
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

void freeScratch(void* memory)
{
    std::free(memory);
}

void copyLarge(void* to, const void* from, std::size_t bytes)
{
    constexpr std::size_t kPart = 4u << 20; // below this a thread costs more than it gives
    if (bytes < 2 * kPart) {
        std::memcpy(to, from, bytes); // most lists: not even the count of cores is asked for (it reads a file)
        return;
    }
    const std::size_t parts = partsFor(bytes, kPart, 8);
    runInParts(parts, [&](std::size_t k) {
        const std::size_t begin = bytes / parts * k;
        const std::size_t end = k + 1 == parts ? bytes : bytes / parts * (k + 1);
        std::memcpy(static_cast<char*>(to) + begin, static_cast<const char*>(from) + begin, end - begin);
    });
}

} // namespace vel
