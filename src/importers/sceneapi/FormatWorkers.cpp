#include "FormatWorkers.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "OutputSink.h"

namespace vel {

namespace {

// How long a thread out of work spins before it sleeps. Longer than the
// writer's gap between the lists of one mesh and than formatting one chunk,
// short enough that a thread waiting on a loaded machine gives its core back.
constexpr std::chrono::microseconds kSpin{50};

void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Spins until `done` holds or kSpin has passed; returns `done`.
template <typename Done>
bool spinUntil(Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + kSpin;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (done())
                return true;
            relax();
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
    }
}

} // namespace

FormatWorkers::FormatWorkers(unsigned threads) : threads_(std::max(threads, 1u)) {}

FormatWorkers::~FormatWorkers()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        announce();
    }
    for (std::thread& worker : workers_)
        worker.join();
}

void FormatWorkers::start()
{
    slotCount_ = std::size_t{kSlotsPerThread} * threads_;
    slots_ = std::make_unique<Slot[]>(slotCount_);
    for (std::size_t i = 0; i < slotCount_; ++i)
        slots_[i].buffer = std::make_unique<char[]>(kChunkRoom);
    for (unsigned i = 1; i < threads_; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer workers: the calling thread formats what they leave
        }
    }
}

bool FormatWorkers::claim(std::uint32_t& chunk)
{
    if (text_ == nullptr || claimed_ >= chunks_ || claimed_ - written_ >= slotCount_)
        return false;
    chunk = claimed_++;
    return true;
}

void FormatWorkers::format(std::uint32_t chunk, std::unique_lock<std::mutex>& lock)
{
    const ListText& text = *text_;
    const std::uint64_t first = std::uint64_t{chunk} * chunkElements_;
    const std::uint64_t last = std::min<std::uint64_t>(text.count, first + chunkElements_);
    Slot& slot = slots_[chunk % slotCount_];
    lock.unlock();
    slot.end.store(text.format(text.context, slot.buffer.get(), static_cast<std::uint32_t>(first),
                               static_cast<std::uint32_t>(last)),
                   std::memory_order_release);
    lock.lock();
}

void FormatWorkers::announce()
{
    news_.fetch_add(1, std::memory_order_release);
    if (sleepingWorkers_ > 0)
        work_.notify_all();
}

void FormatWorkers::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (stop_)
            return;
        std::uint32_t chunk = 0;
        if (claim(chunk)) {
            ++busy_;
            format(chunk, lock);
            --busy_;
            if (callerSleeps_)
                ready_.notify_one();
            continue;
        }
        // Nothing to do: spin for news, and sleep only when none came. The
        // caller announces under the lock, so nothing is missed between the
        // last look and the wait.
        const std::uint32_t seen = news_.load(std::memory_order_relaxed);
        lock.unlock();
        spinUntil([&] { return news_.load(std::memory_order_acquire) != seen; });
        lock.lock();
        if (news_.load(std::memory_order_relaxed) != seen)
            continue;
        ++sleepingWorkers_;
        work_.wait(lock);
        --sleepingWorkers_;
    }
}

void FormatWorkers::finish(std::unique_lock<std::mutex>& lock)
{
    if (!lock.owns_lock())
        lock.lock();
    claimed_ = chunks_;
    callerSleeps_ = true;
    while (busy_ > 0)
        ready_.wait(lock);
    callerSleeps_ = false;
    text_ = nullptr;
    for (std::size_t i = 0; i < slotCount_; ++i)
        slots_[i].end.store(nullptr, std::memory_order_relaxed);
}

void FormatWorkers::write(const ListText& text, OutputSink& sink)
{
    if (!slots_)
        start();
    std::unique_lock<std::mutex> lock(mutex_);
    text_ = &text;
    chunkElements_ = static_cast<std::uint32_t>(std::max<std::size_t>(1, kChunkRoom / text.elementRoom));
    chunks_ = static_cast<std::uint32_t>((std::uint64_t{text.count} + chunkElements_ - 1) / chunkElements_);
    claimed_ = 0;
    written_ = 0;
    announce();
    try {
        while (written_ < chunks_) {
            Slot& slot = slots_[written_ % slotCount_];
            const char* end = slot.end.load(std::memory_order_acquire);
            if (end == nullptr) {
                // Not formatted yet: format another chunk meanwhile, or wait
                // for it, spinning first.
                std::uint32_t chunk = 0;
                if (claim(chunk)) {
                    format(chunk, lock);
                    continue;
                }
                lock.unlock();
                spinUntil([&] { return slot.end.load(std::memory_order_acquire) != nullptr; });
                lock.lock();
                if (slot.end.load(std::memory_order_acquire) == nullptr) {
                    callerSleeps_ = true;
                    ready_.wait(lock);
                    callerSleeps_ = false;
                }
                continue;
            }
            lock.unlock();
            const char* begin = slot.buffer.get();
            sink.write(begin, static_cast<std::size_t>(end - begin));
            lock.lock();
            slot.end.store(nullptr, std::memory_order_relaxed);
            ++written_;
            announce(); // the slot takes the next chunk
        }
    } catch (...) {
        finish(lock);
        throw;
    }
    finish(lock);
}

} // namespace vel
