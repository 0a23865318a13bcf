#include "XmlPart.h"

#include <StandIn/DesignError.h>

#include <expat.h>

#include <memory>
#include <new>

namespace standin::host::cad {

namespace {

// Inflated text handed to the parser at a time.
constexpr std::size_t kPiece = 256 * 1024;

} // namespace

const char* xmlAttribute(const char** attributes, std::string_view name)
{
    for (const char** a = attributes; *a; a += 2)
        if (name == *a)
            return a[1];
    return nullptr;
}

std::string_view xmlTrimmed(std::string_view s)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && space(s.back()))
        s.remove_suffix(1);
    return s;
}

XmlPart::XmlPart(ZipArchive& zip, std::string source, std::string part)
    : zip_(zip), source_(std::move(source)), part_(std::move(part)), parser_(XML_ParserCreate(nullptr))
{
    if (!parser_)
        throw std::bad_alloc();
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &XmlPart::onStart, &XmlPart::onEnd);
}

XmlPart::~XmlPart()
{
    XML_ParserFree(parser_);
}

void XmlPart::parse(const Progress& progress)
{
    const std::uint64_t total = zip_.size();
    std::uint64_t done = 0;
    const std::unique_ptr<char[]> piece(new char[kPiece]);
    for (;;) {
        const std::size_t got = zip_.read(piece.get(), kPiece);
        done += got;
        if (XML_Parse(parser_, piece.get(), static_cast<int>(got), got == 0 ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            if (error_)
                std::rethrow_exception(error_);
            throw DesignError(source_, where(), XML_ErrorString(XML_GetErrorCode(parser_)));
        }
        if (progress)
            progress(done, total);
        if (got == 0)
            break;
    }
    finish();
}

unsigned long XmlPart::line() const
{
    return static_cast<unsigned long>(XML_GetCurrentLineNumber(parser_));
}

std::string XmlPart::where(unsigned long at) const
{
    return part_ + ", line " + std::to_string(at ? at : line());
}

void XmlPart::fail(const std::string& problem, unsigned long at) const
{
    throw DesignError(source_, where(at), problem);
}

void XmlPart::onStart(void* self, const char* name, const char** attributes)
{
    auto* part = static_cast<XmlPart*>(self);
    if (part->error_)
        return;
    try {
        part->start(name, attributes);
    } catch (...) {
        part->stop(std::current_exception());
    }
}

void XmlPart::onEnd(void* self, const char*)
{
    auto* part = static_cast<XmlPart*>(self);
    if (part->error_)
        return;
    try {
        part->end();
    } catch (...) {
        part->stop(std::current_exception());
    }
}

void XmlPart::stop(std::exception_ptr error)
{
    error_ = std::move(error);
    XML_StopParser(parser_, XML_FALSE);
}

} // namespace standin::host::cad
