#include "SceneBuilder.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vel::model {

namespace {

std::string orEmpty(const char* s)
{
    return s ? std::string(s) : std::string();
}

std::shared_ptr<const Matrix> matrixAt(const double* m16)
{
    auto m = std::make_shared<Matrix>();
    std::memcpy(m->data(), m16, sizeof *m);
    return m;
}

std::vector<unsigned char> bytesOf(const unsigned char* data, int length)
{
    return data && length > 0 ? std::vector<unsigned char>(data, data + length) : std::vector<unsigned char>();
}

} // namespace

SceneBuilder::SceneBuilder(Scene& scene, std::size_t maxDepth) : scene_(scene), maxDepth_(maxDepth)
{
    sceneDestination_.open.push_back(&scene_.root());
}

SceneBuilder::~SceneBuilder()
{
    if (!finished_)
        finish();
}

void SceneBuilder::finish()
{
    sceneDestination_.open.resize(1);
    sceneDestination_.ignored = 0;
    textDestinations_.clear();
    captureStack_.clear();
    textStack_.clear();
    capturing_ = false;
    current_ = nullptr;
    top_ = Top::None;
    listOpen_ = false;
    scene_.reindex();
    finished_ = true;
}

SceneBuilder::Destination& SceneBuilder::destination()
{
    if (capturing_ && current_) {
        const auto it = textDestinations_.find(current_);
        if (it != textDestinations_.end())
            return it->second;
    }
    return sceneDestination_;
}

Node* SceneBuilder::innermost()
{
    Destination& d = destination();
    return d.open.empty() ? &scene_.root() : d.open.back();
}

std::size_t SceneBuilder::depth() const
{
    std::size_t n = sceneDestination_.open.size() + sceneDestination_.ignored;
    for (const auto& [node, d] : textDestinations_)
        n += d.open.size() + d.ignored;
    return n;
}

bool SceneBuilder::add(Entry&& e)
{
    if (destination().ignored > 0)
        return false; // inside a block past the depth limit
    innermost()->entries.push_back(std::move(e));
    return true;
}

bool SceneBuilder::open(NodeKind kind, const char* name, bool placed)
{
    Destination& d = destination();
    if (d.ignored > 0 || depth() >= maxDepth_) {
        ++d.ignored;
        return true;
    }
    auto node = std::make_shared<Node>();
    node->kind = kind;
    node->name = orEmpty(name);
    node->placed = placed;
    Node* raw = node.get();
    add(entry::Block{std::move(node)});
    d.open.push_back(raw);
    return true;
}

void SceneBuilder::close(NodeKind kind)
{
    Destination& d = destination();
    if (d.ignored > 0) {
        --d.ignored;
        return;
    }
    // The root of a destination (the scene, a captured shader) stays open.
    if (d.open.size() > 1 && d.open.back()->kind == kind)
        d.open.pop_back();
}

std::shared_ptr<Node> SceneBuilder::shaderOf(ShaderText handle) const
{
    const auto* node = reinterpret_cast<const Node*>(handle);
    const auto it = texts_.find(node);
    // A shader still being captured cannot be placed (it would hold itself).
    if (it == texts_.end() || textDestinations_.count(node) != 0)
        return nullptr;
    return it->second;
}

// --- Blocks ----------------------------------------------------------------------

bool SceneBuilder::beginGroup(const char* name, bool placed)
{
    return open(NodeKind::Group, name, placed);
}

void SceneBuilder::endGroup()
{
    close(NodeKind::Group);
}

bool SceneBuilder::beginObject(const char* name, bool placed)
{
    top_ = Top::Object;
    return open(NodeKind::Object, name, placed);
}

void SceneBuilder::endObject()
{
    top_ = Top::None;
    close(NodeKind::Object);
}

bool SceneBuilder::beginGeometry(const char* type)
{
    return open(NodeKind::Geometry, type, true);
}

void SceneBuilder::endGeometry()
{
    close(NodeKind::Geometry);
}

bool SceneBuilder::beginAnimation(const char* a, const char* b)
{
    open(NodeKind::Animation, a, true);
    if (destination().ignored == 0)
        innermost()->second = orEmpty(b);
    return true;
}

void SceneBuilder::endAnimation()
{
    close(NodeKind::Animation);
}

bool SceneBuilder::beginLoad(const char* module)
{
    return open(NodeKind::Load, module, true);
}

void SceneBuilder::endLoad()
{
    close(NodeKind::Load);
}

bool SceneBuilder::beginTop(Top top, NodeKind kind, const char* name, bool modify)
{
    if (top_ != Top::None)
        return false;
    capturing_ = false; // these blocks always go to the scene
    top_ = top;
    open(kind, name, true);
    if (destination().ignored == 0) {
        innermost()->hasName = name != nullptr;
        innermost()->modify = modify;
    }
    return true;
}

void SceneBuilder::endTop(Top top)
{
    if (top_ == top)
        close(top == Top::Options ? NodeKind::Options : top == Top::Camera ? NodeKind::Camera : NodeKind::Image);
    top_ = Top::None;
}

bool SceneBuilder::beginOptions()
{
    return beginTop(Top::Options, NodeKind::Options, nullptr, false);
}

void SceneBuilder::endOptions()
{
    endTop(Top::Options);
}

bool SceneBuilder::beginCamera(const char* name)
{
    return beginTop(Top::Camera, NodeKind::Camera, name, false);
}

bool SceneBuilder::modifyCamera(const char* name)
{
    return beginTop(Top::Camera, NodeKind::Camera, name, true);
}

void SceneBuilder::endCamera()
{
    endTop(Top::Camera);
}

bool SceneBuilder::beginImage()
{
    return beginTop(Top::Image, NodeKind::Image, nullptr, false);
}

void SceneBuilder::endImage()
{
    endTop(Top::Image);
}

bool SceneBuilder::beginOutput(const char* a, const char* b, const char* c)
{
    open(NodeKind::Output, a, true);
    if (destination().ignored == 0) {
        innermost()->second = orEmpty(b);
        innermost()->third = orEmpty(c);
    }
    return true;
}

void SceneBuilder::endOutput()
{
    close(NodeKind::Output);
}

bool SceneBuilder::beginLight(const char* name)
{
    return open(NodeKind::Light, name, true);
}

void SceneBuilder::endLight()
{
    close(NodeKind::Light);
}

bool SceneBuilder::beginAccel(const char* name)
{
    return open(NodeKind::Accel, name, true);
}

void SceneBuilder::endAccel()
{
    close(NodeKind::Accel);
}

bool SceneBuilder::beginMatrix(const char* name)
{
    return open(NodeKind::Matrix, name, false);
}

void SceneBuilder::endMatrix()
{
    close(NodeKind::Matrix);
}

bool SceneBuilder::beginMaterial(const char* name, bool placed)
{
    return open(NodeKind::Material, name, placed);
}

bool SceneBuilder::useMaterial(const char* name)
{
    add(entry::UseMaterial{orEmpty(name)});
    return true;
}

void SceneBuilder::endMaterial()
{
    close(NodeKind::Material);
}

// --- Transforms ----------------------------------------------------------------------

void SceneBuilder::transform(const double* m16)
{
    if (m16)
        add(entry::Transform{matrixAt(m16)});
}

void SceneBuilder::setTransform(const double* m16)
{
    if (m16)
        add(entry::SetTransform{matrixAt(m16)});
}

void SceneBuilder::scale(const double& x, const double& y, const double& z)
{
    add(entry::Scale{{x, y, z}});
}

void SceneBuilder::rotate(const double& x, const double& y, const double& z)
{
    add(entry::Rotate{{x, y, z}});
}

void SceneBuilder::translate(const double& x, const double& y, const double& z)
{
    add(entry::Translate{{x, y, z}});
}

// --- Shaders ---------------------------------------------------------------------------

void SceneBuilder::shaderText(int kind, ShaderText text)
{
    if (!text)
        return;
    std::shared_ptr<Node> shader = shaderOf(text);
    if (!shader)
        return;
    add(entry::SlotText{kind, std::move(shader)});
}

void SceneBuilder::shaderId(int kind, int id)
{
    add(entry::SlotId{kind, static_cast<std::uint32_t>(id)});
}

bool SceneBuilder::beginShader(const char* name, const char* type)
{
    captureStack_.push_back(capturing_);
    textStack_.push_back(current_);
    if (name) {
        capturing_ = false;
        open(NodeKind::Shader, name, false);
        if (destination().ignored == 0)
            innermost()->type = orEmpty(type);
        return true;
    }
    auto text = std::make_shared<Node>();
    text->kind = NodeKind::Shader;
    text->hasName = false;
    text->placed = false;
    text->type = orEmpty(type);
    current_ = text.get();
    texts_[current_] = std::move(text);
    textDestinations_[current_].open.push_back(current_);
    capturing_ = true;
    return true;
}

bool SceneBuilder::beginShaderId(const char* type, int id)
{
    captureStack_.push_back(capturing_);
    textStack_.push_back(current_);
    capturing_ = false;
    open(NodeKind::Shader, nullptr, false);
    if (destination().ignored == 0) {
        Node* shader = innermost();
        shader->type = orEmpty(type);
        shader->hasName = false;
        shader->numbered = true;
        shader->shaderNumber = id;
    }
    return true;
}

void SceneBuilder::endShader()
{
    if (capturing_ && current_)
        textDestinations_.erase(current_); // the captured shader is complete
    else
        close(NodeKind::Shader);
    // As in the writer: the finished shader stays current.
    if (!textStack_.empty())
        textStack_.pop_back();
    capturing_ = !captureStack_.empty() && captureStack_.back();
    if (!captureStack_.empty())
        captureStack_.pop_back();
}

ShaderText SceneBuilder::capturedText()
{
    return reinterpret_cast<ShaderText>(current_);
}

void SceneBuilder::pushCapture()
{
    textStack_.push_back(current_);
}

void SceneBuilder::popCapture()
{
    if (textStack_.empty()) {
        current_ = nullptr;
        return;
    }
    current_ = textStack_.back();
    textStack_.pop_back();
}

// --- Parameters and lists ----------------------------------------------------------------

bool SceneBuilder::parameter(const char* name, int type, const void* value)
{
    Value v = Value::fromCall(type, value, [this](ShaderText h) { return shaderOf(h); });
    if (type == TypeShaderText && !v.shader())
        return false;
    add(entry::Parameter{orEmpty(name), std::move(v)});
    return true;
}

bool SceneBuilder::parameterShaderId(const char* name, int id)
{
    add(entry::ShaderIdLink{orEmpty(name), id});
    return true;
}

bool SceneBuilder::parameterShaderText(const char* name, ShaderText text)
{
    std::shared_ptr<Node> shader = shaderOf(text);
    if (!shader)
        return false;
    add(entry::ShaderTextLink{orEmpty(name), std::move(shader)});
    return true;
}

bool SceneBuilder::beginList(const char* name)
{
    listOpen_ = add(entry::List{orEmpty(name), {}});
    if (listOpen_) {
        listNode_ = innermost();
        listEntry_ = listNode_->entries.size() - 1;
    }
    return true;
}

void SceneBuilder::endList()
{
    listOpen_ = false;
}

void SceneBuilder::listValue(int type, const void* value)
{
    if (!listOpen_ || listEntry_ >= listNode_->entries.size())
        return;
    Value v = Value::fromCall(type, value, [this](ShaderText h) { return shaderOf(h); });
    if (type == TypeShaderText && !v.shader())
        return;
    std::get<entry::List>(listNode_->entries[listEntry_]).values.push_back(std::move(v));
}

// --- Lines of their own --------------------------------------------------------------------

void SceneBuilder::attribute(const char* key, const char* value)
{
    add(entry::Attribute{orEmpty(key), orEmpty(value)});
}

void SceneBuilder::writeText(const char* format, ...)
{
    entry::Text text;
    if (!format) {
        add(std::move(text));
        return;
    }
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int size = std::vsnprintf(nullptr, 0, format, args);
    if (size > 0) {
        text.text.resize(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(text.text.data(), text.text.size(), format, again);
        text.text.resize(static_cast<std::size_t>(size));
    }
#pragma GCC diagnostic pop
    va_end(again);
    va_end(args);
    add(std::move(text));
}

void SceneBuilder::version(int v)
{
    add(entry::Version{v});
}

void SceneBuilder::progress(const char* name, float fraction)
{
    add(entry::Progress{orEmpty(name), fraction});
}

void SceneBuilder::icon(const unsigned char* data, int length)
{
    add(entry::Icon{bytesOf(data, length)});
}

void SceneBuilder::binaryData(const char* keyword, const unsigned char* data, int length)
{
    add(entry::BinaryData{orEmpty(keyword), bytesOf(data, length)});
}

void SceneBuilder::id(std::uint32_t n)
{
    add(entry::Id{n});
}

void SceneBuilder::flags(std::uint32_t f)
{
    add(entry::Flags{f});
}

bool SceneBuilder::render()
{
    add(entry::Render{});
    return true;
}

void SceneBuilder::print(const char* text)
{
    add(entry::Print{orEmpty(text)});
}

void SceneBuilder::error(const char* text)
{
    add(entry::Error{orEmpty(text)});
}

} // namespace vel::model
