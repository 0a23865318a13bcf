// The scene parser's reading of text: blanks, words, line ends and the
// writer's indentation, names and number tokens; and what it keeps of what
// it read: the modes each call shows, departures from the writer's layout,
// problems.

#include <algorithm>
#include <bit>
#include <cstring>

#include "HexText.h"
#include "SceneParser.h"
#include "SceneParserHelpers.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vel {

using namespace parsing;

// --- Text ---------------------------------------------------------------------------

bool SceneParser::missing(std::string_view s)
{
    if (p_ >= end_)
        return fail(p_, "the file ends where \"" + std::string(s) + "\" was expected");
    return fail(p_, "expected \"" + std::string(s) + "\"");
}

bool SceneParser::lineEnd()
{
    if (p_ >= end_)
        return fail(p_, "the file ends where a line should end");
    if (*p_ != '\n') {
        if (*p_ == '\r')
            return fail(p_, "a carriage return: scene files end their lines with a line feed alone");
        return fail(p_, "unexpected text where the line should end");
    }
    ++p_;
    return linePrefix();
}

// The blanks that inserting the open shader texts put after a line break.
bool SceneParser::linePrefix()
{
    if (prefixTotal_ == 0)
        return true;
    const std::size_t b = std::min(blanks(p_), prefixTotal_);
    if (b != prefixTotal_ && !tolerate(p_))
        return false;
    p_ += b;
    return true;
}

// An indented piece in mid-line, where what follows may itself begin with
// blanks: the belief about the mode decides.
bool SceneParser::indentationOf(int level)
{
    if (level <= 0)
        return true;
    const std::size_t b = blanks(p_);
    const auto want = static_cast<std::size_t>(level);
    // What this call showed already decides, since the mode holds for the
    // whole call; else the blanks themselves, and where there are more of
    // them than the level the last call's mode.
    if (need_.indentation == 0)
        return true;
    if (need_.indentation == 1) {
        if (b < want && !tolerate(p_))
            return false;
        p_ += std::min(b, want);
        return true;
    }
    if (b == want) {
        p_ += b;
        return observeIndentation(true);
    }
    if (b == 0)
        return observeIndentation(false);
    if (b < want) {
        if (!tolerate(p_))
            return false;
        p_ += b;
        return true;
    }
    // A value that begins with blanks follows: a captured text (its own
    // indentation of 2 with indentation on, none with it off), or inf or
    // nan padded to sixteen characters.
    const char* q = p_ + b;
    const char* e = text::numberEnd(q, end_);
    bool on = indentationBelief_;
    if (q < end_ && (*q == '"' || lookingAt(q, "xX")))
        on = b == want + 2 || (b != 2 && on);
    else if (e > q && (*q == 'i' || *q == 'n' || *q == '-'))
        on = b + static_cast<std::size_t>(e - q) == 16 + want;
    if (on)
        p_ += want;
    return observeIndentation(on);
}

// A name in double quotes or in the "xX" hex form.
bool SceneParser::readName(std::string& out)
{
    if (p_ < end_ && *p_ == '"') {
        // One pass: the end, and what the writer would not have quoted.
        const char* q = p_ + 1;
        bool zero = false, hex = false;
#if defined(__SSE2__) || defined(_M_X64)
        // Sixteen bytes at a time where they lie in the text: most names end
        // in the first sixteen.
        while (end_ - q >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
            const auto ends = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')))));
            const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
            // A carriage return, or a byte from 128 on (its top bit).
            const auto odd = static_cast<unsigned>(_mm_movemask_epi8(bytes)) |
                             static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))));
            const unsigned before = ends != 0 ? (ends & -ends) - 1 : 0xFFFFu;
            zero |= (zeros & before) != 0;
            hex |= (odd & before) != 0;
            if (ends != 0) {
                q += std::countr_zero(ends);
                break;
            }
            q += 16;
        }
#endif
        while (q < end_ && *q != '"' && *q != '\n') {
            const auto c = static_cast<unsigned char>(*q);
            zero |= c == 0;
            hex |= c == '\r' || c >= 128; // as needsHexName, but for the quote and line feed that end it
            ++q;
        }
        if (q >= end_ || *q != '"')
            return fail(p_, "a name without its closing quote");
        if (zero)
            return fail(p_, "a zero byte in a name");
        out.clear(); // and appended: no overlap to look for
        out.append(p_ + 1, static_cast<std::size_t>(q - p_ - 1));
        if (hex && !tolerate(p_)) // the writer would have written it in hex
            return false;
        p_ = q + 1;
        return true;
    }
    if (lookingAt("xX")) {
        const char* at = p_;
        if (!hexBytes(out, "a name"))
            return false;
        if (out.empty())
            return fail(at, "an empty name in the xX hex form");
        if (holdsZero(out))
            return fail(at, "a zero byte in a name");
        if (!needsHexName(out) && !tolerate(at)) // the writer would have quoted it
            return false;
        markBinary();
        return true;
    }
    if (p_ >= end_)
        return fail(p_, "the file ends where a name was expected");
    return fail(p_, "expected a name in double quotes or in the xX hex form");
}

// "bX" or "xX" and two hex digits per byte.
bool SceneParser::hexBytes(std::string& out, const char* what)
{
    const char* at = p_;
    const char* digits = p_ + 2;
    const char* q = digits;
    while (q < end_ && isHexDigit(*q))
        ++q;
    const auto count = static_cast<std::size_t>(q - digits);
    if (q < end_ && (static_cast<unsigned>((*q | 0x20) - 'g') <= 'z' - 'g'))
        return fail(q, std::string("bad hex in ") + what + ": '" + std::string(1, *q) + "' is not a hex digit");
    if (count % 2 != 0)
        return fail(at, std::string("bad hex in ") + what + ": an odd number of digits");
    out.resize(count / 2);
    for (std::size_t i = 0; i < count / 2; ++i)
        out[i] = static_cast<char>(hexValue(digits[2 * i]) << 4 | hexValue(digits[2 * i + 1]));
    p_ = q;
    return true;
}

bool SceneParser::int32Token(const char* what, std::int32_t& out)
{
    const char* e = text::numberEnd(p_, end_);
    if (!text::toInt32(p_, e, out))
        return fail(p_, std::string("expected ") + what);
    if (!intKeepsText(out, p_, e) && !tolerate(p_)) // "-0", leading zeros
        return false;
    p_ = e;
    return true;
}

bool SceneParser::uint32Token(const char* what, std::uint32_t& out)
{
    // Up to eight digits that end the number: the value as the general
    // reading gives it, without its calls.
    if (end_ - p_ >= 9) {
        std::uint64_t value;
        const int n = text::leadingDigits(p_, value);
        if (n > 0 && n < 8 && !text::isNumberChar(p_[n])) {
            out = static_cast<std::uint32_t>(value);
            p_ += n;
            return true;
        }
    }
    const char* e = text::numberEnd(p_, end_);
    if (!text::toUInt32(p_, e, out))
        return fail(p_, std::string("expected ") + what);
    p_ = e;
    return true;
}

bool SceneParser::doubleToken(const char* what, double& out)
{
    const char* e = text::numberEnd(p_, end_);
    if (!text::toDouble(p_, e, out))
        return fail(p_, std::string("expected ") + what);
    p_ = e;
    return true;
}

// A float printed as %g (or %.3f).
bool SceneParser::floatToken(const char* what, float& out)
{
    const char* e = text::numberEnd(p_, end_);
    if (!text::toFloat(p_, e, out)) {
        double d;
        if (!text::toDouble(p_, e, d))
            return fail(p_, std::string("expected ") + what);
        if (!tolerate(p_))
            return false;
        out = static_cast<float>(d);
    }
    p_ = e;
    return true;
}

bool SceneParser::lineText(std::string& out)
{
    const char* e = static_cast<const char*>(std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_)));
    if (!e)
        return fail(end_, "the file ends where a line should end");
    out.assign(p_, e);
    if (holdsZero(out))
        return fail(p_, "a zero byte in a comment");
    p_ = e;
    return true;
}

// Past the lines of a block whose opening line was read, to the line of its
// closing brace: blocks open with lines that end in " {" and close with
// lines that hold "}" alone.
void SceneParser::skipBlock()
{
    skipLine(p_);
    int depth = 1;
    while (p_ < end_ && depth > 0) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_)));
        const char* stop = lineEnd ? lineEnd : end_;
        const char* first = p_ + blanks(p_);
        if (stop - first == 1 && *first == '}')
            --depth;
        else if (stop - p_ >= 2 && stop[-1] == '{' && stop[-2] == ' ')
            ++depth;
        p_ = lineEnd ? lineEnd + 1 : end_;
    }
}

void SceneParser::skipLine(const char* from)
{
    const char* e = from < end_ ? static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(end_ - from)))
                                : nullptr;
    p_ = e ? e + 1 : end_;
    if (p_ < end_)
        p_ += std::min(blanks(p_), prefixTotal_);
}

// --- Modes, problems, emitting ------------------------------------------------------

bool SceneParser::observeBinary(bool on)
{
    const signed char shown = on ? 1 : 0;
    if (need_.binaryLists < 0)
        need_.binaryLists = shown;
    else if (need_.binaryLists != shown)
        return tolerate(p_);
    return true;
}

void SceneParser::markBinary()
{
    if (!frames_.empty())
        frames_.back().binary = true;
}

bool SceneParser::tolerate(const char* at)
{
    if (strict_)
        return fail(at, "the layout departs from the writer's");
    note(at);
    return true;
}

void SceneParser::note(const char* at)
{
    if (!result_.layoutIrregular) {
        result_.layoutIrregular = true;
        irregularOffset_ = static_cast<std::size_t>(std::min(at, end_) - begin_);
    }
}

bool SceneParser::fail(const char* at, std::string message)
{
    failure_ = {std::min(std::max(at, begin_), end_), std::move(message)};
    return false;
}

void SceneParser::problem(const char* at, std::string message)
{
    if (resyncing_ || result_.stopped)
        return;
    result_.problems.push_back({{}, std::move(message)});
    problemOffsets_.push_back(static_cast<std::size_t>(at - begin_));
    if (result_.problems.size() >= options_.maxProblems)
        result_.stopped = true;
}

std::string SceneParser::where(const char* at) const
{
    const TextPosition pos = positionOf(text_, static_cast<std::size_t>(at - begin_));
    return std::to_string(pos.line) + ":" + std::to_string(pos.column);
}

} // namespace vel
