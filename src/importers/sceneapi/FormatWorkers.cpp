#include "FormatWorkers.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

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
    finish();
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
    // One block for all slots, not zeroed: a chunk is read only as far as it
    // was written.
    room_ = std::make_unique_for_overwrite<char[]>(slotCount_ * kChunkRoom);
    for (std::size_t i = 0; i < slotCount_; ++i)
        slots_[i].buffer = room_.get() + i * kChunkRoom;
    for (unsigned i = 1; i < threads_; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer workers: the calling thread does what they leave
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

namespace {

constexpr std::uint64_t packRange(std::uint32_t next, std::uint32_t limit)
{
    return std::uint64_t{limit} << 32 | next;
}

constexpr std::uint32_t nextOf(std::uint64_t range)
{
    return static_cast<std::uint32_t>(range);
}

constexpr std::uint32_t limitOf(std::uint64_t range)
{
    return static_cast<std::uint32_t>(range >> 32);
}

} // namespace

std::uint32_t FormatWorkers::stepElements() const
{
    return static_cast<std::uint32_t>(std::max<std::size_t>(1, kStepRoom / text_->elementRoom));
}

char* FormatWorkers::splitText(const Slot& slot) const
{
    // Behind the most the owner's part can take.
    return slot.buffer + std::size_t{slot.splitFirst - slot.first} * text_->elementRoom;
}

void FormatWorkers::format(std::uint32_t chunk, std::unique_lock<std::mutex>& lock)
{
    const ListText& text = *text_;
    const auto first = static_cast<std::uint32_t>(std::uint64_t{chunk} * chunkElements_);
    const auto last = static_cast<std::uint32_t>(std::min<std::uint64_t>(text.count, std::uint64_t{first} + chunkElements_));
    const std::uint32_t step = stepElements();
    Slot& slot = slots_[chunk % slotCount_];
    slot.first = first;
    slot.range.store(packRange(first, last), std::memory_order_relaxed);
    lock.unlock();
    // The range is the only thing the owner and a thread taking over share
    // while the chunk is formatted: whoever changes it first wins, and the
    // other sees the change on its next compare-and-swap.
    char* out = slot.buffer;
    std::uint64_t range = slot.range.load(std::memory_order_relaxed);
    while (nextOf(range) < limitOf(range)) {
        const std::uint32_t from = nextOf(range), limit = limitOf(range);
        const std::uint32_t to = limit - from > step ? from + step : limit;
        if (slot.range.compare_exchange_weak(range, packRange(to, limit), std::memory_order_relaxed)) {
            out = text.format(text.context, out, from, to);
            range = slot.range.load(std::memory_order_relaxed);
        }
    }
    slot.end.store(out, std::memory_order_release);
    lock.lock();
}

bool FormatWorkers::split(std::unique_lock<std::mutex>& lock)
{
    if (failure_)
        return false;
    const std::uint32_t step = stepElements();
    for (std::uint32_t chunk = written_; chunk < claimed_; ++chunk) {
        Slot& slot = slots_[chunk % slotCount_];
        if (slot.split || slot.end.load(std::memory_order_acquire) != nullptr)
            continue;
        std::uint64_t range = slot.range.load(std::memory_order_relaxed);
        while (limitOf(range) - nextOf(range) >= 2 * step) {
            const std::uint32_t from = nextOf(range), limit = limitOf(range);
            const std::uint32_t middle = from + (limit - from) / 2;
            if (!slot.range.compare_exchange_weak(range, packRange(from, middle), std::memory_order_relaxed))
                continue;
            // Set under the lock, before the owner can finish: the chunk is
            // not written until both halves are formatted.
            slot.split = true;
            slot.splitFirst = middle;
            char* out = splitText(slot);
            const ListText& text = *text_;
            ++busy_;
            lock.unlock();
            slot.splitEnd.store(text.format(text.context, out, middle, limit), std::memory_order_release);
            lock.lock();
            --busy_;
            announce();
            return true;
        }
    }
    return false;
}

bool FormatWorkers::nextReady() const
{
    if (written_ >= claimed_)
        return false;
    const Slot& slot = slots_[written_ % slotCount_];
    return slot.end.load(std::memory_order_acquire) != nullptr &&
           (!slot.split || slot.splitEnd.load(std::memory_order_acquire) != nullptr);
}

void FormatWorkers::clear(Slot& slot)
{
    slot.end.store(nullptr, std::memory_order_relaxed);
    slot.split = false;
    slot.splitEnd.store(nullptr, std::memory_order_relaxed);
}

void FormatWorkers::writeReady(std::unique_lock<std::mutex>& lock)
{
    writing_ = true;
    OutputSink& sink = *sink_;
    try {
        // Checked under the lock before the turn ends: a chunk finished
        // meanwhile by a thread that saw the turn taken is written here.
        while (nextReady()) {
            Slot& slot = slots_[written_ % slotCount_];
            const char* end = slot.end.load(std::memory_order_relaxed);
            const char* splitFrom = slot.split ? splitText(slot) : nullptr;
            const char* splitEnd = slot.splitEnd.load(std::memory_order_relaxed);
            lock.unlock();
            sink.write(slot.buffer, static_cast<std::size_t>(end - slot.buffer));
            if (splitFrom)
                sink.write(splitFrom, static_cast<std::size_t>(splitEnd - splitFrom));
            lock.lock();
            clear(slot);
            ++written_;
            announce(); // the slot takes the next chunk
        }
    } catch (...) {
        if (!lock.owns_lock())
            lock.lock();
        failure_ = std::current_exception();
        claimed_ = chunks_; // hand out nothing more
    }
    writing_ = false;
    announce();
}

void FormatWorkers::post(Job job)
{
    if (!slots_)
        start();
    const std::lock_guard<std::mutex> lock(mutex_);
    job_ = job;
    jobWaiting_ = true;
    announce();
}

void FormatWorkers::finish()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (jobWaiting_)
        runJob(lock);
    while (jobRunning_)
        await(lock);
}

void FormatWorkers::runJob(std::unique_lock<std::mutex>& lock)
{
    const Job job = job_;
    jobWaiting_ = false;
    jobRunning_ = true;
    lock.unlock();
    job.run(job.context);
    lock.lock();
    jobRunning_ = false;
    announce();
}

bool FormatWorkers::step(std::unique_lock<std::mutex>& lock, bool worker)
{
    if (jobWaiting_ && (worker || workers_.empty())) {
        runJob(lock);
        return true;
    }
    if (text_ == nullptr)
        return false;
    if (!writing_ && !failure_ && nextReady()) {
        writeReady(lock);
        return true;
    }
    std::uint32_t chunk = 0;
    if (!claim(chunk))
        return split(lock);
    ++busy_;
    format(chunk, lock);
    --busy_;
    announce();
    return true;
}

bool FormatWorkers::listDone() const
{
    return busy_ == 0 && !writing_ && (failure_ || written_ == chunks_);
}

void FormatWorkers::announce()
{
    if (waiting_ == 0)
        return; // every thread looks again before it waits
    newsCount_.fetch_add(1, std::memory_order_release);
    if (sleeping_ > 0)
        news_.notify_all();
}

void FormatWorkers::await(std::unique_lock<std::mutex>& lock)
{
    // Every announcement is made under the lock, so none is missed between
    // the last look and the wait.
    const std::uint32_t seen = newsCount_.load(std::memory_order_relaxed);
    ++waiting_;
    lock.unlock();
    spinUntil([&] { return newsCount_.load(std::memory_order_acquire) != seen; });
    lock.lock();
    if (newsCount_.load(std::memory_order_relaxed) == seen) {
        ++sleeping_;
        news_.wait(lock);
        --sleeping_;
    }
    --waiting_;
}

void FormatWorkers::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (!step(lock, true))
            await(lock);
    }
}

void FormatWorkers::write(const ListText& text, OutputSink& sink)
{
    if (!slots_)
        start();
    std::unique_lock<std::mutex> lock(mutex_);
    text_ = &text;
    sink_ = &sink;
    chunkElements_ = static_cast<std::uint32_t>(std::max<std::size_t>(1, kChunkRoom / text.elementRoom));
    chunks_ = static_cast<std::uint32_t>((std::uint64_t{text.count} + chunkElements_ - 1) / chunkElements_);
    claimed_ = 0;
    written_ = 0;
    failure_ = nullptr;
    announce();
    while (!listDone()) {
        if (!step(lock, false))
            await(lock);
    }
    // No other thread holds a chunk or the turn to write: the list and the
    // sink are the caller's again.
    text_ = nullptr;
    sink_ = nullptr;
    for (std::size_t i = 0; i < slotCount_; ++i)
        clear(slots_[i]);
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
}

} // namespace vel
