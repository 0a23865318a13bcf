#include "HeapCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};

void* counted(std::size_t n)
{
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr)
        throw std::bad_alloc();
    const std::size_t size = malloc_usable_size(p);
    const std::size_t now = heapNow.fetch_add(size) + size;
    std::size_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void uncounted(void* p) noexcept
{
    if (p != nullptr) {
        heapNow.fetch_sub(malloc_usable_size(p));
        std::free(p);
    }
}

} // namespace

namespace benchheap {

std::size_t current()
{
    return heapNow.load();
}

void resetPeak()
{
    heapPeak.store(heapNow.load());
}

std::size_t peak()
{
    return heapPeak.load();
}

} // namespace benchheap

void* operator new(std::size_t n) { return counted(n); }
void* operator new[](std::size_t n) { return counted(n); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { uncounted(p); }
