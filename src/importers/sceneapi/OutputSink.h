#pragma once
// Where the scene writer's bytes go. A sink hands out a window of buffer space
// that callers fill directly (no copy for formatted numbers); when the window
// is used up, the concrete sink drains it to its destination or grows it.
//
// A sink never stops on a failure: later bytes are still offered to the
// destination, and the first failure is remembered as an errno value, so that
// whoever owns the destination can report an incomplete scene at the end.

#include <cstddef>
#include <cstring>
#include <string_view>

namespace vel {

class WriteBehind;

class OutputSink {
public:
    // The largest room that reserve() may be asked for.
    static constexpr std::size_t kMaxReserve = 4096;

    virtual ~OutputSink() = default;
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;

    void write(const char* data, std::size_t size)
    {
        if (size <= static_cast<std::size_t>(end_ - next_)) {
            if (size != 0)
                std::memcpy(next_, data, size);
            next_ += size;
        } else {
            writeLarge(data, size);
        }
    }
    void write(std::string_view text) { write(text.data(), text.size()); }

    void put(char c)
    {
        if (next_ == end_)
            makeRoom(1);
        *next_++ = c;
    }

    // `count` copies of `c`.
    void fill(char c, std::size_t count);

    // Room for at least `size` bytes (at most kMaxReserve); the caller writes
    // into it and passes the end of what it wrote to commit().
    char* reserve(std::size_t size)
    {
        if (static_cast<std::size_t>(end_ - next_) < size)
            makeRoom(size);
        return next_;
    }
    void commit(char* end) { next_ = end; }

    // Hands every buffered byte on to the destination.
    virtual void flush() {}

    // Lets the sink hand its large writes to `threads` and go on meanwhile;
    // null takes that back once a write still running has ended. The
    // threads must outlive their use: the owner takes them back before
    // they go. Sinks without large writes ignore it.
    virtual void writeBehind(WriteBehind* threads) { (void)threads; }

    // The errno value of the first failed write, or 0.
    int error() const { return error_; }

protected:
    OutputSink() = default;

    // Makes room for at least `size` more bytes after the window's position,
    // by draining or by growing, and sets the window anew.
    virtual void makeRoom(std::size_t size) = 0;
    // A write larger than the window; by default room is made for it whole.
    virtual void writeLarge(const char* data, std::size_t size);

    void setWindow(char* next, char* end)
    {
        next_ = next;
        end_ = end;
    }
    char* position() const { return next_; }
    // Remembers the first failure; 0 (no errno set) counts as EIO.
    void remember(int errnoValue);

private:
    char* next_ = nullptr;
    char* end_ = nullptr;
    int error_ = 0;
};

} // namespace vel
