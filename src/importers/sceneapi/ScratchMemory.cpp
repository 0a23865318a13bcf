#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "ScratchMemory.h"
#include "InParts.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
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

namespace {

// memcpy with stores that go around the caches, for a part of a copy that
// no cache holds: the destination's lines are then not read in before they
// are overwritten (a third less traffic to memory), and the caches keep
// what they held. The C library's copy uses such stores only past a size
// taken from what the processor reports of its cache, which in a virtual
// machine can be far larger than the cache is.
void copyAroundCaches(char* to, const char* from, std::size_t bytes)
{
#if defined(__SSE2__)
    const std::size_t head = (16 - reinterpret_cast<std::uintptr_t>(to) % 16) % 16;
    if (bytes < head + 64) {
        std::memcpy(to, from, bytes);
        return;
    }
    std::memcpy(to, from, head);
    std::size_t i = head;
    for (; i + 64 <= bytes; i += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 48));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 16), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 32), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 48), d);
    }
    std::memcpy(to + i, from + i, bytes - i);
    _mm_sfence(); // the streamed stores are seen before whatever this thread does next
#else
    std::memcpy(to, from, bytes);
#endif
}

} // namespace

void copyLarge(void* to, const void* from, std::size_t bytes)
{
    constexpr std::size_t kPart = 4u << 20; // below this a thread costs more than it gives
    if (bytes < 2 * kPart) {
        std::memcpy(to, from, bytes); // most lists: not even the count of cores is asked for (it reads a file)
        return;
    }
    // Parts begin on cache lines of the destination, so that no two
    // threads write one line.
    const std::size_t parts = partsFor(bytes, kPart, 8);
    const std::size_t line = (64 - reinterpret_cast<std::uintptr_t>(to) % 64) % 64;
    auto cut = [&](std::size_t k) { return k == 0 ? 0 : k == parts ? bytes : (bytes / parts * k) / 64 * 64 + line; };
    runInParts(parts, [&](std::size_t k) {
        copyAroundCaches(static_cast<char*>(to) + cut(k), static_cast<const char*>(from) + cut(k), cut(k + 1) - cut(k));
    });
}

} // namespace vel
