#include "ThreeMfModel.h"

#include "XmlPart.h"
#include "ZipArchive.h"

#include <StandIn/DesignError.h>

#include <assimp/material.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace standin::host::cad {

namespace {

constexpr const char* kRelationships = "_rels/.rels";
constexpr const char* kModelType = "http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel";
// Components nested deeper than this, or a build that expands into more
// placements, are taken for a broken (or hostile) file: a few objects that
// each place the next several times would otherwise grow without bound.
constexpr int kMaxDepth = 1000;
constexpr std::size_t kMaxNodes = 250000;

// The package's relationships: where the model part is.
class Relationships : public XmlPart {
public:
    using XmlPart::XmlPart;
    const std::string& model() const { return model_; }

private:
    void start(const char* name, const char** attributes) override
    {
        ++depth_;
        if (depth_ != 2 || !model_.empty() || std::strcmp(name, "Relationship") != 0)
            return;
        const char* id = xmlAttribute(attributes, "Id");
        const char* type = xmlAttribute(attributes, "Type");
        const char* target = xmlAttribute(attributes, "Target");
        if (id && *id && target && *target && type && std::strcmp(type, kModelType) == 0)
            model_ = target;
    }
    void end() override { --depth_; }

    int depth_ = 0;
    std::string model_;
};

struct Placement {
    int object = 0;
    aiMatrix4x4 transform;
    unsigned long line = 0;
};

struct ObjectData {
    int id = 0;
    std::vector<unsigned> meshes;
    std::vector<Placement> components;
};

struct Resource {
    enum class Kind { Object, BaseMaterials } kind;
    std::size_t index; // into objects_ or groups_
};

class ModelPart : public XmlPart {
public:
    ModelPart(ZipArchive& zip, std::string source, std::string part, aiScene& scene, ThreeMfUnit& unit)
        : XmlPart(zip, std::move(source), std::move(part)), scene_(scene), unit_(unit)
    {
    }

private:
    enum class Node : std::uint8_t {
        Other, Model, Resources, Build, Object, Mesh, Vertices, Triangles, Components, BaseMaterials, Item
    };

    void start(const char* name, const char** attributes) override
    {
        const std::string_view n(name);
        const Node parent = open_.empty() ? Node::Other : open_.back();
        Node node = Node::Other;
        if (open_.empty()) {
            if (n != "model")
                fail("the model's root element is <" + std::string(n) + ">, not <model>");
            readUnit(xmlAttribute(attributes, "unit"));
            node = Node::Model;
        } else if (parent == Node::Model && n == "resources" && !seenResources_) {
            seenResources_ = true;
            node = Node::Resources;
        } else if (parent == Node::Model && n == "build" && !seenBuild_) {
            seenBuild_ = true;
            node = Node::Build;
        } else if (parent == Node::Resources) {
            node = startResource(n, attributes);
        } else if (parent == Node::Object && n == "mesh") {
            startMesh();
            node = Node::Mesh;
        } else if (parent == Node::Object && n == "components") {
            node = Node::Components;
        } else if (parent == Node::Mesh && n == "vertices") {
            if (hasVertices_)
                fail("a second <vertices> in one mesh");
            hasVertices_ = true;
            node = Node::Vertices;
        } else if (parent == Node::Mesh && n == "triangles") {
            if (hasTriangles_)
                fail("a second <triangles> in one mesh");
            hasTriangles_ = true;
            node = Node::Triangles;
        } else if (parent == Node::Vertices && n == "vertex") {
            vertex(attributes);
        } else if (parent == Node::Triangles && n == "triangle") {
            triangle(attributes);
        } else if (parent == Node::Components && n == "component") {
            objects_.back().components.push_back(placement(attributes, "component"));
        } else if (parent == Node::BaseMaterials && n == "base") {
            base(attributes);
        } else if (parent == Node::Build && n == "item") {
            items_.push_back(placement(attributes, "item"));
        }
        open_.push_back(node);
    }

    void end() override
    {
        if (open_.back() == Node::Mesh)
            endMesh();
        open_.pop_back();
    }

    void readUnit(const char* given)
    {
        static const struct {
            const char* name;
            const char* host;
            double centimetres;
        } units[] = {{"micron", "mm", 1e-4}, {"millimeter", "mm", 0.1}, {"centimeter", "cm", 1},
                     {"inch", "in", 2.54},   {"foot", "ft", 30.48},      {"meter", "m", 100}};
        const std::string_view name = given ? xmlTrimmed(given) : "millimeter";
        for (const auto& u : units)
            if (name == u.name) {
                unit_ = {u.host, u.centimetres};
                return;
            }
        fail("unknown unit \"" + std::string(name) + "\"");
    }

    Node startResource(std::string_view n, const char** attributes)
    {
        if (n == "m:texture2d" || n == "m:texture2dgroup")
            throw ThreeMfNeedsAssimp{"<" + std::string(n) + "> at " + where()};
        const bool object = n == "object";
        if (!object && n != "basematerials")
            return Node::Other;
        // Without an id nothing can refer to it: skipped, as Assimp does.
        const char* idText = xmlAttribute(attributes, "id");
        if (!idText)
            return Node::Other;
        const int id = parsed<int>(idText, object ? "object" : "basematerials", "id");
        const Resource resource{object ? Resource::Kind::Object : Resource::Kind::BaseMaterials,
                                object ? objects_.size() : groups_.size()};
        if (!resources_.emplace(id, resource).second)
            fail("resource id " + std::to_string(id) + " is used twice");
        if (!object) {
            groups_.push_back({id, {}});
            return Node::BaseMaterials;
        }
        objects_.push_back({id, {}, {}});
        objectMaterial_.reset();
        objectLine_ = line();
        const char* pid = xmlAttribute(attributes, "pid");
        const char* pindex = xmlAttribute(attributes, "pindex");
        if (pid && pindex)
            objectMaterial_ = std::make_pair(parsed<int>(pid, "object", "pid"), parsed<int>(pindex, "object", "pindex"));
        return Node::Object;
    }

    void base(const char** attributes)
    {
        auto& group = groups_.back();
        const char* name = xmlAttribute(attributes, "name");
        std::string title = "id" + std::to_string(static_cast<unsigned>(group.id)) + "_";
        title += name ? std::string(name) : "basemat_" + std::to_string(materials_.size());
        auto material = std::make_unique<aiMaterial>();
        const aiString aiName(title);
        material->AddProperty(&aiName, AI_MATKEY_NAME);
        aiColor4D colour;
        if (const char* text = xmlAttribute(attributes, "displaycolor"); text && colourOf(text, colour))
            material->AddProperty(&colour, 1, AI_MATKEY_COLOR_DIFFUSE);
        group.materials.push_back(static_cast<unsigned>(materials_.size()));
        materials_.push_back(std::move(material));
    }

    // "#RRGGBB" or "#RRGGBBAA", each pair read as strtol reads it; anything
    // else is no colour.
    static bool colourOf(const char* text, aiColor4D& colour)
    {
        const std::size_t length = std::strlen(text);
        if ((length != 7 && length != 9) || text[0] != '#')
            return false;
        const auto channel = [text](std::size_t at) {
            const char pair[3] = {text[at], text[at + 1], '\0'};
            return static_cast<ai_real>(std::strtol(pair, nullptr, 16)) / ai_real(255.0);
        };
        colour = aiColor4D(channel(1), channel(3), channel(5), length == 9 ? channel(7) : ai_real(1));
        return true;
    }

    // The base material at `index` of the basematerials `id`; empty when `id`
    // names no basematerials.
    std::optional<unsigned> baseMaterial(int id, int index, const char* element, const char* indexName,
                                         unsigned long at = 0) const
    {
        const auto found = resources_.find(id);
        if (found == resources_.end() || found->second.kind != Resource::Kind::BaseMaterials)
            return std::nullopt;
        const auto& group = groups_[found->second.index].materials;
        if (index < 0 || static_cast<std::size_t>(index) >= group.size())
            fail("<" + std::string(element) + "> " + indexName + " " + std::to_string(index) +
                 " out of range (basematerials " + std::to_string(id) + " has " + std::to_string(group.size()) + ")",
                 at);
        return group[static_cast<std::size_t>(index)];
    }

    void startMesh()
    {
        vertices_.clear();
        corners_.clear();
        hasVertices_ = hasTriangles_ = false;
        triangleMaterial_.reset();
        meshLine_ = line();
    }

    void vertex(const char** attributes)
    {
        if (vertices_.size() == std::numeric_limits<unsigned>::max())
            fail("more vertices in one mesh than a mesh can hold");
        // Decimal to double to float, as Assimp's atof does.
        vertices_.emplace_back(static_cast<float>(required<double>(attributes, "vertex", "x")),
                               static_cast<float>(required<double>(attributes, "vertex", "y")),
                               static_cast<float>(required<double>(attributes, "vertex", "z")));
    }

    void triangle(const char** attributes)
    {
        if (corners_.size() / 3 == std::numeric_limits<unsigned>::max())
            fail("more triangles in one mesh than a mesh can hold");
        for (const char* corner : {"v1", "v2", "v3"}) {
            const long long index = required<long long>(attributes, "triangle", corner);
            if (index < 0 || static_cast<unsigned long long>(index) >= vertices_.size())
                fail("<triangle> " + std::string(corner) + " " + std::to_string(index) + " out of range (" +
                     std::to_string(vertices_.size()) + " vertices)");
            corners_.push_back(static_cast<unsigned>(index));
        }
        const char* pid = xmlAttribute(attributes, "pid");
        const char* p1 = xmlAttribute(attributes, "p1");
        if (pid && p1)
            if (auto m = baseMaterial(parsed<int>(pid, "triangle", "pid"), parsed<int>(p1, "triangle", "p1"),
                                      "triangle", "p1"))
                triangleMaterial_ = m;
    }

    void endMesh()
    {
        if (!hasVertices_ || vertices_.empty())
            fail("a mesh without vertices", meshLine_);
        if (!hasTriangles_ || corners_.empty())
            fail("a mesh without triangles", meshLine_);
        ObjectData& object = objects_.back();
        auto mesh = std::make_unique<aiMesh>();
        mesh->mName.Set(std::to_string(object.id));
        mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
        if (objectMaterial_)
            triangleMaterial_ = baseMaterial(objectMaterial_->first, objectMaterial_->second, "object", "pindex", objectLine_)
                                    .value_or(triangleMaterial_.value_or(0));
        mesh->mMaterialIndex = triangleMaterial_.value_or(0);
        mesh->mNumVertices = static_cast<unsigned>(vertices_.size());
        mesh->mVertices = new aiVector3D[vertices_.size()];
        std::copy(vertices_.begin(), vertices_.end(), mesh->mVertices);
        std::vector<aiVector3D>().swap(vertices_);
        const std::size_t faces = corners_.size() / 3;
        mesh->mFaces = new aiFace[faces];
        mesh->mNumFaces = static_cast<unsigned>(faces);
        for (std::size_t f = 0; f < faces; ++f) {
            aiFace& face = mesh->mFaces[f];
            face.mIndices = new unsigned[3]{corners_[3 * f], corners_[3 * f + 1], corners_[3 * f + 2]};
            face.mNumIndices = 3;
        }
        std::vector<unsigned>().swap(corners_);
        object.meshes.push_back(static_cast<unsigned>(meshes_.size()));
        meshes_.push_back(std::move(mesh));
    }

    // A build item or component: the object it places, where.
    Placement placement(const char** attributes, const char* element) const
    {
        Placement p;
        p.line = line();
        p.object = required<int>(attributes, element, "objectid");
        const char* text = xmlAttribute(attributes, "transform");
        if (!text)
            return p;
        float m[12];
        std::size_t count = 0;
        const std::string_view all(text);
        constexpr const char* spaces = " \t\r\n";
        for (std::size_t at = all.find_first_not_of(spaces); at != std::string_view::npos;
             at = all.find_first_not_of(spaces, std::min(all.find_first_of(spaces, at), all.size()))) {
            const std::string_view token = all.substr(at, all.find_first_of(spaces, at) - at);
            const std::optional<float> value = xmlNumber<float>(token);
            if (!value)
                fail("<" + std::string(element) + "> transform: \"" + std::string(token) + "\" is not a number");
            if (count < 12)
                m[count] = *value;
            ++count;
        }
        if (count != 12)
            fail("<" + std::string(element) + "> transform has " + std::to_string(count) + " numbers, not 12");
        // The file's rows are Assimp's columns.
        p.transform = aiMatrix4x4(m[0], m[3], m[6], m[9], m[1], m[4], m[7], m[10], m[2], m[5], m[8], m[11], 0, 0, 0,
                                  1);
        return p;
    }

    void finish() override
    {
        if (!seenBuild_)
            fail("the model has no <build>: nothing is placed");
        // Every reference checked and the nodes counted before any is made.
        std::vector<int> path;
        std::unordered_map<int, std::size_t> counted;
        std::size_t nodes = 0;
        for (const Placement& item : items_)
            if ((nodes += nodesOf(item, path, counted)) > kMaxNodes)
                fail("the build places more than " + std::to_string(kMaxNodes) + " objects", item.line);
        auto root = std::make_unique<aiNode>("3MF");
        std::vector<std::unique_ptr<aiNode>> children;
        for (const Placement& item : items_)
            children.push_back(place(item));
        adopt(*root, children);

        if (!materials_.empty()) {
            scene_.mMaterials = new aiMaterial*[materials_.size()];
            scene_.mNumMaterials = static_cast<unsigned>(materials_.size());
            for (std::size_t i = 0; i < materials_.size(); ++i)
                scene_.mMaterials[i] = materials_[i].release();
        }
        if (!meshes_.empty()) {
            scene_.mMeshes = new aiMesh*[meshes_.size()];
            scene_.mNumMeshes = static_cast<unsigned>(meshes_.size());
            for (std::size_t i = 0; i < meshes_.size(); ++i)
                scene_.mMeshes[i] = meshes_[i].release();
        }
        scene_.mRootNode = root.release();
    }

    const ObjectData& objectOf(const Placement& p) const
    {
        const auto found = resources_.find(p.object);
        if (found == resources_.end() || found->second.kind != Resource::Kind::Object)
            fail("objectid " + std::to_string(p.object) + " names no object", p.line);
        return objects_[found->second.index];
    }

    // The nodes a placement makes, its own and its components' (at most
    // kMaxNodes + 1); objects already counted are not walked again.
    std::size_t nodesOf(const Placement& p, std::vector<int>& path, std::unordered_map<int, std::size_t>& counted) const
    {
        const ObjectData& object = objectOf(p);
        if (std::find(path.begin(), path.end(), p.object) != path.end())
            fail("object " + std::to_string(p.object) + " contains itself through its components", p.line);
        if (path.size() >= kMaxDepth)
            fail("components nested more than " + std::to_string(kMaxDepth) + " deep", p.line);
        if (const auto known = counted.find(object.id); known != counted.end())
            return known->second;
        path.push_back(object.id);
        std::size_t nodes = 1;
        for (const Placement& component : object.components)
            nodes = std::min(nodes + nodesOf(component, path, counted), kMaxNodes + 1);
        path.pop_back();
        counted.emplace(object.id, nodes);
        return nodes;
    }

    // A node for the placed object and, below it, for its components.
    std::unique_ptr<aiNode> place(const Placement& p) const
    {
        const ObjectData& object = objectOf(p);
        auto node = std::make_unique<aiNode>("Object_" + std::to_string(object.id));
        node->mTransformation = p.transform;
        if (!object.meshes.empty()) {
            node->mMeshes = new unsigned[object.meshes.size()];
            node->mNumMeshes = static_cast<unsigned>(object.meshes.size());
            std::copy(object.meshes.begin(), object.meshes.end(), node->mMeshes);
        }
        std::vector<std::unique_ptr<aiNode>> children;
        for (const Placement& component : object.components)
            children.push_back(place(component));
        adopt(*node, children);
        return node;
    }

    static void adopt(aiNode& parent, std::vector<std::unique_ptr<aiNode>>& children)
    {
        if (children.empty())
            return;
        parent.mChildren = new aiNode*[children.size()];
        parent.mNumChildren = static_cast<unsigned>(children.size());
        for (std::size_t i = 0; i < children.size(); ++i) {
            children[i]->mParent = &parent;
            parent.mChildren[i] = children[i].release();
        }
    }

    aiScene& scene_;
    ThreeMfUnit& unit_;
    std::vector<Node> open_;
    bool seenResources_ = false;
    bool seenBuild_ = false;

    struct Group {
        int id;
        std::vector<unsigned> materials;
    };
    std::unordered_map<int, Resource> resources_;
    std::vector<ObjectData> objects_;
    std::vector<Group> groups_;
    std::vector<std::unique_ptr<aiMaterial>> materials_;
    std::vector<std::unique_ptr<aiMesh>> meshes_;
    std::vector<Placement> items_;

    // The mesh being read.
    std::optional<std::pair<int, int>> objectMaterial_; // pid, pindex
    unsigned long objectLine_ = 0;
    std::vector<aiVector3D> vertices_;
    std::vector<unsigned> corners_;
    bool hasVertices_ = false;
    bool hasTriangles_ = false;
    std::optional<unsigned> triangleMaterial_;
    unsigned long meshLine_ = 0;
};

} // namespace

void readThreeMfModel(const std::filesystem::path& file, const std::string& source, aiScene& scene,
                      ThreeMfUnit& unit, const ThreeMfProgress& progress)
{
    ZipArchive zip(file, source);
    if (!zip.open(kRelationships))
        throw DesignError(source, kRelationships, "no such part: the package does not say where its model is");
    Relationships relationships(zip, source, kRelationships);
    relationships.parse();
    std::string part = relationships.model();
    if (part.empty())
        throw DesignError(source, kRelationships, "no relationship of type \"" + std::string(kModelType) + "\"");
    part.erase(0, std::min(part.find_first_not_of("./"), part.size()));
    if (!zip.open(part))
        throw DesignError(source, part, "no such part in the package");
    ModelPart model(zip, source, part, scene, unit);
    model.parse(progress);
}

} // namespace standin::host::cad
