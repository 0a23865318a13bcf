// Large lists formatted by several threads: the same bytes as one pass for
// every number of threads and every list length around the chunk and slot
// boundaries, written by one thread at a time (any thread may take its turn
// at the sink); a chunk whose second half another thread takes over comes out
// whole and in place; and a sink that throws, on whichever thread, ends the
// list without a hang or a thread left behind.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <sceneapi/FormatWorkers.h>
#include <sceneapi/OutputSink.h>
#include <sceneapi/StringSink.h>

using namespace vel;

namespace {

// Element i as its number and a comma, padded to a length that varies with
// i, so that chunks differ in size.
constexpr std::size_t kRoom = 40;

char* numbered(const void*, char* out, std::uint32_t first, std::uint32_t last)
{
    for (std::uint32_t i = first; i < last; ++i) {
        out += std::snprintf(out, kRoom, "%u", i);
        const std::size_t pad = i % 7;
        std::memset(out, '.', pad);
        out += pad;
        *out++ = ',';
    }
    return out;
}

std::string onePass(std::uint32_t count)
{
    std::vector<char> text(count * kRoom + 1);
    return {text.data(), numbered(nullptr, text.data(), 0, count)};
}

// Collects the text through a small window, so that most writes pass through
// its own code, and counts the writes that began while another was still
// under way.
class ExclusiveSink final : public OutputSink {
public:
    ExclusiveSink() { setWindow(buffer_, buffer_ + sizeof buffer_); }
    const std::string& str()
    {
        drain();
        return text_;
    }
    int overlaps() const { return overlaps_; }

private:
    void makeRoom(std::size_t) override { drain(); }
    void writeLarge(const char* data, std::size_t size) override
    {
        drain();
        text_.append(data, size);
    }
    void drain()
    {
        if (inUse_.exchange(true))
            ++overlaps_;
        text_.append(buffer_, static_cast<std::size_t>(position() - buffer_));
        setWindow(buffer_, buffer_ + sizeof buffer_);
        inUse_ = false;
    }

    char buffer_[256];
    std::string text_;
    std::atomic<bool> inUse_{false};
    std::atomic<int> overlaps_{0};
};

// A sink that takes `limit` bytes and throws at the next.
class ThrowingSink final : public OutputSink {
public:
    explicit ThrowingSink(std::size_t limit) : limit_(limit) { setWindow(buffer_, buffer_); }

private:
    void makeRoom(std::size_t size) override { take(size); }
    void writeLarge(const char*, std::size_t size) override { take(size); }
    void take(std::size_t size)
    {
        taken_ += size;
        if (taken_ > limit_)
            throw std::runtime_error("sink failed");
        setWindow(buffer_, buffer_); // every write comes back here
    }

    char buffer_[1];
    std::size_t limit_;
    std::size_t taken_ = 0;
};

// The threads of this process where Linux shows them, else -1.
long threadCount()
{
#ifdef __linux__
    std::error_code error;
    long n = 0;
    for (std::filesystem::directory_iterator i("/proc/self/task", error), end; !error && i != end; i.increment(error))
        ++n;
    return error ? -1 : n;
#else
    return -1;
#endif
}

// The list of `numbered`, whose first step holds its thread until another
// thread formats part of the same list (at most 10 s), and which notes the
// first element that other thread formatted.
struct HeldFirstStep {
    mutable std::atomic<bool> otherStarted{false};
    mutable std::atomic<std::thread::id> firstThread{};
    mutable std::atomic<std::uint32_t> otherFirst{0};

    static char* format(const void* context, char* out, std::uint32_t first, std::uint32_t last)
    {
        const auto& self = *static_cast<const HeldFirstStep*>(context);
        if (first == 0) {
            self.firstThread = std::this_thread::get_id();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!self.otherStarted && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        } else if (std::this_thread::get_id() != self.firstThread && !self.otherStarted) {
            self.otherFirst = first;
            self.otherStarted = true;
        }
        return numbered(nullptr, out, first, last);
    }
};

} // namespace

TEST(FormatWorkers, AChunkHeldUpIsFinishedByTwoThreadsInPlace)
{
    // One chunk: the thread that does not get it takes over its second half.
    const std::uint32_t count = FormatWorkers::kChunkRoom / kRoom;
    FormatWorkers workers(2);
    HeldFirstStep held;
    ExclusiveSink sink;
    workers.write({count, kRoom, &HeldFirstStep::format, &held}, sink);
    EXPECT_TRUE(held.otherStarted);
    EXPECT_GT(held.otherFirst.load(), 0u);
    EXPECT_LT(held.otherFirst.load(), count);
    EXPECT_TRUE(sink.str() == onePass(count)) << sink.str().size() << " bytes";
    EXPECT_EQ(sink.overlaps(), 0);
}

TEST(FormatWorkers, ListsComeOutAsInOnePassWhateverTheThreads)
{
    const std::uint32_t chunk = FormatWorkers::kChunkRoom / kRoom;
    for (const unsigned threads : {1u, 2u, 3u, 8u}) {
        FormatWorkers workers(threads);
        const std::uint32_t ring = FormatWorkers::kSlotsPerThread * threads * chunk; // every slot used once
        for (const std::uint32_t count : {1u, chunk - 1, chunk, chunk + 1, 2 * chunk + 1, ring - 1, ring, ring + 1,
                                          3 * ring + chunk / 2}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, " + std::to_string(count) + " elements");
            ExclusiveSink sink;
            const ListText text{count, kRoom, numbered, nullptr};
            workers.write(text, sink);
            EXPECT_TRUE(sink.str() == onePass(count)) << sink.str().size() << " bytes";
            EXPECT_EQ(sink.overlaps(), 0);
        }
    }
}

TEST(FormatWorkers, ASinkThatThrowsEndsTheListAndTheWorkersCarryOn)
{
    const long before = threadCount();
    const std::uint32_t count = 100000; // some 0.9 MB of text: past every limit below
    {
        FormatWorkers workers(4);
        for (const std::size_t limit : {std::size_t{0}, std::size_t{100000}, std::size_t{400000}}) {
            ThrowingSink failing(limit);
            EXPECT_THROW(workers.write({count, kRoom, numbered, nullptr}, failing), std::runtime_error);
            StringSink sink;
            workers.write({count, kRoom, numbered, nullptr}, sink);
            EXPECT_TRUE(sink.str() == onePass(count));
        }
        if (before > 0) {
            EXPECT_EQ(threadCount(), before + 3);
        }
    }
    EXPECT_EQ(threadCount(), before);
}
