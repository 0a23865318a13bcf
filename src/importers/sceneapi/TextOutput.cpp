#include "TextOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "HexText.h"

namespace vel {

TextOutput::TextOutput(std::unique_ptr<OutputSink> stream)
    : stream_(std::move(stream)), dest_(stream_ ? stream_.get() : &discard_),
      formatBuffer_(new char[kPieceLimit + 1])
{
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

void TextOutput::indented(std::initializer_list<std::string_view> piece)
{
    std::size_t budget = kPieceLimit;
    writeIndentation();
    bool lineEnded = false; // a newline waits for a further character
    for (std::string_view part : piece) {
        if (part.size() > budget) {
            part = part.substr(0, budget);
            cut_ = true;
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
    // The format comes from the caller of writeText, as printf's would.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::vsnprintf(formatBuffer_.get(), kPieceLimit + 1, format ? format : "", args);
#pragma GCC diagnostic pop
    if (length < 0)
        return;
    if (static_cast<std::size_t>(length) > kPieceLimit)
        cut_ = true;
    // The piece is a zero-terminated string: a "%c" of 0 ends it.
    indented(std::string_view(formatBuffer_.get()));
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
