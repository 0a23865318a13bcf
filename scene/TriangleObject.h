#pragma once
// An indexed triangle mesh. Emitted as a full object (validated geometry plus
// material), or, after writeDefinition, as an instance of its definition.
//
// Counts are counts of array elements (floats or ints), not of vertices or
// triangles. Each array is held once; emission passes it to the scene
// interface without copying it again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "LightGeometry.h"

namespace vel {

class TriangleObject : public LightGeometry {
public:
    // Installs a Diffuse material named "default".
    explicit TriangleObject(std::string name);
    ~TriangleObject() override;

    // Validates, then emits a placed object with its geometry and material;
    // any validation message goes into the scene as an error, also when the
    // object itself is skipped for having no triangles.
    bool write(velSceneapi_oo& w) override;
    // Emits a "#define object" with a fresh id and the full arrays, then drops
    // the arrays: later write() calls emit instance references.
    bool writeDefinition(velSceneapi_oo& w) override;
    // 4 bytes for every element of the seven arrays.
    std::size_t memorySize() const override;

    // Each setter replaces the whole array with a copy of count elements.
    void setVertices(const float* data, std::size_t count);
    void setTriangles(const std::int32_t* data, std::size_t count);
    void setUVs(const float* data, std::size_t count);
    void setNormals(const float* data, std::size_t count);
    // The same, taking over a buffer the caller already built.
    void setVertices(std::vector<float>&& values) { vertices_ = std::move(values); }
    void setTriangles(std::vector<std::int32_t>&& values) { triangles_ = std::move(values); }
    void setUVs(std::vector<float>&& values) { uvs_ = std::move(values); }
    void setNormals(std::vector<float>&& values) { normals_ = std::move(values); }
    // Index and colour arrays the add-in never fills; meshes read back from
    // scene files may carry them.
    void setUVIndices(std::vector<std::int32_t>&& values) { uvIndices_ = std::move(values); }
    void setNormalIndices(std::vector<std::int32_t>&& values) { normalIndices_ = std::move(values); }
    void setVertexColors(std::vector<float>&& values) { vertexColors_ = std::move(values); }

    // Checks the arrays against each other and stores every finding, joined
    // without separators, as the message. False only when there are no
    // triangles. A defined mesh passes at once and keeps its old message.
    bool validate();
    const std::string& message() const { return message_; }

    const std::vector<float>& vertices() const { return vertices_; }
    const std::vector<std::int32_t>& triangles() const { return triangles_; }
    const std::vector<float>& uvs() const { return uvs_; }
    const std::vector<float>& normals() const { return normals_; }

private:
    void writeGeometry(velSceneapi_oo& w);

    std::vector<float> vertices_;
    std::vector<std::int32_t> triangles_;
    std::vector<float> uvs_;
    std::vector<std::int32_t> uvIndices_;
    std::vector<float> normals_;
    std::vector<std::int32_t> normalIndices_;
    std::vector<float> vertexColors_;
    std::string message_;
};

} // namespace vel
