#pragma once
// The triangle meshes the host keeps for displaying a face.

#include <Core/Base.h>
#include "Forward.h"

#include <cstddef>
#include <vector>

namespace adsk::fusion {

class ADSK_API MeshManager : public core::Base {
public:
    /// The meshes the host displays the face with, or empty.
    virtual core::Ptr<TriangleMeshList> displayMeshes() const = 0;

    static const char* classType() { return "adsk::fusion::MeshManager"; }
};

class ADSK_API TriangleMeshList : public core::Base {
public:
    virtual std::size_t count() const = 0;
    /// The mesh at `index`, or empty when out of range.
    virtual core::Ptr<TriangleMesh> item(std::size_t index) const = 0;

    static const char* classType() { return "adsk::fusion::TriangleMeshList"; }
};

/// One display mesh. Each accessor returns a fresh copy of a flat array;
/// normals and texture coordinates share the node indexing.
class ADSK_API TriangleMesh : public core::Base {
public:
    /// x, y, z per node, centimetres.
    std::vector<float> nodeCoordinatesAsFloat() const
    {
        std::size_t count = 0;
        const float* array = nodeCoordinatesAsFloat_raw(count);
        return core::detail::takeHostArray(array, count);
    }
    /// x, y, z per node.
    std::vector<float> normalVectorsAsFloat() const
    {
        std::size_t count = 0;
        const float* array = normalVectorsAsFloat_raw(count);
        return core::detail::takeHostArray(array, count);
    }
    /// u, v per node.
    std::vector<float> textureCoordinatesAsFloat() const
    {
        std::size_t count = 0;
        const float* array = textureCoordinatesAsFloat_raw(count);
        return core::detail::takeHostArray(array, count);
    }
    /// Three node indices per triangle.
    std::vector<int> nodeIndices() const
    {
        std::size_t count = 0;
        const int* array = nodeIndices_raw(count);
        return core::detail::takeHostArray(array, count);
    }

    static const char* classType() { return "adsk::fusion::TriangleMesh"; }

private:
    // Host-allocated arrays for DeallocateArray; the wrappers above copy them.
    virtual const float* nodeCoordinatesAsFloat_raw(std::size_t& count) const = 0;
    virtual const float* normalVectorsAsFloat_raw(std::size_t& count) const = 0;
    virtual const float* textureCoordinatesAsFloat_raw(std::size_t& count) const = 0;
    virtual const int* nodeIndices_raw(std::size_t& count) const = 0;
};

} // namespace adsk::fusion
