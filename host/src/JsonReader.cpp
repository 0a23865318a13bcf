#include "JsonReader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <utility>

// How the parser and the mesh-array scanner share the text
// ---------------------------------------------------------
// nlohmann's SAX parser reads the text through Input one character at a
// time. When it reports the '[' of a mesh array, it has read nothing beyond
// it; the handler then lets the scanner read the array's plain numbers (and
// the commas and white space between them) directly from Input's block, and
// returns. The parser goes on from where the scanner stopped: at the ']', or
// at an element the scanner leaves to it (anything but a plain number, and
// numbers it must judge itself: beyond 64 bits, beyond double, malformed).
// What the scanner stops at is always a place where the parser, which
// believes it is just after the '[', reads the rest of the text as it would
// have read it from the beginning of the array. The two exceptions, a ']'
// after a comma and an element after a number without a comma, are invalid
// JSON; there the scanner stops the parse.
//
// The parser counts positions only in what it read itself, so a text that
// fails is parsed a second time without the scanner: that pass stops where
// the parser alone stops and says why in its own words, as it always has.

namespace standin::host::detail {
namespace {

// The mesh-array scanner wants a number and what follows it in one piece:
// it has at least this many bytes ahead (unless the text ends sooner) and
// leaves longer numbers to the parser.
constexpr std::size_t kScanWindow = 4096;
constexpr std::size_t kBlockSize = 1 << 16;

// ---- the text ---------------------------------------------------------------

// A text in memory, or a file read in blocks, with the unread bytes at hand.
class Input {
public:
    explicit Input(std::string_view text) : next_(text.data()), end_(text.data() + text.size()), start_(next_) {}

    explicit Input(std::istream& stream)
        : stream_(&stream), buffer_(std::make_unique<char[]>(kBlockSize)), next_(buffer_.get()), end_(next_),
          start_(next_), ended_(false)
    {
    }

    // The unread bytes in memory; more may follow unless ended().
    const char* next() const { return next_; }
    const char* end() const { return end_; }
    bool ended() const { return ended_; }
    void skipTo(const char* p) { next_ = p; }

    // Reads on until at least `count` (at most kBlockSize) unread bytes are in
    // memory, or the input ends.
    void fill(std::size_t count)
    {
        if (ended_ || static_cast<std::size_t>(end_ - next_) >= count)
            return;
        const auto held = static_cast<std::size_t>(end_ - next_);
        std::memmove(buffer_.get(), next_, held);
        consumedBefore_ += static_cast<std::size_t>(next_ - buffer_.get());
        next_ = buffer_.get();
        end_ = next_ + held;
        while (!ended_ && static_cast<std::size_t>(end_ - next_) < count) {
            stream_->read(buffer_.get() + (end_ - next_), static_cast<std::streamsize>(kBlockSize - (end_ - next_)));
            end_ += stream_->gcount();
            if (!*stream_) {
                ended_ = true;
                failed_ = !stream_->eof();
            }
        }
    }

    // For the parser's iterator.
    bool atEnd()
    {
        if (next_ == end_)
            fill(1);
        return next_ == end_;
    }
    const char& current() const { return *next_; }
    void advance() { last_ = *next_++; }

    // The last character the parser took.
    char last() const { return last_; }
    // Bytes taken so far, by the parser and the scanner.
    std::size_t consumed() const { return consumedBefore_ + static_cast<std::size_t>(next_ - start_); }
    // Whether reading failed (the parser then saw a truncated text).
    bool failed() const { return failed_; }

private:
    std::istream* stream_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    const char* next_;
    const char* end_;
    const char* start_;
    std::size_t consumedBefore_ = 0;
    bool ended_ = true;
    bool failed_ = false;
    char last_ = 1;
};

// Input as a character sequence for the parser; copies share the input, as
// input iterators may.
class InputIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    InputIterator() = default;
    explicit InputIterator(Input* input) : input_(input) {}

    reference operator*() const { return input_->current(); }
    InputIterator& operator++()
    {
        input_->advance();
        return *this;
    }
    InputIterator operator++(int)
    {
        InputIterator before = *this;
        input_->advance();
        return before;
    }
    friend bool operator==(const InputIterator& a, const InputIterator& b) { return a.atEnd() == b.atEnd(); }

private:
    bool atEnd() const { return input_ == nullptr || input_->atEnd(); }

    Input* input_ = nullptr;
};

// ---- mesh array elements ------------------------------------------------------

void note(PackedArray& a, std::size_t index, bool wrongType, std::string text)
{
    if (!a.issue)
        a.issue = PackedArray::Issue{index, wrongType, std::move(text)};
}

// An integer within 64 bits, as the parser or the scanner read it.
template <class Integer>
void appendInteger(PackedArray& a, Integer value)
{
    const std::size_t index = a.count++;
    if (!a.indices) {
        a.floats.push_back(static_cast<float>(value));
        return;
    }
    if (std::in_range<std::int32_t>(value)) {
        a.ints.push_back(static_cast<std::int32_t>(value));
        return;
    }
    a.ints.push_back(-1);
    note(a, index, false, std::to_string(value));
}

// A number with a fraction or an exponent (or an integer beyond 64 bits);
// `text` as written.
void appendFloat(PackedArray& a, double value, std::string_view text)
{
    const std::size_t index = a.count++;
    if (a.indices) {
        a.ints.push_back(-1);
        note(a, index, true, "expected an integer, got " + std::string(text));
        return;
    }
    const auto narrowed = static_cast<float>(value);
    if (std::isinf(narrowed)) {
        note(a, index, false, std::string(text));
        a.floats.push_back(0.0f);
        return;
    }
    a.floats.push_back(narrowed);
}

void appendWrongElement(PackedArray& a, const char* typeName)
{
    const std::size_t index = a.count++;
    if (a.indices)
        a.ints.push_back(-1);
    else
        a.floats.push_back(0.0f);
    note(a, index, true, std::string(a.indices ? "expected an integer, got " : "expected a number, got ") + typeName);
}

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

bool isNumberChar(char c)
{
    return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// Skips white space, reading on as needed.
void skipSpaceRun(Input& in)
{
    for (;;) {
        const char* p = in.next();
        while (p != in.end() && isSpace(*p))
            ++p;
        in.skipTo(p);
        if (p != in.end() || in.ended())
            return;
        in.fill(1);
    }
}

// Most elements have no white space around them.
inline void skipSpace(Input& in)
{
    if (in.next() == in.end() || isSpace(*in.next()))
        skipSpaceRun(in);
}

// Reads the number at in.next() into `a` when it is a JSON number that the
// parser would pass on as it is; otherwise takes nothing and returns false.
bool scanNumber(Input& in, PackedArray& a)
{
    in.fill(kScanWindow);
    const char* const first = in.next();
    const char* const end = in.end();
    const char* p = first;
    const auto digit = [&] { return p != end && isDigit(*p); };

    // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, then no character that
    // could continue it.
    const bool negative = p != end && *p == '-';
    p += negative ? 1 : 0;
    const char* const digits = p;
    std::uint64_t magnitude = 0; // of the integer part, when it has at most 19 digits
    if (p != end && *p == '0')
        ++p;
    else
        for (; digit(); ++p)
            magnitude = magnitude * 10 + static_cast<std::uint64_t>(*p - '0');
    const char* const integerEnd = p;
    if (integerEnd == digits)
        return false;
    bool integral = true;
    const auto someDigits = [&] {
        const char* start = p;
        while (digit())
            ++p;
        return p != start;
    };
    if (p != end && *p == '.') {
        ++p;
        integral = false;
        if (!someDigits())
            return false;
    }
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        integral = false;
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        if (!someDigits())
            return false;
    }
    // A number that runs to the end of what is read may go on: the parser's.
    if (p == end ? !in.ended() : isNumberChar(*p))
        return false;

    if (integral) {
        // Up to 19 digits always fit 64 bits; longer ones are left to the
        // parser, which reads those beyond 64 bits as floats.
        if (integerEnd - digits > 19)
            return false;
        if (!negative)
            appendInteger(a, magnitude);
        else if (magnitude <= (std::uint64_t{1} << 63))
            appendInteger(a, static_cast<std::int64_t>(0 - magnitude));
        else
            return false;
    } else {
        // Beyond the range of double (either way) is the parser's to judge.
        double value = 0.0;
        if (std::from_chars(first, p, value).ec != std::errc())
            return false;
        appendFloat(a, value, std::string_view(first, static_cast<std::size_t>(p - first)));
    }
    in.skipTo(p);
    return true;
}

enum class Scan { Handed, Malformed };

// Reads the elements of a mesh array, from just after its '[', while they
// are numbers it can take (see the top of this file).
Scan scanMeshArray(Input& in, PackedArray& a)
{
    bool afterComma = false;
    for (;;) {
        skipSpace(in);
        if (in.next() != in.end() && *in.next() == ']')
            return afterComma ? Scan::Malformed : Scan::Handed;
        if (!scanNumber(in, a))
            return Scan::Handed;
        skipSpace(in);
        if (in.next() == in.end())
            return Scan::Malformed;
        if (*in.next() == ']')
            return Scan::Handed;
        if (*in.next() != ',')
            return Scan::Malformed;
        in.skipTo(in.next() + 1);
        afterComma = true;
    }
}

// ---- the DOM -----------------------------------------------------------------

// The SAX events of nlohmann::json, building the DOM described in the header.
// With an Input, plain numbers of mesh arrays are read by the scanner.
class DomBuilder {
public:
    DomBuilder(JsonDocument& document, const std::string& source, Input* scanned)
        : document_(document), source_(source), scanned_(scanned)
    {
    }

    // ---- events -----------------------------------------------------------

    bool null() { return scalar(nullptr, "null"); }
    bool boolean(bool value) { return scalar(value, "boolean"); }

    bool number_integer(std::int64_t value)
    {
        if (!packing())
            return insert(value) != nullptr;
        if (packDepth_ == 1)
            appendInteger(pack(), value);
        return true;
    }

    bool number_unsigned(std::uint64_t value)
    {
        if (!packing())
            return insert(value) != nullptr;
        if (packDepth_ == 1)
            appendInteger(pack(), value);
        return true;
    }

    bool number_float(double value, const std::string& text)
    {
        if (!packing())
            return insert(value) != nullptr;
        if (packDepth_ == 1)
            appendFloat(pack(), value, text);
        return true;
    }

    bool string(std::string& value) { return scalar(std::move(value), "string"); }

    bool binary(Json::binary_t&)
    {
        // JSON text has no binary values.
        return true;
    }

    bool start_object(std::size_t)
    {
        if (packing())
            return nested("object");
        return open(Json::object());
    }

    bool key(std::string& key)
    {
        if (packing())
            return true;
        const Json& object = *stack_.back().value;
        if (object.size() == kMaxFields)
            return fail(path(), "more than " + std::to_string(kMaxFields) + " fields");
        key_ = std::move(key);
        if (object.contains(key_))
            return fail(childPath(), "repeated field");
        return true;
    }

    bool end_object()
    {
        if (packing()) {
            --packDepth_;
            return true;
        }
        stack_.pop_back();
        return true;
    }

    bool start_array(std::size_t)
    {
        if (packing())
            return nested("array");
        if (!atMeshArray())
            return open(Json::array());
        if (stack_.size() == kMaxNesting)
            return tooDeep(childPath());
        const std::size_t number = document_.packed.size();
        PackedArray& a = document_.packed.emplace_back();
        a.indices = key_ == "nodeIndices";
        insert(Json::binary(Json::binary_t::container_type{}, number));
        packIndex_ = number;
        packDepth_ = 1;
        // Malformed text stops the parse; the pass without the scanner says why.
        return scanned_ == nullptr || scanMeshArray(*scanned_, a) != Scan::Malformed;
    }

    bool end_array()
    {
        if (packing()) {
            if (--packDepth_ == 0) {
                PackedArray& a = pack();
                a.floats.shrink_to_fit();
                a.ints.shrink_to_fit();
            }
            return true;
        }
        stack_.pop_back();
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::json::exception& e)
    {
        syntax_ = Syntax{position, dynamic_cast<const nlohmann::json::parse_error*>(&e) != nullptr, e.id, e.what()};
        return false;
    }

    // ---- results ------------------------------------------------------------

    // A problem that stopped the parse in well-formed text, if one did.
    const std::optional<DesignError>& error() const { return error_; }
    // Where the parser stopped on malformed text and why.
    struct Syntax {
        std::size_t position;  // the characters it read
        bool parseError;       // else: a number beyond double
        int id;
        std::string message;
    };
    const std::optional<Syntax>& syntax() const { return syntax_; }

private:
    struct Frame {
        Json* value;
        std::string key; // the key under which it sits in its parent object
    };

    bool packing() const { return packDepth_ > 0; }
    PackedArray& pack() { return document_.packed[packIndex_]; }

    bool fail(std::string location, std::string problem)
    {
        error_ = DesignError(source_, std::move(location), std::move(problem));
        return false;
    }

    bool tooDeep(std::string location)
    {
        return fail(std::move(location), "nested more than " + std::to_string(kMaxNesting) + " levels deep");
    }

    // Puts a value where the next one goes; returns where it went.
    Json* insert(Json&& value)
    {
        if (stack_.empty()) {
            document_.root = std::move(value);
            return &document_.root;
        }
        Json& parent = *stack_.back().value;
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        Json& slot = parent[key_];
        slot = std::move(value);
        return &slot;
    }

    bool open(Json&& container)
    {
        if (stack_.size() == kMaxNesting)
            return tooDeep(childPath());
        const bool inObject = !stack_.empty() && stack_.back().value->is_object();
        Json* value = insert(std::move(container));
        stack_.push_back({value, inObject ? key_ : std::string()});
        return true;
    }

    template <class V>
    bool scalar(V&& value, const char* typeName)
    {
        if (!packing())
            return insert(Json(std::forward<V>(value))) != nullptr;
        if (packDepth_ == 1)
            appendWrongElement(pack(), typeName);
        return true;
    }

    // An array or object inside a packed array: noted at depth 1 and skipped.
    bool nested(const char* typeName)
    {
        if (packDepth_ == 1)
            appendWrongElement(pack(), typeName);
        // The packed array sits at depth stack_.size() + 1.
        if (stack_.size() + 1 + packDepth_ > kMaxNesting)
            return tooDeep(childPath() + "[" + std::to_string(pack().count - 1) + "]");
        ++packDepth_;
        return true;
    }

    // Whether the array about to open is a mesh array: the current object is
    // an element of a "displayMeshes" list and the key is one of the four.
    bool atMeshArray() const
    {
        const std::size_t n = stack_.size();
        return n >= 2 && stack_[n - 1].value->is_object() && stack_[n - 2].value->is_array() &&
               stack_[n - 2].key == "displayMeshes" &&
               (key_ == "nodeCoordinates" || key_ == "normalVectors" || key_ == "textureCoordinates" ||
                key_ == "nodeIndices");
    }

    // The JSON path of the innermost open container.
    std::string path() const
    {
        std::string p;
        for (std::size_t i = 1; i < stack_.size(); ++i) {
            const Json& parent = *stack_[i - 1].value;
            if (parent.is_array()) {
                p.append("[").append(std::to_string(parent.size() - 1)).append("]");
            } else {
                if (!p.empty())
                    p += ".";
                p += stack_[i].key;
            }
        }
        return p;
    }

    // The JSON path of the value that goes in next (in a packed array: the
    // array's own path).
    std::string childPath() const
    {
        std::string p = path();
        if (stack_.empty())
            return p;
        const Json& parent = *stack_.back().value;
        if (parent.is_array())
            return p + "[" + std::to_string(parent.size()) + "]";
        return p + (p.empty() ? "" : ".") + key_;
    }

    JsonDocument& document_;
    const std::string& source_;
    Input* scanned_;
    std::vector<Frame> stack_;
    std::string key_;
    std::size_t packIndex_ = 0;
    std::size_t packDepth_ = 0; // 0: not in a mesh array; 1: its elements; more: inside a bad element
    std::optional<DesignError> error_;
    std::optional<Syntax> syntax_;
};

// ---- positions and messages -------------------------------------------------------

// The line and column (both from 1) of the `position`th character as the
// parser counts them: the one it stopped at, where the end of the text
// counts as one more character.
class LineCounter {
public:
    void feed(std::string_view text)
    {
        for (char c : text) {
            if (c == '\n') {
                ++line_;
                column_ = 0;
            } else {
                ++column_;
            }
        }
    }
    void feedEnd() { ++column_; }
    std::string location() const { return "line " + std::to_string(line_) + ", column " + std::to_string(column_); }

private:
    std::size_t line_ = 1;
    std::size_t column_ = 0;
};

// "line L, column C" of the `position`th character.
using Locate = std::function<std::string(std::size_t position)>;

// The parser's message without what it says before the reason: the kind of
// exception and, for a syntax error, "parse error at line L, column C: ",
// where its own count can be off (a number followed by a line break ends
// "column 0" of the line before); the position gives the location instead.
std::string reason(const DomBuilder::Syntax& syntax)
{
    std::string_view rest = syntax.message;
    const auto skip = [&](std::string_view text) {
        if (!rest.starts_with(text))
            return false;
        rest.remove_prefix(text.size());
        return true;
    };
    const auto skipNumber = [&] {
        const std::size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
        rest.remove_prefix(digits);
        return digits > 0;
    };
    const std::string kind = syntax.parseError ? "parse_error" : "out_of_range";
    if (!skip("[json.exception." + kind + "." + std::to_string(syntax.id) + "] "))
        return syntax.message;
    if (syntax.parseError &&
        !(skip("parse error at line ") && skipNumber() && skip(", column ") && skipNumber() && skip(": ")))
        return syntax.message;
    return std::string(rest);
}

// Parses the text that `open` gives, with the scanner and, when that fails,
// once more without it (for the parser's own message).
template <class Open>
JsonDocument parse(Open&& open, const std::string& source, const Locate& locate)
{
    for (const bool scan : {true, false}) {
        JsonDocument document;
        auto input = open();
        DomBuilder builder(document, source, scan ? input.get() : nullptr);
        const bool parsed = Json::sax_parse(InputIterator(input.get()), InputIterator(), &builder);
        // A read failure looks like a truncated text to the parser.
        if (input->failed())
            throw DesignError(source, "", "cannot read: input error");
        if (builder.error())
            throw *builder.error();
        if (!parsed && scan)
            continue;
        if (const auto& syntax = builder.syntax()) {
            throw DesignError(source, locate(syntax->position), reason(*syntax));
        }
        // The parser takes a NUL byte for the end of the text.
        if (input->last() == '\0')
            throw DesignError(source, locate(input->consumed()), "a NUL byte after the document; expected end of input");
        return document;
    }
    throw DesignError(source, "", "malformed text");
}

} // namespace

PackedArray* packedArray(JsonDocument& document, const Json& value)
{
    if (!value.is_binary())
        return nullptr;
    const auto& binary = value.get_binary();
    if (!binary.has_subtype() || binary.subtype() >= document.packed.size())
        return nullptr;
    return &document.packed[static_cast<std::size_t>(binary.subtype())];
}

JsonDocument readJsonText(std::string_view text, const std::string& source)
{
    return parse([&] { return std::make_unique<Input>(text); }, source, [&](std::size_t position) {
        LineCounter counter;
        counter.feed(text.substr(0, std::min(position, text.size())));
        if (position > text.size())
            counter.feedEnd();
        return counter.location();
    });
}

JsonDocument readJsonFile(const std::filesystem::path& file, const std::string& source)
{
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        throw DesignError(source, "", "cannot read: is a directory");
    std::ifstream in;
    const auto open = [&] {
        in.close();
        in.clear();
        in.open(file, std::ios::binary);
        if (!in)
            throw DesignError(source, "", std::string("cannot open: ") + std::strerror(errno));
        return std::make_unique<Input>(in);
    };
    // Only on an error: read the file again up to where the parser stopped.
    const auto locate = [&](std::size_t position) {
        std::ifstream again(file, std::ios::binary);
        LineCounter counter;
        char block[1 << 16];
        while (position > 0) {
            again.read(block, static_cast<std::streamsize>(std::min(position, sizeof block)));
            const auto got = static_cast<std::size_t>(again.gcount());
            if (got == 0) {
                counter.feedEnd();
                break;
            }
            counter.feed(std::string_view(block, got));
            position -= got;
        }
        return counter.location();
    };
    return parse(open, source, locate);
}

} // namespace standin::host::detail
