#include "SceneParser.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "SceneParserHelpers.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vel {

using namespace parsing;

namespace {

// The kind that the writer's "// assuming surface shader" line stands for: any
// outside the four slots, which the writer takes as surface.
constexpr int kOtherShaderKind = 4;

constexpr std::string_view kDefine = "#define ";
constexpr std::string_view kBlockOpening = " {";

} // namespace

// Every keyword line, with the reading of what follows its words. A keyword
// that a line break leads in the writer's text is read there by blankLine;
// standing without it, it departs from the writer's layout.
const SceneParser::Keyword SceneParser::kKeywords[] = {
    {"group", Lead::Plain, " ", [](SceneParser& r, const char* at) { return r.expect(" ") && r.group(true, at); }},
    {"object", Lead::None, {}, [](SceneParser& r, const char* at) { return r.expect(" ") && r.object(true, at); }},
    {"geometry", Lead::None, {}, [](SceneParser& r, const char* at) { return r.geometry(at); }},
    {"animation", Lead::None, {}, [](SceneParser& r, const char* at) { return r.animation(at); }},
    {"load", Lead::None, {}, [](SceneParser& r, const char* at) { return r.load(at); }},
    {"output", Lead::None, {}, [](SceneParser& r, const char* at) { return r.output(at); }},
    {"light", Lead::Plain, " ", [](SceneParser& r, const char* at) { return r.expect(" ") && r.light(at); }},
    {"options", Lead::Indented, kBlockOpening,
     [](SceneParser& r, const char* at) { return r.topBlock(Block::Options, false, at); }},
    {"camera", Lead::Indented, " ", [](SceneParser& r, const char* at) { return r.topBlock(Block::Camera, false, at); }},
    {"image", Lead::Indented, kBlockOpening,
     [](SceneParser& r, const char* at) { return r.topBlock(Block::Image, false, at); }},
    {"accel", Lead::Indented, " ", [](SceneParser& r, const char* at) { return r.expect(" ") && r.accel(at); }},
    {"render", Lead::Indented, "\n", [](SceneParser& r, const char*) { return r.render(); }},
    {"transform", Lead::None, {}, [](SceneParser& r, const char*) { return r.matrixLine(false); }},
    {"set transform", Lead::None, {}, [](SceneParser& r, const char*) { return r.matrixLine(true); }},
    {"scale", Lead::None, {}, [](SceneParser& r, const char*) { return r.vectorLine(&velScene_api::scale); }},
    {"rotate", Lead::None, {}, [](SceneParser& r, const char*) { return r.vectorLine(&velScene_api::rotate); }},
    {"translate", Lead::None, {}, [](SceneParser& r, const char*) { return r.vectorLine(&velScene_api::translate); }},
    {"material", Lead::None, {}, [](SceneParser& r, const char* at) { return r.expect(" ") && r.material(true, at); }},
    {"surface", Lead::None, {}, [](SceneParser& r, const char*) { return r.shaderSlot(ShaderSurface); }},
    {"shadow", Lead::None, {}, [](SceneParser& r, const char*) { return r.shaderSlot(ShaderShadow); }},
    {"volume", Lead::None, {}, [](SceneParser& r, const char*) { return r.shaderSlot(ShaderVolume); }},
    {"reflection map", Lead::None, {}, [](SceneParser& r, const char*) { return r.shaderSlot(ShaderReflectionMap); }},
    {"attribute", Lead::None, {}, [](SceneParser& r, const char*) { return r.attribute(); }},
    {"version", Lead::None, {}, [](SceneParser& r, const char*) { return r.version(); }},
    {"progress", Lead::None, {}, [](SceneParser& r, const char*) { return r.progress(); }},
    // With its data the line is read as binary data (binaryDataLine).
    {"icon", Lead::None, {},
     [](SceneParser& r, const char* at) { return r.fail(at, "\"icon\" is followed by its data in the bX hex form"); }},
    {"id", Lead::None, {}, [](SceneParser& r, const char*) { return r.idOrFlags(true); }},
    {"flags", Lead::None, {}, [](SceneParser& r, const char*) { return r.idOrFlags(false); }},
};

inline SceneParser::KeywordsOf SceneParser::keywordsOf(unsigned char letter)
{
    struct ByLetter {
        std::uint8_t count[256] = {};
        std::uint8_t keyword[256][8] = {}; // no letter begins more than eight
    };
    static const ByLetter byLetter = [] {
        ByLetter b;
        for (std::size_t i = 0; i < std::size(kKeywords); ++i) {
            const auto c = static_cast<unsigned char>(kKeywords[i].phrase[0]);
            b.keyword[c][b.count[c]++] = static_cast<std::uint8_t>(i);
        }
        return b;
    }();
    return {byLetter.keyword[letter], byLetter.count[letter]};
}

// The keyword whose phrase begins with `word`, or null.
inline const SceneParser::Keyword* SceneParser::findKeyword(std::string_view word)
{
    // Once per word line: only the keywords of the word's first letter (at
    // most four) are compared, byte by byte.
    if (word.empty())
        return nullptr;
    const KeywordsOf candidates = keywordsOf(static_cast<unsigned char>(word[0]));
    for (std::uint8_t n = 0; n < candidates.count; ++n) {
        const Keyword& k = kKeywords[candidates.index[n]];
        const std::string_view& phrase = k.phrase;
        if (phrase.size() < word.size() || (phrase.size() > word.size() && phrase[word.size()] != ' '))
            continue;
        std::size_t i = 0;
        while (i < word.size() && word[i] == phrase[i])
            ++i;
        if (i == word.size())
            return &k;
    }
    return nullptr;
}

SceneParser::SceneParser(std::string_view text, velScene_api& target, const ReadOptions& options,
                         ParserScratch& scratch)
    : text_(text), begin_(text.data()), p_(text.data()), end_(text.data() + text.size()),
      out_(target, options.targetBinaryLists), options_(options), floats_(scratch.floats),
      doubles_(scratch.doubles), ints_(scratch.ints), aligned_(scratch.aligned), floatRuns_(scratch.floatRuns),
      intRuns_(scratch.intRuns), strings_(scratch.strings),
      stringPointers_(scratch.stringPointers), bytes_(scratch.bytes)
{
}

ReadResult SceneParser::run()
{
    // Outside every reading on trial, a failure is a problem of the file.
    (void)statements(0);
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

// Statements until the blocks open are fewer than `depth`. A line that does
// not read is a problem, and reading goes on at the next line; only while a
// reading is on trial does the failure end the statements.
bool SceneParser::statements(std::size_t depth)
{
    while (p_ < end_ && blocks_.size() >= depth && !result_.stopped) {
        const char* start = p_;
#if defined(__SSE2__) || defined(_M_X64)
        // The text ahead, asked for early: the processor's own prefetching
        // stops at each page of the mapped file.
        if (end_ - start > 1024)
            _mm_prefetch(start + 1024, _MM_HINT_T0);
#endif
        bool read = statement();
        if (read && p_ == start)
            read = fail(p_, "cannot read this line");
        if (read) {
            resyncing_ = false;
            continue;
        }
        if (strict_)
            return false; // its caller tries another reading
        problem(failure_.at, std::move(failure_.message));
        resyncing_ = true;
        skipLine(std::max(start, failure_.at));
    }
    return true;
}

bool SceneParser::statement()
{
    need_ = {};
    const std::size_t b = blanks(p_);
    const char* q = p_ + b;
    if (q == end_) {
        if (!tolerate(p_)) // blanks after the last line
            return false;
        p_ = end_;
        return true;
    }
    switch (*q) {
    case '\n':
        return blankLine(b);
    case '}':
        return closeBlock(b);
    case '"':
        return nameLine(b);
    case '#':
        return directive(b);
    case '/':
        if (lookingAt(q, "//"))
            return comment(b);
        break;
    case 'x':
        if (lookingAt(q, "xX"))
            return nameLine(b);
        break;
    case '\r':
        return fail(q, "a carriage return: scene files end their lines with a line feed alone");
    default:
        break;
    }
    return wordLine(b);
}

// A line break that begins an indented piece (options, camera, image, accel,
// a material definition, render) or a plain one before a group or a light;
// else a blank line of its own.
bool SceneParser::blankLine(std::size_t b)
{
    const char* start = p_;
    const ModeNeed before = need_;
    p_ += b;
    if (!newline())
        return false;
    const std::size_t b2 = blanks(p_);
    const char* k = p_ + b2;
    const int level = indent_;
    // The line break and the indentation on either side of it, up to k.
    auto led = [&](Lead lead) {
        if (lead == Lead::Plain) // no indentation before the line break
            return (b == 0 || tolerate(start)) && leading(b2, level);
        p_ = start;
        return leading(b, level) && newline() && leading(b2, level);
    };
    if (lookingAt(k, kDefine)) {
        const char* what = k + kDefine.size();
        what += blanks(what);
        const bool isGroup = lookingAt(what, "group ");
        if (isGroup)
            return led(Lead::Plain) && expect(kDefine) && indentation(level) && expect("group ") && group(false, k);
        if (lookingAt(what, "material "))
            return led(Lead::Indented) && expect(kDefine) && indentation(level) && expect("material ") &&
                   material(false, k);
    }
    if (k < end_) {
        const KeywordsOf candidates = keywordsOf(static_cast<unsigned char>(*k));
        for (std::uint8_t n = 0; n < candidates.count; ++n) {
            const Keyword& keyword = kKeywords[candidates.index[n]];
            if (keyword.lead != Lead::None && lookingAt(k, keyword.phrase) &&
                lookingAt(k + keyword.phrase.size(), keyword.follows)) {
                if (!led(keyword.lead))
                    return false;
                // Back at k, the phrase was just seen there.
                if (p_ == k)
                    p_ += keyword.phrase.size();
                else if (!expect(keyword.phrase))
                    return false;
                return keyword.read(*this, k);
            }
        }
    }
    // A blank line on its own, as writeText would write "\n".
    need_ = before;
    p_ = start;
    if (!leading(b, level) || !newline())
        return false;
    call().writeText("%s", "\n");
    return true;
}

bool SceneParser::closeBlock(std::size_t b)
{
    if (blocks_.empty())
        return fail(p_ + b, "a closing brace without an open block");
    const Open block = blocks_.back();
    int level = indent_ - 1;
    if ((block.kind == Block::Options && top_ != Top::Options) || (block.kind == Block::Camera && top_ != Top::Camera) ||
        (block.kind == Block::Image && top_ != Top::Image))
        level = indent_; // the writer would not have closed it; read it all the same
    if (!leading(b, level) || !expect("}"))
        return false;
    if (block.kind != Block::Text && !newline())
        return false;
    blocks_.pop_back();
    emitEnd(block);
    return true;
}

// Lines that begin with a name: shader parameters, shader links and lists.
bool SceneParser::nameLine(std::size_t b)
{
    const char* at = p_ + b;
    if (*at == 'x') {
        if (b != 0 && !tolerate(p_)) // the hex form never carries indentation
            return false;
        p_ = at;
    } else if (!leading(b, indent_)) {
        return false;
    }
    std::string name;
    if (!readName(name))
        return false;
    if (accept(" ! ")) {
        if (p_ < end_ && isDigitOrMinus(*p_)) {
            std::int32_t id;
            if (!int32Token("a shader number", id) || !expect(",") || !newline())
                return false;
            call().parameterShaderId(name.c_str(), id);
            return true;
        }
        ShaderText text;
        if (!insertion(indent_, text) || !indentation(indent_) || !expect(",") || !newline())
            return false;
        call().parameterShaderText(name.c_str(), text);
        return true;
    }
    if (lookingAt(" [\n"))
        return valueList(name, at);
    if (!accept(" "))
        return fail(p_, "expected a blank and a value after the name");
    if (statement_ && !tolerate(at)) // a statement's name would stand bare
        return false;
    Value v;
    if (!value(v, Term::Parameter) || !expect(",") || !newline())
        return false;
    call().parameter(name.c_str(), v.code, v.pointer);
    return true;
}

bool SceneParser::directive(std::size_t b)
{
    const char* at = p_ + b;
    if (lookingAt(at, "#define shader "))
        return shaderDefinition(b, at);
    if (!leading(b, indent_))
        return false;
    if (accept("#define object "))
        return object(false, at);
    if (accept("#define matrix "))
        return matrixDefinition(at);
    if (accept(kDefine)) {
        // A group or material definition without the line break before it.
        const char* what = p_ + blanks(p_);
        const bool isGroup = lookingAt(what, "group ");
        if (!isGroup && !lookingAt(what, "material "))
            return fail(p_, "\"#define\" is followed by group, object, material, matrix or shader");
        if (!tolerate(at) || !indentation(indent_))
            return false;
        return isGroup ? expect("group ") && group(false, at) : expect("material ") && material(false, at);
    }
    if (accept("#print \""))
        return messageLine(false, at);
    if (accept("#error \""))
        return messageLine(true, at);
    if (accept("#modify ")) {
        // The camera block's own piece: a line break between indentations.
        return indentation(indent_) && newline() && leading(blanks(p_), indent_) && expect("camera") &&
               topBlock(Block::Camera, true, at);
    }
    const char* e = p_;
    while (e < end_ && *e != ' ' && *e != '\n' && e - p_ < 40)
        ++e;
    return fail(p_, "unknown directive \"" + std::string(p_, e) + "\"");
}

bool SceneParser::comment(std::size_t b)
{
    const char* start = p_;
    if (lookingAt(p_ + b, kAssumingSurface)) {
        // With "surface " on the next line: a shader slot of a kind outside
        // the four.
        const ModeNeed before = need_;
        if (!leading(b, indent_) || !expect(kAssumingSurface))
            return false;
        if (lookingAt("\n")) {
            if (!newline())
                return false;
            const std::size_t b2 = blanks(p_);
            if (lookingAt(p_ + b2, "surface "))
                return leading(b2, indent_) && expect("surface ") && shaderSlot(-1);
        }
        p_ = start;
        need_ = before;
    }
    std::string line;
    if (!leading(b, indent_) || !lineText(line) || !newline())
        return false;
    line += '\n';
    call().writeText("%s", line.c_str());
    return true;
}

bool SceneParser::wordLine(std::size_t b)
{
    if (!leading(b, indent_))
        return false;
    const char* w = p_;
    const char* e = nullptr;
#if defined(__SSE2__) || defined(_M_X64)
    // Most word lines are short and hold no 'X': where the first sixteen
    // bytes show the line's end and no 'X' before it, " bX" is not in the
    // line, and the word ends at the first blank or line feed among them.
    if (end_ - w >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w));
        const auto ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
        const auto xs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('X'))));
        if (ends != 0 && (xs & ((ends & -ends) - 1)) == 0) {
            const auto blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
            e = w + std::countr_zero(ends | blanks);
        }
    }
#endif
    if (!e) {
        if (const char* marker = binaryDataMarker(w))
            return binaryDataLine(marker);
        e = w;
        while (e < end_ && *e != ' ' && *e != '\n')
            ++e;
    }
    const std::string_view word(w, static_cast<std::size_t>(e - w));
    const Keyword* found = findKeyword(word);
    if (found && !statement_)
        return keyword(*found, w, word.size());
    if (found) {
        // A setting may bear a keyword's name. Where the keyword's form fits
        // exactly it wins, since both give the same text; a form that fits
        // only loosely (a captured text after "reflection map" at the
        // indentation of a value) is the setting's; where neither fits
        // exactly, the keyword's loose reading comes first. Each reading
        // starts again at the word.
        const ModeNeed before = need_;
        const std::size_t messages = result_.messages.size();
        for (int attempt = 0; attempt < 4; ++attempt) {
            const bool asKeyword = attempt % 2 == 0;
            const bool wasStrict = strict_;
            strict_ = wasStrict || attempt < 2;
            const OnScopeExit restore([&] { strict_ = wasStrict; });
            p_ = w;
            need_ = before;
            if (asKeyword ? keyword(*found, w, word.size()) : statementLine())
                return true;
            result_.messages.resize(messages);
        }
        return false; // the last reading's failure stands
    }
    if (statement_)
        return statementLine();
    if (word.empty())
        return fail(w, "cannot read this line");
    return fail(w, "unknown keyword \"" + std::string(word.substr(0, 40)) + "\"");
}

bool SceneParser::keyword(const Keyword& keyword, const char* at, std::size_t seen)
{
    if (keyword.lead != Lead::None && !tolerate(at)) // the writer puts a line break before it
        return false;
    p_ = at;
    // A phrase of one word was seen whole; else its failure names it whole.
    if (seen == keyword.phrase.size())
        p_ += seen;
    else if (!expect(keyword.phrase))
        return false;
    return keyword.read(*this, at);
}

// "KEYWORD bX<hex>" lines, icon and binaryData: where " bX" stands in the
// line that begins at `line`, or null when the line is not one.
const char* SceneParser::binaryDataMarker(const char* line) const
{
    // A look at the first bytes finds the end without a call.
    const char* lineEnd = line;
    while (lineEnd < end_ && lineEnd - line < 64 && *lineEnd != '\n')
        ++lineEnd;
    if (lineEnd == end_)
        return nullptr;
    if (*lineEnd != '\n') {
        lineEnd = static_cast<const char*>(std::memchr(lineEnd, '\n', static_cast<std::size_t>(end_ - lineEnd)));
        if (!lineEnd)
            return nullptr;
    }
    constexpr std::string_view marker = " bX";
    const char* m = std::search(line, lineEnd, marker.begin(), marker.end());
    if (m == lineEnd || m == line)
        return nullptr;
    const char* h = m + marker.size();
    while (h < lineEnd && isHexDigit(*h))
        ++h;
    while (h < lineEnd && *h == ' ')
        ++h;
    return h == lineEnd ? m : nullptr;
}

bool SceneParser::binaryDataLine(const char* marker)
{
    const std::string keyword(p_, marker);
    if (holdsZero(keyword))
        return fail(p_, "a zero byte in a keyword");
    p_ = marker;
    if (!expect(" ") || !hexBytes(bytes_, "data"))
        return false;
    markBinary();
    if (!indentation(indent_) || !newline())
        return false;
    if (bytes_.size() > 0x7FFFFFFF)
        return fail(marker, "more binary data than a call takes");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes_.data());
    const int length = static_cast<int>(bytes_.size());
    if (keyword == "icon")
        call().icon(data, length);
    else
        call().binaryData(keyword.c_str(), data, length);
    return true;
}

// A setting in the statement form: a bare name, a blank, the value. The name
// may hold blanks ("reflection map"), so each blank before the first quote
// or bracket is tried as the end of the name, first to last; where none
// reads, the first reading's failure stands.
bool SceneParser::statementLine()
{
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
        Value v;
        if (value(v, Term::Statement) && newline()) {
            const std::string key(name, s);
            if (!holdsZero(key)) {
                call().parameter(key.c_str(), v.code, v.pointer);
                return true;
            }
            (void)fail(name, "a zero byte in a name");
        }
        if (!first)
            first = std::move(failure_);
    }
    if (!first)
        return fail(name, "a setting is a name, a blank and a value");
    failure_ = std::move(*first);
    return false;
}

// The name and " {" of a line that opens a block.
bool SceneParser::blockLine(std::string& name)
{
    return readName(name) && expect(kBlockOpening) && newline();
}

bool SceneParser::group(bool placed, const char* at)
{
    std::string name;
    if (!blockLine(name) || !checkDepth(at))
        return false;
    call().beginGroup(name.c_str(), placed);
    contexts_.push_back(statement_);
    statement_ = true;
    open(Block::Group, at);
    return true;
}

bool SceneParser::object(bool placed, const char* at)
{
    std::string name;
    if (!blockLine(name) || !checkDepth(at))
        return false;
    call().beginObject(name.c_str(), placed);
    contexts_.push_back(statement_);
    statement_ = true;
    top_ = Top::Object;
    open(Block::Object, at);
    return true;
}

bool SceneParser::geometry(const char* at)
{
    std::string type;
    if (!expect(" ") || !blockLine(type) || !checkDepth(at))
        return false;
    call().beginGeometry(type.c_str());
    contexts_.push_back(statement_);
    statement_ = false;
    open(Block::Geometry, at);
    return true;
}

bool SceneParser::animation(const char* at)
{
    std::string a, b;
    // The writer's blank between the names is an indented piece.
    if (!expect(" ") || !readName(a) || !indentation(indent_) || !expect(" ") || !blockLine(b) || !checkDepth(at))
        return false;
    call().beginAnimation(a.c_str(), b.c_str());
    contexts_.push_back(statement_);
    statement_ = false;
    open(Block::Animation, at);
    return true;
}

bool SceneParser::load(const char* at)
{
    std::string module;
    if (!expect(" ") || !blockLine(module) || !checkDepth(at))
        return false;
    call().beginLoad(module.c_str());
    open(Block::Load, at);
    return true;
}

bool SceneParser::output(const char* at)
{
    std::string a, b, c;
    if (!expect(" ") || !readName(a) || !expect(" ") || !readName(b) || !expect(" ") || !blockLine(c) ||
        !checkDepth(at))
        return false;
    call().beginOutput(a.c_str(), b.c_str(), c.c_str());
    statement_ = false;
    open(Block::Output, at);
    return true;
}

bool SceneParser::matrixDefinition(const char* at)
{
    std::string name;
    if (!blockLine(name) || !checkDepth(at))
        return false;
    call().beginMatrix(name.c_str());
    open(Block::Matrix, at);
    return true;
}

bool SceneParser::material(bool placed, const char* at)
{
    std::string name;
    if (!readName(name))
        return false;
    if (placed && lookingAt("\n")) {
        if (!newline())
            return false;
        call().useMaterial(name.c_str());
        return true;
    }
    if (!expect(kBlockOpening) || !newline() || !checkDepth(at))
        return false;
    call().beginMaterial(name.c_str(), placed);
    open(Block::Material, at);
    return true;
}

bool SceneParser::light(const char* at)
{
    std::string name;
    if (!blockLine(name) || !checkDepth(at))
        return false;
    call().beginLight(name.c_str());
    open(Block::Light, at);
    return true;
}

bool SceneParser::topBlock(Block kind, bool modify, const char* at)
{
    const char* what = kind == Block::Options ? "an options block" : kind == Block::Camera ? "a camera block" : "an image block";
    if (!frames_.empty())
        return fail(at, std::string(what) + " cannot stand inside a shader text");
    if (top_ != Top::None) {
        // The writer refuses it; its lines are passed over to its brace, so
        // that the brace does not close the block around it.
        problem(at, std::string(what) + " cannot open inside an object or another options, camera or image block");
        skipBlock();
        return true;
    }
    if (!checkDepth(at))
        return false;
    if (kind == Block::Camera) {
        std::string name;
        const bool named = !lookingAt(" {\n");
        if (named && (!expect(" ") || !readName(name)))
            return false;
        if (!expect(kBlockOpening) || !newline())
            return false;
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
        if (!expect(kBlockOpening) || !newline())
            return false;
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
    return true;
}

bool SceneParser::accel(const char* at)
{
    std::string name;
    if (!blockLine(name) || !checkDepth(at))
        return false;
    call().beginAccel(name.c_str());
    contexts_.push_back(statement_);
    statement_ = false;
    open(Block::Accel, at);
    return true;
}

bool SceneParser::render()
{
    if (!newline())
        return false;
    call().render();
    return true;
}

// "transform" and "set transform": sixteen numbers printed from floats.
bool SceneParser::matrixLine(bool absolute)
{
    double m[16];
    for (double& v : m) {
        float f;
        if (!expect(" ") || !floatToken("a number of the matrix", f))
            return false;
        v = f;
    }
    if (!newline())
        return false;
    if (absolute)
        call().setTransform(m);
    else
        call().transform(m);
    return true;
}

bool SceneParser::vectorLine(void (velScene_api::*op)(const double&, const double&, const double&))
{
    double v[3];
    for (double& x : v)
        if (!expect(" ") || !doubleToken("a number", x))
            return false;
    if (!newline())
        return false;
    (call().*op)(v[0], v[1], v[2]);
    return true;
}

bool SceneParser::attribute()
{
    std::string key, value;
    if (!expect(" ") || !readName(key) || !expect(" ") || !readName(value) || !newline())
        return false;
    call().attribute(key.c_str(), value.c_str());
    return true;
}

bool SceneParser::version()
{
    std::int32_t v;
    if (!expect(" ") || !int32Token("a version number", v) || !newline())
        return false;
    // The version line ends with a blank line.
    const std::size_t b = blanks(p_);
    if (lookingAt(p_ + b, "\n")) {
        if (!leading(b, indent_) || !newline())
            return false;
    } else if (statement_) {
        return fail(p_, "a version line is followed by a blank line");
    } else if (!tolerate(p_)) {
        return false;
    }
    call().version(v);
    return true;
}

bool SceneParser::progress()
{
    std::string name;
    float fraction;
    if (!expect(" ") || !readName(name) || !expect(" ") || !floatToken("a fraction", fraction) || !newline())
        return false;
    // A blank line follows.
    if (lookingAt("\n") ? !newline() : !tolerate(p_))
        return false;
    call().progress(name.c_str(), fraction);
    return true;
}

// "id" and "flags": a word.
bool SceneParser::idOrFlags(bool isId)
{
    std::uint32_t n;
    if (!expect(" ") || !uint32Token(isId ? "an id" : "a flag word", n) || !newline())
        return false;
    if (isId)
        call().id(n);
    else
        call().flags(n);
    return true;
}

// "#define shader NAME TYPE {" and "#define shader ID TYPE {". A definition
// begun while an anonymous shader was captured went to the scene at the
// capture's indentation, which shows as a level other than the scene's; it is
// replayed inside a capture of that level that is never used (its text stays
// unseen), so that the writer indents it the same.
bool SceneParser::shaderDefinition(std::size_t b, const char* at)
{
    if (!frames_.empty())
        return fail(at, "a shader definition cannot stand inside a shader text");
    const int scene = indent_;
    p_ = at;
    if (!expect("#define shader "))
        return false;
    std::string name, type;
    std::int32_t id = 0;
    const bool numbered = p_ < end_ && isDigitOrMinus(*p_);
    if (numbered) {
        if (!int32Token("a shader number", id) || !expect(" "))
            return false;
        // The type stands as it is, up to the brace that ends the line.
        const char* lineEnd = static_cast<const char*>(std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_)));
        if (!lineEnd || lineEnd - p_ < static_cast<std::ptrdiff_t>(kBlockOpening.size()) ||
            !lookingAt(lineEnd - kBlockOpening.size(), kBlockOpening))
            return fail(p_, "a shader definition line ends with \" {\"");
        type.assign(p_, lineEnd - kBlockOpening.size());
        if (holdsZero(type))
            return fail(p_, "a zero byte in a shader type");
        p_ = lineEnd;
        if (!newline())
            return false;
    } else if (!readName(name) || !expect(" ") || !blockLine(type)) {
        return false;
    }
    if (!checkDepth(at))
        return false;
    // The level the definition was written at: its own blanks, or, where
    // indentation was off for its first line, those of the next line (its
    // body one level deeper, or its closing brace).
    int shown = static_cast<int>(b);
    if (b == 0 && !lookingAt(p_ + blanks(p_), "#define shader ")) {
        const std::size_t c = blanks(p_);
        shown = c == 0 ? scene : p_ + c < end_ && p_[c] == '}' ? static_cast<int>(c) : static_cast<int>(c) - 1;
    }
    const bool escaped = shown >= 1 && shown != scene;
    if (b > 0 ? !observeIndentation(true) : (scene > 0 || escaped) && !observeIndentation(false))
        return false;
    if (b > 0 && !escaped && static_cast<int>(b) != scene && !tolerate(at))
        return false;
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
    return true;
}

// The text of "#print" and "#error" stands as it was given, up to the quote
// that ends the line; the writer indents it like any indented piece. `at`:
// where the directive begins.
bool SceneParser::messageLine(bool isError, const char* at)
{
    const char* start = p_;
    if (!indentation(indent_))
        return false;
    std::string message;
    for (;;) {
        if (p_ >= end_)
            return fail(start, "the message has no closing quote");
        const char c = *p_;
        if (c == '"' && lookingAt("\"\n"))
            break;
        if (c == '\0')
            return fail(p_, "a zero byte in a message");
        ++p_;
        message += c;
        if (c == '\n' && (!linePrefix() || (!lookingAt("\"\n") && !indentation(indent_))))
            return false;
    }
    if (!expect("\"") || !newline())
        return false;
    result_.messages.push_back({{static_cast<std::size_t>(at - begin_), 0, 0}, isError, message});
    if (isError)
        call().error(message.c_str());
    else
        call().print(message.c_str());
    return true;
}

// After "surface", "shadow", "volume", "reflection map", or (kind -1) after
// the comment line and "surface " that stand for a kind outside them: a
// shader number, or a captured shader text.
bool SceneParser::shaderSlot(int kind)
{
    const bool other = kind < 0;
    if (lookingAt(" ") && p_ + 1 < end_ && isDigitOrMinus(p_[1])) {
        std::int32_t id;
        if (!expect(" ") || !int32Token("a shader number", id) || !newline())
            return false;
        call().shaderId(other ? kOtherShaderKind : kind, id);
        return true;
    }
    if (!other && !expect(" "))
        return false;
    ShaderText text;
    if (!insertion(indent_, text) || !indentation(indent_) || !newline())
        return false;
    call().shaderText(other ? kOtherShaderKind : kind, text);
    return true;
}

// --- Blocks and the writer's state ---------------------------------------------------

bool SceneParser::checkDepth(const char* at)
{
    if (blocks_.size() >= options_.maxBlockDepth)
        return fail(at, "blocks nested deeper than " + std::to_string(options_.maxBlockDepth) + nestingBegins());
    return true;
}

std::string SceneParser::nestingBegins() const
{
    return blocks_.empty() ? std::string() : " inside " + blockName(blocks_.front());
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
    const bool top = contexts_.back() != 0;
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

} // namespace vel
