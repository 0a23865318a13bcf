// The scene parser's reading of values: numbers, names, lists in their text
// and binary forms, lists built value by value, and captured shader texts.

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>


#include "SceneParser.h"
#include "SceneParserHelpers.h"
#include "InParts.h"
#include "IntLines.h"
#include "SimpleElements.h"

namespace vel {

using namespace parsing;

namespace {

// For elements that are read one by one only.
constexpr auto noBulk = [](std::uint32_t&, int&) { return true; };

} // namespace


// --- Values -----------------------------------------------------------------------

bool SceneParser::atValueEnd(Term term) const
{
    if (p_ >= end_)
        return true;
    switch (term) {
    case Term::Statement:
        return *p_ == '\n';
    case Term::Parameter:
        return *p_ == ',';
    case Term::ListItem:
        return *p_ == ',' || lookingAt(" ]") || lookingAt(kBinaryMarker);
    }
    return false;
}

bool SceneParser::value(Value& v, Term term)
{
    v.code = TypeNone;
    v.pointer = nullptr;
    if (p_ >= end_)
        return fail(p_, "the file ends where a value was expected");
    if (atValueEnd(term))
        return true;
    const char c = *p_;
    if (c == '[')
        return listParameter(v);
    auto textValue = [&](std::size_t shown) {
        bool binary = false;
        if (!capturedText(shown, v.text, binary))
            return false;
        v.code = TypeShaderText;
        v.pointer = &v.text;
        // A value's text is inserted at indentation level 2.
        if (binary)
            return shown == 0 || tolerate(p_);
        if (shown == 2)
            return observeIndentation(true);
        if (shown == 0)
            return observeIndentation(false);
        return tolerate(p_);
    };
    if (c == ' ') {
        const std::size_t b = blanks(p_);
        const char* q = p_ + b;
        if (q < end_ && (*q == '"' || lookingAt(q, "xX"))) {
            p_ = q;
            return textValue(b);
        }
        // "%16.16f" pads inf and nan to sixteen characters.
        const char* e = text::numberEnd(q, end_);
        double d;
        if (e - p_ == 16 && text::toDouble(q, e, d) && !std::isfinite(d)) {
            p_ = e;
            v.code = TypeDouble;
            v.d[0] = d;
            v.pointer = v.d;
            return atValueEnd(term) || fail(p_, "unexpected text after the value");
        }
        return fail(p_, "cannot read the value");
    }
    if (c == '"' || lookingAt("xX")) {
        // A string, or a captured text whose type is this name.
        const char* q = p_ + 1;
        if (c == '"') {
            while (q < end_ && *q != '"' && *q != '\n')
                ++q;
            if (q < end_)
                ++q;
        } else {
            ++q;
            while (q < end_ && isHexDigit(*q))
                ++q;
        }
        if (lookingAt(q, " {\n"))
            return textValue(0);
        if (!readName(v.string))
            return false;
        v.code = TypeString;
        v.pointer = v.string.c_str();
        return atValueEnd(term) || fail(p_, "unexpected text after the value");
    }
    const bool on = accept("on");
    if (on || accept("off")) {
        if (!atValueEnd(term))
            return fail(p_, std::string("unexpected text after \"") + (on ? "on" : "off") + "\"");
        v.code = TypeBool;
        v.i[0] = on ? 1 : 0;
        v.pointer = v.i;
        return true;
    }
    if (text::startsNumber(c))
        return numbers(v, term);
    return fail(p_, "cannot read the value");
}

// One to four numbers, or sixteen, separated by single blanks. The type code
// is one whose text is the same: ints for integral single numbers, floats
// where they keep the text, else doubles or ints.
bool SceneParser::numbers(Value& v, Term term)
{
    const char* tokens[17];
    const char* ends[17];
    int n = 0;
    for (;;) {
        const char* e = text::numberEnd(p_, end_);
        if (e == p_)
            return fail(p_, "expected a number");
        if (n == 16)
            return fail(tokens[0], "a value holds at most sixteen numbers");
        tokens[n] = p_;
        ends[n] = e;
        ++n;
        p_ = e;
        if (p_ + 1 < end_ && *p_ == ' ' && text::startsNumber(p_[1])) {
            ++p_;
            continue;
        }
        break;
    }
    if (!atValueEnd(term))
        return fail(p_, "unexpected text after the value");
    auto bad = [&](int k) { return fail(tokens[k], "cannot read the number \"" + std::string(tokens[k], ends[k]) + "\""); };
    auto allFloats = [&](bool exact) {
        for (int k = 0; k < n; ++k) {
            if (!text::toFloat(tokens[k], ends[k], v.f[k]))
                return false;
            if (exact && !text::generalKeepsText(v.f[k], tokens[k], ends[k]))
                return false;
        }
        return true;
    };
    auto allDoubles = [&](bool exact) {
        for (int k = 0; k < n; ++k) {
            if (!text::toDouble(tokens[k], ends[k], v.d[k]))
                return false;
            if (exact && !text::generalKeepsText(v.d[k], tokens[k], ends[k]))
                return false;
        }
        return true;
    };
    auto allInts = [&] {
        for (int k = 0; k < n; ++k)
            if (!text::toInt32(tokens[k], ends[k], v.i[k]))
                return false;
        return true;
    };
    switch (n) {
    case 1:
        if (text::isFixed16Text(tokens[0], ends[0])) {
            if (!allDoubles(false))
                return bad(0);
            v.code = TypeDouble;
            v.pointer = v.d;
        } else if (text::isIntegerText(tokens[0], ends[0]) && allInts() && intKeepsText(v.i[0], tokens[0], ends[0])) {
            v.code = TypeInt;
            v.pointer = v.i;
        } else {
            if (!allFloats(false)) {
                if (!allDoubles(false))
                    return bad(0);
                v.f[0] = static_cast<float>(v.d[0]);
                if (!tolerate(tokens[0]))
                    return false;
            }
            v.code = TypeFloat;
            v.pointer = v.f;
        }
        return true;
    case 2:
    case 3:
    case 4:
        if (allFloats(true)) {
            v.code = n == 2 ? TypeVector2f : n == 3 ? TypeVector3f : TypeColor4f;
            v.pointer = v.f;
        } else if (n == 3 && allDoubles(true)) {
            v.code = TypeVector3d;
            v.pointer = v.d;
        } else if (allInts()) {
            v.code = n == 2 ? TypeInt2 : n == 3 ? TypeInt3 : TypeInt4;
            v.pointer = v.i;
        } else {
            for (int k = 0; k < n; ++k)
                if (!text::toDouble(tokens[k], ends[k], v.d[k]))
                    return bad(k);
            if (!tolerate(tokens[0]))
                return false;
            if (n == 3) {
                v.code = TypeVector3d;
                v.pointer = v.d;
            } else {
                for (int k = 0; k < n; ++k)
                    v.f[k] = static_cast<float>(v.d[k]);
                v.code = n == 2 ? TypeVector2f : TypeColor4f;
                v.pointer = v.f;
            }
        }
        return true;
    case 16:
        // Sixteen floats printed from doubles: the matrix code.
        for (int k = 0; k < 16; ++k) {
            float f;
            if (text::toFloat(tokens[k], ends[k], f))
                v.d[k] = f;
            else if (!text::toDouble(tokens[k], ends[k], v.d[k]))
                return bad(k);
            else if (!tolerate(tokens[k]))
                return false;
        }
        v.code = TypeMatrix;
        v.pointer = v.d;
        return true;
    default:
        return fail(tokens[0], std::to_string(n) + " numbers do not make a value (1 to 4, or 16)");
    }
}

// "[ " ... "] ": a binary block, or text elements, or matrices, or strings.
bool SceneParser::listParameter(Value& v)
{
    if (!expect("[ "))
        return false;
    v.pointer = &v.list;
    bool read = true;
    if (lookingAt(kBinaryMarker)) {
        read = binaryBlock(v);
    } else if (lookingAt("] ")) {
        // Empty: as a string list, which every list mode writes so.
        v.code = TypeStringList;
        v.list = {nullptr, 0};
    } else if (p_ < end_ && (*p_ == '"' || lookingAt("xX"))) {
        read = stringList(v);
    } else if (p_ < end_ && *p_ == ' ') {
        read = matrixList(v); // indentation first
    } else {
        read = textList(v);
    }
    return read && expect("] ");
}

bool SceneParser::binaryBlock(Value& v)
{
    const char* at = p_;
    if (end_ - p_ < static_cast<std::ptrdiff_t>(kBinaryHeader))
        return fail(at, "the binary block runs past the end of the file");
    const char letter = p_[kBinaryLetter];
    const std::uint32_t count = littleEndian32(p_ + kBinaryCount);
    std::uint64_t size = 0;
    switch (letter) {
    case 'c':
        if (count % 3 != 0)
            return fail(at + kBinaryCount,
                        "a block of float triples holds a multiple of three floats, not " + std::to_string(count));
        v.code = TypeVector3fList;
        size = 4ull * count;
        break;
    case 'f':
        v.code = TypeFloatList;
        size = 4ull * count;
        break;
    case 'r':
        v.code = TypeDoubleList;
        size = 8ull * count;
        break;
    case 'i':
        v.code = TypeIntList;
        size = 4ull * count;
        break;
    default:
        return fail(at + kBinaryLetter, "unknown binary block type (c, f, r or i)");
    }
    p_ += kBinaryHeader;
    if (static_cast<std::uint64_t>(end_ - p_) < size)
        return fail(at, "the binary block of " + std::to_string(count) + " values runs past the end of the file");
    // The elements are passed where they lie when that is aligned for
    // them, else as an aligned copy: implementations read them as arrays.
    const void* data = p_;
    if (size != 0 && reinterpret_cast<std::uintptr_t>(p_) % 8 != 0) {
        const auto words = static_cast<std::size_t>((size + 7) / 8);
        aligned_.clear();
        aligned_.reserve(words);
        copyLarge(aligned_.data(), p_, static_cast<std::size_t>(size), aligned_.reachedBytes() >= size);
        aligned_.setEnd(aligned_.data() + words);
        data = aligned_.data();
    }
    v.list = {data, letter == 'c' ? count / 3 : count};
    p_ += size;
    markBinary();
    return observeBinary(true);
}

// Text elements of one to four numbers, separated by commas; the first line
// holds nine elements, every further one eight. Elements of one number are
// ints, floats (%g) or doubles (%16.16f); of three, float or double triples;
// of four, float quadruples. The list code is one whose text is the same.
bool SceneParser::textList(Value& v)
{
    const char* start = p_;
    // The numbers of the first element.
    int k = 0;
    const char* q = p_;
    for (;;) {
        const char* e = text::numberEnd(q, end_);
        if (e == q)
            return fail(q, "expected a number");
        ++k;
        q = e;
        if (k < 17 && q + 1 < end_ && *q == ' ' && text::startsNumber(q[1])) {
            ++q;
            continue;
        }
        break;
    }
    if (k == 16 && (lookingAt(q, " ,\n") || lookingAt(q, " \n")))
        return matrixList(v);
    if (k != 1 && k != 3 && k != 4)
        return fail(start, "list elements hold one, three or four numbers, not " + std::to_string(k));

    enum class Kind { Ints, Floats, Doubles, Triples, DoubleTriples, Quads };
    Kind kind = Kind::Floats;
    if (k == 3)
        kind = Kind::Triples;
    else if (k == 4)
        kind = Kind::Quads;
    else if (text::isFixed16Text(p_, q))
        kind = Kind::Doubles;
    else if (text::isIntegerText(p_, q))
        kind = Kind::Ints;

    auto failed = [&](const char* at, const char* message) {
        (void)fail(at, message);
        return Elements::Failed;
    };
    // One number at p_ into `out`; `keeps`: whether printing it as a float
    // gives its text again. False when there is no number.
    auto readFloat = [&](float& out, bool& keeps) {
        // The writer's own texts take the fast way.
        if (const char* e = text::fastFloat(p_, end_, out)) {
            p_ = e;
            keeps = true;
            return true;
        }
        const auto r = std::from_chars(p_, end_, out);
        if (r.ptr == p_)
            return fail(p_, "expected a number");
        const char* begin = p_;
        p_ = r.ptr;
        if (r.ec != std::errc()) {
            // Beyond a float's range: the text of a double, or of none.
            double d;
            if (std::from_chars(begin, end_, d).ec != std::errc())
                d = text::beyondRange(begin, p_);
            out = static_cast<float>(d);
            keeps = false;
            return true;
        }
        keeps = floatKeepsGeneral(out, begin, p_);
        return true;
    };
    auto readDouble = [&](double& out) {
        const auto r = std::from_chars(p_, end_, out);
        if (r.ptr == p_ || r.ec != std::errc())
            return fail(p_, "expected a number");
        p_ = r.ptr;
        return true;
    };
    auto floatElement = [&] {
        float f;
        bool keeps = false;
        if (!readFloat(f, keeps) || (!keeps && !tolerate(p_)))
            return Elements::Failed;
        floats_.push_back(f);
        return Elements::Read;
    };
    auto doubleElement = [&] {
        double d;
        if (!readDouble(d))
            return Elements::Failed;
        doubles_.push_back(d);
        return Elements::Read;
    };
    auto tripleElement = [&] {
        float f[3];
        for (int j = 0; j < 3; ++j) {
            if (j != 0 && !accept(" "))
                return failed(p_, "expected the three numbers of an element");
            bool keeps = false;
            if (!readFloat(f[j], keeps))
                return Elements::Failed;
            if (!keeps)
                return Elements::OtherKind; // the text of doubles
        }
        floats_.push_back(f[0]);
        floats_.push_back(f[1]);
        floats_.push_back(f[2]);
        return Elements::Read;
    };
    auto doubleTripleElement = [&] {
        double d[3];
        for (int j = 0; j < 3; ++j)
            if ((j != 0 && !expect(" ")) || !readDouble(d[j]))
                return Elements::Failed;
        for (const double x : d)
            doubles_.push_back(x);
        return Elements::Read;
    };
    auto quadElement = [&] {
        float f[4];
        for (int j = 0; j < 4; ++j) {
            bool keeps = false;
            if ((j != 0 && !expect(" ")) || !readFloat(f[j], keeps) || (!keeps && !tolerate(p_)))
                return Elements::Failed;
        }
        for (const float x : f)
            floats_.push_back(x);
        return Elements::Read;
    };

    // Room for as many elements as the rest of the text could hold (at least
    // two characters each, four numbers at most): the pages that no element
    // reaches are never touched.
    const std::size_t most = static_cast<std::size_t>(end_ - p_) / 2 * static_cast<std::size_t>(k);
    for (;;) {
        p_ = start;
        splitFrom_ = start;
        ints_.clear();
        floats_.clear();
        doubles_.clear();
        if (kind == Kind::Ints)
            ints_.reserve(most);
        else if (kind == Kind::Doubles || kind == Kind::DoubleTriples)
            doubles_.reserve(most);
        else
            floats_.reserve(most);
        std::uint32_t count = 0;
        switch (kind) {
        case Kind::Ints:
            switch (intElements(count)) {
            case Elements::OtherKind:
                kind = Kind::Floats; // not an int after all ("-0", a fraction)
                continue;
            case Elements::Failed:
                return false;
            case Elements::Read:
                break;
            }
            v.code = TypeIntList;
            v.list = {ints_.data(), count};
            return observeBinary(false);
        case Kind::Floats:
            if (elements(count, floatElement, [&](std::uint32_t& n, int& untilBreak) {
                    return simpleElements(n, untilBreak, floats_, FloatElement{});
                }) != Elements::Read)
                return false;
            v.code = TypeFloatList;
            v.list = {floats_.data(), count};
            return observeBinary(false);
        case Kind::Doubles:
            if (elements(count, doubleElement, noBulk) != Elements::Read)
                return false;
            v.code = TypeDoubleList;
            v.list = {doubles_.data(), count};
            return observeBinary(false);
        case Kind::Triples:
            switch (elements(count, tripleElement, [&](std::uint32_t& n, int& untilBreak) {
                return simpleElements(n, untilBreak, floats_, TripleElement{});
            })) {
            case Elements::OtherKind:
                kind = Kind::DoubleTriples;
                continue;
            case Elements::Failed:
                return false;
            case Elements::Read:
                break;
            }
            v.code = TypeVector3fList;
            v.list = {floats_.data(), count};
            return observeBinary(false);
        case Kind::DoubleTriples:
            if (elements(count, doubleTripleElement, noBulk) != Elements::Read)
                return false;
            v.code = TypeVector3dList; // no binary form: the same text in any mode
            v.list = {doubles_.data(), count};
            return true;
        case Kind::Quads:
            if (elements(count, quadElement, noBulk) != Elements::Read)
                return false;
            v.code = TypeVector4fList;
            v.list = {floats_.data(), count};
            return true;
        }
    }
}

// The elements between the commas found in the 64 bytes at `p` (80 must be
// readable), each converted by `convert` (bytes [start, end) of `p`, the
// classes of the bytes, where to put its values; false where the element is
// not of the simple form it reads): put into `into`, with the count and the
// elements before the next line break updated. Stops before anything else
// (an element of another form, the last element, a line break that comes
// out of turn) and at the end of a line, just after its comma; returns where
// it stopped, or null where a reading on trial fails. A line break followed
// by the `level` blanks of the writer's indentation (1 to 8, where the
// indentation is on and no prefix is read) is read here and the elements
// after it in the same bytes too, unless the list is due to be split.
template <typename T, typename Convert>
const char* SceneParser::commaSeparated(const char* p, std::uint32_t& count, int& untilBreak, ScratchArray<T>& into,
                                        Convert, int level)
{
    const bool lineBreaksHere = need_.indentation == 1 && level > 0 && level <= 8 && prefixTotal_ == 0;
    const ByteClasses classes = classify<Convert::kClasses>(p, end_);
    std::uint64_t commas = classes.commas;
    // At most one element per two bytes: room for all of them here.
    into.reserve(into.size() + 32 * Convert::kValues);
    T* out = into.end();
    std::uint64_t start = 0;
    while (commas) {
        const auto end = static_cast<std::uint64_t>(std::countr_zero(commas));
        commas &= commas - 1;
        if (end <= start)
            break; // the careful way
        // The common form inline; any other by a call.
        if (!Convert::fast(p, start, end, classes, out)) [[unlikely]]
            if (!Convert::slow(p, start, end, classes, out))
                break;
        out += Convert::kValues;
        ++count;
        start = end + 1;
        const bool lineBreak = p[start] == '\n';
        if (--untilBreak == 0) {
            untilBreak = 8;
            // Read on here, except where the caller reads whole lines: after
            // the list's first line and past kSplitAfter bytes of it.
            if (lineBreak && lineBreaksHere && blanksAt(p + start + 1, level) &&
                count != kFirstLineElements && p + start - splitFrom_ < kSplitAfter) {
                start += 1 + static_cast<std::uint64_t>(level);
                continue;
            }
            into.setEnd(out);
            return lineBreak || tolerate(p + start) ? p + start : nullptr;
        }
        if (lineBreak) {
            into.setEnd(out);
            return tolerate(p + start) ? p + start : nullptr; // a line break where the writer puts none
        }
    }
    into.setEnd(out);
    return p + start;
}

// Runs of elements of the simple form between commas, 64 bytes looked at a
// time, each line break after them read as the careful way reads it;
// stops where fewer than 80 bytes remain or an element is not simple.
template <typename T, typename Convert>
bool SceneParser::simpleElements(std::uint32_t& count, int& untilBreak, ScratchArray<T>& into, Convert convert)
{
    const int level = indent_;
    while (end_ - p_ >= 80) {
        const char* stop = commaSeparated(p_, count, untilBreak, into, convert, level);
        if (!stop)
            return false;
        if (stop == p_)
            return true;
        p_ = stop;
        if (*p_ == '\n') {
            // The line break after the last comma of a line; where the rest
            // of a large list's whole lines were read at once, the last one's.
            if (!newline() || !indentation(level))
                return false;
            if (untilBreak == 8 && splitLines(count, into, convert) && (!newline() || !indentation(level)))
                return false;
        }
    }
    return true;
}

// At the start of a list's second line: the whole lines that follow, of the
// writer's form (eight simple elements, the same indentation as the line
// here), read in one go on this thread, up to kSplitAfter bytes of them,
// so that a large list still reaches splitLarge where it did. Its last
// line, which holds " ]", is of another form and stops them; the careful
// reading reads it. True when lines were read, with the position on the
// last one's line break; false, nothing changed, where no line was.
template <typename T, typename Convert>
bool SceneParser::wholeLines(std::uint32_t& count, ScratchArray<T>& into, Convert convert)
{
    if (prefixTotal_ != 0)
        return false;
    const char* lineStart = p_;
    while (lineStart > begin_ && lineStart[-1] == ' ')
        --lineStart;
    if (lineStart == begin_ || lineStart[-1] != '\n' || end_ - lineStart < 80)
        return false;
    const auto blanks = static_cast<std::size_t>(p_ - lineStart);
    // 80 readable bytes after every line read here.
    const char* last = std::min(end_ - 80, lineStart + kSplitAfter);
    while (last > lineStart && last[-1] != '\n')
        --last;
    if (last == lineStart)
        return false;
    // At most one element per two bytes.
    into.reserve(into.size() + static_cast<std::size_t>(last - lineStart) / 2 * Convert::kValues);
    parsing::SimpleLines read;
    if constexpr (std::is_same_v<Convert, IntElement>)
        read = intLines(lineStart, last, blanks, into.end());
    else
        read = simpleLines(lineStart, last, blanks, into.end(), convert);
    if (read.count == 0)
        return false;
    into.setEnd(into.end() + static_cast<std::size_t>(read.count) * Convert::kValues);
    count += static_cast<std::uint32_t>(read.count);
    // On the last line break read, as the loop that called us leaves it.
    p_ = read.stop - 1;
    return true;
}

// At the start of a line of a large list, once half a megabyte of it is
// read: the whole lines that follow read on several threads, each a run of
// lines into its own part of the values, for as long as every line has the
// writer's form (eight simple elements, the same indentation as the line
// here). The list's end is not looked for ahead, which would be a pass over
// it on one thread: its last line, which holds " ]", is of another form and
// stops the run that meets it. The lines go in rounds of windows as large as
// twice what the list has shown so far (8 MiB at most), so that runs that
// start past its end (in another list) never read more than the list itself.
// True when lines were read, with the position on the last one's line break
// read as the careful way reads it; false, nothing changed, where no line
// was. The careful reading reads the line that stopped the runs, and says
// what is wrong with it; the lines after it may be split again once as much
// of them is read.
template <typename T, typename Convert>
bool SceneParser::splitLarge(std::uint32_t& count, ScratchArray<T>& into, Convert convert)
{
    constexpr std::ptrdiff_t kPartBytes = 1 << 19; // below this a thread costs more than it gives
    // Past this, the room of the runs after the first is reused from round
    // to round, its pages in memory already.
    constexpr std::ptrdiff_t kWindowMost = 8 << 20;
    const std::ptrdiff_t shown = p_ - splitFrom_;
    splitFrom_ = p_;
    // The blanks before this line's first element, which every line repeats.
    const char* lineStart = p_;
    while (lineStart > begin_ && lineStart[-1] == ' ')
        --lineStart;
    if (lineStart == begin_ || lineStart[-1] != '\n')
        return false;
    const auto blanks = static_cast<std::size_t>(p_ - lineStart);
    // 80 readable bytes after every line read here.
    const char* const limit = end_ - 80;
    std::vector<const char*> cuts;
    // Kept from list to list and read to read: their pages are there.
    std::vector<ScratchArray<T>>& parts = [this]() -> auto& {
        if constexpr (std::is_same_v<T, float>)
            return floatRuns_;
        else
            return intRuns_;
    }();
    std::vector<SimpleLines> read;
    struct Place {
        std::size_t at = 0;     // in the values
        std::size_t values = 0; // of the part of the same run
    };
    std::vector<Place> placeAt; // the last round's parts, not yet copied
    auto place = [&](std::size_t r) {
        if (r < placeAt.size() && placeAt[r].values != 0)
            std::memcpy(into.data() + placeAt[r].at, parts[r].data(), placeAt[r].values * sizeof(T));
    };
    const char* stop = lineStart;
    for (std::ptrdiff_t window = std::min(2 * shown, kWindowMost);; window = std::min(2 * window, kWindowMost)) {
        const char* from = stop;
        const char* last = from + std::min(window, limit - from);
        while (last > from && last[-1] != '\n')
            --last;
        if (last - from < 2 * kPartBytes)
            break;
        // Runs of lines of about equal size, one per thread.
        const auto size = static_cast<std::size_t>(last - from);
        const auto threads = static_cast<unsigned>(partsFor(size, kPartBytes, 16));
        cuts.assign(1, from);
        for (unsigned t = 1; t < threads; ++t) {
            const char* cut = from + size / threads * t;
            const char* next = static_cast<const char*>(std::memchr(cut, '\n', static_cast<std::size_t>(last - cut)));
            if (next && next + 1 < last && next + 1 > cuts.back())
                cuts.push_back(next + 1);
        }
        cuts.push_back(last);
        const std::size_t runs = cuts.size() - 1;
        // The first run goes straight into the values, the others into room
        // of their own, each copied to its place by its thread at the start
        // of the next round (by this one after the last).
        into.reserve(into.size() + static_cast<std::size_t>(cuts[1] - cuts[0]) / 2 * Convert::kValues);
        if (parts.size() < runs)
            parts.resize(runs);
        read.assign(runs, SimpleLines{});
        runInParts(runs, [&](std::size_t r) noexcept {
            read[r] = {0, cuts[r]};
            T* out = into.end();
            if (r != 0) {
                place(r);
                try {
                    parts[r].clear();
                    // Rounded up, so that runs of nearly the same size from
                    // round to round do not each move to fresh memory.
                    constexpr std::size_t kStep = std::size_t(1) << 20;
                    const std::size_t values = static_cast<std::size_t>(cuts[r + 1] - cuts[r]) / 2 * Convert::kValues;
                    parts[r].reserve((values + kStep - 1) / kStep * kStep);
                } catch (const std::bad_alloc&) {
                    return; // not read here: the careful reading reads it
                }
                out = parts[r].data();
            }
            if constexpr (std::is_same_v<Convert, IntElement>)
                read[r] = intLines(cuts[r], cuts[r + 1], blanks, out);
            else
                read[r] = simpleLines(cuts[r], cuts[r + 1], blanks, out, convert);
        });
        for (std::size_t r = runs; r < placeAt.size(); ++r)
            place(r);
        // The runs read to their ends, and of the first that was not, the
        // lines before the one it stopped at.
        std::size_t taken = 1;
        while (taken < runs && read[taken - 1].stop == cuts[taken])
            ++taken;
        // The first run's values are in place already: counted before any
        // growth of the room, which copies only what is counted.
        std::size_t values = static_cast<std::size_t>(read[0].count) * Convert::kValues;
        into.setEnd(into.end() + values);
        std::size_t later = 0;
        for (std::size_t r = 1; r < taken; ++r)
            later += static_cast<std::size_t>(read[r].count) * Convert::kValues;
        into.reserve(into.size() + later);
        placeAt.assign(taken, Place{});
        std::size_t at = into.size();
        for (std::size_t r = 1; r < taken; ++r) {
            placeAt[r] = {at, static_cast<std::size_t>(read[r].count) * Convert::kValues};
            at += placeAt[r].values;
        }
        into.setEnd(into.end() + later);
        values += later;
        count += static_cast<std::uint32_t>(values / Convert::kValues);
        stop = read[taken - 1].stop;
        if (stop != last)
            break;
    }
    for (std::size_t r = 1; r < placeAt.size(); ++r)
        place(r);
    if (stop == lineStart)
        return false;
    splitFrom_ = stop;
    // On the last line break read, as the loop that called us leaves it.
    p_ = stop - 1;
    return true;
}

// The elements of a list of ints: the elements() loop specialised for the
// lists that dominate a scene (triangle indices), with the position in a
// local and each int read eight digits at a time. Where fewer than 32 bytes
// remain, or a line breaks, the general loop's steps are taken.
SceneParser::Elements SceneParser::intElements(std::uint32_t& count)
{
    const int level = indent_;
    count = 0;
    int untilBreak = 9;
    const char* p = p_;
    for (;;) {
        if (end_ - p < 32) {
            // Near the end of the text: the careful way, element by element.
            p_ = p;
            return elementsFrom(count, untilBreak, [&] {
                const char* s = p_;
                const bool negative = s < end_ && *s == '-';
                s += negative;
                const char* digits = s;
                std::uint64_t value = 0;
                while (s < end_ && static_cast<unsigned>(*s - '0') <= 9 && s - digits < 11)
                    value = value * 10 + static_cast<unsigned>(*s++ - '0');
                if (s == digits || (s < end_ && text::isNumberChar(*s)) ||
                    value > (negative ? 0x80000000ull : 0x7FFFFFFFull) || (negative && value == 0))
                    return Elements::OtherKind;
                ints_.push_back(static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                                                   : static_cast<std::int64_t>(value)));
                p_ = s;
                return Elements::Read;
            }, noBulk);
        }
        // Whole runs of ints between commas, 64 bytes looked at a time.
        if (end_ - p >= 80) {
            const char* stop = commaSeparated(p, count, untilBreak, ints_, IntElement{}, level);
            if (!stop)
                return Elements::Failed;
            if (stop != p) {
                p = stop;
                if (*p == '\n') {
                    // The line break after the last comma of a line; where
                    // the rest of a large list's whole lines were read at
                    // once, the last one's.
                    p_ = p;
                    if (!newline() || !indentation(level))
                        return Elements::Failed;
                    if (untilBreak == 8 && splitLines(count, ints_, IntElement{}) && (!newline() || !indentation(level)))
                        return Elements::Failed;
                    p = p_;
                }
                continue;
            }
        }
        const bool negative = *p == '-';
        const char* s = p + negative;
        std::uint64_t value;
        int n = text::leadingDigits(s, value);
        s += n;
        if (n == 8) {
            std::uint64_t more;
            const int m = text::leadingDigits(s, more);
            if (m > 2)
                return Elements::OtherKind; // more than ten digits: no int
            value = value * text::detail::kTens[m] + more;
            s += m;
            n += m;
        }
        if (n == 0 || text::isNumberChar(*s) || value > (negative ? 0x80000000ull : 0x7FFFFFFFull) ||
            (negative && value == 0))
            return Elements::OtherKind; // not an int after all ("-0", a fraction): the list is of floats
        ints_.push_back(static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                                           : static_cast<std::int64_t>(value)));
        ++count;
        const char c = *s;
        p = s + 1;
        const bool lineBreak = *p == '\n';
        if (--untilBreak == 0) {
            untilBreak = 8;
            if (!lineBreak && !tolerate(p))
                return Elements::Failed;
        } else if (lineBreak && !tolerate(p)) { // a line break where the writer puts none
            return Elements::Failed;
        }
        if (c == ',' && !lineBreak)
            continue; // the common case: another element on this line
        if (c != ',' && c != ' ') {
            p_ = s;
            (void)fail(s, "expected \",\" between the elements of the list or \" ]\" after them");
            return Elements::Failed;
        }
        if (*p == '\n') {
            p_ = p;
            if (!newline() || !indentation(level))
                return Elements::Failed;
            p = p_;
        }
        if (c == ' ') {
            p_ = p;
            return Elements::Read;
        }
    }
}

// The elements of a text list, each read by `element`, each followed by ","
// or, after the last, " "; after elements 8, 16, 24 ... (from 0) a line
// break and the indentation. Counts them into `count`; an element of
// another kind than `element` reads stops them. Before each element `bulk`
// may read a run of them at once (false: the reading failed).
template <typename Element, typename Bulk>
SceneParser::Elements SceneParser::elements(std::uint32_t& count, Element element, Bulk bulk)
{
    count = 0;
    return elementsFrom(count, 9, element, bulk); // nine elements on the first line, eight on every further one
}

// The same from element `count`, `untilBreak` elements before the next line
// break.
template <typename Element, typename Bulk>
SceneParser::Elements SceneParser::elementsFrom(std::uint32_t& count, int untilBreak, Element element, Bulk bulk)
{
    const int level = indent_;
    auto failed = [&](const char* message) {
        (void)fail(p_, message);
        return Elements::Failed;
    };
    for (;;) {
        if (!bulk(count, untilBreak))
            return Elements::Failed;
        if (p_ >= end_)
            return failed("the file ends inside a list");
        if (const Elements read = element(); read != Elements::Read)
            return read;
        ++count;
        if (p_ >= end_)
            return failed("the file ends inside a list");
        const char c = *p_;
        if (c != ',' && c != ' ')
            return failed("expected \",\" between the elements of the list or \" ]\" after them");
        ++p_;
        const bool lineBreak = p_ < end_ && *p_ == '\n';
        if (--untilBreak == 0) {
            untilBreak = 8;
            if (!lineBreak && !tolerate(p_))
                return Elements::Failed;
        } else if (lineBreak && !tolerate(p_)) {
            return Elements::Failed;
        }
        if (lineBreak && (!newline() || !indentation(level)))
            return Elements::Failed;
        if (c == ' ')
            return Elements::Read;
    }
}

// Matrices: each on its own line after the indentation, sixteen doubles each
// followed by a blank, then ",\n" (or "\n" after the last).
bool SceneParser::matrixList(Value& v)
{
    doubles_.clear();
    const int level = indent_;
    std::uint32_t count = 0;
    for (;;) {
        if (!indentation(level))
            return false;
        for (int j = 0; j < 16; ++j) {
            double d;
            const auto r = std::from_chars(p_, end_, d);
            if (r.ptr == p_ || r.ec != std::errc())
                return fail(p_, "expected the sixteen numbers of a matrix");
            doubles_.push_back(d);
            p_ = r.ptr;
            if (!expect(" "))
                return false;
        }
        ++count;
        if (!lookingAt(",\n"))
            break;
        if (!expect(",") || !newline())
            return false;
    }
    if (!newline())
        return false;
    v.code = TypeMatrixList;
    v.list = {doubles_.data(), count};
    return true;
}

// Strings: one to a line, each followed by "," (or " " after the last);
// after strings 8, 16, 24 ... the indentation stands before the line break.
bool SceneParser::stringList(Value& v)
{
    strings_.clear();
    const int level = indent_;
    for (std::uint32_t i = 0;; ++i) {
        strings_.emplace_back();
        if (!readName(strings_.back()))
            return false;
        const bool more = accept(",");
        if (!more && !accept(" "))
            return fail(p_, "expected \",\" between the strings of the list or \" \" after them");
        if (i != 0 && i % 8 == 0 && !indentation(level))
            return false;
        if (!newline())
            return false;
        if (!more)
            break;
    }
    stringPointers_.clear();
    for (const std::string& s : strings_)
        stringPointers_.push_back(s.c_str());
    v.code = TypeStringList;
    v.list = {stringPointers_.data(), static_cast<std::uint32_t>(stringPointers_.size())};
    return true;
}

// A captured text inserted by shaderText or parameterShaderText at `level`:
// the insertion's indentation, then the text.
bool SceneParser::insertion(int level, ShaderText& text)
{
    const char* at = p_;
    const std::size_t b = blanks(p_);
    p_ += b;
    bool binary = false;
    if (!capturedText(b, text, binary))
        return false;
    if (binary)
        return b == 0 || tolerate(at); // a text holding binary goes in byte for byte
    if (level > 0 && b == static_cast<std::size_t>(level))
        return observeIndentation(true);
    if (b == 0)
        return level <= 0 || observeIndentation(false);
    return tolerate(at);
}

// The text of an anonymous shader, replayed as its definition: pushCapture,
// beginShader with a null name and the type, the content, endShader; the
// handle from capturedText; popCapture.
bool SceneParser::capturedText(std::size_t prefix, ShaderText& text, bool& binary)
{
    const char* at = p_;
    if (frames_.size() >= options_.maxTextDepth)
        return fail(at, "shader texts nested deeper than " + std::to_string(options_.maxTextDepth) + nestingBegins());
    if (!checkDepth(at))
        return false;
    const ModeNeed outer = need_;
    const bool outerBelief = indentationBelief_;
    need_ = {};
    std::string type;
    const bool hex = lookingAt("xX");
    if (!readName(type)) // at level 0 inside the text: never indented
        return false;
    frames_.push_back({prefix, hex});
    prefixTotal_ += prefix;
    Open block{Block::Text, at};
    block.savedIndent = indent_;
    blocks_.push_back(block);
    const std::size_t depth = blocks_.size();
    contexts_.push_back(statement_);
    statement_ = false;
    indent_ = 0;
    call().pushCapture();
    call().beginShader(nullptr, type.c_str());
    {
        // However the text ends, the target sees it closed, and the modes
        // are the insertion's again.
        const OnScopeExit restore([&] {
            need_ = {};
            closeBlocksTo(depth - 1);
            need_ = outer;
            indentationBelief_ = outerBelief;
        });
        if (!expect(" {") || !newline())
            return false;
        indent_ = 1;
        if (!statements(depth))
            return false;
        if (blocks_.size() >= depth)
            return fail(p_, "the file ends inside the shader text that begins at " + where(at));
    }
    binary = lastTextBinary_;
    text = lastText_;
    return true;
}

// beginList, the values one by one, endList. Values of float triples, floats
// and ints that the writer collected for a binary block stand in one block
// at the end; the others are text, six to a line (float triples two).
//
// The whole list is read before any of it is replayed: the definitions of
// captured texts among the values must come before beginList, as they did
// when the file was written, since a definition that holds a list of its own
// would reset the writer's count of the values written and the words
// collected for the block.
bool SceneParser::valueList(const std::string& name, const char* at)
{
    if (!expect(" [") || !newline())
        return false;
    const int level = indent_ + 1;
    const std::size_t b = blanks(p_);
    if (b >= 1 && lookingAt(p_ + b, "],")) {
        // Empty: the indentation, then " ],".
        const std::size_t shown = b - 1;
        const bool read = shown == static_cast<std::size_t>(level) ? observeIndentation(true)
                          : shown == 0                             ? observeIndentation(false)
                                                                   : tolerate(p_);
        if (!read)
            return false;
        p_ += shown;
    } else if (!indentation(level)) {
        return false;
    }
    if (!checkDepth(at))
        return false;
    const ModeNeed listNeed = need_;
    need_ = {};
    struct Item {
        Value v;
        ModeNeed need;
        std::vector<char> bytes;             // a list value's elements
        std::vector<std::string> strings;    // a string list's strings
        std::vector<const char*> pointers;
    };
    std::vector<std::unique_ptr<Item>> items;
    auto keep = [&](Item& item) {
        // A list among the values: its elements move out of the scratch.
        Value& v = item.v;
        if (v.code == TypeStringList) {
            for (std::uint32_t k = 0; k < v.list.count; ++k)
                item.strings.emplace_back(static_cast<const char* const*>(v.list.data)[k]);
            for (const std::string& str : item.strings)
                item.pointers.push_back(str.c_str());
            v.list.data = item.pointers.data();
        } else if ((v.code & ListBit) != 0 && v.list.count != 0) {
            const std::size_t element = v.code == TypeVector3fList ? 12 : v.code == TypeVector4fList ? 16
                                      : v.code == TypeDoubleList ? 8 : v.code == TypeVector3dList ? 24
                                      : v.code == TypeMatrixList ? 128 : 4;
            const auto* from = static_cast<const char*>(v.list.data);
            item.bytes.assign(from, from + element * v.list.count);
            v.list.data = item.bytes.data();
        }
        if ((v.code & ListBit) != 0)
            v.pointer = &v.list;
        else if (v.code == TypeShaderText)
            v.pointer = &v.text;
        else if (v.code == TypeString)
            v.pointer = v.string.c_str();
        else if (v.code == TypeBool || v.code == TypeInt || v.code == TypeIntAlias || v.code == TypeInt2 ||
                 v.code == TypeInt3 || v.code == TypeInt4)
            v.pointer = v.i;
        else if (v.code == TypeDouble || v.code == TypeVector3d || v.code == TypeMatrix)
            v.pointer = v.d;
        else
            v.pointer = v.f;
    };
    ModeNeed endNeed;
    {
        const int outerIndent = indent_;
        indent_ = level;
        const OnScopeExit restoreIndent([&] { indent_ = outerIndent; });
        std::size_t count = 0;
        for (;;) {
            if (accept(" ],")) {
                if (!newline())
                    return false;
                break;
            }
            if (lookingAt(kBinaryMarker)) {
                const bool read = collectedValues([&](int code, const char* value) {
                    // Copied out of the text: aligned, as a float or an int.
                    auto item = std::make_unique<Item>();
                    item->v.code = code;
                    std::memcpy(item->v.f, value, code == TypeVector3f ? 12 : 4);
                    item->v.pointer = item->v.f;
                    item->need.binaryLists = 1;
                    items.push_back(std::move(item));
                });
                if (!read || !expect(" ],") || !newline())
                    return false;
                break;
            }
            bool lineBreak = false;
            if (count > 0) {
                if (lookingAt(",\n")) {
                    if (!expect(",") || !newline() || !indentation(level))
                        return false;
                    lineBreak = true;
                } else if (!accept(", ")) {
                    return fail(p_, "expected \",\" between the values of the list or \" ],\" after them");
                }
            }
            auto item = std::make_unique<Item>();
            Value& v = item->v;
            if (!value(v, Term::ListItem))
                return false;
            // Where the line breaks fall tells float triples (two to a line)
            // from the rest (six to a line).
            const bool otherFits = count == 0 || lineBreak == (count % 6 == 0);
            const bool tripleFits = count == 0 || lineBreak == (count % 2 == 0);
            bool read = true;
            switch (v.code) {
            case TypeVector3f:
                if (tripleFits) {
                    read = observeBinary(false); // text triples were not collected
                } else {
                    v.code = TypeVector3d;
                    for (int k = 0; k < 3; ++k)
                        v.d[k] = v.f[k];
                    read = otherFits || tolerate(p_);
                }
                break;
            case TypeInt:
            case TypeFloat:
                // A text int or float was not collected.
                read = observeBinary(false) && (otherFits || tolerate(p_));
                break;
            default:
                read = otherFits || tolerate(p_);
                break;
            }
            if (!read)
                return false;
            keep(*item);
            item->need = need_;
            need_ = {};
            items.push_back(std::move(item));
            ++count;
        }
        endNeed = need_;
    }
    need_ = listNeed;
    call().beginList(name.c_str());
    for (const auto& item : items) {
        need_ = item->need;
        call().listValue(item->v.code, item->v.pointer);
    }
    need_ = endNeed;
    call().endList();
    return true;
}

// The block of values that a list collected: ints, floats, or float triples
// (a block of triples may begin with floats, when both were collected).
// Each value goes to `collected` with its type code.
template <typename Collect>
bool SceneParser::collectedValues(Collect collected)
{
    const char* at = p_;
    if (end_ - p_ < static_cast<std::ptrdiff_t>(kBinaryHeader))
        return fail(at, "the binary block runs past the end of the file");
    const char letter = p_[kBinaryLetter];
    const std::uint32_t count = littleEndian32(p_ + kBinaryCount);
    if (letter != 'c' && letter != 'f' && letter != 'i')
        return fail(at + kBinaryLetter, "a list built value by value collects only 'c', 'f' or 'i' blocks");
    p_ += kBinaryHeader;
    if (static_cast<std::uint64_t>(end_ - p_) < 4ull * count)
        return fail(at, "the binary block of " + std::to_string(count) + " values runs past the end of the file");
    if (letter == 'c' && count < 3)
        return fail(at, "a block of float triples holds at least one triple");
    if (count == 0 && !tolerate(at))
        return false;
    markBinary();
    const char* data = p_;
    p_ += 4ull * count;
    if (letter == 'c') {
        const std::uint32_t singles = count % 3;
        for (std::uint32_t k = 0; k < singles; ++k)
            collected(TypeFloat, data + 4 * k);
        for (std::uint32_t k = singles; k < count; k += 3)
            collected(TypeVector3f, data + 4ull * k);
    } else {
        for (std::uint32_t k = 0; k < count; ++k)
            collected(letter == 'f' ? TypeFloat : TypeInt, data + 4ull * k);
    }
    return observeBinary(true);
}

} // namespace vel
