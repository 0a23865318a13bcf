#pragma once
// The scene-file parser behind readScene (SceneReader.h). It mirrors the file
// writer's state (indentation level, statement context, the exclusive top
// block, the stacks) so that it knows at every point which text each call
// would have written, and reads the text back call by call.
//
// Every reading step returns false where the text does not read, with the
// failure (where, and why) kept in failure_; the step that can try another
// reading restores the position and tries it, and the statement loop reports
// what no reading took and goes on at the next line. Nothing is thrown for
// input, however malformed.
//
// Captured shader texts: a text that the writer inserted where a value goes
// was written at capture time, starting from indentation level 0, and then
// inserted with a prefix of blanks after each of its line breaks (none when
// it holds binary). The parser keeps one frame per text being read, with
// that prefix; the prefixes of all open frames are taken off every line
// start before the text's own indentation is looked at.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ReplayTarget.h"
#include "SceneReader.h"
#include "ScratchMemory.h"
#include "velScene_api.h"

namespace vel {

// The storage of list values: reused from list to list, and by a SceneReader
// from read to read. Every use clears what it takes first.
struct ParserScratch {
    ScratchArray<float> floats;
    ScratchArray<double> doubles;
    ScratchArray<std::int32_t> ints;
    ScratchArray<std::uint64_t> aligned; // binary elements that lie unaligned in the text
    // The rooms of a large list's later runs, read on threads of their own.
    std::vector<ScratchArray<float>> floatRuns;
    std::vector<ScratchArray<std::int32_t>> intRuns;
    std::vector<std::string> strings;
    std::vector<const char*> stringPointers;
    std::string bytes;
};

class SceneParser {
public:
    SceneParser(std::string_view text, velScene_api& target, const ReadOptions& options, ParserScratch& scratch);
    ReadResult run();

private:
    struct Failure {
        const char* at = nullptr;
        std::string message;
    };

    enum class Block : std::uint8_t {
        Group, Object, Geometry, Animation, Load, Options, Camera, Image, Output,
        Light, Accel, Matrix, Material, Shader, Text,
    };
    enum class Top : std::uint8_t { None, Options, Camera, Image, Object };
    // Where a value stands, which decides what ends it.
    enum class Term : std::uint8_t { Statement, Parameter, ListItem };
    // What the writer puts before a keyword's line: nothing, a plain line
    // break (beginGroup, beginLight), or a line break between indentations
    // (the options, camera and image blocks, accel, render).
    enum class Lead : std::uint8_t { None, Plain, Indented };
    // A keyword line: the words it begins with, and the reading of the rest
    // of it from just after them (`at`: where the line's words begin).
    struct Keyword {
        std::string_view phrase;
        Lead lead;
        std::string_view follows; // what stands after the phrase where a line break leads it
        bool (*read)(SceneParser&, const char* at);
    };
    static const Keyword kKeywords[];
    static const Keyword* findKeyword(std::string_view word);
    // The keywords whose phrase begins with `letter`, in table order.
    struct KeywordsOf {
        const std::uint8_t* index;
        std::uint8_t count;
    };
    static KeywordsOf keywordsOf(unsigned char letter);
    // How reading the elements of a text list ended.
    enum class Elements : std::uint8_t { Read, OtherKind, Failed };

    struct Open {
        Block kind;
        const char* at;
        int savedIndent = 0;   // Text, escaped Shader: the level to return to
        int escapeLevel = 0;   // escaped Shader: the capture level it was written at
    };
    struct Frame {
        std::size_t prefix;    // blanks the insertion put after each line break
        bool binary;           // the text holds binary: it was inserted byte for byte
    };
    // A value as parameter() and listValue() take it.
    struct Value {
        int code = TypeNone;
        const void* pointer = nullptr;
        velList list{};
        ShaderText text = nullptr;
        float f[16] = {};
        double d[16] = {};
        std::int32_t i[4] = {};
        std::string string;
    };

    // --- Reading calls (SceneParser.cpp)
    [[nodiscard]] bool statements(std::size_t depth);
    [[nodiscard]] bool statement();
    [[nodiscard]] bool blankLine(std::size_t blanks);
    [[nodiscard]] bool closeBlock(std::size_t blanks);
    [[nodiscard]] bool nameLine(std::size_t blanks);
    [[nodiscard]] bool directive(std::size_t blanks);
    [[nodiscard]] bool comment(std::size_t blanks);
    [[nodiscard]] bool wordLine(std::size_t blanks);
    // The keyword's line from `at`, where the first `seen` bytes of its
    // phrase were seen.
    [[nodiscard]] bool keyword(const Keyword& keyword, const char* at, std::size_t seen);
    [[nodiscard]] bool statementLine();
    const char* binaryDataMarker(const char* line) const;
    [[nodiscard]] bool binaryDataLine(const char* marker);

    [[nodiscard]] bool blockLine(std::string& name);
    [[nodiscard]] bool group(bool placed, const char* at);
    [[nodiscard]] bool object(bool placed, const char* at);
    [[nodiscard]] bool geometry(const char* at);
    [[nodiscard]] bool animation(const char* at);
    [[nodiscard]] bool load(const char* at);
    [[nodiscard]] bool output(const char* at);
    [[nodiscard]] bool matrixDefinition(const char* at);
    [[nodiscard]] bool material(bool placed, const char* at);
    [[nodiscard]] bool light(const char* at);
    [[nodiscard]] bool topBlock(Block kind, bool modify, const char* at);
    [[nodiscard]] bool accel(const char* at);
    [[nodiscard]] bool render();
    [[nodiscard]] bool matrixLine(bool absolute);
    [[nodiscard]] bool vectorLine(void (velScene_api::*op)(const double&, const double&, const double&));
    [[nodiscard]] bool attribute();
    [[nodiscard]] bool version();
    [[nodiscard]] bool progress();
    [[nodiscard]] bool idOrFlags(bool isId);
    [[nodiscard]] bool shaderDefinition(std::size_t blanks, const char* at);
    [[nodiscard]] bool messageLine(bool isError, const char* at);
    [[nodiscard]] bool shaderSlot(int kind);
    [[nodiscard]] bool valueList(const std::string& name, const char* at);

    // --- Values (SceneParserValues.cpp)
    [[nodiscard]] bool value(Value& v, Term term);
    bool atValueEnd(Term term) const;
    [[nodiscard]] bool numbers(Value& v, Term term);
    [[nodiscard]] bool listParameter(Value& v);
    [[nodiscard]] bool binaryBlock(Value& v);
    [[nodiscard]] bool textList(Value& v);
    template <typename Element, typename Bulk>
    Elements elements(std::uint32_t& count, Element element, Bulk bulk);
    template <typename Element, typename Bulk>
    Elements elementsFrom(std::uint32_t& count, int untilBreak, Element element, Bulk bulk);
    Elements intElements(std::uint32_t& count);
    template <typename T, typename Convert>
    const char* commaSeparated(const char* p, std::uint32_t& count, int& untilBreak, ScratchArray<T>& into,
                               Convert convert, int level);
    // At the start of a list's line: once its first line is read, its whole
    // lines on this thread (wholeLines); once kSplitAfter bytes of it are
    // read, on several (splitLarge). Most lists are done before that.
    template <typename T, typename Convert>
    bool splitLines(std::uint32_t& count, ScratchArray<T>& into, Convert convert)
    {
        if (p_ - splitFrom_ >= kSplitAfter)
            return splitLarge(count, into, convert);
        return count == kFirstLineElements && wholeLines(count, into, convert);
    }
    template <typename T, typename Convert>
    bool wholeLines(std::uint32_t& count, ScratchArray<T>& into, Convert convert);
    static constexpr std::uint32_t kFirstLineElements = 9;
    template <typename T, typename Convert>
    bool splitLarge(std::uint32_t& count, ScratchArray<T>& into, Convert convert);
    static constexpr std::ptrdiff_t kSplitAfter = 1 << 19; // bytes
    template <typename T, typename Convert>
    [[nodiscard]] bool simpleElements(std::uint32_t& count, int& untilBreak, ScratchArray<T>& into, Convert convert);
    [[nodiscard]] bool matrixList(Value& v);
    [[nodiscard]] bool stringList(Value& v);
    template <typename Collect>
    [[nodiscard]] bool collectedValues(Collect collected);
    [[nodiscard]] bool insertion(int level, ShaderText& text);
    [[nodiscard]] bool capturedText(std::size_t prefix, ShaderText& text, bool& binary);

    // --- Blocks and the writer's state (SceneParser.cpp)
    void open(Block kind, const char* at);
    [[nodiscard]] bool checkDepth(const char* at);
    void emitEnd(const Open& block);
    void closeBlocksTo(std::size_t depth);
    bool popContext();
    std::string blockName(const Open& block) const;
    // " inside" the outermost open block and where it begins, for a refusal
    // of deep nesting; empty at the top.
    std::string nestingBegins() const;

    // --- Text (SceneParserText.cpp)
    std::size_t blanks(const char* p) const
    {
        const char* q = p;
        while (q < end_ && *q == ' ')
            ++q;
        return static_cast<std::size_t>(q - p);
    }
    // Inline, and byte by byte for short texts: most calls compare a few
    // bytes, and most of them differ at the first.
    bool lookingAt(const char* p, std::string_view s) const
    {
        if (p > end_ || static_cast<std::size_t>(end_ - p) < s.size())
            return false;
        if (s.size() > 16)
            return std::memcmp(p, s.data(), s.size()) == 0;
        for (std::size_t i = 0; i < s.size(); ++i)
            if (p[i] != s[i])
                return false;
        return true;
    }
    bool lookingAt(std::string_view s) const { return lookingAt(p_, s); }
    // Past `s` when it stands here; else false and nothing moves.
    bool accept(std::string_view s)
    {
        if (!lookingAt(s))
            return false;
        p_ += s.size();
        return true;
    }
    [[nodiscard]] bool expect(std::string_view s) { return accept(s) || missing(s); }
    // The failure of expect: `s` does not stand here.
    bool missing(std::string_view s);
    // Inline where the line feed stands and no shader text is open: once
    // per line.
    [[nodiscard]] bool newline()
    {
        if (p_ < end_ && *p_ == '\n' && prefixTotal_ == 0) {
            ++p_;
            return true;
        }
        return lineEnd();
    }
    [[nodiscard]] bool lineEnd();
    [[nodiscard]] bool linePrefix();
    // The indentation before a call's first piece: `blanks` blanks where the
    // writer puts `level` with indentation on and none with it off.
    [[nodiscard]] bool leading(std::size_t blanks, int level)
    {
        bool read = true;
        if (level > 0 && blanks == static_cast<std::size_t>(level))
            read = observeIndentation(true);
        else if (blanks == 0)
            read = level <= 0 || observeIndentation(false);
        else
            read = tolerate(p_);
        p_ += blanks;
        return read;
    }
    // An indented piece in mid-line. Inline where this call showed
    // indentation on and its blanks stand there: once per line of a list.
    [[nodiscard]] bool indentation(int level)
    {
        if (need_.indentation == 1 && level > 0 && level <= 8 && end_ - p_ >= 8 && blanksAt(p_, level)) {
            p_ += level;
            return true;
        }
        return indentationOf(level);
    }
    // Whether the `n` (1 to 8) bytes at `p` are blanks; eight bytes at `p`
    // must be readable.
    static bool blanksAt(const char* p, int n)
    {
        if constexpr (std::endian::native == std::endian::little) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            return ((word ^ 0x2020202020202020ull) & (~std::uint64_t{0} >> (64 - 8 * n))) == 0;
        }
        for (int k = 0; k < n; ++k)
            if (p[k] != ' ')
                return false;
        return true;
    }
    [[nodiscard]] bool indentationOf(int level);
    [[nodiscard]] bool readName(std::string& out);
    [[nodiscard]] bool hexBytes(std::string& out, const char* what);
    [[nodiscard]] bool int32Token(const char* what, std::int32_t& out);
    [[nodiscard]] bool uint32Token(const char* what, std::uint32_t& out);
    [[nodiscard]] bool doubleToken(const char* what, double& out);
    [[nodiscard]] bool floatToken(const char* what, float& out);
    [[nodiscard]] bool lineText(std::string& out);
    void skipLine(const char* from);
    void skipBlock();

    // --- Modes, problems, emitting (SceneParserText.cpp)
    [[nodiscard]] bool observeIndentation(bool on)
    {
        const signed char shown = on ? 1 : 0;
        if (need_.indentation < 0)
            need_.indentation = shown;
        else if (need_.indentation != shown && !tolerate(p_))
            return false;
        indentationBelief_ = on;
        return true;
    }
    [[nodiscard]] bool observeBinary(bool on);
    void markBinary();
    // A departure from the writer's layout at `at`: noted, or, while a
    // reading is tried strictly, its failure.
    [[nodiscard]] bool tolerate(const char* at);
    void note(const char* at);
    [[nodiscard]] bool fail(const char* at, std::string message);
    void problem(const char* at, std::string message);
    std::string where(const char* at) const;
    // The target for the call just read, in the modes it showed.
    velScene_api& call()
    {
        const ModeNeed need = need_;
        need_ = {};
        return out_(need);
    }

    std::string_view text_;
    const char* begin_;
    const char* p_;
    const char* end_;
    ReplayTarget out_;
    ReadOptions options_;
    ReadResult result_;
    Failure failure_;
    std::vector<std::size_t> problemOffsets_;
    std::size_t irregularOffset_ = 0;
    bool resyncing_ = false;
    bool strict_ = false;        // a departure from the writer's layout fails the reading

    ModeNeed need_;              // of the call being read
    bool indentationBelief_ = false; // what the last indentation seen showed

    // The writer's state, mirrored.
    int indent_ = 0;
    bool statement_ = false;
    std::vector<std::uint8_t> contexts_; // statement_ of the blocks around, as bytes: pushed and popped once per block
    Top top_ = Top::None;
    std::vector<Open> blocks_;
    std::vector<Frame> frames_;
    std::size_t prefixTotal_ = 0;
    ShaderText lastText_ = nullptr;  // of the text just closed
    bool lastTextBinary_ = false;

    // Storage of list values (ParserScratch).
    ScratchArray<float>& floats_;
    ScratchArray<double>& doubles_;
    ScratchArray<std::int32_t>& ints_;
    ScratchArray<std::uint64_t>& aligned_;
    std::vector<ScratchArray<float>>& floatRuns_;
    std::vector<ScratchArray<std::int32_t>>& intRuns_;
    std::vector<std::string>& strings_;
    std::vector<const char*>& stringPointers_;
    std::string& bytes_;
    const char* splitFrom_ = nullptr; // the list's start, or where its lines last stopped a split
};

} // namespace vel
