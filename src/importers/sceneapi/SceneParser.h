#pragma once
// The scene-file parser behind readScene (SceneReader.h). It mirrors the file
// writer's state (indentation level, statement context, the exclusive top
// block, the stacks) so that it knows at every point which text each call
// would have written, and reads the text back call by call.
//
// Captured shader texts: a text that the writer inserted where a value goes
// was written at capture time, starting from indentation level 0, and then
// inserted with a prefix of blanks after each of its line breaks (none when
// it holds binary). The parser keeps one frame per text being read, with
// that prefix; the prefixes of all open frames are taken off every line
// start before the text's own indentation is looked at.

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ReplayTarget.h"
#include "SceneReader.h"
#include "velScene_api.h"

namespace vel {

// Room for scratch arrays: plain, uninitialised memory; large pieces come
// in huge pages where the system offers them, so that filling tens of
// megabytes of list elements does not fault page by page.
void* allocateScratch(std::size_t bytes);
void freeScratch(void* memory);

// A growable array of plain values that leaves its room uninitialised (a
// reservation for the largest list the rest of a text could hold costs
// only the pages that values reach), written through a pointer in the
// loops that fill it.
template <typename T>
class ScratchArray {
public:
    void clear() { size_ = 0; }
    void reserve(std::size_t n)
    {
        if (n <= capacity_)
            return;
        std::unique_ptr<T, Free> grown(static_cast<T*>(allocateScratch(n * sizeof(T))));
        if (size_ != 0)
            std::memcpy(grown.get(), data_.get(), size_ * sizeof(T));
        data_ = std::move(grown);
        capacity_ = n;
    }
    void push_back(T v)
    {
        if (size_ == capacity_)
            reserve(2 * capacity_ + 64);
        data_.get()[size_++] = v;
    }
    T* data() { return data_.get(); }
    std::size_t size() const { return size_; }
    T* end() { return data_.get() + size_; }
    void setEnd(T* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

private:
    struct Free {
        void operator()(T* p) const { freeScratch(p); }
    };
    std::unique_ptr<T, Free> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

class SceneParser {
public:
    SceneParser(std::string_view text, velScene_api& target, const ReadOptions& options);
    ReadResult run();

private:
    struct Failure {
        const char* at;
        std::string message;
    };

    enum class Block : std::uint8_t {
        Group, Object, Geometry, Animation, Load, Options, Camera, Image, Output,
        Light, Accel, Matrix, Material, Shader, Text,
    };
    enum class Top : std::uint8_t { None, Options, Camera, Image, Object };
    // Where a value stands, which decides what ends it.
    enum class Term : std::uint8_t { Statement, Parameter, ListItem };

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
        int code = 8;
        const void* pointer = nullptr;
        velList list{};
        ShaderText text = nullptr;
        float f[16] = {};
        double d[16] = {};
        std::int32_t i[4] = {};
        std::string string;
    };

    // --- Reading calls
    void statements(std::size_t depth);
    void statement();
    void blankLine(std::size_t blanks);
    void closeBlock(std::size_t blanks);
    void nameLine(std::size_t blanks);
    void directive(std::size_t blanks);
    void comment(std::size_t blanks);
    void wordLine(std::size_t blanks);
    bool binaryDataLine();
    void keyword(std::string_view word);
    void statementLine(const char* lineStart);

    void group(bool placed, const char* at);
    void material(bool placed, const char* at);
    void light(const char* at);
    void topBlock(Block kind, bool modify, const char* at);
    void accel(const char* at);
    void render();
    void shaderDefinition(std::size_t blanks, const char* at);
    void messageLine(bool isError);
    void shaderSlot(int kind);
    void valueList(const std::string& name, const char* at);

    // --- Values
    void value(Value& v, Term term);
    bool atValueEnd(Term term) const;
    void numbers(Value& v, Term term);
    void listParameter(Value& v);
    void binaryBlock(Value& v);
    void textList(Value& v);
    template <typename Element>
    std::optional<std::uint32_t> elements(Element element);
    template <typename Element>
    std::optional<std::uint32_t> elementsFrom(std::uint32_t count, int untilBreak, Element element);
    std::optional<std::uint32_t> intElements();
    const char* commaSeparatedInts(const char* p, std::uint32_t& count, int& untilBreak);
    void matrixList(Value& v);
    void stringList(Value& v);
    template <typename Collect>
    void collectedValues(Collect collected);
    ShaderText insertion(int level);
    ShaderText capturedText(std::size_t prefix, bool& binary);

    // --- Blocks and the writer's state
    void open(Block kind, const char* at);
    void checkDepth(const char* at) const;
    void emitEnd(const Open& block);
    void closeBlocksTo(std::size_t depth);
    bool popContext();
    std::string blockName(const Open& block) const;

    // --- Text
    std::size_t blanks(const char* p) const;
    bool lookingAt(const char* p, std::string_view s) const;
    bool lookingAt(std::string_view s) const { return lookingAt(p_, s); }
    void expect(std::string_view s);
    void newline();
    void linePrefix();
    void leading(std::size_t blanks, int level);
    void indentation(int level);
    bool readName(std::string& out);
    void name0(std::string& out);
    void hexBytes(std::string& out, const char* what);
    std::int32_t int32Token(const char* what);
    std::uint32_t uint32Token(const char* what);
    double doubleToken(const char* what);
    float floatToken(const char* what);
    void lineText(std::string& out);
    void skipLine(const char* from);
    void skipBlock();

    // --- Modes, problems, emitting
    void observeIndentation(bool on);
    void observeBinary(bool on);
    void markBinary();
    void irregular(const char* at);  // fails while strict_
    void note(const char* at);       // never fails
    [[noreturn]] void fail(const char* at, std::string message) const;
    void problem(const char* at, std::string message);
    std::string where(const char* at) const;
    velScene_api& call();

    std::string_view text_;
    const char* begin_;
    const char* p_;
    const char* end_;
    ReplayTarget out_;
    ReadOptions options_;
    ReadResult result_;
    std::vector<std::size_t> problemOffsets_;
    std::size_t irregularOffset_ = 0;
    bool resyncing_ = false;
    bool strict_ = false;        // a departure from the writer's layout fails the call

    ModeNeed need_;              // of the call being read
    bool indentationBelief_ = false; // what the last indentation seen showed

    // The writer's state, mirrored.
    int indent_ = 0;
    bool statement_ = false;
    std::vector<bool> contexts_;
    Top top_ = Top::None;
    std::vector<Open> blocks_;
    std::vector<Frame> frames_;
    std::size_t prefixTotal_ = 0;
    ShaderText lastText_ = nullptr;  // of the text just closed
    bool lastTextBinary_ = false;

    // Scratch storage of list values, reused from call to call.
    ScratchArray<float> floats_;
    ScratchArray<double> doubles_;
    ScratchArray<std::int32_t> ints_;
    ScratchArray<std::uint64_t> aligned_; // binary elements that lie unaligned in the text
    std::vector<std::string> strings_;
    std::vector<const char*> stringPointers_;
    std::string bytes_;
};

} // namespace vel
