#include "TriangleObject.h"

#include <memory>
#include <string>
#include <utility>

#include <sceneapi/velSceneapi_oo.h>
#include "Diffuse.h"
#include "Material.h"

namespace vel {

TriangleObject::TriangleObject(std::string name) : LightGeometry(std::move(name))
{
    setMaterial(std::make_shared<Diffuse>("default"));
}

TriangleObject::~TriangleObject() = default;

void TriangleObject::setVertices(const float* data, std::size_t count)
{
    vertices_.assign(data, data + count);
}

void TriangleObject::setTriangles(const std::int32_t* data, std::size_t count)
{
    triangles_.assign(data, data + count);
}

void TriangleObject::setUVs(const float* data, std::size_t count)
{
    uvs_.assign(data, data + count);
}

void TriangleObject::setNormals(const float* data, std::size_t count)
{
    normals_.assign(data, data + count);
}

std::size_t TriangleObject::memorySize() const
{
    return 4 * (vertices_.size() + triangles_.size() + uvs_.size() + uvIndices_.size() + normals_.size() +
                normalIndices_.size() + vertexColors_.size());
}

bool TriangleObject::validate()
{
    if (isDefined())
        return true;

    std::string text;
    if (!normals_.empty() && normalIndices_.empty()) {
        if (normals_.size() != vertices_.size())
            text += "Number of normals does not equal number of vertices";
    } else if (!normals_.empty()) {
        if (normalIndices_.size() != triangles_.size())
            text += "Normals count does not match number of triangles " + std::to_string(normalIndices_.size()) +
                    " vs " + std::to_string(triangles_.size());
    } else if (!normalIndices_.empty()) {
        text += "No normals defined for index";
    }

    if (!uvs_.empty() && !uvIndices_.empty()) {
        if (uvIndices_.size() != triangles_.size())
            text += "UV index count does not match triangle count";
    } else if (!uvs_.empty()) {
        // One u, v pair per vertex.
        if (2 * vertices_.size() != 3 * uvs_.size())
            text += "Number of uvs(" + std::to_string(uvs_.size()) + ")  does not match vertex count(" +
                    std::to_string(vertices_.size()) + ")";
    } else if (!uvIndices_.empty()) {
        text += "No uvs defined for index";
    }

    if (!vertexColors_.empty() && vertexColors_.size() != vertices_.size())
        text += "VetexColor count does not match number of vertices";

    if (triangles_.empty())
        text += "No triangles defined";

    message_ = std::move(text);
    return !triangles_.empty();
}

bool TriangleObject::write(velSceneapi_oo& w)
{
    const bool emitted = validate();
    if (emitted) {
        velScene_api* api = w.api();
        api->beginObject(name().c_str(), true);
        writeGeometry(w);
        // Every mesh carries a material from construction; an empty one (set
        // by a caller) is skipped rather than dereferenced.
        if (std::shared_ptr<Material> material = getMaterial())
            material->write(w);
        api->endObject();
    }
    if (!message_.empty())
        w.error(message_);
    return emitted;
}

bool TriangleObject::writeDefinition(velSceneapi_oo& w)
{
    velScene_api* api = w.api();
    api->beginObject(name().c_str(), false);
    const int id = w.newId();
    writeGeometry(w);
    api->endObject();

    // The definition carries the data from now on; free it here.
    vertices_ = {};
    triangles_ = {};
    uvs_ = {};
    uvIndices_ = {};
    normals_ = {};
    normalIndices_ = {};
    vertexColors_ = {};
    markDefined(static_cast<std::uint64_t>(id));
    return true;
}

void TriangleObject::writeGeometry(velSceneapi_oo& w)
{
    velScene_api* api = w.api();
    if (isDefined()) {
        api->beginGeometry("instance");
        w.setInt("id", static_cast<int>(static_cast<std::uint32_t>(instanceId())));
        api->endGeometry();
        return;
    }
    api->beginGeometry("triangles");
    w.setVector3fArray("vertices", vertices_);
    w.setIntArray("triangles", triangles_);
    if (!uvIndices_.empty())
        w.setIntArray("triangles_uv", uvIndices_);
    if (!uvs_.empty())
        w.setFloatArray("uv_tex", uvs_);
    if (!normalIndices_.empty())
        w.setIntArray("triangles_norm", normalIndices_);
    if (!normals_.empty())
        w.setVector3fArray("normals", normals_);
    if (!vertexColors_.empty())
        w.setVector3fArray("vcolors", vertexColors_);
    api->endGeometry();
}

} // namespace vel
