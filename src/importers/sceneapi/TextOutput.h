#pragma once
// The scene writer's three ways of putting text out, over one destination:
// the stream, or the captured text of an anonymous shader while one is being
// written.
//
//  - indented: one piece of text, preceded by the indentation (one blank per
//    level, none while indentation is off) and indented again after every
//    newline that is followed by more of the piece. The indentation comes at
//    the start of every indented piece, also in mid-line; the file format
//    keeps those mid-line blanks. A piece is cut to kPieceLimit characters.
//  - plain: the text as it is.
//  - raw: bytes of a given length; in a captured text they mark it as holding
//    binary, so that it is later inserted byte for byte.
//
// Without a stream nothing is written anywhere, captured texts included.

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "CapturedText.h"
#include "DiscardSink.h"
#include "FormatWorkers.h"
#include "ListText.h"
#include "NumberFormat.h"
#include "OutputSink.h"

namespace vel {

class TextOutput {
public:
    // The longest piece the indented write takes: what a 1 MiB - 1 byte
    // format buffer holds besides its terminating zero.
    static constexpr std::size_t kPieceLimit = 0xFFFFF - 1;

    explicit TextOutput(std::unique_ptr<OutputSink> stream);
    ~TextOutput();
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    bool hasStream() const { return stream_ != nullptr; }

    // Output goes into `text` from now on; null sends it to the stream.
    void captureInto(CapturedText* text);

    int indent() const { return indent_; }
    void setIndent(int level) { indent_ = level; }
    void indentMore() { ++indent_; }
    void indentLess() { --indent_; }
    void setIndentationOff(bool off) { indentationOff_ = off; }

    void indented(std::initializer_list<std::string_view> piece);
    void indented(std::string_view piece) { indented({piece}); }
    // The indented write of an empty piece: the indentation alone.
    void indentation() { indented({}); }
    // The indented write of a printf-formatted piece (writeText).
    void indentedFormat(const char* format, std::va_list args);

    void plain(std::string_view text) { dest_->write(text); }
    void plain(char c) { dest_->put(c); }

    void raw(const void* data, std::size_t size);
    // Raw: the prefix and two hex digits per byte.
    void hex(std::string_view prefix, const unsigned char* data, std::size_t size);

    // The elements of a list through the plain write. A list with more than
    // kParallelRoom bytes of room is formatted by several threads (see
    // FormatWorkers) when the writer may use them; the bytes are the same.
    // Below that, handing chunks between threads costs more than the second
    // thread gives (on two cores, two threads start to win at about 200 KiB).
    void list(const ListText& text);
    static constexpr std::size_t kParallelRoom = 256 * 1024;
    // Threads that may format one list, the calling one included; at least
    // 1, by default as many as the machine runs at once.
    void setFormatThreads(unsigned threads);
    // The blanks that the indented write puts at the start of a line.
    std::size_t indentationWidth() const
    {
        return indentationOff_ || indent_ <= 0 ? 0 : static_cast<std::size_t>(indent_);
    }

    // Plain writes formatted in place: room for at least `size` bytes (at
    // most OutputSink::kMaxReserve), then the end of what was written there.
    char* reserve(std::size_t size) { return dest_->reserve(size); }
    void commit(char* end) { dest_->commit(end); }

    // Numbers through the plain write.
    void general(double v) { number(formatGeneral(room(), v)); }
    void general(float v) { number(formatGeneral(room(), v)); }
    void fixed(double v, int precision, int width = 0) { number(formatFixed(room(), v, precision, width)); }
    void integer(std::int32_t v) { number(formatInt(room(), v)); }
    void unsignedInt(std::uint32_t v) { number(formatUnsigned(room(), v)); }

    // A name in double quotes through the indented write, or, when it cannot
    // be quoted, in the "xX" hex form through the raw write. Null is empty.
    void name(const char* text);
    // The same with the indentation suppressed.
    void name0(const char* text);
    // A captured text at the current indentation: byte for byte when it holds
    // binary, else through the indented write.
    void insert(const CapturedText& text);

    // Drains buffered bytes to the stream.
    void flush();
    // The errno value of the first failed write to the stream; EOVERFLOW
    // when a piece had to be cut; 0 when everything went out whole.
    int error() const;
    // True when a piece had to be cut.
    bool cut() const { return cut_; }
    // Called when the first piece is cut, so that the owner can tell where.
    void onFirstCut(std::function<void()> call) { onFirstCut_ = std::move(call); }

private:
    char* room() { return dest_->reserve(kMaxNumberText); }
    void number(char* end) { dest_->commit(end); }
    void writeIndentation();
    void markCut();
    void stopWorkers();

    std::unique_ptr<OutputSink> stream_;
    DiscardSink discard_;
    OutputSink* dest_;
    CapturedText* capture_ = nullptr;
    int indent_ = 0;
    bool indentationOff_ = false;
    bool cut_ = false;
    std::function<void()> onFirstCut_;
    std::unique_ptr<char[]> formatBuffer_; // kPieceLimit + 1 bytes, for a long writeText
    unsigned formatThreads_;
    std::unique_ptr<FormatWorkers> workers_; // from the first large list on
};

} // namespace vel
