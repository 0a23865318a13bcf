#include "JsonReader.h"

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>

namespace standin::host::detail {
namespace {

// No object of a design has more than a handful of fields; one with hundreds
// is refused before the linear duplicate check makes it slow.
constexpr std::size_t kMaxFields = 256;

bool isMeshArrayField(std::string_view key)
{
    return key == "nodeCoordinates" || key == "normalVectors" || key == "textureCoordinates" || key == "nodeIndices";
}

// The SAX events of nlohmann::json, building the DOM described in the header.
class DomBuilder {
public:
    DomBuilder(JsonDocument& document, const std::string& source) : document_(document), source_(source) {}

    // ---- events -----------------------------------------------------------

    bool null() { return scalar(nullptr, "null"); }
    bool boolean(bool value) { return scalar(value, "boolean"); }

    bool number_integer(std::int64_t value)
    {
        if (packing())
            return packInteger(value < 0, static_cast<std::uint64_t>(value), std::to_string(value));
        return insert(value) != nullptr;
    }

    bool number_unsigned(std::uint64_t value)
    {
        if (packing())
            return packInteger(false, value, std::to_string(value));
        return insert(value) != nullptr;
    }

    bool number_float(double value, const std::string& text)
    {
        if (!packing())
            return insert(value) != nullptr;
        if (packDepth_ > 1)
            return true;
        PackedArray& a = pack();
        const std::size_t index = a.count++;
        if (a.indices) {
            a.ints.push_back(-1);
            note(a, index, true, "expected an integer, got " + text);
            return true;
        }
        const auto narrowed = static_cast<float>(value);
        if (!std::isfinite(narrowed)) {
            note(a, index, false, text);
            a.floats.push_back(0.0f);
            return true;
        }
        a.floats.push_back(narrowed);
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
        if (object.size() == kMaxFields) {
            error_ = DesignError(source_, path(), "more than " + std::to_string(kMaxFields) + " fields");
            return false;
        }
        if (object.contains(key)) {
            std::string location = path();
            location += location.empty() ? "" : ".";
            location += key;
            error_ = DesignError(source_, location, "repeated field");
            return false;
        }
        key_ = std::move(key);
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
        if (atMeshArray()) {
            const std::size_t number = document_.packed.size();
            PackedArray& a = document_.packed.emplace_back();
            a.indices = key_ == "nodeIndices";
            insert(Json::binary(Json::binary_t::container_type{}, number));
            packIndex_ = number;
            packDepth_ = 1;
            return true;
        }
        return open(Json::array());
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
        syntaxPosition_ = position;
        syntaxMessage_ = e.what();
        return false;
    }

    // ---- results ------------------------------------------------------------

    // The repeated field that stopped the parse, if one did.
    const std::optional<DesignError>& error() const { return error_; }
    // Where the parser stopped on malformed text (a byte count), and its message.
    std::size_t syntaxPosition() const { return syntaxPosition_; }
    const std::string& syntaxMessage() const { return syntaxMessage_; }

private:
    struct Frame {
        Json* value;
        std::string key; // the key under which it sits in its parent object
    };

    bool packing() const { return packDepth_ > 0; }
    PackedArray& pack() { return document_.packed[packIndex_]; }

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
            wrongElement(typeName);
        return true;
    }

    // An array or object inside a packed array: noted at depth 1 and skipped.
    bool nested(const char* typeName)
    {
        if (packDepth_ == 1)
            wrongElement(typeName);
        ++packDepth_;
        return true;
    }

    void wrongElement(const char* typeName)
    {
        PackedArray& a = pack();
        const std::size_t index = a.count++;
        if (a.indices)
            a.ints.push_back(-1);
        else
            a.floats.push_back(0.0f);
        note(a, index, true, std::string(a.indices ? "expected an integer, got " : "expected a number, got ") + typeName);
    }

    bool packInteger(bool negative, std::uint64_t magnitudeBits, const std::string& text)
    {
        if (packDepth_ > 1)
            return true;
        PackedArray& a = pack();
        const std::size_t index = a.count++;
        const auto asSigned = static_cast<std::int64_t>(magnitudeBits);
        if (!a.indices) {
            a.floats.push_back(negative ? static_cast<float>(asSigned) : static_cast<float>(magnitudeBits));
            return true;
        }
        const bool fits = negative ? asSigned >= std::numeric_limits<std::int32_t>::min()
                                   : magnitudeBits <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
        if (fits) {
            a.ints.push_back(static_cast<std::int32_t>(asSigned));
        } else {
            a.ints.push_back(-1);
            note(a, index, false, text);
        }
        return true;
    }

    static void note(PackedArray& a, std::size_t index, bool wrongType, std::string text)
    {
        if (!a.issue)
            a.issue = PackedArray::Issue{index, wrongType, std::move(text)};
    }

    // Whether the array about to open is a mesh array: the current object is
    // an element of a "displayMeshes" list and the key is one of the four.
    bool atMeshArray() const
    {
        const std::size_t n = stack_.size();
        return n >= 2 && stack_[n - 1].value->is_object() && stack_[n - 2].value->is_array() &&
               stack_[n - 2].key == "displayMeshes" && isMeshArrayField(key_);
    }

    // The JSON path of the innermost open container.
    std::string path() const
    {
        std::string p;
        for (std::size_t i = 1; i < stack_.size(); ++i) {
            const Json& parent = *stack_[i - 1].value;
            if (parent.is_array()) {
                p += "[" + std::to_string(parent.size() - 1) + "]";
            } else {
                if (!p.empty())
                    p += ".";
                p += stack_[i].key;
            }
        }
        return p;
    }

    JsonDocument& document_;
    const std::string& source_;
    std::vector<Frame> stack_;
    std::string key_;
    std::size_t packIndex_ = 0;
    std::size_t packDepth_ = 0; // 0: not in a mesh array; 1: its elements; more: inside a bad element
    std::optional<DesignError> error_;
    std::size_t syntaxPosition_ = 0;
    std::string syntaxMessage_;
};

// The line and column (both from 1) of the byte after `position` bytes of
// `text`, as "line L, column C".
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
    std::string location() const { return "line " + std::to_string(line_) + ", column " + std::to_string(column_); }

private:
    std::size_t line_ = 1;
    std::size_t column_ = 0;
};

// nlohmann's messages read "[json.exception.parse_error.101] parse error at
// line L, column C: <reason>" for malformed text, and "[json.exception.
// out_of_range.406] <reason>" for a number beyond double; the first carries
// its own position, the second gets one from `locate`.
template <class Locate>
DesignError syntaxError(const std::string& source, std::size_t position, const std::string& message, Locate&& locate)
{
    const std::size_t at = message.find(" at line ");
    const std::size_t colon = at == std::string::npos ? std::string::npos : message.find(": ", at);
    if (colon != std::string::npos)
        return DesignError(source, message.substr(at + 4, colon - at - 4), message.substr(colon + 2));
    const std::size_t prefix = message.rfind("] ", message.find(' '));
    return DesignError(source, locate(position), prefix == std::string::npos ? message : message.substr(prefix + 2));
}

// A file read in blocks as a character sequence for the parser; copies of an
// iterator share the reader, as input iterators may.
class BlockReader {
public:
    explicit BlockReader(std::ifstream& in) : in_(in) {}

    bool atEnd()
    {
        if (position_ < length_)
            return false;
        if (done_)
            return true;
        in_.read(buffer_, sizeof buffer_);
        length_ = static_cast<std::size_t>(in_.gcount());
        position_ = 0;
        if (!in_) {
            done_ = true;
            failed_ = !in_.eof();
        }
        return length_ == 0;
    }
    const char& current() const { return buffer_[position_]; }
    void advance() { ++position_; }
    bool failed() const { return failed_; }

private:
    std::ifstream& in_;
    char buffer_[1 << 16];
    std::size_t position_ = 0;
    std::size_t length_ = 0;
    bool done_ = false;
    bool failed_ = false;
};

class BlockIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    BlockIterator() = default;
    explicit BlockIterator(BlockReader* reader) : reader_(reader) {}

    reference operator*() const { return reader_->current(); }
    BlockIterator& operator++()
    {
        reader_->advance();
        return *this;
    }
    BlockIterator operator++(int)
    {
        BlockIterator before = *this;
        reader_->advance();
        return before;
    }
    friend bool operator==(const BlockIterator& a, const BlockIterator& b) { return a.atEnd() == b.atEnd(); }

private:
    bool atEnd() const { return reader_ == nullptr || reader_->atEnd(); }

    BlockReader* reader_ = nullptr;
};

template <class Iterator, class Locate>
JsonDocument parse(Iterator first, Iterator last, const std::string& source, Locate&& locate)
{
    JsonDocument document;
    DomBuilder builder(document, source);
    if (!Json::sax_parse(first, last, &builder)) {
        if (builder.error())
            throw *builder.error();
        throw syntaxError(source, builder.syntaxPosition(), builder.syntaxMessage(), locate);
    }
    return document;
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
    return parse(text.begin(), text.end(), source, [&](std::size_t position) {
        LineCounter counter;
        counter.feed(text.substr(0, std::min(position, text.size())));
        return counter.location();
    });
}

JsonDocument readJsonFile(const std::filesystem::path& file, const std::string& source)
{
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        throw DesignError(source, "", "cannot read: is a directory");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw DesignError(source, "", std::string("cannot open: ") + std::strerror(errno));
    auto reader = std::make_unique<BlockReader>(in);
    try {
        // Only on an error: read the file again up to where the parser stopped.
        const auto locate = [&](std::size_t position) {
            std::ifstream again(file, std::ios::binary);
            LineCounter counter;
            char block[1 << 16];
            while (position > 0) {
                again.read(block, static_cast<std::streamsize>(std::min(position, sizeof block)));
                const auto got = static_cast<std::size_t>(again.gcount());
                if (got == 0)
                    break;
                counter.feed(std::string_view(block, got));
                position -= got;
            }
            return counter.location();
        };
        JsonDocument document = parse(BlockIterator(reader.get()), BlockIterator(), source, locate);
        if (!reader->failed())
            return document;
    } catch (const DesignError&) {
        // A read failure looks like a truncated text to the parser.
        if (!reader->failed())
            throw;
    }
    throw DesignError(source, "", "cannot read: input error");
}

} // namespace standin::host::detail
