#pragma once
// Threads that take a sink's large write off its caller: while one thread
// hands a full piece to the system (a copy into the page cache, a fifth of
// a millisecond for 2 MiB), the others go on formatting into the sink's
// other buffer instead of waiting for it.

namespace vel {

class WriteBehind {
public:
    // A write to run on whichever thread is free: `run(context)`. It must
    // not throw; it keeps what went wrong for whoever posted it.
    struct Job {
        void (*run)(void* context) = nullptr;
        void* context = nullptr;
    };

    virtual ~WriteBehind() = default;

    // Hands `job` on and returns at once. At most one job is posted at a
    // time: the poster finishes one before it posts the next.
    virtual void post(Job job) = 0;
    // Returns once the posted job has run, running it on this thread when
    // no other has taken it yet. Returns at once when none is posted.
    virtual void finish() = 0;

protected:
    WriteBehind() = default;
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;
};

} // namespace vel
