// The scene parser's reading of values: numbers, names, lists in their text
// and binary forms, lists built value by value, and captured shader texts.

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "HexText.h"
#include "SceneParser.h"
#include "SceneParserHelpers.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vel {

using namespace parsing;

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

void SceneParser::value(Value& v, Term term)
{
    v.code = 8; // no value text
    v.pointer = nullptr;
    if (p_ >= end_)
        fail(p_, "the file ends where a value was expected");
    if (atValueEnd(term))
        return;
    const char c = *p_;
    if (c == '[') {
        listParameter(v);
        return;
    }
    auto textValue = [&](std::size_t shown) {
        bool binary = false;
        v.text = capturedText(shown, binary);
        v.code = TypeShaderText;
        v.pointer = &v.text;
        // A value's text is inserted at indentation level 2.
        if (binary) {
            if (shown != 0)
                irregular(p_);
        } else if (shown == 2) {
            observeIndentation(true);
        } else if (shown == 0) {
            observeIndentation(false);
        } else {
            irregular(p_);
        }
    };
    if (c == ' ') {
        const std::size_t b = blanks(p_);
        const char* q = p_ + b;
        if (q < end_ && (*q == '"' || lookingAt(q, "xX"))) {
            p_ = q;
            textValue(b);
            return;
        }
        // "%16.16f" pads inf and nan to sixteen characters.
        const char* e = text::numberEnd(q, end_);
        double d;
        if (e - p_ == 16 && text::toDouble(q, e, d) && !std::isfinite(d)) {
            p_ = e;
            v.code = TypeDouble;
            v.d[0] = d;
            v.pointer = v.d;
            if (!atValueEnd(term))
                fail(p_, "unexpected text after the value");
            return;
        }
        fail(p_, "cannot read the value");
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
        if (lookingAt(q, " {\n")) {
            textValue(0);
            return;
        }
        readName(v.string);
        v.code = TypeString;
        v.pointer = v.string.c_str();
        if (!atValueEnd(term))
            fail(p_, "unexpected text after the value");
        return;
    }
    if (lookingAt("on") || lookingAt("off")) {
        const bool on = p_[1] == 'n';
        p_ += on ? 2 : 3;
        if (!atValueEnd(term))
            fail(p_, "unexpected text after \"" + std::string(on ? "on" : "off") + "\"");
        v.code = TypeBool;
        v.i[0] = on ? 1 : 0;
        v.pointer = v.i;
        return;
    }
    if (text::startsNumber(c)) {
        numbers(v, term);
        return;
    }
    fail(p_, "cannot read the value");
}

// One to four numbers, or sixteen, separated by single blanks. The type code
// is one whose text is the same: ints for integral single numbers, floats
// where they keep the text, else doubles or ints.
void SceneParser::numbers(Value& v, Term term)
{
    const char* tokens[17];
    const char* ends[17];
    int n = 0;
    for (;;) {
        const char* e = text::numberEnd(p_, end_);
        if (e == p_)
            fail(p_, "expected a number");
        if (n == 16)
            fail(tokens[0], "a value holds at most sixteen numbers");
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
        fail(p_, "unexpected text after the value");
    auto bad = [&](int k) { fail(tokens[k], "cannot read the number \"" + std::string(tokens[k], ends[k]) + "\""); };
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
                bad(0);
            v.code = TypeDouble;
            v.pointer = v.d;
        } else if (text::isIntegerText(tokens[0], ends[0]) && allInts() && intKeepsText(v.i[0], tokens[0], ends[0])) {
            v.code = TypeInt;
            v.pointer = v.i;
        } else {
            if (!allFloats(false)) {
                if (!allDoubles(false))
                    bad(0);
                v.f[0] = static_cast<float>(v.d[0]);
                irregular(tokens[0]);
            }
            v.code = TypeFloat;
            v.pointer = v.f;
        }
        return;
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
                    bad(k);
            irregular(tokens[0]);
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
        return;
    case 16:
        // Sixteen floats printed from doubles: the matrix code.
        for (int k = 0; k < 16; ++k) {
            float f;
            if (text::toFloat(tokens[k], ends[k], f)) {
                v.d[k] = f;
            } else if (text::toDouble(tokens[k], ends[k], v.d[k])) {
                irregular(tokens[k]);
            } else {
                bad(k);
            }
        }
        v.code = TypeMatrix;
        v.pointer = v.d;
        return;
    default:
        fail(tokens[0], std::to_string(n) + " numbers do not make a value (1 to 4, or 16)");
    }
}

// "[ " ... "] ": a binary block, or text elements, or matrices, or strings.
void SceneParser::listParameter(Value& v)
{
    expect("[ ");
    v.pointer = &v.list;
    if (lookingAt(kBinaryMarker)) {
        binaryBlock(v);
    } else if (lookingAt("] ")) {
        // Empty: as a string list, which every list mode writes so.
        v.code = TypeStringList;
        v.list = {nullptr, 0};
    } else if (p_ < end_ && (*p_ == '"' || lookingAt("xX"))) {
        stringList(v);
    } else if (p_ < end_ && *p_ == ' ') {
        matrixList(v); // indentation first
    } else {
        textList(v);
    }
    expect("] ");
}

void SceneParser::binaryBlock(Value& v)
{
    const char* at = p_;
    if (end_ - p_ < 8)
        fail(at, "the binary block runs past the end of the file");
    const char letter = p_[3];
    const std::uint32_t count = littleEndian32(p_ + 4);
    std::uint64_t size = 0;
    switch (letter) {
    case 'c':
        if (count % 3 != 0)
            fail(at + 4, "a block of float triples holds a multiple of three floats, not " + std::to_string(count));
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
        fail(at + 3, "unknown binary block type (c, f, r or i)");
    }
    p_ += 8;
    if (static_cast<std::uint64_t>(end_ - p_) < size)
        fail(at, "the binary block of " + std::to_string(count) + " values runs past the end of the file");
    // The elements are passed where they lie when that is aligned for
    // them, else as an aligned copy: implementations read them as arrays.
    const void* data = p_;
    if (size != 0 && reinterpret_cast<std::uintptr_t>(p_) % 8 != 0) {
        aligned_.clear();
        aligned_.reserve(static_cast<std::size_t>((size + 7) / 8));
        std::memcpy(aligned_.data(), p_, static_cast<std::size_t>(size));
        data = aligned_.data();
    }
    v.list = {data, letter == 'c' ? count / 3 : count};
    p_ += size;
    markBinary();
    observeBinary(true);
}

// Text elements of one to four numbers, separated by commas; the first line
// holds nine elements, every further one eight. Elements of one number are
// ints, floats (%g) or doubles (%16.16f); of three, float or double triples;
// of four, float quadruples. The list code is one whose text is the same.
void SceneParser::textList(Value& v)
{
    const char* start = p_;
    // The numbers of the first element.
    int k = 0;
    const char* q = p_;
    for (;;) {
        const char* e = text::numberEnd(q, end_);
        if (e == q)
            fail(q, "expected a number");
        ++k;
        q = e;
        if (k < 17 && q + 1 < end_ && *q == ' ' && text::startsNumber(q[1])) {
            ++q;
            continue;
        }
        break;
    }
    if (k == 16 && (lookingAt(q, " ,\n") || lookingAt(q, " \n"))) {
        matrixList(v);
        return;
    }
    if (k != 1 && k != 3 && k != 4)
        fail(start, "list elements hold one, three or four numbers, not " + std::to_string(k));

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

    // One number at p_ into `out`; false when it is not one.
    auto readFloat = [&](float& out) {
        // The writer's own texts take the fast way.
        if (const char* e = text::fastFloat(p_, end_, out)) {
            p_ = e;
            return true;
        }
        const auto r = std::from_chars(p_, end_, out);
        if (r.ptr == p_)
            fail(p_, "expected a number");
        const char* begin = p_;
        p_ = r.ptr;
        if (r.ec != std::errc()) {
            // Beyond a float's range: the text of a double.
            double d;
            std::from_chars(begin, end_, d);
            out = static_cast<float>(d);
            return false;
        }
        return floatKeepsGeneral(out, begin, p_);
    };
    auto readDouble = [&](double& out) {
        const auto r = std::from_chars(p_, end_, out);
        if (r.ptr == p_ || r.ec != std::errc())
            fail(p_, "expected a number");
        p_ = r.ptr;
    };
    auto floatElement = [&] {
        float f;
        if (!readFloat(f))
            irregular(p_);
        floats_.push_back(f);
        return true;
    };
    auto doubleElement = [&] {
        double d;
        readDouble(d);
        doubles_.push_back(d);
        return true;
    };
    auto tripleElement = [&] {
        float f[3];
        for (int j = 0; j < 3; ++j) {
            if (j) {
                if (p_ >= end_ || *p_ != ' ')
                    fail(p_, "expected the three numbers of an element");
                ++p_;
            }
            if (!readFloat(f[j]))
                return false; // the text of doubles
        }
        floats_.push_back(f[0]);
        floats_.push_back(f[1]);
        floats_.push_back(f[2]);
        return true;
    };
    auto doubleTripleElement = [&] {
        double d[3];
        for (int j = 0; j < 3; ++j) {
            if (j)
                expect(" ");
            readDouble(d[j]);
        }
        for (const double x : d)
            doubles_.push_back(x);
        return true;
    };
    auto quadElement = [&] {
        float f[4];
        for (int j = 0; j < 4; ++j) {
            if (j)
                expect(" ");
            if (!readFloat(f[j]))
                irregular(p_);
        }
        for (const float x : f)
            floats_.push_back(x);
        return true;
    };

    // Room for as many elements as the rest of the text could hold (at least
    // two characters each, four numbers at most): the pages that no element
    // reaches are never touched.
    const std::size_t most = static_cast<std::size_t>(end_ - p_) / 2 * static_cast<std::size_t>(k);
    for (;;) {
        p_ = start;
        ints_.clear();
        floats_.clear();
        doubles_.clear();
        if (kind == Kind::Ints)
            ints_.reserve(most);
        else if (kind == Kind::Doubles || kind == Kind::DoubleTriples)
            doubles_.reserve(most);
        else
            floats_.reserve(most);
        std::optional<std::uint32_t> count;
        switch (kind) {
        case Kind::Ints:
            count = intElements();
            if (!count) {
                kind = Kind::Floats;
                continue;
            }
            v.code = TypeIntList;
            v.list = {ints_.data(), *count};
            observeBinary(false);
            return;
        case Kind::Floats:
            count = elements(floatElement);
            v.code = TypeFloatList;
            v.list = {floats_.data(), *count};
            observeBinary(false);
            return;
        case Kind::Doubles:
            count = elements(doubleElement);
            v.code = TypeDoubleList;
            v.list = {doubles_.data(), *count};
            observeBinary(false);
            return;
        case Kind::Triples:
            count = elements(tripleElement);
            if (!count) {
                kind = Kind::DoubleTriples;
                continue;
            }
            v.code = TypeVector3fList;
            v.list = {floats_.data(), *count};
            observeBinary(false);
            return;
        case Kind::DoubleTriples:
            count = elements(doubleTripleElement);
            v.code = TypeVector3dList; // no binary form: the same text in any mode
            v.list = {doubles_.data(), *count};
            return;
        case Kind::Quads:
            count = elements(quadElement);
            v.code = TypeVector4fList;
            v.list = {floats_.data(), *count};
            return;
        }
    }
}

// The ints between the commas found in the 64 bytes at `p` (80 must be
// readable), each "[-]digits" of one to eight digits: pushed to ints_, with
// the count and the elements before the next line break updated. Stops
// before anything else (a longer int, the last element, a line break that
// comes out of turn) and at the end of a line, just after its comma; returns
// where it stopped.
const char* SceneParser::commaSeparatedInts(const char* p, std::uint32_t& count, int& untilBreak)
{
    std::uint64_t commas = 0, digits = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    for (int k = 0; k < 4; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i d = _mm_sub_epi8(bytes, zero);
        const auto c = static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, comma)));
        const auto g = static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(d, nine), d)));
        commas |= std::uint64_t{c} << (16 * k);
        digits |= std::uint64_t{g} << (16 * k);
    }
#endif
    // At most one int per two bytes: room for all of them here.
    ints_.reserve(ints_.size() + 32);
    std::int32_t* out = ints_.end();
    std::uint64_t start = 0;
    while (commas) {
        const auto end = static_cast<std::uint64_t>(std::countr_zero(commas));
        commas &= commas - 1;
        const bool negative = p[start] == '-';
        const std::uint64_t first = start + negative;
        const std::uint64_t length = end - first;
        if (length == 0 || length > 8 || end <= start)
            break;
        const std::uint64_t run = (std::uint64_t{1} << length) - 1;
        if (((digits >> first) & run) != run)
            break; // not digits alone: the careful way
        std::uint64_t word;
        std::memcpy(&word, p + first, 8);
        std::uint64_t v = (word ^ 0x3030303030303030ull) << (8 * (8 - length));
        v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
        v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
        v = (v * 10000 + (v >> 32)) & 0x00000000FFFFFFFFull;
        if (negative && v == 0)
            break; // "-0" is a float's
        *out++ = negative ? -static_cast<std::int32_t>(v) : static_cast<std::int32_t>(v);
        ++count;
        start = end + 1;
        const bool lineBreak = p[start] == '\n';
        if (--untilBreak == 0) {
            untilBreak = 8;
            ints_.setEnd(out);
            if (!lineBreak)
                irregular(p + start);
            return p + start;
        }
        if (lineBreak) {
            ints_.setEnd(out);
            irregular(p + start); // a line break where the writer puts none
            return p + start;
        }
    }
    ints_.setEnd(out);
    return p + start;
}

// The elements of a list of ints: the elements() loop specialised for the
// lists that dominate a scene (triangle indices), with the position in a
// local and each int read eight digits at a time. Where fewer than 32 bytes
// remain, or a line breaks, the general loop's steps are taken.
std::optional<std::uint32_t> SceneParser::intElements()
{
    const int level = indent_;
    std::uint32_t count = 0;
    int untilBreak = 9;
    const char* p = p_;
    for (;;) {
        if (end_ - p < 32) {
            // Near the end of the text: the careful way, element by element.
            p_ = p;
            std::optional<std::uint32_t> rest = elementsFrom(count, untilBreak, [&] {
                const char* s = p_;
                const bool negative = s < end_ && *s == '-';
                s += negative;
                const char* digits = s;
                std::uint64_t value = 0;
                while (s < end_ && static_cast<unsigned>(*s - '0') <= 9 && s - digits < 11)
                    value = value * 10 + static_cast<unsigned>(*s++ - '0');
                if (s == digits || (s < end_ && text::isNumberChar(*s)) ||
                    value > (negative ? 0x80000000ull : 0x7FFFFFFFull) || (negative && value == 0))
                    return false;
                ints_.push_back(static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                                                   : static_cast<std::int64_t>(value)));
                p_ = s;
                return true;
            });
            return rest;
        }
        // Whole runs of ints between commas, 64 bytes looked at a time.
        if (end_ - p >= 80) {
            const char* stop = commaSeparatedInts(p, count, untilBreak);
            if (stop != p) {
                p = stop;
                if (*p == '\n') {
                    // The line break after the last comma of a line.
                    p_ = p;
                    newline();
                    indentation(level);
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
                return std::nullopt; // more than ten digits: no int
            value = value * text::detail::kTens[m] + more;
            s += m;
            n += m;
        }
        if (n == 0 || text::isNumberChar(*s) || value > (negative ? 0x80000000ull : 0x7FFFFFFFull) ||
            (negative && value == 0))
            return std::nullopt; // not an int after all ("-0", a fraction): the list is of floats
        ints_.push_back(static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                                           : static_cast<std::int64_t>(value)));
        ++count;
        const char c = *s;
        p = s + 1;
        const bool lineBreak = *p == '\n';
        if (--untilBreak == 0) {
            untilBreak = 8;
            if (!lineBreak)
                irregular(p);
        } else if (lineBreak) {
            irregular(p); // a line break where the writer puts none
        }
        if (c == ',' && !lineBreak)
            continue; // the common case: another element on this line
        if (c != ',' && c != ' ') {
            p_ = s;
            fail(s, "expected \",\" between the elements of the list or \" ]\" after them");
        }
        if (*p == '\n') {
            p_ = p;
            newline();
            indentation(level);
            p = p_;
        }
        if (c == ' ') {
            p_ = p;
            return count;
        }
    }
}

// The elements of a text list, each read by `element` (false: the list is
// of another kind, read it again), each followed by "," or, after the last,
// " "; after elements 8, 16, 24 ... (from 0) a line break and the
// indentation. The count of elements, or nullopt for another kind.
template <typename Element>
std::optional<std::uint32_t> SceneParser::elements(Element element)
{
    return elementsFrom(0, 9, element); // nine elements on the first line, eight on every further one
}

// The same from element `count`, `untilBreak` elements before the next line
// break.
template <typename Element>
std::optional<std::uint32_t> SceneParser::elementsFrom(std::uint32_t count, int untilBreak, Element element)
{
    const int level = indent_;
    for (;;) {
        if (p_ >= end_)
            fail(p_, "the file ends inside a list");
        if (!element())
            return std::nullopt;
        ++count;
        if (p_ >= end_)
            fail(p_, "the file ends inside a list");
        const char c = *p_;
        if (c != ',' && c != ' ')
            fail(p_, "expected \",\" between the elements of the list or \" ]\" after them");
        ++p_;
        const bool lineBreak = p_ < end_ && *p_ == '\n';
        if (--untilBreak == 0) {
            untilBreak = 8;
            if (!lineBreak)
                irregular(p_);
        } else if (lineBreak) {
            irregular(p_);
        }
        if (lineBreak) {
            newline();
            indentation(level);
        }
        if (c == ' ')
            return count;
    }
}

// Matrices: each on its own line after the indentation, sixteen doubles each
// followed by a blank, then ",\n" (or "\n" after the last).
void SceneParser::matrixList(Value& v)
{
    doubles_.clear();
    const int level = indent_;
    std::uint32_t count = 0;
    for (;;) {
        indentation(level);
        for (int j = 0; j < 16; ++j) {
            double d;
            const auto r = std::from_chars(p_, end_, d);
            if (r.ptr == p_ || r.ec != std::errc())
                fail(p_, "expected the sixteen numbers of a matrix");
            doubles_.push_back(d);
            p_ = r.ptr;
            expect(" ");
        }
        ++count;
        if (lookingAt(",\n")) {
            ++p_;
            newline();
            continue;
        }
        newline();
        break;
    }
    v.code = TypeMatrixList;
    v.list = {doubles_.data(), count};
}

// Strings: one to a line, each followed by "," (or " " after the last);
// after strings 8, 16, 24 ... the indentation stands before the line break.
void SceneParser::stringList(Value& v)
{
    strings_.clear();
    const int level = indent_;
    for (std::uint32_t i = 0;; ++i) {
        strings_.emplace_back();
        readName(strings_.back());
        if (p_ >= end_ || (*p_ != ',' && *p_ != ' '))
            fail(p_, "expected \",\" between the strings of the list or \" \" after them");
        const bool more = *p_ == ',';
        ++p_;
        if (i != 0 && i % 8 == 0)
            indentation(level);
        newline();
        if (!more)
            break;
    }
    stringPointers_.clear();
    for (const std::string& s : strings_)
        stringPointers_.push_back(s.c_str());
    v.code = TypeStringList;
    v.list = {stringPointers_.data(), static_cast<std::uint32_t>(stringPointers_.size())};
}

// A captured text inserted by shaderText or parameterShaderText at `level`:
// the insertion's indentation, then the text.
ShaderText SceneParser::insertion(int level)
{
    const char* at = p_;
    const std::size_t b = blanks(p_);
    p_ += b;
    bool binary = false;
    const ShaderText text = capturedText(b, binary);
    if (binary) {
        if (b != 0)
            irregular(at); // a text holding binary goes in byte for byte
    } else if (level > 0 && b == static_cast<std::size_t>(level)) {
        observeIndentation(true);
    } else if (b == 0) {
        if (level > 0)
            observeIndentation(false);
    } else {
        irregular(at);
    }
    return text;
}

// The text of an anonymous shader, replayed as its definition: pushCapture,
// beginShader with a null name and the type, the content, endShader; the
// handle from capturedText; popCapture.
ShaderText SceneParser::capturedText(std::size_t prefix, bool& binary)
{
    const char* at = p_;
    if (frames_.size() >= options_.maxTextDepth)
        fail(at, "shader texts nested deeper than " + std::to_string(options_.maxTextDepth));
    checkDepth(at);
    const ModeNeed outer = need_;
    const bool outerBelief = indentationBelief_;
    need_ = {};
    std::string type;
    const bool hex = lookingAt("xX");
    readName(type); // at level 0 inside the text: never indented
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
    try {
        expect(" {");
        newline();
        indent_ = 1;
        statements(depth);
        if (blocks_.size() >= depth)
            fail(p_, "the file ends inside the shader text that begins at " + where(at));
    } catch (...) {
        need_ = {};
        closeBlocksTo(depth - 1);
        need_ = outer;
        indentationBelief_ = outerBelief;
        throw;
    }
    need_ = outer;
    indentationBelief_ = outerBelief;
    binary = lastTextBinary_;
    return lastText_;
}

} // namespace vel
