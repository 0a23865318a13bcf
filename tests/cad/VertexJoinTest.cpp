// joinIdenticalVertices against Assimp's own JoinIdenticalVertices step:
// the same scene read once with the step and once without it and joined
// here must agree bit for bit, on real files and on meshes made to hit the
// step's corners (vertices closer than its tolerance but not equal, close
// vertices whose hashes share a bucket, NaN, signed zeros, vertices no face
// uses, meshes without normals).

#include "CadTestSupport.h"

#include <host/cad/src/VertexJoin.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>

namespace {

using namespace cadtest;

// What the mesh import asks of Assimp besides the join.
constexpr unsigned kFlags =
    aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenSmoothNormals | aiProcess_ValidateDataStructure;

template <typename T>
void expectSameArray(const T* a, const T* b, unsigned count, const std::string& what)
{
    ASSERT_EQ(a == nullptr, b == nullptr) << what;
    if (a) {
        EXPECT_EQ(std::memcmp(a, b, sizeof(T) * count), 0) << what;
    }
}

void expectSameMeshes(const aiScene& assimp, const aiScene& ours)
{
    ASSERT_EQ(assimp.mNumMeshes, ours.mNumMeshes);
    for (unsigned m = 0; m < assimp.mNumMeshes; ++m) {
        const aiMesh& a = *assimp.mMeshes[m];
        const aiMesh& b = *ours.mMeshes[m];
        const std::string where = "mesh " + std::to_string(m);
        ASSERT_EQ(a.mNumVertices, b.mNumVertices) << where;
        expectSameArray(a.mVertices, b.mVertices, a.mNumVertices, where + " positions");
        expectSameArray(a.mNormals, b.mNormals, a.mNumVertices, where + " normals");
        expectSameArray(a.mTangents, b.mTangents, a.mNumVertices, where + " tangents");
        expectSameArray(a.mBitangents, b.mBitangents, a.mNumVertices, where + " bitangents");
        for (unsigned set = 0; set < AI_MAX_NUMBER_OF_COLOR_SETS; ++set)
            expectSameArray(a.mColors[set], b.mColors[set], a.mNumVertices, where + " colours");
        for (unsigned set = 0; set < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++set)
            expectSameArray(a.mTextureCoords[set], b.mTextureCoords[set], a.mNumVertices, where + " uv");
        ASSERT_EQ(a.mNumFaces, b.mNumFaces) << where;
        for (unsigned f = 0; f < a.mNumFaces; ++f) {
            ASSERT_EQ(a.mFaces[f].mNumIndices, b.mFaces[f].mNumIndices) << where;
            EXPECT_EQ(std::memcmp(a.mFaces[f].mIndices, b.mFaces[f].mIndices, 4 * a.mFaces[f].mNumIndices), 0)
                << where << " face " << f;
        }
    }
}

// Reads with Assimp's join and without it plus ours, and compares.
void expectSameJoin(const std::function<const aiScene*(Assimp::Importer&, unsigned)>& read)
{
    Assimp::Importer withStep, without;
    const aiScene* assimp = read(withStep, kFlags | aiProcess_JoinIdenticalVertices);
    const aiScene* read2 = read(without, kFlags);
    ASSERT_TRUE(assimp && read2) << withStep.GetErrorString();
    ASSERT_TRUE(sh::cad::joinsLikeAssimp(*read2));
    const std::unique_ptr<aiScene> ours(without.GetOrphanedScene());
    for (unsigned m = 0; m < ours->mNumMeshes; ++m)
        sh::cad::joinIdenticalVertices(*ours->mMeshes[m]);
    expectSameMeshes(*assimp, *ours);
}

TEST(VertexJoin, RealFilesJoinAsAssimpJoinsThem)
{
    for (const char* name : {"OBJ/spider.obj", "STL/Spider_ascii.stl", "PLY/cube.ply", "Collada/duck.dae",
                             "OFF/Wuson.off", "3DS/fels.3ds", "3MF/box.3mf", "FBX/spider.fbx",
                             "glTF2/IncorrectVertexArrays/Cube.gltf"}) {
        const fs::path file = assimpModel(name);
        CAD_REQUIRE_FILE(file);
        SCOPED_TRACE(name);
        expectSameJoin([&](Assimp::Importer& importer, unsigned flags) {
            return importer.ReadFile(file.string(), flags);
        });
    }
}

// A mesh whose vertices crowd around a few points, normals and texture
// coordinates: some equal, some closer than the step's 1e-5, some just
// beyond it; a few NaN and negative zeros; a few vertices left unused.
std::unique_ptr<aiScene> crowdedMesh(unsigned seed)
{
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto near = [&](float value) {
        switch (pick(6)) {
        case 0: return value + 4e-6f * static_cast<float>(pick(3) - 1);
        case 1: return value + 1.2e-5f;
        case 2: return value == 0 ? -0.0f : value;
        case 3: return pick(20) == 0 ? std::numeric_limits<float>::quiet_NaN() : value;
        default: return value;
        }
    };
    const auto point = [&](float scale) {
        return aiVector3D(near(scale * static_cast<float>(pick(2))), near(scale * static_cast<float>(pick(2))),
                          near(0));
    };

    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("root");
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned[1]{0};
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial*[1]{new aiMaterial};
    auto* mesh = new aiMesh;
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh*[1]{mesh};
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = 24 + static_cast<unsigned>(pick(40));
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    const bool normals = seed % 4 != 0, uv = seed % 3 != 0, tangents = seed % 5 == 0;
    if (normals)
        mesh->mNormals = new aiVector3D[mesh->mNumVertices];
    if (uv)
        mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
    if (tangents) {
        mesh->mTangents = new aiVector3D[mesh->mNumVertices];
        mesh->mBitangents = new aiVector3D[mesh->mNumVertices];
    }
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
        mesh->mVertices[v] = point(1);
        if (normals)
            mesh->mNormals[v] = point(1).NormalizeSafe();
        if (uv)
            mesh->mTextureCoords[0][v] = point(0.5f);
        if (tangents) {
            mesh->mTangents[v] = point(1);
            mesh->mBitangents[v] = point(1);
        }
    }
    // The last few vertices stay unused.
    const unsigned used = mesh->mNumVertices - 3;
    mesh->mNumFaces = 2 * used;
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const unsigned a = f % used;
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f].mIndices =
            new unsigned[3]{a, static_cast<unsigned>(pick(static_cast<int>(used))), (a + 1) % used};
    }
    return scene;
}

TEST(VertexJoin, CrowdedMeshesJoinAsAssimpJoinsThem)
{
    Assimp::Exporter exporter;
    for (unsigned seed = 0; seed < 200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const aiExportDataBlob* blob = exporter.ExportToBlob(crowdedMesh(seed).get(), "assbin");
        ASSERT_NE(blob, nullptr) << exporter.GetErrorString();
        expectSameJoin([&](Assimp::Importer& importer, unsigned flags) {
            return importer.ReadFileFromMemory(blob->data, blob->size, flags, "assbin");
        });
    }
}

} // namespace
