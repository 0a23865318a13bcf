#pragma once
// An in-memory scene as the scene interface describes it: a tree of blocks
// (groups, objects, geometry, materials, shaders, the camera ...), each with
// its entries in the order they came (parameters, lists, transforms, flag
// words, material and shader references, child blocks). Nothing is lost that
// the interface carries, so a scene can be written out again (SceneReplay.h)
// and edited in between: a component group's contents replaced, a camera
// changed.
//
// SceneBuilder (SceneBuilder.h) fills a Scene from a call stream, from the
// scene reader or from a live producer. Typed views below answer what tools
// and renderers ask: a group's transform and flag word, an object's
// geometry and material, a material's diffuse colour, the camera.

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <sceneapi/velTypes.h>

namespace vel::model {

struct Node;

// A parameter's value: its type code and the numbers, strings or shader it
// holds, in the element order of the interface (float triples flat, x y z).
struct Value {
    int code = TypeNone;                // a vel::TypeCode; TypeNone and the like hold nothing
    std::uint32_t count = 0;            // a list's elements as its code counts them
    // What the code holds, one of:
    //   floats:  the float codes (TypeVector3f, TypeFloat ...) and their lists
    //   doubles: TypeDouble, TypeVector3d, TypeMatrix and their lists
    //   ints:    the int codes and TypeBool, and their lists
    //   strings: TypeString, TypeStringPtr and their lists
    //   shader:  TypeShaderText, the captured shader
    std::variant<std::monostate, std::vector<float>, std::vector<double>, std::vector<std::int32_t>,
                 std::vector<std::string>, std::shared_ptr<Node>>
        held;

    // What it holds of each; empty (null) when it holds another kind.
    std::span<const float> floats() const { return heldList<float>(); }
    std::span<const double> doubles() const { return heldList<double>(); }
    std::span<const std::int32_t> ints() const { return heldList<std::int32_t>(); }
    std::span<const std::string> strings() const { return heldList<std::string>(); }
    Node* shader() const;

    // The value that parameter(name, code, value) passed, copied.
    // `shaderOf` turns a captured-text handle into its shader.
    template <typename ShaderOf>
    static Value fromCall(int code, const void* value, ShaderOf shaderOf);

    bool isList() const;
    // Every number of the value, whatever its type, as doubles and as floats.
    std::vector<double> numbers() const;
    std::vector<float> floatNumbers() const;
    std::optional<double> number() const; // the first
    // The first three numbers (a colour, a vector), when there are three.
    std::optional<std::array<float, 3>> triple() const;
    std::string text() const; // the first string, or empty

    // Calls `use(code, pointer)` with what parameter() and listValue() take,
    // valid during the call. `handleOf` gives a shader's captured-text handle.
    template <typename HandleOf, typename Use>
    void asCall(HandleOf handleOf, Use use) const;

private:
    template <typename T>
    std::span<const T> heldList() const
    {
        const auto* list = std::get_if<std::vector<T>>(&held);
        return list ? std::span<const T>(*list) : std::span<const T>();
    }
};

enum class NodeKind : std::uint8_t {
    Scene, Group, Object, Geometry, Animation, Load, Options, Camera, Image, Output, Light, Accel, Matrix,
    Material, Shader, // a named or numbered shader definition, or a captured (anonymous) shader
};

// A 4x4 matrix as the interface lays it out: column by column.
using Matrix = std::array<double, 16>;

// The entries of a block, one kind per call of the interface that makes
// one, each holding only what its call passed.
namespace entry {
struct Block { std::shared_ptr<Node> node; };                          // a child block
struct Parameter { std::string name; Value value; };
struct ShaderIdLink { std::string name; int shader = 0; };              // bound to numbered shader `shader`
struct ShaderTextLink { std::string name; std::shared_ptr<Node> shader; }; // bound to a captured shader
struct List { std::string name; std::vector<Value> values; };           // built value by value
// Matrices are held apart (and shared by copies of the entry): held in
// place they would make every entry 136 bytes instead of 80.
struct Transform { std::shared_ptr<const Matrix> matrix; };
struct SetTransform { std::shared_ptr<const Matrix> matrix; };         // starts the block's transform again
struct Scale { std::array<double, 3> xyz{}; };
struct Rotate { std::array<double, 3> degrees{}; };                     // about x, then y, then z
struct Translate { std::array<double, 3> xyz{}; };
struct UseMaterial { std::string name; };
struct SlotId { int slot = 0; std::uint32_t shader = 0; };              // a vel::ShaderKind, a shader number
struct SlotText { int slot = 0; std::shared_ptr<Node> shader; };        // a vel::ShaderKind, a captured shader
struct Attribute { std::string key, value; };
struct Id { std::uint32_t id = 0; };
struct Flags { std::uint32_t word = 0; };
struct Version { int version = 0; };
struct Progress { std::string name; float fraction = 0; };
struct Icon { std::vector<unsigned char> bytes; };
struct BinaryData { std::string keyword; std::vector<unsigned char> bytes; };
struct Print { std::string text; };
struct Error { std::string text; };
struct Text { std::string text; };                                      // writeText's text: a comment line
struct Render {};
} // namespace entry

using Entry = std::variant<entry::Block, entry::Parameter, entry::ShaderIdLink, entry::ShaderTextLink, entry::List,
                           entry::Transform, entry::SetTransform, entry::Scale, entry::Rotate, entry::Translate,
                           entry::UseMaterial, entry::SlotId, entry::SlotText, entry::Attribute, entry::Id,
                           entry::Flags, entry::Version, entry::Progress, entry::Icon, entry::BinaryData,
                           entry::Print, entry::Error, entry::Text, entry::Render>;

// Visits an entry with one function per kind: std::visit(Overloaded{...}, e).
// Without a catch-all (auto&) branch the compiler names a kind left out.
template <typename... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

// The child block an entry holds, or null.
inline Node* blockOf(const Entry& e)
{
    const auto* block = std::get_if<entry::Block>(&e);
    return block ? block->node.get() : nullptr;
}

struct Node {
    NodeKind kind = NodeKind::Group;
    // Group, object, material, light, accel, load (module), matrix and named
    // shader: the name. Geometry: the type. Camera: the name (hasName false
    // for "camera {"). Animation: the two names; output: the three.
    std::string name;
    std::string second, third;
    std::string type;        // a shader's type
    bool hasName = true;     // false: an unnamed camera, a captured shader
    bool placed = true;      // false: a definition ("#define")
    bool numbered = false;   // a shader opened by number
    int shaderNumber = 0;
    bool modify = false;     // "#modify": changes the named camera
    std::vector<Entry> entries;

    // Written out rather than defaulted: make_shared<Node>() value-initialises,
    // which with a defaulted constructor first zeroes the whole node, about a
    // tenth of the time to build a small group.
    Node() {}
    Node(const Node&) = default;
    Node(Node&&) = default;
    Node& operator=(const Node&) = default;
    Node& operator=(Node&&) = default;
    // Releases nested blocks one at a time rather than by recursion, so that
    // blocks nested a thousand deep are destroyed on a small stack.
    ~Node();

    bool isCapturedShader() const { return kind == NodeKind::Shader && !hasName && !numbered; }

    // The last parameter of that name, or null.
    const Value* parameter(std::string_view key) const;
    // The last flag word, or 0 (a group without flags); whether it has one.
    std::uint32_t flags() const;
    bool hasFlags() const;
    // The ids declared in the block.
    std::vector<std::uint32_t> ids() const;
    // The block's own transform: its transform lines composed in order
    // ("set transform" starts again), 16 doubles column by column with the
    // translation in elements 12 to 14; the identity when it has none.
    std::array<double, 16> transform() const;
    // Child blocks, of one kind or all; the first of a kind and name, or null.
    std::vector<Node*> children(NodeKind of) const;
    std::vector<Node*> children() const;
    Node* child(NodeKind of, std::string_view named) const;
};

Matrix identity();
Matrix multiply(const Matrix& a, const Matrix& b); // a * b: b applied first
std::array<double, 3> applyPoint(const Matrix& m, const std::array<double, 3>& p);

// One scene. Blocks are held by shared pointers (a captured shader placed
// in several materials is one block), so a scene is moved, never copied.
// After changing the tree (replacing a group's entries, say), reindex().
class Scene {
public:
    Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    Scene(Scene&&) = default;
    Scene& operator=(Scene&&) = default;

    Node& root() { return *root_; }
    const Node& root() const { return *root_; }

    // Definitions by what refers to them. Built by SceneBuilder and by
    // reindex() after an edit; the first of two with the same key wins.
    const Node* numberedShader(int number) const;
    const Node* namedShader(std::string_view name) const;
    const Node* definedMaterial(std::string_view name) const;
    const Node* definedObject(std::uint32_t id) const; // by the id declared in it
    // The first camera block, null when there is none; and all camera
    // blocks in the order of the file ("#modify" blocks change the camera of
    // their name with the parameters they hold).
    const Node* camera() const;
    const std::vector<const Node*>& cameras() const;

    // The material of an object: its own material block, or the definition
    // its "material NAME" line names; null when it has neither.
    const Node* materialOf(const Node& object) const;
    // The geometry of an object: its own geometry block, or for an
    // "instance" geometry the geometry of the object definition whose id it
    // names; null when there is none.
    const Node* geometryOf(const Node& object) const;
    // The shader in a material's surface slot (the last one set), numbered
    // or captured; null when it has none.
    const Node* surfaceShaderOf(const Node& material) const;
    // A material's diffuse colour: the "diffuse" parameter of its surface
    // shader; empty when there is none.
    std::optional<std::array<float, 3>> diffuseOf(const Node& material) const;

    // Rebuilds the lookups after the tree was changed.
    void reindex();

private:
    std::shared_ptr<Node> root_;
    struct Index;
    std::shared_ptr<Index> index_;
    friend class SceneBuilder;
};

// Calls `use(Node&)` on each block or shader an entry holds, in the order of
// the interface: a child block, a linked or slotted captured shader, the
// captured shaders of a parameter's or a list's values.
template <typename Use>
void forEachNode(const Entry& e, Use use);

// --- Templates ----------------------------------------------------------------

template <typename Use>
void forEachNode(const Entry& e, Use use)
{
    const auto node = [&](Node* n) {
        if (n)
            use(*n);
    };
    std::visit(Overloaded{
                   [&](const entry::Block& b) { node(b.node.get()); },
                   [&](const entry::Parameter& p) { node(p.value.shader()); },
                   [&](const entry::ShaderTextLink& l) { node(l.shader.get()); },
                   [&](const entry::SlotText& s) { node(s.shader.get()); },
                   [&](const entry::List& l) {
                       for (const Value& v : l.values)
                           node(v.shader());
                   },
                   [](const entry::ShaderIdLink&) {}, [](const entry::Transform&) {},
                   [](const entry::SetTransform&) {}, [](const entry::Scale&) {}, [](const entry::Rotate&) {},
                   [](const entry::Translate&) {}, [](const entry::UseMaterial&) {}, [](const entry::SlotId&) {},
                   [](const entry::Attribute&) {}, [](const entry::Id&) {}, [](const entry::Flags&) {},
                   [](const entry::Version&) {}, [](const entry::Progress&) {}, [](const entry::Icon&) {},
                   [](const entry::BinaryData&) {}, [](const entry::Print&) {}, [](const entry::Error&) {},
                   [](const entry::Text&) {}, [](const entry::Render&) {},
               },
               e);
}

namespace detail {
// Elements of a list code: per-element numbers of its array, or 0 for
// strings and for codes without a value.
int numbersPerElement(int code);

// `n` elements from `p`, which may lie unaligned. Aligned elements (what a
// reader passes almost always) are copied in one pass; unaligned ones go
// through bytes, after the vector has filled its room with zeros.
template <typename T>
std::vector<T> copied(const void* p, std::size_t n)
{
    if (reinterpret_cast<std::uintptr_t>(p) % alignof(T) == 0) {
        const T* first = static_cast<const T*>(p);
        return std::vector<T>(first, first + n);
    }
    std::vector<T> out(n);
    if (n != 0)
        std::memcpy(out.data(), p, sizeof(T) * n);
    return out;
}
} // namespace detail

template <typename ShaderOf>
Value Value::fromCall(int code, const void* value, ShaderOf shaderOf)
{
    Value v;
    v.code = code;
    if (!value)
        return v;
    // Elements may lie unaligned (a reader passes them where they stand in
    // its input): copied byte for byte.
    auto floatsFrom = [&](const void* p, std::size_t n) { v.held = detail::copied<float>(p, n); };
    auto doublesFrom = [&](const void* p, std::size_t n) { v.held = detail::copied<double>(p, n); };
    auto intsFrom = [&](const void* p, std::size_t n) { v.held = detail::copied<std::int32_t>(p, n); };
    switch (code) {
    case TypeVector3f: floatsFrom(value, 3); return v;
    case TypeVector4f: case TypeColor4f: floatsFrom(value, 4); return v;
    case TypeFloat: floatsFrom(value, 1); return v;
    case TypeVector2f: floatsFrom(value, 2); return v;
    case TypeDouble: doublesFrom(value, 1); return v;
    case TypeVector3d: doublesFrom(value, 3); return v;
    case TypeMatrix: doublesFrom(value, 16); return v;
    case TypeInt: case TypeIntAlias: case TypeBool: intsFrom(value, 1); return v;
    case TypeInt2: intsFrom(value, 2); return v;
    case TypeInt3: intsFrom(value, 3); return v;
    case TypeInt4: intsFrom(value, 4); return v;
    case TypeString: v.held = std::vector<std::string>{static_cast<const char*>(value)}; return v;
    case TypeStringPtr: {
        const char* s;
        std::memcpy(&s, value, sizeof s);
        v.held = std::vector<std::string>{s ? s : ""};
        return v;
    }
    case TypeShaderText: {
        ShaderText handle;
        std::memcpy(&handle, value, sizeof handle);
        v.held = std::shared_ptr<Node>(shaderOf(handle));
        return v;
    }
    default:
        break;
    }
    const int per = detail::numbersPerElement(code);
    if (per == 0 && code != TypeStringList && code != TypeStringPtrList)
        return v; // no value text: the code alone
    velList list;
    std::memcpy(&list, value, sizeof list);
    if (!list.data && list.count != 0)
        return v;
    v.count = list.count;
    const std::size_t n = static_cast<std::size_t>(per) * list.count;
    switch (code) {
    case TypeVector3fList: case TypeVector4fList: case TypeFloatList: floatsFrom(list.data, n); break;
    case TypeDoubleList: case TypeVector3dList: case TypeMatrixList: doublesFrom(list.data, n); break;
    case TypeIntList: case TypeBoolList: case TypeIntAliasList: intsFrom(list.data, n); break;
    default: {
        auto& strings = v.held.emplace<std::vector<std::string>>();
        strings.reserve(list.count);
        for (std::uint32_t k = 0; k < list.count; ++k) {
            const char* s;
            std::memcpy(&s, static_cast<const char* const*>(list.data) + k, sizeof s);
            strings.emplace_back(s ? s : "");
        }
        break;
    }
    }
    return v;
}

template <typename HandleOf, typename Use>
void Value::asCall(HandleOf handleOf, Use use) const
{
    switch (code) {
    case TypeVector3f: case TypeVector4f: case TypeColor4f: case TypeFloat: case TypeVector2f:
        use(code, static_cast<const void*>(floats().data()));
        return;
    case TypeDouble: case TypeVector3d: case TypeMatrix:
        use(code, static_cast<const void*>(doubles().data()));
        return;
    case TypeInt: case TypeIntAlias: case TypeBool: case TypeInt2: case TypeInt3: case TypeInt4:
        use(code, static_cast<const void*>(ints().data()));
        return;
    case TypeString: case TypeStringPtr: {
        const char* s = strings().empty() ? "" : strings().front().c_str();
        use(TypeString, static_cast<const void*>(s));
        return;
    }
    case TypeShaderText: {
        const ShaderText handle = handleOf(shader());
        use(code, static_cast<const void*>(&handle));
        return;
    }
    default:
        break;
    }
    if (code == TypeStringList || code == TypeStringPtrList) {
        std::vector<const char*> pointers;
        for (const std::string& s : strings())
            pointers.push_back(s.c_str());
        const velList list{pointers.data(), count};
        use(code, static_cast<const void*>(&list));
        return;
    }
    if (detail::numbersPerElement(code) == 0) {
        use(code, static_cast<const void*>(&count)); // a code without a value: nothing is read
        return;
    }
    const void* data = !floats().empty() ? static_cast<const void*>(floats().data())
                       : !doubles().empty() ? static_cast<const void*>(doubles().data())
                                            : static_cast<const void*>(ints().data());
    const velList list{count == 0 ? nullptr : data, count};
    use(code, static_cast<const void*>(&list));
}

} // namespace vel::model
