#include "TextOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "HexText.h"

namespace vel {

TextOutput::TextOutput(std::unique_ptr<OutputSink> stream)
    : stream_(std::move(stream)), dest_(stream_ ? stream_.get() : &discard_), formatThreads_(std::max(std::thread::hardware_concurrency(), 1u))
{
}

TextOutput::~TextOutput()
{
    stopWorkers();
}

void TextOutput::stopWorkers()
{
    // The stream waits for a piece its workers still write, and writes in
    // place from then on.
    if (workers_ && stream_)
        stream_->writeBehind(nullptr);
    workers_.reset();
}

void TextOutput::setFormatThreads(unsigned threads)
{
    formatThreads_ = std::max(threads, 1u);
    if (workers_ && workers_->threads() != formatThreads_)
        stopWorkers();
}

void TextOutput::list(const ListText& text)
{
    const std::size_t room = text.elementRoom;
    if (formatThreads_ > 1 && stream_ && room <= FormatWorkers::kChunkRoom &&
        std::uint64_t{text.count} * room > kParallelRoom) {
        if (!workers_) {
            workers_ = std::make_unique<FormatWorkers>(formatThreads_);
            stream_->writeBehind(workers_.get());
        }
        workers_->write(text, *dest_);
        return;
    }
    if (room > OutputSink::kMaxReserve) {
        // An element larger than any window (a deep indentation): one at a
        // time through a buffer of its own.
        const std::unique_ptr<char[]> buffer(new char[room]);
        for (std::uint32_t i = 0; i < text.count; ++i)
            dest_->write(buffer.get(),
                         static_cast<std::size_t>(text.format(text.context, buffer.get(), i, i + 1) - buffer.get()));
        return;
    }
    // Runs of elements formatted straight into the destination's window.
    const auto run = static_cast<std::uint32_t>(OutputSink::kMaxReserve / room);
    for (std::uint32_t i = 0; i < text.count;) {
        const std::uint32_t last = text.count - i > run ? i + run : text.count;
        dest_->commit(text.format(text.context, dest_->reserve((last - i) * room), i, last));
        i = last;
    }
}

void TextOutput::captureInto(CapturedText* text)
{
    capture_ = text;
    if (!stream_)
        dest_ = &discard_;
    else if (text)
        dest_ = text;
    else
        dest_ = stream_.get();
}

void TextOutput::writeIndentation()
{
    if (!indentationOff_ && indent_ > 0)
        dest_->fill(' ', static_cast<std::size_t>(indent_));
}

void TextOutput::markCut()
{
    if (!cut_ && onFirstCut_)
        onFirstCut_();
    cut_ = true;
}

void TextOutput::indented(std::initializer_list<std::string_view> piece)
{
    std::size_t budget = kPieceLimit;
    writeIndentation();
    bool lineEnded = false; // a newline waits for a further character
    for (std::string_view part : piece) {
        if (part.size() > budget) {
            part = part.substr(0, budget);
            markCut();
        }
        budget -= part.size();
        while (!part.empty()) {
            if (lineEnded) {
                writeIndentation();
                lineEnded = false;
            }
            const std::size_t newline = part.find('\n');
            if (newline == std::string_view::npos) {
                dest_->write(part);
                break;
            }
            dest_->write(part.substr(0, newline + 1));
            part.remove_prefix(newline + 1);
            lineEnded = true;
        }
    }
}

void TextOutput::indentedFormat(const char* format, std::va_list args)
{
    // The format comes from the caller of writeText, as printf's would. Most
    // pieces are short: they are formatted on the stack, and only a longer
    // one again into the full buffer, made when first needed.
    if (format == nullptr)
        format = "";
    char small[1024];
    std::va_list again;
    va_copy(again, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::vsnprintf(small, sizeof small, format, args);
    const char* piece = small;
    if (length >= static_cast<int>(sizeof small)) {
        if (!formatBuffer_)
            formatBuffer_.reset(new char[kPieceLimit + 1]);
        std::vsnprintf(formatBuffer_.get(), kPieceLimit + 1, format, again);
        piece = formatBuffer_.get();
    }
#pragma GCC diagnostic pop
    va_end(again);
    if (length < 0)
        return;
    if (static_cast<std::size_t>(length) > kPieceLimit)
        markCut();
    // The piece is a zero-terminated string: a "%c" of 0 ends it.
    indented(std::string_view(piece));
}

void TextOutput::raw(const void* data, std::size_t size)
{
    if (capture_ && size > 0)
        capture_->markBinary();
    dest_->write(static_cast<const char*>(data), size);
}

void TextOutput::hex(std::string_view prefix, const unsigned char* data, std::size_t size)
{
    if (capture_)
        capture_->markBinary();
    writeHex(*dest_, prefix, data, size);
}

void TextOutput::name(const char* text)
{
    const std::string_view name = text ? text : "";
    if (needsHexName(name))
        hex("xX", reinterpret_cast<const unsigned char*>(name.data()), name.size());
    else
        indented({"\"", name, "\""});
}

void TextOutput::name0(const char* text)
{
    const int saved = indent_;
    indent_ = 0;
    name(text);
    indent_ = saved;
}

void TextOutput::insert(const CapturedText& text)
{
    // A text inserted into itself would read bytes that the write moves.
    std::string copy;
    std::string_view bytes = text.text();
    if (&text == capture_) {
        copy.assign(bytes);
        bytes = copy;
    }
    if (text.holdsBinary())
        raw(bytes.data(), bytes.size());
    else
        indented(bytes);
}

void TextOutput::flush()
{
    if (stream_)
        stream_->flush();
}

int TextOutput::error() const
{
    if (stream_ && stream_->error() != 0)
        return stream_->error();
    return cut_ ? EOVERFLOW : 0;
}

} // namespace vel
