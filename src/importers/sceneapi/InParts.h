#pragma once
// Work on tens of megabytes split among the cores for the length of one call:
// the reader's large lists and binary copies. No pool outlives the call.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace vel {

// How many parts `bytes` make at `perPart` bytes or more each: at most one
// per core and at most `most`, at least one.
inline std::size_t partsFor(std::size_t bytes, std::size_t perPart, std::size_t most)
{
    return std::clamp<std::size_t>(std::min<std::size_t>(std::thread::hardware_concurrency(), bytes / perPart), 1,
                                   most);
}

// Runs part(0) to part(parts - 1), part 0 on the calling thread and every
// other on a thread of its own, all done when it returns. A part that gets
// no thread runs on the calling thread. `part` must not throw.
template <typename Part>
void runInParts(std::size_t parts, Part part)
{
    std::vector<std::jthread> threads;
    for (std::size_t k = 1; k < parts; ++k) {
        try {
            threads.emplace_back(part, k);
        } catch (const std::system_error&) {
            part(k);
        }
    }
    part(0);
}

// Runs piece(0) to piece(pieces - 1) on the calling thread and on up to
// `threads` - 1 threads of its own, each thread taking the next piece that no
// other has taken, all done when it returns. Unlike fixed parts, no thread
// waits for a part that a thread still waiting for a core was given: a
// thread that starts late finds fewer pieces, or none, and the calling
// thread waits at most for the pieces the others hold. `piece` must not
// throw.
template <typename Piece>
void runInPieces(std::size_t pieces, std::size_t threads, Piece piece)
{
    std::atomic<std::size_t> next{0};
    const auto take = [&] {
        for (std::size_t k = next.fetch_add(1, std::memory_order_relaxed); k < pieces;
             k = next.fetch_add(1, std::memory_order_relaxed))
            piece(k);
    };
    // Joined before `next` and `take` go.
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < std::min(threads, pieces); ++t) {
        try {
            helpers.emplace_back(take);
        } catch (const std::system_error&) {
            break; // fewer threads: the calling one takes what they leave
        }
    }
    take();
}

} // namespace vel
