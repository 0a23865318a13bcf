#pragma once
// Heap accounting for benchmarks: HeapCounter.cpp replaces the global
// operator new and delete of the program it is linked into (including the
// allocations of the libraries it loads), so that a benchmark can report the
// peak of the heap over a piece of work.

#include <cstddef>

namespace benchheap {

// Bytes allocated through operator new and not yet freed.
std::size_t current();

// Starts a new peak at the current level.
void resetPeak();

// The highest level since the last resetPeak.
std::size_t peak();

// The heap's peak above its level at the start, over one call of f, in MiB.
template <class F>
double peakMegabytes(F&& f)
{
    const std::size_t start = current();
    resetPeak();
    f();
    return static_cast<double>(peak() - start) / (1024.0 * 1024.0);
}

} // namespace benchheap
