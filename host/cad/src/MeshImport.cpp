#include "MeshImport.h"

#include "FileChecks.h"
#include "LengthUnits.h"
#include "ThreeMfImporter.h"
#include "VertexJoin.h"
#include "ViewFit.h"

#include <StandIn/DesignLoader.h>

#include <assimp/DefaultLogger.hpp>
#include <assimp/Importer.hpp>
#include <assimp/LogStream.hpp>
#include <assimp/ProgressHandler.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace standin::host::cad {

namespace fs = std::filesystem;

namespace {

// Deeper node trees than this are taken for a broken file rather than walked.
constexpr int kMaxDepth = 1000;

std::string lowerExtension(const fs::path& file)
{
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// Assimp owns its progress handler once it is set and deletes it.
class MonitorHandler : public Assimp::ProgressHandler {
public:
    explicit MonitorHandler(ImportMonitor* monitor) : monitor_(monitor) {}
    bool Update(float percentage) override
    {
        if (monitor_ && percentage >= 0) {
            const auto done = static_cast<std::size_t>(std::clamp(percentage, 0.0f, 1.0f) * 1000.0f);
            if (done > shown_) {
                shown_ = done;
                monitor_->advance(done);
            }
        }
        return true; // never cancel
    }

private:
    ImportMonitor* monitor_;
    std::size_t shown_ = 0;
};

// Assimp tells some damage only in its log: a glTF reader that meets a
// triangle index out of range drops the triangle and logs a warning. While a
// LogCapture lives, Assimp's (process-wide) logger keeps its warnings and
// errors.
class LogCapture {
public:
    LogCapture()
    {
        Assimp::DefaultLogger::create(nullptr, Assimp::Logger::NORMAL);
        Assimp::DefaultLogger::get()->attachStream(new Stream(lines_),
                                                   Assimp::Logger::Warn | Assimp::Logger::Err);
    }
    ~LogCapture() { Assimp::DefaultLogger::kill(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }

private:
    // Owned by the logger once attached.
    class Stream : public Assimp::LogStream {
    public:
        explicit Stream(std::vector<std::string>& lines) : lines_(lines) {}
        void write(const char* message) override
        {
            // "Warn,  T0: Some faces had ..." -> "Some faces had ..."
            std::string text = message;
            const std::size_t colon = text.find(": ");
            if (colon != std::string::npos && colon < 16)
                text.erase(0, colon + 2);
            while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
                text.pop_back();
            if (!text.empty())
                lines_.push_back(std::move(text));
        }

    private:
        std::vector<std::string>& lines_;
    };

    std::vector<std::string> lines_;
};

// Logged damage that the reader papered over.
bool reportsLostData(const std::string& line)
{
    return line.find("out-of-range") != std::string::npos || line.find("out of range") != std::string::npos;
}

short channel(float value)
{
    return static_cast<short>(std::lround(std::clamp(static_cast<double>(value), 0.0, 1.0) * 255.0));
}

class SceneTranslator {
public:
    SceneTranslator(const aiScene& scene, const fs::path& file, std::string source, double centimetresPerUnit,
                    adsk::core::DefaultModelingOrientations orientation, ImportMonitor* monitor)
        : scene_(scene), folder_(file.parent_path()), source_(std::move(source)), cm_(centimetresPerUnit),
          orientation_(orientation), monitor_(monitor)
    {
        design_.name = file.stem().string();
        design_.host.modelingOrientation = orientation;
    }

    DesignData run(const std::string& unit)
    {
        const aiNode* root = scene_.mRootNode;
        int rootComponent = kNone;
        if (isIdentity(root->mTransformation)) {
            rootComponent = component(*root, 0, design_.name, aiMatrix4x4());
        } else {
            // The root node's own transform needs a placement of its own.
            rootComponent = newComponent(design_.name);
            OccurrenceData occurrence;
            occurrence.component = component(*root, 0, "", aiMatrix4x4());
            occurrence.transform = matrix(root->mTransformation);
            design_.components[static_cast<std::size_t>(rootComponent)].occurrences.push_back(occurrence);
        }
        ProductData product;
        product.units = unit;
        product.rootComponent = rootComponent;
        design_.products.push_back(product);
        design_.host.viewport = fitView(orientation_, box_.min, box_.max);
        return std::move(design_);
    }

private:
    static bool isIdentity(const aiMatrix4x4& m) { return m.IsIdentity(); }

    // Assimp names unnamed glTF nodes after their place in the file
    // ("nodes[3]"), which says nothing to a user.
    static bool placeholder(const std::string& name)
    {
        if (name.rfind("nodes[", 0) != 0 || name.back() != ']')
            return false;
        return name.size() > 7 && std::all_of(name.begin() + 6, name.end() - 1,
                                              [](unsigned char c) { return std::isdigit(c) != 0; });
    }

    Matrix4 matrix(const aiMatrix4x4& m) const
    {
        const float* cells[4] = {&m.a1, &m.b1, &m.c1, &m.d1};
        Matrix4 out{};
        for (std::size_t row = 0; row < 4; ++row)
            for (std::size_t column = 0; column < 4; ++column)
                out[row][column] = static_cast<double>(cells[row][column]);
        for (std::size_t row = 0; row < 3; ++row)
            out[row][3] *= cm_;
        return out;
    }

    int newComponent(const std::string& name)
    {
        ComponentData data;
        int& count = names_[name];
        ++count;
        data.name = count == 1 ? name : name + " (" + std::to_string(count) + ")";
        while (count > 1 && names_.count(data.name))
            data.name = name + " (" + std::to_string(++count) + ")";
        if (count > 1)
            names_[data.name] = 1;
        data.key = data.name;
        design_.components.push_back(std::move(data));
        return static_cast<int>(design_.components.size() - 1);
    }

    // A node's component; leaf nodes showing the same meshes share one.
    // `parent`: the world transform of the node's parent.
    int component(const aiNode& node, int depth, const std::string& fallback, const aiMatrix4x4& parent)
    {
        if (depth > kMaxDepth)
            throw DesignError(source_, "", "nodes nested more than " + std::to_string(kMaxDepth) + " deep");
        const aiMatrix4x4 here = parent * node.mTransformation;
        std::vector<unsigned> meshes(node.mMeshes, node.mMeshes + node.mNumMeshes);
        const bool leaf = node.mNumChildren == 0;
        for (unsigned m : meshes)
            if (m >= scene_.mNumMeshes)
                throw DesignError(source_, "", "node \"" + std::string(node.mName.C_Str()) + "\": mesh " +
                                                   std::to_string(m) + " out of range (" +
                                                   std::to_string(scene_.mNumMeshes) + " meshes)");
        includeInBox(meshes, here);
        if (leaf && !meshes.empty()) {
            const auto shared = leafComponents_.find(meshes);
            if (shared != leafComponents_.end())
                return shared->second;
        }

        std::string name = placeholder(node.mName.C_Str()) ? std::string() : std::string(node.mName.C_Str());
        if (depth == 0 && !fallback.empty())
            name = fallback;
        if (name.empty() && !meshes.empty())
            name = scene_.mMeshes[meshes.front()]->mName.C_Str();
        if (name.empty())
            name = fallback.empty() ? "Node " + std::to_string(++unnamed_) : fallback;
        const int index = newComponent(name);
        if (!meshes.empty()) {
            BodyData body;
            const std::string meshName = scene_.mMeshes[meshes.front()]->mName.C_Str();
            body.name = meshName.empty() ? "Body1" : meshName;
            for (unsigned m : meshes)
                body.faces.push_back(face(m));
            design_.components[static_cast<std::size_t>(index)].bodies.push_back(std::move(body));
        }
        if (leaf && !meshes.empty())
            leafComponents_.emplace(meshes, index);

        for (unsigned c = 0; c < node.mNumChildren; ++c) {
            const aiNode* child = node.mChildren[c];
            if (!child)
                continue;
            OccurrenceData occurrence;
            occurrence.component = component(*child, depth + 1, "", here);
            occurrence.transform = matrix(child->mTransformation);
            design_.components[static_cast<std::size_t>(index)].occurrences.push_back(occurrence);
        }
        if (monitor_)
            monitor_->advance(++nodesDone_);
        return index;
    }

    // Every vertex in the world, for the view: the box of a rotated mesh's
    // own box would frame it loosely and off centre.
    void includeInBox(const std::vector<unsigned>& meshes, const aiMatrix4x4& world)
    {
        for (unsigned m : meshes) {
            const aiMesh& mesh = *scene_.mMeshes[m];
            for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
                const aiVector3D p = world * mesh.mVertices[v];
                box_.include(p.x * cm_, p.y * cm_, p.z * cm_);
            }
        }
    }

    FaceData face(unsigned index)
    {
        const aiMesh& mesh = *scene_.mMeshes[index];
        FaceData face;
        face.appearance = appearance(mesh.mMaterialIndex);
        MeshData data;
        const unsigned vertices = mesh.mNumVertices;
        data.nodeCoordinates.reserve(std::size_t{vertices} * 3);
        for (unsigned v = 0; v < vertices; ++v) {
            const aiVector3D& p = mesh.mVertices[v];
            data.nodeCoordinates.push_back(static_cast<float>(p.x * cm_));
            data.nodeCoordinates.push_back(static_cast<float>(p.y * cm_));
            data.nodeCoordinates.push_back(static_cast<float>(p.z * cm_));
        }
        if (mesh.mNormals) {
            data.normalVectors.reserve(std::size_t{vertices} * 3);
            for (unsigned v = 0; v < vertices; ++v) {
                const aiVector3D& n = mesh.mNormals[v];
                data.normalVectors.insert(data.normalVectors.end(), {n.x, n.y, n.z});
            }
        }
        if (mesh.mTextureCoords[0]) {
            data.textureCoordinates.reserve(std::size_t{vertices} * 2);
            for (unsigned v = 0; v < vertices; ++v) {
                const aiVector3D& uv = mesh.mTextureCoords[0][v];
                data.textureCoordinates.insert(data.textureCoordinates.end(), {uv.x, uv.y});
            }
        }
        data.nodeIndices.reserve(std::size_t{mesh.mNumFaces} * 3);
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& triangle = mesh.mFaces[f];
            if (triangle.mNumIndices != 3)
                continue; // points and lines have no place in a display mesh
            for (unsigned k = 0; k < 3; ++k) {
                const unsigned i = triangle.mIndices[k];
                if (i >= vertices)
                    throw DesignError(source_, "mesh \"" + std::string(mesh.mName.C_Str()) + "\"",
                                      "triangle " + std::to_string(f) + ": index " + std::to_string(i) +
                                          " out of range (" + std::to_string(vertices) + " vertices)");
                data.nodeIndices.push_back(static_cast<std::int32_t>(i));
            }
        }
        face.displayMeshes.push_back(std::move(data));
        return face;
    }

    // The material's appearance, made on first use. Its identifier holds
    // the name, the colour and the texture, so that an edited material reads
    // as a change. Assimp's stand-in material of files without materials
    // gives none.
    int appearance(unsigned index)
    {
        const auto known = materials_.find(index);
        if (known != materials_.end())
            return known->second;
        int result = kNone;
        if (index < scene_.mNumMaterials && scene_.mMaterials[index]) {
            const aiMaterial& material = *scene_.mMaterials[index];
            aiString name;
            material.Get(AI_MATKEY_NAME, name);
            if (std::string(name.C_Str()) != AI_DEFAULT_MATERIAL_NAME)
                result = makeAppearance(material, name.C_Str(), index);
        }
        materials_.emplace(index, result);
        return result;
    }

    int makeAppearance(const aiMaterial& material, const std::string& name, unsigned index)
    {
        aiColor4D colour(1, 1, 1, 1);
        if (material.Get(AI_MATKEY_BASE_COLOR, colour) != aiReturn_SUCCESS)
            material.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
        float opacity = 1;
        if (material.Get(AI_MATKEY_OPACITY, opacity) == aiReturn_SUCCESS)
            colour.a *= opacity;
        const Rgba rgba{channel(colour.r), channel(colour.g), channel(colour.b), channel(colour.a)};

        std::string texture;
        aiString path;
        if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == aiReturn_SUCCESS ||
            material.GetTexture(aiTextureType_DIFFUSE, 0, &path) == aiReturn_SUCCESS) {
            const std::string given = path.C_Str();
            if (!given.empty() && given[0] == '*') {
                if (monitor_)
                    monitor_->warning("material \"" + name + "\": its texture is embedded in the file and is left out");
            } else if (!given.empty()) {
                texture = texturePath(given);
            }
        }

        char hex[16];
        std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", rgba.red, rgba.green, rgba.blue, rgba.opacity);
        std::string id = "mtl:" + (name.empty() ? "#" + std::to_string(index) : name) + ":" + hex;
        if (!texture.empty())
            id += ":" + fs::path(texture).filename().string();
        // Materials alike in name, colour and texture are one appearance.
        const auto same = ids_.find(id);
        if (same != ids_.end())
            return same->second;

        AppearanceData data;
        data.id = id;
        data.name = name.empty() ? "Material " + std::to_string(index) : name;
        PropertyData diffuse = colorProperty("generic_diffuse", rgba);
        if (!texture.empty()) {
            diffuse.hasTexture = true;
            diffuse.texture.push_back(filenameProperty("unifiedbitmap_Bitmap", texture));
        }
        data.properties.push_back(std::move(diffuse));
        design_.appearances.push_back(std::move(data));
        const int made = static_cast<int>(design_.appearances.size() - 1);
        ids_.emplace(id, made);
        return made;
    }

    // A texture file named in the model, found from the model's folder.
    // Files written on Windows name it with backslashes (".\\wood.jpg"),
    // which are taken as folder separators when no file has the name as
    // given.
    std::string texturePath(const std::string& given) const
    {
        const auto resolve = [this](const std::string& name) {
            fs::path file(name);
            if (file.is_relative())
                file = folder_ / file;
            std::error_code error;
            const fs::path absolute = fs::absolute(file, error);
            return (error ? file : absolute).lexically_normal();
        };
        fs::path file = resolve(given);
        if (given.find('\\') != std::string::npos && !fs::exists(file)) {
            std::string forward = given;
            std::replace(forward.begin(), forward.end(), '\\', '/');
            const fs::path other = resolve(forward);
            if (fs::exists(other))
                file = other;
        }
        return file.string();
    }

    const aiScene& scene_;
    fs::path folder_;
    std::string source_;
    double cm_;
    adsk::core::DefaultModelingOrientations orientation_;
    ImportMonitor* monitor_;
    DesignData design_;
    std::map<std::string, int> names_;
    std::map<std::vector<unsigned>, int> leafComponents_;
    std::map<unsigned, int> materials_;
    std::map<std::string, int> ids_;
    BoundingBox box_;
    int unnamed_ = 0;
    std::size_t nodesDone_ = 0;
};

} // namespace

DesignData loadMeshFile(const fs::path& file, const ImportOptions& options, ThreeMfImport threeMf)
{
    const std::string source = file.string();
    checkReadable(file, source);
    ImportMonitor* monitor = options.monitor;

    const std::string ext = lowerExtension(file);
    std::string unit = options.meshUnit;
    adsk::core::DefaultModelingOrientations orientation = adsk::core::YUpModelingOrientation;
    if (ext == ".gltf" || ext == ".glb")
        unit = "m";
    if (ext == ".stl" || ext == ".ply" || ext == ".off" || ext == ".3mf")
        orientation = adsk::core::ZUpModelingOrientation;
    if (ext == ".3mf")
        unit = "mm";

    LogCapture log;
    Assimp::Importer importer;
    importer.SetProgressHandler(new MonitorHandler(monitor));
    const ThreeMfImporter* threeMfImporter =
        ext == ".3mf" ? &ThreeMfImporter::replaceOwn(importer, threeMf == ThreeMfImport::Streaming) : nullptr;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // Identical vertices are joined after reading, by joinIdenticalVertices
    // where it gives Assimp's result (see VertexJoin.h): Assimp's own step
    // is the bulk of the time and memory of a large STL import.
    const unsigned flags =
        aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenSmoothNormals | aiProcess_ValidateDataStructure;
    if (monitor)
        monitor->begin("reading", 1000);
    const aiScene* read = importer.ReadFile(file.string(), flags);
    const bool joinHere = read && joinsLikeAssimp(*read);
    if (read && !joinHere)
        read = importer.ApplyPostProcessing(aiProcess_JoinIdenticalVertices);
    if (monitor)
        monitor->end();
    if (!read) {
        // Our own readers' errors say where; they pass through Assimp whole.
        if (const std::exception_ptr error = importer.GetException()) {
            try {
                std::rethrow_exception(error);
            } catch (const DesignError&) {
                throw;
            } catch (...) {
            }
        }
        std::string why = importer.GetErrorString();
        while (!why.empty() && (why.back() == '\n' || why.back() == ' '))
            why.pop_back();
        throw DesignError(source, "", why.empty() ? "not a readable mesh file" : why);
    }
    const std::unique_ptr<aiScene> scene(importer.GetOrphanedScene());
    if (joinHere) {
        for (unsigned m = 0; m < scene->mNumMeshes; ++m)
            if (scene->mMeshes[m])
                joinIdenticalVertices(*scene->mMeshes[m]);
        scene->mFlags |= AI_SCENE_FLAGS_NON_VERBOSE_FORMAT;
    }
    for (const std::string& line : log.lines())
        if (reportsLostData(line))
            throw DesignError(source, "", "vertex indices out of range (the reader says: \"" + line + "\")");
    if (!scene->mRootNode || scene->mNumMeshes == 0)
        throw DesignError(source, "", "no meshes in the file");
    std::optional<double> cm = centimetresPer(unit);
    if (!cm)
        throw DesignError(source, "", "unknown length unit \"" + unit + "\"");
    if (threeMfImporter) {
        // A 3MF model says its unit (millimetres when it does not).
        unit = threeMfImporter->unit().hostUnit;
        cm = threeMfImporter->unit().centimetres;
    }
    if (ext == ".fbx") {
        // FBX files say how many centimetres a unit is (1 when they do not);
        // the design's unit is the nearest one the host has.
        double scale = 1;
        if (!scene->mMetaData || !scene->mMetaData->Get("UnitScaleFactor", scale) || !(scale > 0))
            scale = 1;
        cm = scale;
        unit = scale >= 60 ? "m" : scale >= 20 ? "ft" : scale >= 2 ? "in" : scale >= 0.5 ? "cm" : "mm";
    }

    std::size_t nodes = 0;
    for (std::vector<const aiNode*> stack{scene->mRootNode}; !stack.empty();) {
        const aiNode* node = stack.back();
        stack.pop_back();
        ++nodes;
        for (unsigned c = 0; c < node->mNumChildren; ++c)
            if (node->mChildren[c] && stack.size() < 1000000)
                stack.push_back(node->mChildren[c]);
    }
    if (monitor)
        monitor->begin("building the design", nodes);
    SceneTranslator translator(*scene, file, source, *cm, orientation, monitor);
    DesignData design = translator.run(unit);
    if (monitor)
        monitor->end();
    return design;
}

} // namespace standin::host::cad
