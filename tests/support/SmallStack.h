#pragma once
// Runs test code with no more stack than the add-in gets inside the CAD
// program, which calls it on a thread with 1 MiB (what MSVC programs get by
// default), so that a recursion as deep as a design fails here as it would
// there.
//
// On POSIX the code runs on a thread of its own with that stack. On Windows
// it runs on the calling thread: programs that link rd_small_stack are linked
// with a 1 MiB main-thread stack.

#include <cstddef>
#include <functional>

namespace rdtest {

inline constexpr std::size_t kAddinThreadStack = 1024 * 1024;

// Runs `code` and returns when it has ended; an exception it raises is
// raised again here.
void onAddinStack(const std::function<void()>& code);

} // namespace rdtest
