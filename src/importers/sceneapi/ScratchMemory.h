#pragma once
// Room for large buffers (the reader's scratch arrays, the file sink's
// buffer): plain, uninitialised memory; large
// pieces come in huge pages where the system offers them, so that filling
// tens of megabytes of list elements does not fault page by page.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

namespace vel {

void* allocateScratch(std::size_t bytes);
void freeScratch(void* memory);

// memcpy for tens of megabytes (a binary list), with the processor's string
// copy where it is a fast one. Where the destination is fresh scratch
// memory, its pages fault in as they are first written, work that the
// system does on the writing core: several threads then fault and fill it,
// in pieces that each takes as it comes free, so that a thread still
// waiting for a core holds nothing up. Where its pages are there already
// (`pagesPresent`), one core copies it: a second thread saved half a
// millisecond of 40 MB on an idle machine and cost about a millisecond
// where the other core was busy, as it is in a live transfer, whose
// sender runs beside the reader.
void copyLarge(void* to, const void* from, std::size_t bytes, bool pagesPresent);

// A growable array of plain values that leaves its room uninitialised (a
// reservation for the largest list the rest of a text could hold costs
// only the pages that values reach), written through a pointer in the
// loops that fill it.
template <typename T>
class ScratchArray {
public:
    void clear()
    {
        reached_ = std::max(reached_, size_);
        size_ = 0;
    }
    void reserve(std::size_t n)
    {
        if (n <= capacity_)
            return;
        std::unique_ptr<T, Free> grown(static_cast<T*>(allocateScratch(n * sizeof(T))));
        if (size_ != 0)
            std::memcpy(grown.get(), data_.get(), size_ * sizeof(T));
        data_ = std::move(grown);
        capacity_ = n;
        reached_ = size_;
    }
    // The bytes of the room that the values have reached since it was
    // allocated: what of it is in memory (the room reserved beyond costs
    // nothing until it is written).
    std::size_t reachedBytes() const { return std::max(reached_, size_) * sizeof(T); }
    void push_back(T v)
    {
        if (size_ == capacity_)
            reserve(2 * capacity_ + 64);
        data_.get()[size_++] = v;
    }
    T* data() { return data_.get(); }
    std::size_t size() const { return size_; }
    T* end() { return data_.get() + size_; }
    void setEnd(T* end)
    {
        reached_ = std::max(reached_, size_);
        size_ = static_cast<std::size_t>(end - data_.get());
    }

private:
    struct Free {
        void operator()(T* p) const { freeScratch(p); }
    };
    std::unique_ptr<T, Free> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::size_t reached_ = 0; // the largest size_ since the room was allocated
};

} // namespace vel
