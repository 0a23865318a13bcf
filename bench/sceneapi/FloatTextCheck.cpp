// Proves the writer's float text for every float: each of the 2^32 bit
// patterns (NaNs, infinities, signed zeros and subnormals included) goes
// through formatGeneral(float) and through snprintf("%g") of the float
// widened to double, on every core, and the two texts must be the same bytes.
//
// Run: build/default/bench/sceneapi/float_text_check [threads]
// Prints the first differences it finds and a summary line; exits 1 when any
// float differs. Takes a few minutes per core.

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <sceneapi/NumberFormat.h>

namespace {

constexpr std::uint64_t kPatterns = std::uint64_t{1} << 32;
constexpr std::uint64_t kBlock = std::uint64_t{1} << 22;

struct Check {
    std::atomic<std::uint64_t> nextBlock{0};
    std::atomic<std::uint64_t> differ{0};
    std::atomic<std::uint64_t> done{0};
    std::mutex report;
};

void run(Check& check)
{
    char expected[64];
    char actual[vel::kMaxFloatText + 1];
    for (;;) {
        const std::uint64_t first = check.nextBlock.fetch_add(kBlock);
        if (first >= kPatterns)
            return;
        std::uint64_t differ = 0;
        for (std::uint64_t bits = first; bits < first + kBlock; ++bits) {
            const float v = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
            std::snprintf(expected, sizeof expected, "%g", static_cast<double>(v));
            *vel::formatGeneral(actual, v) = '\0';
            if (std::strcmp(expected, actual) != 0 && ++differ <= 3) {
                const std::lock_guard<std::mutex> lock(check.report);
                std::printf("0x%08x: printf \"%s\", ours \"%s\"\n", static_cast<unsigned>(bits), expected, actual);
            }
        }
        check.differ += differ;
        const std::uint64_t done = check.done += kBlock;
        if (done % (kPatterns / 16) == 0)
            std::fprintf(stderr, "%3d %%\n", static_cast<int>(100 * done / kPatterns));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const unsigned threads = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1]))
                                      : std::max(1u, std::thread::hardware_concurrency());
    const auto start = std::chrono::steady_clock::now();
    Check check;
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < threads; ++i)
        workers.emplace_back(run, std::ref(check));
    for (std::thread& t : workers)
        t.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%llu floats, %llu texts differ from printf's (%.0f s on %u threads)\n",
                static_cast<unsigned long long>(kPatterns), static_cast<unsigned long long>(check.differ.load()),
                seconds, threads);
    return check.differ.load() == 0 ? 0 : 1;
}
