#include <cstdlib>
#include <new>

#include "ScratchMemory.h"

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

} // namespace vel
