#include "velScene_api_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string_view>

#include "FileSink.h"
#include "NumberFormat.h"
#include "ValueWriter.h"

using vel::TypeFloat;
using vel::TypeInt;
using vel::TypeVector3f;

namespace {

template <typename T>
T popOr(std::vector<T>& stack, T empty)
{
    // An end without its begin takes the initial state back.
    if (stack.empty())
        return empty;
    T top = stack.back();
    stack.pop_back();
    return top;
}

// The kinds of named blocks, compared by address.
constexpr const char* kGroup = "group";
constexpr const char* kObject = "object";

std::string_view orEmpty(const char* text)
{
    return text ? std::string_view(text) : std::string_view();
}

// A number's text for a part of an indented piece.
struct Number {
    char text[vel::kMaxNumberText];
    std::size_t size = 0;
    operator std::string_view() const { return {text, size}; }
};

Number integer(std::int32_t v)
{
    Number n;
    n.size = static_cast<std::size_t>(vel::formatInt(n.text, v) - n.text);
    return n;
}

Number unsignedInt(std::uint32_t v)
{
    Number n;
    n.size = static_cast<std::size_t>(vel::formatUnsigned(n.text, v) - n.text);
    return n;
}

// "keyword" and sixteen numbers, each double converted to float first.
void matrixLine(vel::TextOutput& out, std::string_view keyword, const double* m16)
{
    out.indented(keyword);
    for (int i = 0; i < 16; ++i) {
        out.plain(' ');
        out.general(static_cast<float>(m16[i]));
    }
    out.plain('\n');
}

void vectorLine(vel::TextOutput& out, std::string_view keyword, double x, double y, double z)
{
    out.indented(keyword);
    for (const double v : {x, y, z}) {
        out.plain(' ');
        out.general(v);
    }
    out.plain('\n');
}

} // namespace

velScene_api_file::velScene_api_file(std::FILE* stream, bool binaryLists)
    : velScene_api_file(stream ? std::make_unique<vel::FileSink>(stream) : nullptr, binaryLists)
{
}

velScene_api_file::velScene_api_file(std::unique_ptr<vel::OutputSink> sink, bool binaryLists)
    : out_(std::move(sink)), binaryLists_(binaryLists)
{
    out_.setIndentationOff((modeFlags_ & vel::ModeNoIndent) != 0);
    out_.onFirstCut([this] { noteWhereCut(); });
    contextStack_.reserve(32);
    captureStack_.reserve(32);
    textStack_.reserve(32);
    indentStack_.reserve(32);
}

velScene_api_file::~velScene_api_file() = default;

void velScene_api_file::setFormatThreads(unsigned threads)
{
    out_.setFormatThreads(threads);
}

void velScene_api_file::flush()
{
    out_.flush();
}

int velScene_api_file::writeError() const
{
    return out_.error();
}

std::string velScene_api_file::writeErrorText() const
{
    const int error = out_.error();
    if (error == 0)
        return {};
    if (error != EOVERFLOW || !out_.cut())
        return std::strerror(error);
    return "a line longer than the scene file format allows (" + std::to_string(vel::TextOutput::kPieceLimit)
           + " characters), in " + (whereCut_.empty() ? std::string("the scene's top level") : whereCut_);
}

void velScene_api_file::enterNamed(const char* kind, const char* name)
{
    // Enough of a name to recognise it; a cut keeps UTF-8 sequences whole.
    constexpr std::size_t kShown = 40;
    const std::string_view full = orEmpty(name);
    std::size_t keep = std::min(full.size(), kShown);
    while (keep < full.size() && keep > 0 && (static_cast<unsigned char>(full[keep]) & 0xC0) == 0x80)
        --keep;
    named_.push_back({kind, std::string(full.substr(0, keep)) + (keep < full.size() ? "..." : "")});
}

void velScene_api_file::noteWhereCut()
{
    // The innermost few tell where; a deep tree would make a long text.
    constexpr std::size_t kShown = 4;
    const std::size_t first = named_.size() > kShown ? named_.size() - kShown : 0;
    whereCut_ = first > 0 ? "... > " : "";
    for (std::size_t i = first; i < named_.size(); ++i)
        whereCut_ += (i > first ? " > " : "") + std::string(named_[i].kind) + " \"" + named_[i].name + "\"";
}

void velScene_api_file::leaveNamed(const char* kind)
{
    if (!named_.empty() && named_.back().kind == kind)
        named_.pop_back();
}

void velScene_api_file::setCapture(bool capturing, velShaderTextData* current)
{
    capturing_ = capturing;
    current_ = current;
    out_.captureInto(capturing_ ? current_ : nullptr);
}

// --- Operations without effect in a file -------------------------------------

void velScene_api_file::reserved1() {}
void velScene_api_file::reserved58() {}

bool velScene_api_file::connect(const char*, int, int)
{
    return false;
}

bool velScene_api_file::disconnect()
{
    return false;
}

bool velScene_api_file::reserved4()
{
    return false;
}

bool velScene_api_file::reserved64()
{
    return false;
}

int velScene_api_file::intQueryA()
{
    return 10;
}

int velScene_api_file::intQueryB()
{
    return 10;
}

int velScene_api_file::zeroQuery()
{
    return 0;
}

// --- Blocks ---------------------------------------------------------------------

void velScene_api_file::openBlock(std::string_view head, const char* name)
{
    out_.indented(head);
    out_.name0(name);
    out_.plain(" {\n");
    out_.indentMore();
}

void velScene_api_file::closeBlock()
{
    out_.indentLess();
    out_.indented("}\n");
}

void velScene_api_file::enterContext(bool statements)
{
    contextStack_.push_back(statementContext_);
    statementContext_ = statements;
}

void velScene_api_file::leaveContext()
{
    statementContext_ = popOr(contextStack_, false);
}

bool velScene_api_file::beginGroup(const char* name, bool placed)
{
    enterNamed(kGroup, name);
    out_.plain('\n');
    if (!placed)
        out_.indented("#define ");
    openBlock("group ", name);
    enterContext(true);
    return true;
}

void velScene_api_file::endGroup()
{
    leaveNamed(kGroup);
    closeBlock();
    leaveContext();
}

bool velScene_api_file::beginObject(const char* name, bool placed)
{
    enterNamed(kObject, name);
    openBlock(placed ? "object " : "#define object ", name);
    enterContext(true);
    topBlock_ = TopBlock::Object;
    return true;
}

void velScene_api_file::endObject()
{
    leaveNamed(kObject);
    leaveContext();
    topBlock_ = TopBlock::None;
    closeBlock();
}

bool velScene_api_file::beginGeometry(const char* type)
{
    openBlock("geometry ", type);
    enterContext(false);
    return true;
}

void velScene_api_file::endGeometry()
{
    closeBlock();
    leaveContext();
}

bool velScene_api_file::beginAnimation(const char* a, const char* b)
{
    out_.indented("animation ");
    out_.name0(a);
    out_.indented(" "); // the indentation lands between the two names
    out_.name0(b);
    out_.plain(" {\n");
    out_.indentMore();
    enterContext(false);
    return true;
}

void velScene_api_file::endAnimation()
{
    closeBlock();
    leaveContext();
}

bool velScene_api_file::beginLoad(const char* module)
{
    openBlock("load ", module);
    return true;
}

void velScene_api_file::endLoad()
{
    closeBlock();
}

bool velScene_api_file::beginTopBlock(TopBlock block)
{
    if (topBlock_ != TopBlock::None)
        return false;
    // These blocks always go to the scene, also while a text is captured.
    setCapture(false, current_);
    statementContext_ = true;
    topBlock_ = block;
    return true;
}

void velScene_api_file::endTopBlock(TopBlock block)
{
    if (topBlock_ == block)
        closeBlock();
    statementContext_ = false;
    topBlock_ = TopBlock::None;
}

bool velScene_api_file::beginOptions()
{
    if (!beginTopBlock(TopBlock::Options))
        return false;
    out_.indented("\noptions {\n");
    out_.indentMore();
    return true;
}

void velScene_api_file::endOptions()
{
    endTopBlock(TopBlock::Options);
}

bool velScene_api_file::beginCamera(const char* name)
{
    if (!beginTopBlock(TopBlock::Camera))
        return false;
    if (!name) {
        out_.indented("\ncamera {\n");
        out_.indentMore();
    } else {
        openBlock("\ncamera ", name);
    }
    return true;
}

void velScene_api_file::endCamera()
{
    endTopBlock(TopBlock::Camera);
}

bool velScene_api_file::modifyCamera(const char* name)
{
    // Checked first, so that a refused camera leaves no dangling directive,
    // and the directive goes where its camera block goes: to the scene.
    if (topBlock_ != TopBlock::None)
        return false;
    setCapture(false, current_);
    out_.indented("#modify ");
    return beginCamera(name);
}

bool velScene_api_file::beginImage()
{
    if (!beginTopBlock(TopBlock::Image))
        return false;
    out_.indented("\nimage {\n");
    out_.indentMore();
    return true;
}

void velScene_api_file::endImage()
{
    endTopBlock(TopBlock::Image);
}

bool velScene_api_file::beginOutput(const char* a, const char* b, const char* c)
{
    statementContext_ = false;
    out_.indented("output ");
    out_.name0(a);
    out_.plain(' ');
    out_.name0(b);
    out_.plain(' ');
    out_.name0(c);
    out_.plain(" {\n");
    out_.indentMore();
    return true;
}

void velScene_api_file::endOutput()
{
    closeBlock();
    statementContext_ = true;
}

bool velScene_api_file::beginLight(const char* name)
{
    out_.plain('\n');
    openBlock("light ", name);
    return true;
}

void velScene_api_file::endLight()
{
    closeBlock();
}

bool velScene_api_file::beginAccel(const char* name)
{
    openBlock("\naccel ", name);
    enterContext(false);
    return true;
}

void velScene_api_file::endAccel()
{
    closeBlock();
    leaveContext();
}

// --- Transforms ------------------------------------------------------------------

void velScene_api_file::transform(const double* m16)
{
    if (m16)
        matrixLine(out_, "transform", m16);
}

void velScene_api_file::setTransform(const double* m16)
{
    if (m16)
        matrixLine(out_, "set transform", m16);
}

void velScene_api_file::scale(const double& x, const double& y, const double& z)
{
    vectorLine(out_, "scale", x, y, z);
}

void velScene_api_file::rotate(const double& x, const double& y, const double& z)
{
    vectorLine(out_, "rotate", x, y, z);
}

void velScene_api_file::translate(const double& x, const double& y, const double& z)
{
    vectorLine(out_, "translate", x, y, z);
}

// --- Matrices, materials and shaders ------------------------------------------------

bool velScene_api_file::beginMatrix(const char* name)
{
    openBlock("#define matrix ", name);
    return true;
}

void velScene_api_file::endMatrix()
{
    closeBlock();
}

bool velScene_api_file::beginMaterial(const char* name, bool placed)
{
    if (!placed)
        out_.indented("\n#define ");
    openBlock("material ", name);
    return true;
}

bool velScene_api_file::useMaterial(const char* name)
{
    out_.indented("material ");
    out_.name0(name);
    out_.plain('\n');
    return true;
}

void velScene_api_file::endMaterial()
{
    closeBlock();
}

void velScene_api_file::writeShaderKeyword(int kind, bool withBlank)
{
    switch (kind) {
    case vel::ShaderSurface:
        out_.indented(withBlank ? "surface " : "surface");
        return;
    case vel::ShaderShadow:
        out_.indented(withBlank ? "shadow " : "shadow");
        return;
    case vel::ShaderVolume:
        out_.indented(withBlank ? "volume " : "volume");
        return;
    case vel::ShaderReflectionMap:
        out_.indented(withBlank ? "reflection map " : "reflection map");
        return;
    default:
        // The fallback keeps its blank in both forms, so a numbered shader
        // of an unknown kind has two blanks before its number.
        out_.indented("// assuming surface shader\n");
        out_.indented("surface ");
        return;
    }
}

void velScene_api_file::shaderText(int kind, ShaderText text)
{
    if (!text)
        return;
    writeShaderKeyword(kind, true);
    out_.insert(*text);
    out_.indented("\n");
}

void velScene_api_file::shaderId(int kind, int id)
{
    writeShaderKeyword(kind, false);
    out_.plain(' ');
    out_.integer(id);
    out_.plain('\n');
}

bool velScene_api_file::beginShader(const char* name, const char* type)
{
    captureStack_.push_back(capturing_);
    textStack_.push_back(current_);
    enterContext(false);
    if (name) {
        setCapture(false, current_);
        out_.indented("#define shader ");
        out_.name0(name);
        out_.plain(' ');
        out_.name0(type);
    } else {
        texts_.push_back(std::make_unique<velShaderTextData>());
        setCapture(true, texts_.back().get());
        indentStack_.push_back(out_.indent());
        out_.setIndent(0);
        out_.name(type);
    }
    out_.plain(" {\n");
    out_.indentMore();
    return true;
}

bool velScene_api_file::beginShaderId(const char* type, int id)
{
    captureStack_.push_back(capturing_);
    textStack_.push_back(current_);
    enterContext(false);
    setCapture(false, current_);
    // The type goes in as it is, not through the name writer.
    out_.indented({"#define shader ", integer(id), " ", orEmpty(type), " {\n"});
    out_.indentMore();
    return true;
}

void velScene_api_file::endShader()
{
    out_.indentLess();
    if (capturing_) {
        out_.indented("}"); // a captured text ends without a newline
        out_.setIndent(popOr(indentStack_, 0));
    } else {
        out_.indented("}\n");
    }
    leaveContext();
    popOr<velShaderTextData*>(textStack_, nullptr); // current stays on the finished text
    setCapture(popOr(captureStack_, false), current_);
}

ShaderText velScene_api_file::capturedText()
{
    return current_;
}

void velScene_api_file::pushCapture()
{
    textStack_.push_back(current_);
}

void velScene_api_file::popCapture()
{
    setCapture(capturing_, popOr<velShaderTextData*>(textStack_, nullptr));
}

// --- Parameters and lists ---------------------------------------------------------

bool velScene_api_file::parameter(const char* name, int type, const void* value)
{
    value = vel::resolveIndirectValue(type, value);
    if (!vel::isReadableValue(type, value))
        return false;
    if (statementContext_) {
        out_.indented({orEmpty(name), " "}); // a statement's name is neither quoted nor encoded
        vel::writeValue(out_, type, value, binaryLists_);
        out_.plain('\n');
    } else {
        out_.name(name);
        out_.plain(' ');
        vel::writeValue(out_, type, value, binaryLists_);
        out_.plain(",\n");
    }
    return true;
}

bool velScene_api_file::parameterShaderId(const char* name, int id)
{
    out_.name(name);
    out_.plain(" ! ");
    out_.integer(id);
    out_.plain(",\n");
    return true;
}

bool velScene_api_file::parameterShaderText(const char* name, ShaderText text)
{
    if (!text)
        return false;
    out_.name(name);
    out_.plain(" ! ");
    out_.insert(*text);
    out_.indented(",\n");
    return true;
}

bool velScene_api_file::beginList(const char* name)
{
    listCount_ = 0;
    out_.name(name);
    out_.plain(" [\n");
    out_.indentMore();
    out_.indentation();
    collected_.clear();
    return true;
}

void velScene_api_file::endList()
{
    // Collected values are written even if binary lists were switched off
    // meanwhile: they are nowhere else.
    if (!collected_.empty()) {
        vel::writeBinaryBlock(out_, collectedType_, static_cast<std::uint32_t>(collected_.size()),
                              collected_.data(), 4 * collected_.size());
        collected_.clear();
    }
    out_.plain(" ],\n");
    out_.indentLess();
}

void velScene_api_file::listValue(int type, const void* value)
{
    if (binaryLists_ && (type == TypeVector3f || type == TypeFloat || type == TypeInt)) {
        if (!value)
            return;
        const std::size_t words = type == TypeVector3f ? 3 : 1;
        if (collected_.capacity() - collected_.size() < words)
            collected_.reserve(collected_.size() + collected_.capacity() + 65536);
        const auto* bytes = static_cast<const unsigned char*>(value);
        for (std::size_t i = 0; i < words; ++i) {
            std::uint32_t word;
            std::memcpy(&word, bytes + 4 * i, 4);
            collected_.push_back(word);
        }
        collectedType_ = type == TypeVector3f ? 'c' : type == TypeFloat ? 'f' : 'i';
        return;
    }
    value = vel::resolveIndirectValue(type, value);
    if (!vel::isReadableValue(type, value))
        return;
    if (listCount_ > 0) {
        // Float triples stand two to a line, other values six.
        const bool lineFull = type == TypeVector3f ? listCount_ % 2 == 0 : listCount_ % 6 == 0;
        if (lineFull) {
            out_.plain(",\n");
            out_.indentation();
        } else {
            out_.plain(", ");
        }
    }
    vel::writeValue(out_, type, value, binaryLists_);
    ++listCount_;
}

// --- Lines of their own --------------------------------------------------------------

void velScene_api_file::attribute(const char* key, const char* value)
{
    out_.indented("attribute ");
    out_.name0(key);
    out_.plain(' ');
    out_.name0(value);
    out_.plain('\n');
}

void velScene_api_file::writeText(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    out_.indentedFormat(format, args);
    va_end(args);
}

void velScene_api_file::setModeFlags(int flags)
{
    modeFlags_ = static_cast<std::uint32_t>(flags);
    binaryLists_ = (modeFlags_ & vel::ModeBinaryLists) != 0;
    out_.setIndentationOff((modeFlags_ & vel::ModeNoIndent) != 0);
}

void velScene_api_file::version(int v)
{
    out_.indented({"version ", integer(v == -1 ? 8 : v), "\n\n"});
}

void velScene_api_file::progress(const char* name, float fraction)
{
    out_.indented("progress ");
    out_.name0(name);
    out_.plain(' ');
    out_.fixed(fraction, 3);
    out_.plain("\n\n");
}

void velScene_api_file::icon(const unsigned char* data, int length)
{
    out_.indented("icon ");
    out_.hex("bX", data, data && length > 0 ? static_cast<std::size_t>(length) : 0);
    out_.indented("\n");
}

void velScene_api_file::binaryData(const char* keyword, const unsigned char* data, int length)
{
    out_.indented({orEmpty(keyword), " "});
    out_.hex("bX", data, data && length > 0 ? static_cast<std::size_t>(length) : 0);
    out_.indented("\n");
}

void velScene_api_file::id(std::uint32_t n)
{
    out_.indented({"id ", unsignedInt(n), "\n"});
}

void velScene_api_file::flags(std::uint32_t f)
{
    out_.indented({"flags ", unsignedInt(f), "\n"});
}

bool velScene_api_file::render()
{
    out_.indented("\nrender\n");
    return true;
}

void velScene_api_file::print(const char* text)
{
    out_.indented("#print \"");
    out_.indented(orEmpty(text)); // written as it is, never taken as a format
    out_.plain("\"\n");
}

void velScene_api_file::error(const char* text)
{
    out_.indented("#error \"");
    out_.indented(orEmpty(text));
    out_.plain("\"\n");
}
