#include "SceneModel.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace vel::model {

namespace detail {

int numbersPerElement(int code)
{
    switch (code) {
    case TypeVector3fList: case TypeVector3dList: return 3;
    case TypeVector4fList: return 4;
    case TypeFloatList: case TypeDoubleList: case TypeIntList: case TypeBoolList: case TypeIntAliasList: return 1;
    case TypeMatrixList: return 16;
    default: return 0;
    }
}

} // namespace detail

// --- Value -------------------------------------------------------------------------

bool Value::isList() const
{
    return (code & ListBit) != 0 && code != TypeShaderText;
}

Node* Value::shader() const
{
    const auto* shader = std::get_if<std::shared_ptr<Node>>(&held);
    return shader ? shader->get() : nullptr;
}

std::vector<double> Value::numbers() const
{
    std::vector<double> out;
    out.insert(out.end(), floats().begin(), floats().end());
    out.insert(out.end(), doubles().begin(), doubles().end());
    out.insert(out.end(), ints().begin(), ints().end());
    return out;
}

std::vector<float> Value::floatNumbers() const
{
    std::vector<float> out(floats().begin(), floats().end());
    for (const double d : doubles())
        out.push_back(static_cast<float>(d));
    for (const std::int32_t i : ints())
        out.push_back(static_cast<float>(i));
    return out;
}

std::optional<double> Value::number() const
{
    if (!floats().empty())
        return floats().front();
    if (!doubles().empty())
        return doubles().front();
    if (!ints().empty())
        return ints().front();
    return std::nullopt;
}

std::optional<std::array<float, 3>> Value::triple() const
{
    const std::vector<float> n = floatNumbers();
    if (n.size() < 3)
        return std::nullopt;
    return std::array<float, 3>{n[0], n[1], n[2]};
}

std::string Value::text() const
{
    return strings().empty() ? std::string() : strings().front();
}

// --- Node ----------------------------------------------------------------------------

Node::~Node()
{
    std::vector<std::shared_ptr<Node>> pending;
    const auto takeBlocks = [&](Node& from) {
        for (Entry& e : from.entries)
            if (auto* block = std::get_if<entry::Block>(&e); block && block->node)
                pending.push_back(std::move(block->node));
    };
    takeBlocks(*this);
    while (!pending.empty()) {
        std::shared_ptr<Node> node = std::move(pending.back());
        pending.pop_back();
        // A block held elsewhere too is left to its last owner.
        if (node.use_count() == 1)
            takeBlocks(*node);
    }
}

const Value* Node::parameter(std::string_view key) const
{
    for (auto e = entries.rbegin(); e != entries.rend(); ++e)
        if (const auto* p = std::get_if<entry::Parameter>(&*e); p && p->name == key)
            return &p->value;
    return nullptr;
}

std::uint32_t Node::flags() const
{
    for (auto e = entries.rbegin(); e != entries.rend(); ++e)
        if (const auto* f = std::get_if<entry::Flags>(&*e))
            return f->word;
    return 0;
}

bool Node::hasFlags() const
{
    for (const Entry& e : entries)
        if (std::holds_alternative<entry::Flags>(e))
            return true;
    return false;
}

std::vector<std::uint32_t> Node::ids() const
{
    std::vector<std::uint32_t> out;
    for (const Entry& e : entries)
        if (const auto* id = std::get_if<entry::Id>(&e))
            out.push_back(id->id);
    return out;
}

Matrix identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[static_cast<std::size_t>(k * 4 + row)] * b[static_cast<std::size_t>(col * 4 + k)];
            r[static_cast<std::size_t>(col * 4 + row)] = sum;
        }
    return r;
}

std::array<double, 3> applyPoint(const Matrix& m, const std::array<double, 3>& p)
{
    std::array<double, 3> out{};
    double w = m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15];
    if (w == 0)
        w = 1;
    for (std::size_t row = 0; row < 3; ++row)
        out[row] = (m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row]) / w;
    return out;
}

namespace {

constexpr double kPi = 3.14159265358979323846;

Matrix scaling(double x, double y, double z)
{
    Matrix m = identity();
    m[0] = x;
    m[5] = y;
    m[10] = z;
    return m;
}

Matrix translation(double x, double y, double z)
{
    Matrix m = identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

// Rotations in degrees about x, then y, then z.
Matrix rotation(double x, double y, double z)
{
    auto axis = [](int which, double degrees) {
        const double r = degrees * kPi / 180.0, c = std::cos(r), s = std::sin(r);
        Matrix m = identity();
        const int a = (which + 1) % 3, b = (which + 2) % 3;
        m[static_cast<std::size_t>(a * 4 + a)] = c;
        m[static_cast<std::size_t>(b * 4 + a)] = -s;
        m[static_cast<std::size_t>(a * 4 + b)] = s;
        m[static_cast<std::size_t>(b * 4 + b)] = c;
        return m;
    };
    return multiply(axis(2, z), multiply(axis(1, y), axis(0, x)));
}

} // namespace

Matrix Node::transform() const
{
    Matrix m = identity();
    for (const Entry& e : entries) {
        if (const auto* t = std::get_if<entry::Transform>(&e))
            m = multiply(m, *t->matrix);
        else if (const auto* set = std::get_if<entry::SetTransform>(&e))
            m = *set->matrix;
        else if (const auto* s = std::get_if<entry::Scale>(&e))
            m = multiply(m, scaling(s->xyz[0], s->xyz[1], s->xyz[2]));
        else if (const auto* r = std::get_if<entry::Rotate>(&e))
            m = multiply(m, rotation(r->degrees[0], r->degrees[1], r->degrees[2]));
        else if (const auto* t3 = std::get_if<entry::Translate>(&e))
            m = multiply(m, translation(t3->xyz[0], t3->xyz[1], t3->xyz[2]));
    }
    return m;
}

std::vector<Node*> Node::children(NodeKind of) const
{
    std::vector<Node*> out;
    for (const Entry& e : entries)
        if (Node* n = blockOf(e); n && n->kind == of)
            out.push_back(n);
    return out;
}

std::vector<Node*> Node::children() const
{
    std::vector<Node*> out;
    for (const Entry& e : entries)
        if (Node* n = blockOf(e))
            out.push_back(n);
    return out;
}

Node* Node::child(NodeKind of, std::string_view named) const
{
    for (const Entry& e : entries)
        if (Node* n = blockOf(e); n && n->kind == of && n->name == named)
            return n;
    return nullptr;
}

// --- Scene ---------------------------------------------------------------------------

struct Scene::Index {
    std::map<int, const Node*> numberedShaders;
    std::map<std::string, const Node*, std::less<>> namedShaders;
    std::map<std::string, const Node*, std::less<>> materials;
    std::map<std::uint32_t, const Node*> objects;
    std::vector<const Node*> cameras;
};

Scene::Scene() : root_(std::make_shared<Node>()), index_(std::make_shared<Index>())
{
    root_->kind = NodeKind::Scene;
}

const Node* Scene::numberedShader(int number) const
{
    const auto it = index_->numberedShaders.find(number);
    return it == index_->numberedShaders.end() ? nullptr : it->second;
}

const Node* Scene::namedShader(std::string_view name) const
{
    const auto it = index_->namedShaders.find(name);
    return it == index_->namedShaders.end() ? nullptr : it->second;
}

const Node* Scene::definedMaterial(std::string_view name) const
{
    const auto it = index_->materials.find(name);
    return it == index_->materials.end() ? nullptr : it->second;
}

const Node* Scene::definedObject(std::uint32_t id) const
{
    const auto it = index_->objects.find(id);
    return it == index_->objects.end() ? nullptr : it->second;
}

const Node* Scene::camera() const
{
    return index_->cameras.empty() ? nullptr : index_->cameras.front();
}

const std::vector<const Node*>& Scene::cameras() const
{
    return index_->cameras;
}

const Node* Scene::materialOf(const Node& object) const
{
    const Node* found = nullptr;
    for (const Entry& e : object.entries) {
        if (const Node* n = blockOf(e); n && n->kind == NodeKind::Material)
            found = n;
        else if (const auto* use = std::get_if<entry::UseMaterial>(&e))
            found = definedMaterial(use->name);
    }
    return found;
}

const Node* Scene::geometryOf(const Node& object) const
{
    const std::vector<Node*> geometries = object.children(NodeKind::Geometry);
    if (geometries.empty())
        return nullptr;
    const Node* g = geometries.back();
    if (g->name != "instance")
        return g;
    const Value* id = g->parameter("id");
    const std::optional<double> n = id ? id->number() : std::nullopt;
    if (!n || *n < 0)
        return nullptr;
    const Node* definition = definedObject(static_cast<std::uint32_t>(*n));
    if (!definition || definition == &object)
        return nullptr;
    const std::vector<Node*> own = definition->children(NodeKind::Geometry);
    return own.empty() || own.back()->name == "instance" ? nullptr : own.back();
}

const Node* Scene::surfaceShaderOf(const Node& material) const
{
    const Node* shader = nullptr;
    // Kinds outside the four are taken as surface, as by the writer.
    const auto surface = [](int slot) {
        return slot == ShaderSurface || slot < 0 || slot > ShaderReflectionMap;
    };
    for (const Entry& e : material.entries) {
        if (const auto* text = std::get_if<entry::SlotText>(&e); text && surface(text->slot))
            shader = text->shader.get();
        else if (const auto* id = std::get_if<entry::SlotId>(&e); id && surface(id->slot))
            shader = numberedShader(static_cast<int>(id->shader));
    }
    return shader;
}

std::optional<std::array<float, 3>> Scene::diffuseOf(const Node& material) const
{
    const Node* shader = surfaceShaderOf(material);
    const Value* diffuse = shader ? shader->parameter("diffuse") : nullptr;
    return diffuse ? diffuse->triple() : std::nullopt;
}

void Scene::reindex()
{
    auto index = std::make_shared<Index>();
    // Iterative walk: scenes may nest deeply. A captured shader used in
    // several places is visited once.
    std::vector<const Node*> pending{root_.get()};
    std::set<const Node*> seen;
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (node->isCapturedShader() && !seen.insert(node).second)
            continue;
        if (node->kind == NodeKind::Shader && node->numbered)
            index->numberedShaders.emplace(node->shaderNumber, node);
        else if (node->kind == NodeKind::Shader && node->hasName)
            index->namedShaders.emplace(node->name, node);
        else if (node->kind == NodeKind::Material && !node->placed)
            index->materials.emplace(node->name, node);
        else if (node->kind == NodeKind::Object && !node->placed)
            for (const std::uint32_t id : node->ids())
                index->objects.emplace(id, node);
        else if (node->kind == NodeKind::Camera)
            index->cameras.push_back(node);
        // Children in reverse, so that the first in the file is met first.
        for (auto e = node->entries.rbegin(); e != node->entries.rend(); ++e) {
            const std::size_t first = pending.size();
            forEachNode(*e, [&](const Node& n) { pending.push_back(&n); });
            std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
        }
    }
    index_ = std::move(index);
}

} // namespace vel::model
