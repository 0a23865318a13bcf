#pragma once
// Worker threads that format the large lists of one scene writer on every
// core. A list is cut into chunks of elements; the workers and the calling
// thread format chunks into a few buffers and hand the finished chunks to
// the sink in order, so the bytes are those of one pass. The extra memory is
// the buffers (kSlotsPerThread chunks per thread), never a copy of the
// output.
//
// Every thread, the calling one included, does whatever is there to do:
// it writes the next chunks to the sink when they are ready and no other
// thread is writing (one thread at a time holds that turn, so the sink is
// used by one thread at a time and in order), or else formats the next chunk.
// No thread is reserved for writing: a sink's large writes into the file
// (on a large output, 2 MiB at once) would otherwise hold back every thread
// that waits for a free buffer, and the write at the end of a list would
// keep the other threads idle. The calling thread returns once the list is
// in the sink; the sink is used by no other thread after that.
//
// A thread that finds no chunk to take (the list's last chunks are all
// taken, or every buffer holds one) takes over the second half of the
// earliest chunk still being formatted, in the same buffer, behind the
// room of the first half. A chunk is formatted in steps of kStepRoom so
// that its owner sees where it has to stop. Without this, one thread would
// wait at every list's end for the other's last chunk, and the next chunk
// to write would hold everything up while it is formatted alone.
//
// A thread that runs out of work spins for a short while before it sleeps:
// the gap between two lists of a mesh, or until the next chunk is done, is
// mostly shorter than putting a thread to sleep and waking it again.
//
// The same threads write behind the sink (WriteBehind): a piece the sink
// posts is written by whichever thread is free first, before it formats
// anything more, so that the sink's buffer comes back soon. The calling
// thread goes on meanwhile, also past the end of the list.
//
// The threads start with the first list large enough to need them and stop
// when the workers are destroyed: they belong to one writer, which lives no
// longer than an export, so none is left behind once the command returns.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ListText.h"
#include "WriteBehind.h"

namespace vel {

class OutputSink;

class FormatWorkers final : public WriteBehind {
public:
    // The most text one chunk may need: an element count's worth of room.
    // Elements are counted by their largest text, so a chunk holds about a
    // fifth of this. Larger chunks mean fewer hand-overs between threads,
    // smaller ones less waiting at a list's end; measured on two cores,
    // 64 KiB beat 32 KiB by 3 to 4 % and 128 KiB gained nothing.
    static constexpr std::size_t kChunkRoom = 64 * 1024;
    // Chunks in flight per thread: enough that a thread rarely finds every
    // buffer taken while another one writes (two did as well as four).
    static constexpr unsigned kSlotsPerThread = 2;
    // A chunk's owner takes its elements in steps of this much room, each
    // step a compare-and-swap on the chunk's range; another thread takes
    // over only what is at least two steps. An eighth of a chunk: with a
    // sixteenth, the steps cost about 1.5 % more formatting time.
    static constexpr std::size_t kStepRoom = 8 * 1024;

    // `threads` counts the calling thread: 1 starts no worker.
    explicit FormatWorkers(unsigned threads);
    // Stops and joins the workers. No job may be posted and unfinished.
    ~FormatWorkers() override;
    FormatWorkers(const FormatWorkers&) = delete;
    FormatWorkers& operator=(const FormatWorkers&) = delete;

    unsigned threads() const { return threads_; }

    // Formats every element of `text` and writes the text to `sink` in order;
    // returns when all of it is in the sink. The sink may be written to from
    // a worker thread meanwhile, never from two threads at once. When the
    // sink throws, no further chunk is written, the threads finish the chunks
    // they hold and the exception passes on to the caller. The list's
    // elements must need at most kChunkRoom bytes each.
    void write(const ListText& text, OutputSink& sink);

    void post(Job job) override;
    void finish() override;

private:
    // Chunk c goes into slot c % slots: a chunk is only handed out once the
    // one before it in its slot was written. Each slot on a cache line of its
    // own, so that a thread that looks at one slot does not pull away the line
    // another thread is writing to.
    struct alignas(64) Slot {
        char* buffer = nullptr;          // kChunkRoom bytes
        std::atomic<char*> end{nullptr}; // null until the owner's part is formatted
        // The owner's elements still to take, next | limit << 32: the owner
        // advances next, a thread taking over the second half lowers limit.
        std::atomic<std::uint64_t> range{0};
        std::uint32_t first = 0; // the chunk's first element
        // The second half, when another thread took it over (under the lock):
        // its first element, and the end of its text, null until formatted.
        bool split = false;
        std::uint32_t splitFirst = 0;
        std::atomic<char*> splitEnd{nullptr};
    };

    void start();
    void work();
    // Does one thing there is to do: runs the posted job (a worker, or the
    // calling thread when it has none), writes the ready chunks or formats
    // one. False when there was nothing. Called with the lock held.
    bool step(std::unique_lock<std::mutex>& lock, bool worker);
    // The next chunk to format, when one may be handed out now.
    bool claim(std::uint32_t& chunk);
    // Formats a claimed chunk into its slot, unlocking meanwhile.
    void format(std::uint32_t chunk, std::unique_lock<std::mutex>& lock);
    // Takes over the second half of the earliest chunk being formatted and
    // formats it, unlocking meanwhile. False when no chunk has enough left.
    bool split(std::unique_lock<std::mutex>& lock);
    // Where the second half of the chunk in `slot` goes.
    char* splitText(const Slot& slot) const;
    // Elements per step of a chunk's owner.
    std::uint32_t stepElements() const;
    // Takes the turn to write and writes chunks while the next one is ready,
    // unlocking meanwhile.
    void writeReady(std::unique_lock<std::mutex>& lock);
    // Runs the posted job, unlocking meanwhile.
    void runJob(std::unique_lock<std::mutex>& lock);
    bool nextReady() const;
    // Empties a written slot for the chunk after next.
    static void clear(Slot& slot);
    // The list is in the sink, or the sink failed and no thread holds a chunk.
    bool listDone() const;
    // Spins for news, then sleeps until some comes. Called with the lock held.
    void await(std::unique_lock<std::mutex>& lock);
    // Something a thread may act on happened (a list, a chunk formatted or
    // written, the end of a turn, stop). Called with the lock held.
    void announce();

    const unsigned threads_;
    std::vector<std::thread> workers_;
    std::size_t slotCount_ = 0;
    std::unique_ptr<Slot[]> slots_;
    std::unique_ptr<char[]> room_; // the slots' buffers

    // The lock and the state it guards that changes with every chunk share
    // a cache line, so that taking the lock brings that state along.
    alignas(64) std::mutex mutex_;
    std::uint32_t claimed_ = 0; // chunks handed out for formatting
    std::uint32_t written_ = 0; // chunks written to the sink
    std::uint32_t chunks_ = 0;
    unsigned busy_ = 0;     // threads formatting a chunk
    bool writing_ = false;  // a thread holds the turn to write
    Job job_;               // posted by the sink
    bool jobWaiting_ = false; // posted, not taken yet
    bool jobRunning_ = false;
    // Counts announcements; an idle thread spins on it before it sleeps. On a
    // line of its own, and bumped only while some thread waits: each bump
    // takes the line from the threads that spin on it.
    alignas(64) std::atomic<std::uint32_t> newsCount_{0};
    alignas(64) unsigned waiting_ = 0; // threads in await()
    unsigned sleeping_ = 0;
    std::condition_variable news_; // announce() for sleeping threads
    bool stop_ = false;
    // The list being written and its sink; null between lists.
    const ListText* text_ = nullptr;
    OutputSink* sink_ = nullptr;
    std::uint32_t chunkElements_ = 0;
    std::exception_ptr failure_; // what the sink threw, for the caller
};

} // namespace vel
