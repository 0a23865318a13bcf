#include "FormatWorkers.h"

#include <algorithm>
#include <system_error>

#include "OutputSink.h"

namespace vel {

FormatWorkers::FormatWorkers(unsigned threads) : threads_(std::max(threads, 1u)) {}

FormatWorkers::~FormatWorkers()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    work_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void FormatWorkers::start()
{
    slots_.resize(2 * std::size_t{threads_});
    for (Slot& slot : slots_)
        slot.buffer = std::make_unique<char[]>(kChunkRoom);
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
    if (text_ == nullptr || claimed_ >= chunks_ || claimed_ - written_ >= slots_.size())
        return false;
    chunk = claimed_++;
    return true;
}

void FormatWorkers::format(std::uint32_t chunk, std::unique_lock<std::mutex>& lock)
{
    const ListText& text = *text_;
    const std::uint64_t first = std::uint64_t{chunk} * chunkElements_;
    const std::uint64_t last = std::min<std::uint64_t>(text.count, first + chunkElements_);
    Slot& slot = slots_[chunk % slots_.size()];
    lock.unlock();
    char* end = text.format(text.context, slot.buffer.get(), static_cast<std::uint32_t>(first),
                            static_cast<std::uint32_t>(last));
    lock.lock();
    slot.end = end;
}

void FormatWorkers::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        std::uint32_t chunk = 0;
        while (!stop_ && !claim(chunk))
            work_.wait(lock);
        if (stop_)
            return;
        ++busy_;
        format(chunk, lock);
        --busy_;
        ready_.notify_one();
    }
}

void FormatWorkers::finish(std::unique_lock<std::mutex>& lock)
{
    if (!lock.owns_lock())
        lock.lock();
    claimed_ = chunks_;
    while (busy_ > 0)
        ready_.wait(lock);
    text_ = nullptr;
    for (Slot& slot : slots_)
        slot.end = nullptr;
}

void FormatWorkers::write(const ListText& text, OutputSink& sink)
{
    if (slots_.empty())
        start();
    std::unique_lock<std::mutex> lock(mutex_);
    text_ = &text;
    chunkElements_ = static_cast<std::uint32_t>(std::max<std::size_t>(1, kChunkRoom / text.elementRoom));
    chunks_ = static_cast<std::uint32_t>((std::uint64_t{text.count} + chunkElements_ - 1) / chunkElements_);
    claimed_ = 0;
    written_ = 0;
    work_.notify_all();
    try {
        while (written_ < chunks_) {
            Slot& slot = slots_[written_ % slots_.size()];
            if (slot.end == nullptr) {
                // Not formatted yet: format another chunk meanwhile, or wait.
                std::uint32_t chunk = 0;
                if (claim(chunk))
                    format(chunk, lock);
                else
                    ready_.wait(lock);
                continue;
            }
            const char* begin = slot.buffer.get();
            const auto size = static_cast<std::size_t>(slot.end - begin);
            lock.unlock();
            sink.write(begin, size);
            lock.lock();
            slot.end = nullptr;
            ++written_;
            work_.notify_one(); // the slot takes the next chunk
        }
    } catch (...) {
        finish(lock);
        throw;
    }
    finish(lock);
}

} // namespace vel
