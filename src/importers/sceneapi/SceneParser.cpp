#include "SceneParser.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "HexText.h"
#include "NumberFormat.h"
#include "TextNumbers.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vel {

namespace {

constexpr std::string_view kBinaryMarker("\x01\x02\x03", 3);
constexpr std::string_view kAssumingSurface = "// assuming surface shader";

bool isDigitOrMinus(char c)
{
    return c == '-' || static_cast<unsigned>(c - '0') <= 9;
}

bool isHexDigit(char c)
{
    return static_cast<unsigned>(c - '0') <= 9 || static_cast<unsigned>(c - 'a') <= 5 ||
           static_cast<unsigned>(c - 'A') <= 5;
}

int hexValue(char c)
{
    if (c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

std::uint32_t littleEndian32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
}

bool holdsZero(std::string_view s)
{
    return s.find('\0') != std::string_view::npos;
}

// A float read from a %g text keeps that text when printed again, unless it
// left the range of normal floats (then the text was a double's).
// Normal floats always do (a text of six digits names one float); a
// subnormal one has fewer digits of its own and is checked.
bool floatKeepsGeneral(float f, const char* begin, const char* end)
{
    return std::fpclassify(f) != FP_SUBNORMAL || text::generalKeepsText(f, begin, end);
}

// An int whose %d text is the token: not "-0" nor leading zeros.
bool intKeepsText(std::int32_t v, const char* begin, const char* end)
{
    char text[kMaxNumberText];
    const char* stop = formatInt(text, v);
    return stop - text == end - begin && std::memcmp(text, begin, static_cast<std::size_t>(end - begin)) == 0;
}

const std::string_view kKeywords[] = {
    "group", "object", "geometry", "animation", "load", "output", "light", "options", "camera", "image",
    "accel", "render", "transform", "set", "scale", "rotate", "translate", "material", "surface", "shadow",
    "volume", "reflection", "attribute", "version", "progress", "icon", "id", "flags",
};

bool isKeyword(std::string_view word)
{
    return std::find(std::begin(kKeywords), std::end(kKeywords), word) != std::end(kKeywords);
}

} // namespace

SceneParser::SceneParser(std::string_view text, velScene_api& target, const ReadOptions& options)
    : text_(text), begin_(text.data()), p_(text.data()), end_(text.data() + text.size()),
      out_(target, options.targetBinaryLists), options_(options)
{
}

ReadResult SceneParser::run()
{
    statements(0);
    if (!blocks_.empty()) {
        // Said once: a problem at the very end already tells it.
        resyncing_ = false;
        if (problemOffsets_.empty() || problemOffsets_.back() != text_.size())
            problem(end_, "the file ends inside " + blockName(blocks_.back()));
        need_ = {};
        closeBlocksTo(0);
    }
    // Positions of everything reported, in one pass over the text.
    std::vector<std::size_t> order(result_.problems.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return problemOffsets_[a] < problemOffsets_[b]; });
    TextPosition at;
    std::size_t lineStart = 0;
    auto advance = [&](std::size_t offset) {
        for (std::size_t i = at.offset; i < offset; ++i)
            if (begin_[i] == '\n') {
                ++at.line;
                lineStart = i + 1;
            }
        at.offset = offset;
        at.column = static_cast<int>(offset - lineStart + 1);
        return at;
    };
    for (const std::size_t i : order)
        result_.problems[i].at = advance(problemOffsets_[i]);
    at = {};
    lineStart = 0;
    for (SceneMessage& m : result_.messages)
        m.at = advance(m.at.offset);
    if (result_.layoutIrregular)
        result_.firstIrregularity = positionOf(text_, irregularOffset_);
    result_.calls = out_.calls();
    return result_;
}

// --- Reading calls ---------------------------------------------------------------

void SceneParser::statements(std::size_t depth)
{
    while (p_ < end_ && blocks_.size() >= depth && !result_.stopped) {
        const char* start = p_;
        try {
            statement();
            if (p_ == start)
                fail(p_, "cannot read this line");
            resyncing_ = false;
        } catch (const Failure& failure) {
            if (strict_)
                throw; // a speculative reading failed: its caller tries another
            problem(failure.at, failure.message);
            resyncing_ = true;
            skipLine(std::max(start, failure.at));
        }
    }
}

void SceneParser::statement()
{
    need_ = {};
    const std::size_t b = blanks(p_);
    const char* q = p_ + b;
    if (q == end_) {
        irregular(p_); // blanks after the last line
        p_ = end_;
        return;
    }
    switch (*q) {
    case '\n':
        blankLine(b);
        return;
    case '}':
        closeBlock(b);
        return;
    case '"':
        nameLine(b);
        return;
    case '#':
        directive(b);
        return;
    case '/':
        if (q + 1 < end_ && q[1] == '/') {
            comment(b);
            return;
        }
        break;
    case 'x':
        if (q + 1 < end_ && q[1] == 'X') {
            nameLine(b);
            return;
        }
        break;
    case '\r':
        fail(q, "a carriage return: scene files end their lines with a line feed alone");
    default:
        break;
    }
    wordLine(b);
}

// A line break that begins an indented piece (options, camera, image, accel,
// a material definition, render) or a plain one before a group or a light;
// else a blank line of its own.
void SceneParser::blankLine(std::size_t b)
{
    const char* start = p_;
    const ModeNeed before = need_;
    p_ += b;
    newline();
    const std::size_t b2 = blanks(p_);
    const char* k = p_ + b2;
    const int level = indent_;
    // The plain line break of beginGroup and beginLight has no indentation.
    auto plainLed = [&] {
        if (b != 0)
            irregular(start);
        leading(b2, level);
    };
    // The indented "\n..." pieces have the indentation on both sides.
    auto indentedLed = [&] {
        p_ = start;
        leading(b, level);
        newline();
        leading(b2, level);
    };
    if (lookingAt(k, "group ")) {
        plainLed();
        p_ += 6;
        group(true, k);
        return;
    }
    if (lookingAt(k, "#define ")) {
        const char* after = k + 8;
        const char* what = after + blanks(after);
        if (lookingAt(what, "group ")) {
            plainLed();
            p_ += 8;
            indentation(level);
            expect("group ");
            group(false, k);
            return;
        }
        if (lookingAt(what, "material ")) {
            indentedLed();
            p_ += 8;
            indentation(level);
            expect("material ");
            material(false, k);
            return;
        }
    }
    if (lookingAt(k, "light ")) {
        plainLed();
        p_ += 6;
        light(k);
        return;
    }
    if (lookingAt(k, "options {") || lookingAt(k, "camera ") || lookingAt(k, "image {")) {
        indentedLed();
        const Block kind = *k == 'o' ? Block::Options : *k == 'c' ? Block::Camera : Block::Image;
        p_ += kind == Block::Options ? 7 : kind == Block::Camera ? 6 : 5;
        topBlock(kind, false, k);
        return;
    }
    if (lookingAt(k, "accel ")) {
        indentedLed();
        p_ += 6;
        accel(k);
        return;
    }
    if (lookingAt(k, "render\n")) {
        indentedLed();
        p_ += 6;
        render();
        return;
    }
    // A blank line on its own, as writeText would write "\n".
    need_ = before;
    p_ = start;
    leading(b, level);
    newline();
    call().writeText("%s", "\n");
}

void SceneParser::closeBlock(std::size_t b)
{
    if (blocks_.empty())
        fail(p_ + b, "a closing brace without an open block");
    const Open block = blocks_.back();
    int level = indent_ - 1;
    if ((block.kind == Block::Options && top_ != Top::Options) || (block.kind == Block::Camera && top_ != Top::Camera) ||
        (block.kind == Block::Image && top_ != Top::Image))
        level = indent_; // the writer would not have closed it; read it all the same
    leading(b, level);
    expect("}");
    if (block.kind != Block::Text)
        newline();
    blocks_.pop_back();
    emitEnd(block);
}

// Lines that begin with a name: shader parameters, shader links and lists.
void SceneParser::nameLine(std::size_t b)
{
    const char* at = p_ + b;
    if (*at == 'x') {
        if (b != 0)
            irregular(p_); // the hex form never carries indentation
        p_ = at;
    } else {
        leading(b, indent_);
    }
    std::string name;
    readName(name);
    if (lookingAt(" ! ")) {
        p_ += 3;
        if (p_ < end_ && isDigitOrMinus(*p_)) {
            const std::int32_t id = int32Token("a shader number");
            expect(",");
            newline();
            call().parameterShaderId(name.c_str(), id);
            return;
        }
        const ShaderText text = insertion(indent_);
        indentation(indent_);
        expect(",");
        newline();
        call().parameterShaderText(name.c_str(), text);
        return;
    }
    if (lookingAt(" [\n")) {
        valueList(name, at);
        return;
    }
    if (!lookingAt(" "))
        fail(p_, "expected a blank and a value after the name");
    ++p_;
    if (statement_)
        irregular(at); // a statement's name would stand bare
    Value v;
    value(v, Term::Parameter);
    expect(",");
    newline();
    call().parameter(name.c_str(), v.code, v.pointer);
}

void SceneParser::directive(std::size_t b)
{
    const char* at = p_ + b;
    if (lookingAt(at, "#define shader ")) {
        shaderDefinition(b, at);
        return;
    }
    leading(b, indent_);
    if (lookingAt("#define object ")) {
        p_ += 15;
        std::string name;
        name0(name);
        expect(" {");
        newline();
        checkDepth(at);
        call().beginObject(name.c_str(), false);
        contexts_.push_back(statement_);
        statement_ = true;
        top_ = Top::Object;
        open(Block::Object, at);
        return;
    }
    if (lookingAt("#define matrix ")) {
        p_ += 15;
        std::string name;
        name0(name);
        expect(" {");
        newline();
        checkDepth(at);
        call().beginMatrix(name.c_str());
        open(Block::Matrix, at);
        return;
    }
    if (lookingAt("#define ")) {
        // A group or material definition without the line break before it.
        const char* what = p_ + 8 + blanks(p_ + 8);
        if (lookingAt(what, "group ") || lookingAt(what, "material ")) {
            irregular(at);
            p_ += 8;
            indentation(indent_);
            if (lookingAt("group ")) {
                p_ += 6;
                group(false, at);
            } else {
                p_ += 9;
                material(false, at);
            }
            return;
        }
        fail(p_ + 8, "\"#define\" is followed by group, object, material, matrix or shader");
    }
    if (lookingAt("#print \"") || lookingAt("#error \"")) {
        const bool isError = p_[1] == 'e';
        p_ += 8;
        messageLine(isError);
        return;
    }
    if (lookingAt("#modify ")) {
        p_ += 8;
        // The camera block's own piece: a line break between indentations.
        indentation(indent_);
        newline();
        leading(blanks(p_), indent_);
        expect("camera");
        topBlock(Block::Camera, true, at);
        return;
    }
    const char* e = p_;
    while (e < end_ && *e != ' ' && *e != '\n' && e - p_ < 40)
        ++e;
    fail(p_, "unknown directive \"" + std::string(p_, e) + "\"");
}

void SceneParser::comment(std::size_t b)
{
    const char* start = p_;
    if (lookingAt(p_ + b, kAssumingSurface)) {
        const ModeNeed before = need_;
        leading(b, indent_);
        p_ += kAssumingSurface.size();
        if (lookingAt("\n")) {
            newline();
            const std::size_t b2 = blanks(p_);
            if (lookingAt(p_ + b2, "surface ")) {
                leading(b2, indent_);
                p_ += 8;
                shaderSlot(-1);
                return;
            }
        }
        p_ = start;
        need_ = before;
    }
    leading(b, indent_);
    std::string line;
    lineText(line);
    newline();
    line += '\n';
    call().writeText("%s", line.c_str());
}

void SceneParser::wordLine(std::size_t b)
{
    const char* lineStart = p_;
    leading(b, indent_);
    if (binaryDataLine())
        return;
    const char* w = p_;
    const char* e = w;
    while (e < end_ && *e != ' ' && *e != '\n')
        ++e;
    const std::string_view word(w, static_cast<std::size_t>(e - w));
    if (isKeyword(word)) {
        if (!statement_) {
            keyword(word);
            return;
        }
        // A setting may bear a keyword's name. Where the keyword's form fits
        // exactly it wins, since both give the same text; a form that fits
        // only loosely (a captured text after "reflection map" at the
        // indentation of a value) is the setting's; where neither fits
        // exactly, the keyword's loose reading comes first.
        const ModeNeed before = need_;
        const std::size_t messages = result_.messages.size();
        for (int attempt = 0; attempt < 4; ++attempt) {
            const bool asKeyword = attempt % 2 == 0;
            const bool last = attempt == 3;
            const bool wasStrict = strict_;
            strict_ = wasStrict || attempt < 2;
            struct Restore {
                bool& flag;
                bool value;
                ~Restore() { flag = value; }
            } restore{strict_, wasStrict};
            p_ = w;
            need_ = before;
            try {
                if (asKeyword)
                    keyword(word);
                else
                    statementLine(lineStart);
                return;
            } catch (const Failure&) {
                result_.messages.resize(messages);
                if (last)
                    throw;
            }
        }
    }
    if (statement_) {
        statementLine(lineStart);
        return;
    }
    if (word.empty())
        fail(w, "cannot read this line");
    fail(w, "unknown keyword \"" + std::string(word.substr(0, 40)) + "\"");
}

// "KEYWORD bX<hex>" lines: icon and binaryData.
bool SceneParser::binaryDataLine()
{
    const char* lineEnd = static_cast<const char*>(std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_)));
    if (!lineEnd)
        return false;
    constexpr std::string_view marker = " bX";
    const char* m = std::search(p_, lineEnd, marker.begin(), marker.end());
    if (m == lineEnd || m == p_)
        return false;
    const char* h = m + 3;
    while (h < lineEnd && isHexDigit(*h))
        ++h;
    while (h < lineEnd && *h == ' ')
        ++h;
    if (h != lineEnd)
        return false;
    const std::string keyword(p_, m);
    if (holdsZero(keyword))
        fail(p_, "a zero byte in a keyword");
    p_ = m + 1;
    hexBytes(bytes_, "data");
    markBinary();
    indentation(indent_);
    newline();
    if (bytes_.size() > 0x7FFFFFFF)
        fail(m, "more binary data than a call takes");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes_.data());
    const int length = static_cast<int>(bytes_.size());
    if (keyword == "icon")
        call().icon(data, length);
    else
        call().binaryData(keyword.c_str(), data, length);
    return true;
}

void SceneParser::keyword(std::string_view word)
{
    const char* at = p_;
    const int level = indent_;
    auto matrixLine = [&](bool absolute) {
        double m[16];
        for (double& v : m) {
            expect(" ");
            v = floatToken("a number of the matrix");
        }
        newline();
        if (absolute)
            call().setTransform(m);
        else
            call().transform(m);
    };
    auto vectorLine = [&](void (velScene_api::*op)(const double&, const double&, const double&)) {
        double v[3];
        for (double& x : v) {
            expect(" ");
            x = doubleToken("a number");
        }
        newline();
        (call().*op)(v[0], v[1], v[2]);
    };
    if (word == "group") {
        irregular(at); // a placed group has a line break before it
        p_ += 5;
        expect(" ");
        group(true, at);
    } else if (word == "object") {
        p_ += 6;
        expect(" ");
        std::string name;
        name0(name);
        expect(" {");
        newline();
        checkDepth(at);
        call().beginObject(name.c_str(), true);
        contexts_.push_back(statement_);
        statement_ = true;
        top_ = Top::Object;
        open(Block::Object, at);
    } else if (word == "geometry") {
        p_ += 8;
        expect(" ");
        std::string type;
        name0(type);
        expect(" {");
        newline();
        checkDepth(at);
        call().beginGeometry(type.c_str());
        contexts_.push_back(statement_);
        statement_ = false;
        open(Block::Geometry, at);
    } else if (word == "animation") {
        p_ += 9;
        expect(" ");
        std::string a, b;
        name0(a);
        indentation(level); // the writer's blank between the names is an indented piece
        expect(" ");
        name0(b);
        expect(" {");
        newline();
        checkDepth(at);
        call().beginAnimation(a.c_str(), b.c_str());
        contexts_.push_back(statement_);
        statement_ = false;
        open(Block::Animation, at);
    } else if (word == "load") {
        p_ += 4;
        expect(" ");
        std::string module;
        name0(module);
        expect(" {");
        newline();
        checkDepth(at);
        call().beginLoad(module.c_str());
        open(Block::Load, at);
    } else if (word == "output") {
        p_ += 6;
        std::string a, b, c;
        expect(" ");
        name0(a);
        expect(" ");
        name0(b);
        expect(" ");
        name0(c);
        expect(" {");
        newline();
        checkDepth(at);
        call().beginOutput(a.c_str(), b.c_str(), c.c_str());
        statement_ = false;
        open(Block::Output, at);
    } else if (word == "light") {
        irregular(at);
        p_ += 5;
        expect(" ");
        light(at);
    } else if (word == "options" || word == "camera" || word == "image") {
        irregular(at); // these open with a line break
        p_ += word.size();
        topBlock(word[0] == 'o' ? Block::Options : word[0] == 'c' ? Block::Camera : Block::Image, false, at);
    } else if (word == "accel") {
        irregular(at);
        p_ += 5;
        expect(" ");
        accel(at);
    } else if (word == "render") {
        irregular(at);
        p_ += 6;
        render();
    } else if (word == "transform") {
        p_ += 9;
        matrixLine(false);
    } else if (word == "set") {
        expect("set transform");
        matrixLine(true);
    } else if (word == "scale") {
        p_ += 5;
        vectorLine(&velScene_api::scale);
    } else if (word == "rotate") {
        p_ += 6;
        vectorLine(&velScene_api::rotate);
    } else if (word == "translate") {
        p_ += 9;
        vectorLine(&velScene_api::translate);
    } else if (word == "material") {
        p_ += 8;
        expect(" ");
        material(true, at);
    } else if (word == "surface") {
        p_ += 7;
        shaderSlot(ShaderSurface);
    } else if (word == "shadow") {
        p_ += 6;
        shaderSlot(ShaderShadow);
    } else if (word == "volume") {
        p_ += 6;
        shaderSlot(ShaderVolume);
    } else if (word == "reflection") {
        expect("reflection map");
        shaderSlot(ShaderReflectionMap);
    } else if (word == "attribute") {
        p_ += 9;
        std::string key, value;
        expect(" ");
        name0(key);
        expect(" ");
        name0(value);
        newline();
        call().attribute(key.c_str(), value.c_str());
    } else if (word == "version") {
        p_ += 7;
        expect(" ");
        const std::int32_t v = int32Token("a version number");
        newline();
        // The version line ends with a blank line.
        const std::size_t b = blanks(p_);
        if (lookingAt(p_ + b, "\n")) {
            leading(b, level);
            newline();
        } else if (statement_) {
            fail(p_, "a version line is followed by a blank line");
        } else {
            irregular(p_);
        }
        call().version(v);
    } else if (word == "progress") {
        p_ += 8;
        expect(" ");
        std::string name;
        name0(name);
        expect(" ");
        const float fraction = floatToken("a fraction");
        newline();
        if (lookingAt("\n"))
            newline();
        else
            irregular(p_);
        call().progress(name.c_str(), fraction);
    } else if (word == "id" || word == "flags") {
        p_ += word.size();
        expect(" ");
        const std::uint32_t n = uint32Token(word == "id" ? "an id" : "a flag word");
        newline();
        if (word == "id")
            call().id(n);
        else
            call().flags(n);
    } else { // icon without its data
        fail(at, "\"" + std::string(word) + "\" is followed by its data in the bX hex form");
    }
}

// A setting in the statement form: a bare name, a blank, the value. The name
// may hold blanks ("reflection map"), so each blank before the first quote
// or bracket is tried as the end of the name, first to last.
void SceneParser::statementLine(const char* lineStart)
{
    (void)lineStart;
    const char* name = p_;
    const char* limit = name;
    while (limit < end_ && *limit != '\n' && *limit != '"' && *limit != '[')
        ++limit;
    std::optional<Failure> first;
    int tries = 0;
    const ModeNeed before = need_;
    for (const char* s = name + 1; s < limit && tries < 8; ++s) {
        if (*s != ' ')
            continue;
        const char next = s + 1 < end_ ? s[1] : '\n';
        if (!(text::startsNumber(next) || next == '"' || next == 'x' || next == '[' || next == ' ' || next == 'o' ||
              next == '\n'))
            continue;
        ++tries;
        p_ = s + 1;
        need_ = before;
        try {
            Value v;
            value(v, Term::Statement);
            newline();
            const std::string key(name, s);
            if (holdsZero(key))
                fail(name, "a zero byte in a name");
            call().parameter(key.c_str(), v.code, v.pointer);
            return;
        } catch (const Failure& failure) {
            if (!first)
                first = failure;
        }
    }
    if (first)
        throw *first;
    fail(name, "a setting is a name, a blank and a value");
}

void SceneParser::group(bool placed, const char* at)
{
    std::string name;
    name0(name);
    expect(" {");
    newline();
    checkDepth(at);
    call().beginGroup(name.c_str(), placed);
    contexts_.push_back(statement_);
    statement_ = true;
    open(Block::Group, at);
}

void SceneParser::material(bool placed, const char* at)
{
    std::string name;
    name0(name);
    if (placed && lookingAt("\n")) {
        newline();
        call().useMaterial(name.c_str());
        return;
    }
    expect(" {");
    newline();
    checkDepth(at);
    call().beginMaterial(name.c_str(), placed);
    open(Block::Material, at);
}

void SceneParser::light(const char* at)
{
    std::string name;
    name0(name);
    expect(" {");
    newline();
    checkDepth(at);
    call().beginLight(name.c_str());
    open(Block::Light, at);
}

void SceneParser::topBlock(Block kind, bool modify, const char* at)
{
    const char* what = kind == Block::Options ? "an options block" : kind == Block::Camera ? "a camera block" : "an image block";
    if (!frames_.empty())
        fail(at, std::string(what) + " cannot stand inside a shader text");
    if (top_ != Top::None) {
        // The writer refuses it; its lines are passed over to its brace, so
        // that the brace does not close the block around it.
        problem(at, std::string(what) + " cannot open inside an object or another options, camera or image block");
        skipBlock();
        return;
    }
    checkDepth(at);
    if (kind == Block::Camera) {
        std::string name;
        const bool named = !lookingAt(" {\n");
        if (named) {
            expect(" ");
            name0(name);
        }
        expect(" {");
        newline();
        const char* n = named ? name.c_str() : nullptr;
        if (modify) {
            const ModeNeed need = need_;
            need_ = {};
            out_.modifyCamera(need, n);
        } else {
            call().beginCamera(n);
        }
        top_ = Top::Camera;
    } else {
        expect(" {");
        newline();
        if (kind == Block::Options) {
            call().beginOptions();
            top_ = Top::Options;
        } else {
            call().beginImage();
            top_ = Top::Image;
        }
    }
    statement_ = true;
    open(kind, at);
}

void SceneParser::accel(const char* at)
{
    std::string name;
    name0(name);
    expect(" {");
    newline();
    checkDepth(at);
    call().beginAccel(name.c_str());
    contexts_.push_back(statement_);
    statement_ = false;
    open(Block::Accel, at);
}

void SceneParser::render()
{
    newline();
    call().render();
}

// "#define shader NAME TYPE {" and "#define shader ID TYPE {". A definition
// begun while an anonymous shader was captured went to the scene at the
// capture's indentation, which shows as a level other than the scene's; it is
// replayed inside a capture of that level that is never used (its text stays
// unseen), so that the writer indents it the same.
void SceneParser::shaderDefinition(std::size_t b, const char* at)
{
    if (!frames_.empty())
        fail(at, "a shader definition cannot stand inside a shader text");
    const int scene = indent_;
    p_ += b;
    p_ += 15;
    std::string name, type;
    std::int32_t id = 0;
    const bool numbered = p_ < end_ && isDigitOrMinus(*p_);
    if (numbered) {
        id = int32Token("a shader number");
        expect(" ");
        // The type stands as it is, up to the brace that ends the line.
        const char* lineEnd = static_cast<const char*>(std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_)));
        if (!lineEnd || lineEnd - p_ < 2 || lineEnd[-2] != ' ' || lineEnd[-1] != '{')
            fail(p_, "a shader definition line ends with \" {\"");
        type.assign(p_, lineEnd - 2);
        if (holdsZero(type))
            fail(p_, "a zero byte in a shader type");
        p_ = lineEnd;
        newline();
    } else {
        name0(name);
        expect(" ");
        name0(type);
        expect(" {");
        newline();
    }
    checkDepth(at);
    // The level the definition was written at: its own blanks, or, where
    // indentation was off for its first line, those of the next line (its
    // body one level deeper, or its closing brace).
    int shown = static_cast<int>(b);
    if (b == 0 && !lookingAt(p_ + blanks(p_), "#define shader ")) {
        const std::size_t c = blanks(p_);
        shown = c == 0 ? scene : p_ + c < end_ && p_[c] == '}' ? static_cast<int>(c) : static_cast<int>(c) - 1;
    }
    const bool escaped = shown >= 1 && shown != scene;
    if (b > 0)
        observeIndentation(true);
    else if (scene > 0 || escaped)
        observeIndentation(false);
    if (b > 0 && !escaped && static_cast<int>(b) != scene)
        irregular(at);
    Open block{Block::Shader, at};
    if (escaped) {
        call().pushCapture();
        call().beginShader(nullptr, "");
        for (int k = 1; k < shown; ++k)
            call().beginLoad("");
        contexts_.push_back(statement_);
        statement_ = false;
        block.savedIndent = indent_;
        block.escapeLevel = shown;
        indent_ = shown;
    }
    if (numbered)
        call().beginShaderId(type.c_str(), id);
    else
        call().beginShader(name.c_str(), type.c_str());
    contexts_.push_back(statement_);
    statement_ = false;
    ++indent_;
    blocks_.push_back(block);
}

// The text of "#print" and "#error" stands as it was given, up to the quote
// that ends the line; the writer indents it like any indented piece.
void SceneParser::messageLine(bool isError)
{
    const char* start = p_;
    indentation(indent_);
    std::string message;
    for (;;) {
        if (p_ >= end_)
            fail(start, "the message has no closing quote");
        const char c = *p_;
        if (c == '"' && p_ + 1 < end_ && p_[1] == '\n')
            break;
        if (c == '\0')
            fail(p_, "a zero byte in a message");
        ++p_;
        message += c;
        if (c == '\n') {
            linePrefix();
            if (!lookingAt("\"\n"))
                indentation(indent_);
        }
    }
    ++p_;
    newline();
    result_.messages.push_back({{static_cast<std::size_t>(start - 8 - begin_), 0, 0}, isError, message});
    if (isError)
        call().error(message.c_str());
    else
        call().print(message.c_str());
}

// After "surface", "shadow", "volume", "reflection map", or (kind -1) after
// the comment line and "surface " that stand for a kind outside them: a
// shader number, or a captured shader text.
void SceneParser::shaderSlot(int kind)
{
    const bool other = kind < 0;
    if (lookingAt(" ") && p_ + 1 < end_ && isDigitOrMinus(p_[1])) {
        ++p_;
        const std::int32_t id = int32Token("a shader number");
        newline();
        call().shaderId(other ? 4 : kind, id);
        return;
    }
    if (!other)
        expect(" ");
    const ShaderText text = insertion(indent_);
    indentation(indent_);
    newline();
    call().shaderText(other ? 4 : kind, text);
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
void SceneParser::valueList(const std::string& name, const char* at)
{
    expect(" [");
    newline();
    const int level = indent_ + 1;
    const std::size_t b = blanks(p_);
    if (b >= 1 && lookingAt(p_ + b, "],")) {
        // Empty: the indentation, then " ],".
        const std::size_t shown = b - 1;
        if (shown == static_cast<std::size_t>(level))
            observeIndentation(true);
        else if (shown == 0)
            observeIndentation(false);
        else
            irregular(p_);
        p_ += shown;
    } else {
        indentation(level);
    }
    checkDepth(at);
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
    const int outerIndent = indent_;
    indent_ = level;
    ModeNeed endNeed;
    try {
        std::size_t count = 0;
        for (;;) {
            if (lookingAt(" ],")) {
                p_ += 3;
                newline();
                break;
            }
            if (lookingAt(kBinaryMarker)) {
                collectedValues([&](int code, const char* value) {
                    auto item = std::make_unique<Item>();
                    item->v.code = code;
                    item->v.pointer = value;
                    item->need.binaryLists = 1;
                    items.push_back(std::move(item));
                });
                expect(" ],");
                newline();
                break;
            }
            bool lineBreak = false;
            if (count > 0) {
                if (lookingAt(",\n")) {
                    ++p_;
                    newline();
                    indentation(level);
                    lineBreak = true;
                } else if (lookingAt(", ")) {
                    p_ += 2;
                } else {
                    fail(p_, "expected \",\" between the values of the list or \" ],\" after them");
                }
            }
            auto item = std::make_unique<Item>();
            Value& v = item->v;
            value(v, Term::ListItem);
            // Where the line breaks fall tells float triples (two to a line)
            // from the rest (six to a line).
            const bool otherFits = count == 0 || lineBreak == (count % 6 == 0);
            const bool tripleFits = count == 0 || lineBreak == (count % 2 == 0);
            switch (v.code) {
            case TypeVector3f:
                if (tripleFits) {
                    observeBinary(false); // text triples were not collected
                } else {
                    v.code = TypeVector3d;
                    for (int k = 0; k < 3; ++k)
                        v.d[k] = v.f[k];
                    if (!otherFits)
                        irregular(p_);
                }
                break;
            case TypeInt:
                observeBinary(false); // a text int was not collected
                if (!otherFits)
                    irregular(p_);
                break;
            case TypeFloat:
                observeBinary(false);
                if (!otherFits)
                    irregular(p_);
                break;
            default:
                if (!otherFits)
                    irregular(p_);
                break;
            }
            keep(*item);
            item->need = need_;
            need_ = {};
            items.push_back(std::move(item));
            ++count;
        }
        endNeed = need_;
    } catch (...) {
        indent_ = outerIndent;
        throw;
    }
    need_ = listNeed;
    call().beginList(name.c_str());
    for (const auto& item : items) {
        need_ = item->need;
        call().listValue(item->v.code, item->v.pointer);
    }
    indent_ = outerIndent;
    need_ = endNeed;
    call().endList();
}

// The block of values that a list collected: ints, floats, or float triples
// (a block of triples may begin with floats, when both were collected).
// Each value goes to `collected` with its type code.
template <typename Collect>
void SceneParser::collectedValues(Collect collected)
{
    const char* at = p_;
    if (end_ - p_ < 8)
        fail(at, "the binary block runs past the end of the file");
    const char letter = p_[3];
    const std::uint32_t count = littleEndian32(p_ + 4);
    if (letter != 'c' && letter != 'f' && letter != 'i')
        fail(at + 3, "a list built value by value collects only 'c', 'f' or 'i' blocks");
    p_ += 8;
    if (static_cast<std::uint64_t>(end_ - p_) < 4ull * count)
        fail(at, "the binary block of " + std::to_string(count) + " values runs past the end of the file");
    if (letter == 'c' && count < 3)
        fail(at, "a block of float triples holds at least one triple");
    if (count == 0)
        irregular(at);
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
    observeBinary(true);
}

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
    // The elements stay where they lie; readers of the list copy them.
    v.list = {p_, letter == 'c' ? count / 3 : count};
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
        doubles_.insert(doubles_.end(), d, d + 3);
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
        floats_.insert(floats_.end(), f, f + 4);
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

// --- Blocks and the writer's state ---------------------------------------------------

void SceneParser::checkDepth(const char* at) const
{
    if (blocks_.size() >= options_.maxBlockDepth)
        fail(at, "blocks nested deeper than " + std::to_string(options_.maxBlockDepth));
}

void SceneParser::open(Block kind, const char* at)
{
    blocks_.push_back({kind, at});
    ++indent_;
}

bool SceneParser::popContext()
{
    if (contexts_.empty())
        return false;
    const bool top = contexts_.back();
    contexts_.pop_back();
    return top;
}

// The end call of a block, with the writer's state changes.
void SceneParser::emitEnd(const Open& block)
{
    switch (block.kind) {
    case Block::Group:
        --indent_;
        statement_ = popContext();
        call().endGroup();
        return;
    case Block::Object:
        statement_ = popContext();
        top_ = Top::None;
        --indent_;
        call().endObject();
        return;
    case Block::Geometry:
        --indent_;
        statement_ = popContext();
        call().endGeometry();
        return;
    case Block::Animation:
        --indent_;
        statement_ = popContext();
        call().endAnimation();
        return;
    case Block::Accel:
        --indent_;
        statement_ = popContext();
        call().endAccel();
        return;
    case Block::Load:
        --indent_;
        call().endLoad();
        return;
    case Block::Light:
        --indent_;
        call().endLight();
        return;
    case Block::Matrix:
        --indent_;
        call().endMatrix();
        return;
    case Block::Material:
        --indent_;
        call().endMaterial();
        return;
    case Block::Options:
    case Block::Camera:
    case Block::Image: {
        const Top own = block.kind == Block::Options ? Top::Options : block.kind == Block::Camera ? Top::Camera : Top::Image;
        if (top_ == own)
            --indent_;
        else
            note(block.at);
        statement_ = false;
        top_ = Top::None;
        if (block.kind == Block::Options)
            call().endOptions();
        else if (block.kind == Block::Camera)
            call().endCamera();
        else
            call().endImage();
        return;
    }
    case Block::Output:
        --indent_;
        statement_ = true;
        call().endOutput();
        return;
    case Block::Shader:
        --indent_;
        statement_ = popContext();
        call().endShader();
        if (block.escapeLevel > 0) {
            for (int k = 1; k < block.escapeLevel; ++k)
                call().endLoad();
            call().endShader();
            call().popCapture();
            statement_ = popContext();
            indent_ = block.savedIndent;
        }
        return;
    case Block::Text:
        statement_ = popContext();
        indent_ = block.savedIndent;
        call().endShader();
        lastText_ = call().capturedText();
        call().popCapture();
        lastTextBinary_ = frames_.back().binary;
        prefixTotal_ -= frames_.back().prefix;
        frames_.pop_back();
        // A text holding binary makes the text it is inserted into hold it too.
        if (lastTextBinary_ && !frames_.empty())
            frames_.back().binary = true;
        return;
    }
}

void SceneParser::closeBlocksTo(std::size_t depth)
{
    while (blocks_.size() > depth) {
        const Open block = blocks_.back();
        blocks_.pop_back();
        emitEnd(block);
    }
}

std::string SceneParser::blockName(const Open& block) const
{
    static const char* const names[] = {
        "the group", "the object", "the geometry block", "the animation block", "the load block",
        "the options block", "the camera block", "the image block", "the output block", "the light",
        "the accel block", "the matrix definition", "the material", "the shader definition", "the shader text",
    };
    return std::string(names[static_cast<int>(block.kind)]) + " that begins at " + where(block.at);
}

// --- Text ---------------------------------------------------------------------------

std::size_t SceneParser::blanks(const char* p) const
{
    const char* q = p;
    while (q < end_ && *q == ' ')
        ++q;
    return static_cast<std::size_t>(q - p);
}

bool SceneParser::lookingAt(const char* p, std::string_view s) const
{
    return p <= end_ && static_cast<std::size_t>(end_ - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}

void SceneParser::expect(std::string_view s)
{
    if (!lookingAt(s)) {
        if (p_ >= end_)
            fail(p_, "the file ends where \"" + std::string(s) + "\" was expected");
        fail(p_, "expected \"" + std::string(s) + "\"");
    }
    p_ += s.size();
}

void SceneParser::newline()
{
    if (p_ >= end_)
        fail(p_, "the file ends where a line should end");
    if (*p_ != '\n') {
        if (*p_ == '\r')
            fail(p_, "a carriage return: scene files end their lines with a line feed alone");
        fail(p_, "unexpected text where the line should end");
    }
    ++p_;
    linePrefix();
}

// The blanks that inserting the open shader texts put after a line break.
void SceneParser::linePrefix()
{
    if (prefixTotal_ == 0)
        return;
    const std::size_t b = std::min(blanks(p_), prefixTotal_);
    if (b != prefixTotal_)
        irregular(p_);
    p_ += b;
}

// The indentation before a call's first piece: `b` blanks where the writer
// puts `level` with indentation on and none with it off.
void SceneParser::leading(std::size_t b, int level)
{
    if (level > 0 && b == static_cast<std::size_t>(level))
        observeIndentation(true);
    else if (b == 0) {
        if (level > 0)
            observeIndentation(false);
    } else {
        irregular(p_);
    }
    p_ += b;
}

// An indented piece in mid-line, where what follows may itself begin with
// blanks: the belief about the mode decides.
void SceneParser::indentation(int level)
{
    if (level <= 0)
        return;
    const std::size_t b = blanks(p_);
    const auto want = static_cast<std::size_t>(level);
    // What this call showed already decides, since the mode holds for the
    // whole call; else the blanks themselves, and where there are more of
    // them than the level the last call's mode.
    if (need_.indentation == 0)
        return;
    if (need_.indentation == 1) {
        if (b < want)
            irregular(p_);
        p_ += std::min(b, want);
        return;
    }
    if (b == want) {
        p_ += b;
        observeIndentation(true);
    } else if (b == 0) {
        observeIndentation(false);
    } else if (b > want) {
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
        observeIndentation(on);
    } else {
        irregular(p_);
        p_ += b;
    }
}

// A name in double quotes or in the "xX" hex form. Returns true for hex.
bool SceneParser::readName(std::string& out)
{
    if (p_ < end_ && *p_ == '"') {
        const char* q = p_ + 1;
        while (q < end_ && *q != '"' && *q != '\n')
            ++q;
        if (q >= end_ || *q != '"')
            fail(p_, "a name without its closing quote");
        out.assign(p_ + 1, q);
        if (holdsZero(out))
            fail(p_, "a zero byte in a name");
        if (needsHexName(out))
            irregular(p_); // the writer would have written it in hex
        p_ = q + 1;
        return false;
    }
    if (lookingAt("xX")) {
        const char* at = p_;
        hexBytes(out, "a name");
        if (out.empty())
            fail(at, "an empty name in the xX hex form");
        if (holdsZero(out))
            fail(at, "a zero byte in a name");
        if (!needsHexName(out))
            irregular(at); // the writer would have quoted it
        markBinary();
        return true;
    }
    if (p_ >= end_)
        fail(p_, "the file ends where a name was expected");
    fail(p_, "expected a name in double quotes or in the xX hex form");
}

void SceneParser::name0(std::string& out)
{
    readName(out);
}

// "bX" or "xX" and two hex digits per byte.
void SceneParser::hexBytes(std::string& out, const char* what)
{
    const char* at = p_;
    p_ += 2;
    const char* q = p_;
    while (q < end_ && isHexDigit(*q))
        ++q;
    const auto digits = static_cast<std::size_t>(q - p_);
    if (q < end_ && (static_cast<unsigned>((*q | 0x20) - 'g') <= 'z' - 'g'))
        fail(q, std::string("bad hex in ") + what + ": '" + std::string(1, *q) + "' is not a hex digit");
    if (digits % 2 != 0)
        fail(at, std::string("bad hex in ") + what + ": an odd number of digits");
    out.resize(digits / 2);
    for (std::size_t i = 0; i < digits / 2; ++i)
        out[i] = static_cast<char>(hexValue(p_[2 * i]) << 4 | hexValue(p_[2 * i + 1]));
    p_ = q;
}

std::int32_t SceneParser::int32Token(const char* what)
{
    const char* e = text::numberEnd(p_, end_);
    std::int32_t v;
    if (!text::toInt32(p_, e, v))
        fail(p_, std::string("expected ") + what);
    if (!intKeepsText(v, p_, e))
        irregular(p_); // "-0", leading zeros
    p_ = e;
    return v;
}

std::uint32_t SceneParser::uint32Token(const char* what)
{
    const char* e = text::numberEnd(p_, end_);
    std::uint32_t v;
    if (!text::toUInt32(p_, e, v))
        fail(p_, std::string("expected ") + what);
    p_ = e;
    return v;
}

double SceneParser::doubleToken(const char* what)
{
    const char* e = text::numberEnd(p_, end_);
    double v;
    if (!text::toDouble(p_, e, v))
        fail(p_, std::string("expected ") + what);
    p_ = e;
    return v;
}

// A float printed as %g (or %.3f), returned as the double it was before.
float SceneParser::floatToken(const char* what)
{
    const char* e = text::numberEnd(p_, end_);
    float v;
    if (!text::toFloat(p_, e, v)) {
        double d;
        if (!text::toDouble(p_, e, d))
            fail(p_, std::string("expected ") + what);
        irregular(p_);
        v = static_cast<float>(d);
    }
    p_ = e;
    return v;
}

void SceneParser::lineText(std::string& out)
{
    const char* e = static_cast<const char*>(std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_)));
    if (!e)
        fail(end_, "the file ends where a line should end");
    out.assign(p_, e);
    if (holdsZero(out))
        fail(p_, "a zero byte in a comment");
    p_ = e;
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

void SceneParser::observeIndentation(bool on)
{
    const signed char shown = on ? 1 : 0;
    if (need_.indentation < 0)
        need_.indentation = shown;
    else if (need_.indentation != shown)
        irregular(p_);
    indentationBelief_ = on;
}

void SceneParser::observeBinary(bool on)
{
    const signed char shown = on ? 1 : 0;
    if (need_.binaryLists < 0)
        need_.binaryLists = shown;
    else if (need_.binaryLists != shown)
        irregular(p_);
}

void SceneParser::markBinary()
{
    if (!frames_.empty())
        frames_.back().binary = true;
}

void SceneParser::irregular(const char* at)
{
    if (strict_)
        fail(at, "the layout departs from the writer's");
    note(at);
}

void SceneParser::note(const char* at)
{
    if (!result_.layoutIrregular) {
        result_.layoutIrregular = true;
        irregularOffset_ = static_cast<std::size_t>(std::min(at, end_) - begin_);
    }
}

void SceneParser::fail(const char* at, std::string message) const
{
    throw Failure{std::min(std::max(at, begin_), end_), std::move(message)};
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

velScene_api& SceneParser::call()
{
    const ModeNeed need = need_;
    need_ = {};
    return out_(need);
}

} // namespace vel
