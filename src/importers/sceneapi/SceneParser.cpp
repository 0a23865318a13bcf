#include "SceneParser.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "HexText.h"
#include "SceneParserHelpers.h"

namespace vel {

using namespace parsing;

namespace {

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
                    // Copied out of the text: aligned, as a float or an int.
                    auto item = std::make_unique<Item>();
                    item->v.code = code;
                    std::memcpy(item->v.f, value, code == TypeVector3f ? 12 : 4);
                    item->v.pointer = item->v.f;
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
