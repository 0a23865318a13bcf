#pragma once
// Worker threads that format the large lists of one scene writer on every
// core. A list is cut into chunks of elements; the workers and the calling
// thread format chunks into a few buffers, and the calling thread hands the
// finished chunks to the sink in order, so the bytes are those of one pass
// and the sink is only ever used by the thread that owns it. The extra memory
// is the buffers (kSlotsPerThread chunks per thread), never a copy of the
// output.
//
// The calling thread writes whatever chunk is next and ready first, and
// formats one itself only when nothing is ready to write. A thread that runs
// out of work spins for a short while before it sleeps: the gap between two
// lists of a mesh, or until the next chunk is done, is mostly shorter than
// putting a thread to sleep and waking it again, which is what kept two
// threads well below twice the speed of one.
//
// The threads start with the first list large enough to need them and stop
// when the workers are destroyed: they belong to one writer, which lives no
// longer than an export, so none is left behind once the command returns.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ListText.h"

namespace vel {

class OutputSink;

class FormatWorkers {
public:
    // The most text one chunk may need: an element count's worth of room.
    static constexpr std::size_t kChunkRoom = 32 * 1024;
    // Chunks in flight per thread: enough that a worker rarely waits for the
    // calling thread to write one before it may format the next.
    static constexpr unsigned kSlotsPerThread = 4;

    // `threads` counts the calling thread: 1 starts no worker.
    explicit FormatWorkers(unsigned threads);
    // Stops and joins the workers.
    ~FormatWorkers();
    FormatWorkers(const FormatWorkers&) = delete;
    FormatWorkers& operator=(const FormatWorkers&) = delete;

    unsigned threads() const { return threads_; }

    // Formats every element of `text` and writes the text to `sink` in order,
    // on the calling thread. When the sink throws, the workers finish the
    // chunks they hold and the exception passes on. The list's elements must
    // need at most kChunkRoom bytes each.
    void write(const ListText& text, OutputSink& sink);

private:
    // Chunk c goes into slot c % slots: a chunk is only handed out once the
    // one before it in its slot was written.
    struct Slot {
        std::unique_ptr<char[]> buffer;
        std::atomic<char*> end{nullptr}; // null until the chunk in it is formatted
    };

    void start();
    void work();
    // The next chunk to format, when one may be handed out now. Called with
    // the lock held.
    bool claim(std::uint32_t& chunk);
    // Formats a claimed chunk into its slot, unlocking meanwhile.
    void format(std::uint32_t chunk, std::unique_lock<std::mutex>& lock);
    // Something a worker may act on happened (a list, a free slot, stop).
    // Called with the lock held.
    void announce();
    // No worker touches the list or the slots any more.
    void finish(std::unique_lock<std::mutex>& lock);

    const unsigned threads_;
    std::vector<std::thread> workers_;
    std::size_t slotCount_ = 0;
    std::unique_ptr<Slot[]> slots_;

    std::mutex mutex_;
    std::condition_variable work_;  // announce() for sleeping workers
    std::condition_variable ready_; // a chunk was formatted, for a sleeping caller
    unsigned sleepingWorkers_ = 0;
    bool callerSleeps_ = false;
    // Counts announcements; idle workers spin on it before they sleep.
    std::atomic<std::uint32_t> news_{0};
    bool stop_ = false;
    // The list being written; null between lists.
    const ListText* text_ = nullptr;
    std::uint32_t chunkElements_ = 0;
    std::uint32_t chunks_ = 0;
    std::uint32_t claimed_ = 0; // chunks handed out for formatting
    std::uint32_t written_ = 0; // chunks written to the sink
    unsigned busy_ = 0;         // workers formatting a chunk
};

} // namespace vel
