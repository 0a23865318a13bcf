#include "VertexJoin.h"

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace standin::host::cad {

namespace {

constexpr std::uint32_t kNone = 0xffffffffu;
// In a vertex's new number: the vertex is the one kept for its group.
constexpr std::uint32_t kKept = 0x80000000u;

// The step's hash: the coordinates' std::hash, combined in its way.
std::size_t positionHash(const aiVector3D& p)
{
    std::size_t seed = 0;
    for (const float c : {p.x, p.y, p.z})
        seed ^= std::hash<float>{}(c) + 0x9e3779b9 + (seed << 6) + (seed >> 2);
    return seed;
}

// The arrays the step compares; a missing one compares as all zeros, that
// is equal.
struct Compared {
    explicit Compared(const aiMesh& mesh)
        : position(mesh.mVertices), normal(mesh.HasNormals() ? mesh.mNormals : nullptr),
          uv(mesh.HasTextureCoords(0) ? mesh.mTextureCoords[0] : nullptr),
          tangent(mesh.HasTangentsAndBitangents() ? mesh.mTangents : nullptr),
          bitangent(mesh.HasTangentsAndBitangents() ? mesh.mBitangents : nullptr)
    {
    }

    // The step's test, operation for operation (a NaN compares as close).
    static bool close(const aiVector3D* values, std::uint32_t a, std::uint32_t b)
    {
        static constexpr float kEpsilon = 1e-5f;
        static constexpr float kSquareEpsilon = kEpsilon * kEpsilon;
        return !values || !((values[a] - values[b]).SquareLength() > kSquareEpsilon);
    }

    bool same(std::uint32_t a, std::uint32_t b) const
    {
        return close(position, a, b) && close(normal, a, b) && close(uv, a, b) && close(tangent, a, b) &&
               close(bitangent, a, b);
    }

    const aiVector3D* position;
    const aiVector3D* normal;
    const aiVector3D* uv;
    const aiVector3D* tangent;
    const aiVector3D* bitangent;
};

// The array with the kept vertices only, in their new order; zeros where the
// step has no values to copy (a tangent array without bitangents).
template <typename T>
void compact(T*& values, const std::vector<std::uint32_t>& renumber, std::uint32_t kept, bool copy = true)
{
    if (!values)
        return;
    T* out = new T[kept];
    if (copy)
        for (std::uint32_t v = 0; v < renumber.size(); ++v)
            if (renumber[v] & kKept)
                out[renumber[v] & ~kKept] = values[v];
    delete[] values;
    values = out;
}

} // namespace

bool joinsLikeAssimp(const aiScene& scene)
{
    for (unsigned m = 0; m < scene.mNumMeshes; ++m)
        if (scene.mMeshes[m] && (scene.mMeshes[m]->mNumBones > 0 || scene.mMeshes[m]->mNumAnimMeshes > 0))
            return false;
    return true;
}

void joinIdenticalVertices(aiMesh& mesh)
{
    if (!mesh.HasPositions() || !mesh.HasFaces())
        return;
    const std::uint32_t count = mesh.mNumVertices;
    std::vector<bool> used(count);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        for (unsigned k = 0; k < face.mNumIndices; ++k) {
            if (face.mIndices[k] >= count)
                return;
            used[face.mIndices[k]] = true;
        }
    }

    // The step's map is reserved for every vertex and never grows past that.
    std::size_t buckets = 0;
    {
        std::unordered_map<std::uint32_t, int> probe;
        probe.reserve(count);
        buckets = probe.bucket_count();
    }
    // Per bucket the newest kept vertex, and per kept vertex the one kept
    // before it in its bucket.
    std::vector<std::uint32_t> newest(buckets, kNone), older(count, kNone);
    // An unused vertex keeps 0: not kept, and no face names it.
    std::vector<std::uint32_t> renumber(count, 0);
    const Compared compared(mesh);
    std::uint32_t kept = 0;
    for (std::uint32_t v = 0; v < count; ++v) {
        if (!used[v])
            continue;
        std::uint32_t& first = newest[positionHash(mesh.mVertices[v]) % buckets];
        std::uint32_t match = first;
        while (match != kNone && !compared.same(v, match))
            match = older[match];
        if (match != kNone) {
            renumber[v] = renumber[match] & ~kKept;
        } else {
            renumber[v] = kept++ | kKept;
            older[v] = first;
            first = v;
        }
    }
    const bool oneTangentArray = (mesh.mTangents == nullptr) != (mesh.mBitangents == nullptr);
    if (kept == count && !oneTangentArray)
        return; // every vertex kept in its place: the step's copy would be the same

    std::vector<std::uint32_t>().swap(older);
    std::vector<std::uint32_t>().swap(newest);
    compact(mesh.mVertices, renumber, kept);
    compact(mesh.mNormals, renumber, kept);
    compact(mesh.mTangents, renumber, kept, mesh.mBitangents != nullptr);
    compact(mesh.mBitangents, renumber, kept, mesh.mTangents != nullptr);
    // Like the step: the sets up to the first missing one.
    for (unsigned set = 0; set < AI_MAX_NUMBER_OF_COLOR_SETS && mesh.mColors[set]; ++set)
        compact(mesh.mColors[set], renumber, kept);
    for (unsigned set = 0; set < AI_MAX_NUMBER_OF_TEXTURECOORDS && mesh.mTextureCoords[set]; ++set)
        compact(mesh.mTextureCoords[set], renumber, kept);
    mesh.mNumVertices = kept;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        aiFace& face = mesh.mFaces[f];
        for (unsigned k = 0; k < face.mNumIndices; ++k)
            face.mIndices[k] = renumber[face.mIndices[k]] & ~kKept;
    }
}

} // namespace standin::host::cad
