#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "ScratchMemory.h"
#include "InParts.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#endif

namespace vel {

namespace {
constexpr std::size_t kHugePage = 2u << 20;
}

void* allocateScratch(std::size_t bytes)
{
    void* memory = nullptr;
#if defined(__linux__)
    if (bytes >= kHugePage) {
        // Rounded up to whole huge pages from 4 MiB on; below, the huge
        // page is the first 2 MiB, and the rest (a buffer's few KiB of
        // slack) stays in small pages rather than touching a second one.
        const std::size_t rounded = bytes >= 2 * kHugePage ? (bytes + kHugePage - 1) / kHugePage * kHugePage : bytes;
        if (::posix_memalign(&memory, kHugePage, rounded) == 0) {
            ::madvise(memory, rounded / kHugePage * kHugePage, MADV_HUGEPAGE); // advice only: fine when refused
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

namespace {

// memcpy of megabytes through the processor's own string copy (rep movsb)
// where it announces a fast one (ERMS): that moves whole cache lines
// without first reading the destination's. The C library's copy leaves it
// past a megabyte and takes its stores through the caches up to a size it
// derives from the cache the processor reports (in a virtual machine far
// more than there is): the reader benchmark's BinaryCopy_* measure both.
void copyBulk(void* to, const void* from, std::size_t bytes)
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool fastStrings = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 9)) != 0;
    }();
    if (fastStrings) {
        asm volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(bytes) : : "memory");
        return;
    }
#endif
    std::memcpy(to, from, bytes);
}

} // namespace

void copyLarge(void* to, const void* from, std::size_t bytes, bool pagesPresent)
{
    constexpr std::size_t kPart = 4u << 20; // per thread: below this a thread costs more than it gives
    if (bytes < 2 * kPart) {
        std::memcpy(to, from, bytes); // most lists: not even the count of cores is asked for (it reads a file)
        return;
    }
    if (pagesPresent) {
        copyBulk(to, from, bytes);
        return;
    }
    // Pieces of about a megabyte, taken by whichever thread is free: each
    // begins on a cache line of the destination, so that no two threads
    // write one line; the last takes what is left.
    constexpr std::size_t kPiece = 1u << 20;
    const std::size_t pieces = bytes / kPiece;
    const std::size_t line = (64 - reinterpret_cast<std::uintptr_t>(to) % 64) % 64;
    auto cut = [&](std::size_t k) { return k == 0 ? 0 : k == pieces ? bytes : k * kPiece + line; };
    runInPieces(pieces, partsFor(bytes, kPart, 8), [&](std::size_t k) {
        copyBulk(static_cast<char*>(to) + cut(k), static_cast<const char*>(from) + cut(k), cut(k + 1) - cut(k));
    });
}

} // namespace vel
