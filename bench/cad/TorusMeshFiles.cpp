// A torus of about a million triangles written in every mesh format the
// stand-in host reads, for timing mesh imports against Assimp's own export
// (bench/cad/mesh-vs-assimp.py). The same input always gives the same files.
//
// Usage: torus-mesh-files FOLDER [SEGMENTS_AROUND SEGMENTS_ACROSS]
// (default 1000 x 500: 501,501 vertices, 1,000,000 triangles).
//
// Assimp's own writers write every format but OFF, which Assimp only reads:
// that one is written here. The torus has smooth normals and texture
// coordinates (its seams have vertices of their own), so the formats that
// hold them carry them; STL keeps one normal per triangle.

#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace {

std::unique_ptr<aiScene> torus(unsigned around, unsigned across)
{
    constexpr float kMajor = 100, kMinor = 30; // millimetres
    auto scene = std::make_unique<aiScene>();
    // The mesh on a child of the root: Assimp's 3MF writer writes only those.
    scene->mRootNode = new aiNode("Root");
    auto* node = new aiNode("Torus");
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned[1]{0};
    node->mParent = scene->mRootNode;
    scene->mRootNode->mNumChildren = 1;
    scene->mRootNode->mChildren = new aiNode*[1]{node};

    auto* material = new aiMaterial;
    const aiString name("Steel");
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor3D grey(0.6f, 0.62f, 0.65f);
    material->AddProperty(&grey, 1, AI_MATKEY_COLOR_DIFFUSE);
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial*[1]{material};

    auto* mesh = new aiMesh;
    mesh->mName = "Torus";
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = (around + 1) * (across + 1);
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    mesh->mNormals = new aiVector3D[mesh->mNumVertices];
    mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
    mesh->mNumUVComponents[0] = 2;
    const double tau = 2 * std::numbers::pi;
    for (unsigned i = 0; i <= around; ++i) {
        const double u = tau * i / around;
        for (unsigned j = 0; j <= across; ++j) {
            const double v = tau * j / across;
            const unsigned k = i * (across + 1) + j;
            const double ring = kMajor + kMinor * std::cos(v);
            mesh->mVertices[k] = aiVector3D(static_cast<float>(ring * std::cos(u)),
                                            static_cast<float>(ring * std::sin(u)),
                                            static_cast<float>(kMinor * std::sin(v)));
            mesh->mNormals[k] = aiVector3D(static_cast<float>(std::cos(v) * std::cos(u)),
                                           static_cast<float>(std::cos(v) * std::sin(u)),
                                           static_cast<float>(std::sin(v)));
            mesh->mTextureCoords[0][k] =
                aiVector3D(static_cast<float>(i) / static_cast<float>(around),
                           static_cast<float>(j) / static_cast<float>(across), 0);
        }
    }
    mesh->mNumFaces = 2 * around * across;
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    unsigned f = 0;
    for (unsigned i = 0; i < around; ++i)
        for (unsigned j = 0; j < across; ++j) {
            const unsigned a = i * (across + 1) + j, b = a + across + 1;
            for (const auto& corners : {std::array<unsigned, 3>{a, b, b + 1}, std::array<unsigned, 3>{a, b + 1, a + 1}}) {
                aiFace& face = mesh->mFaces[f++];
                face.mNumIndices = 3;
                face.mIndices = new unsigned[3]{corners[0], corners[1], corners[2]};
            }
        }
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh*[1]{mesh};
    return scene;
}

void writeOff(const aiMesh& mesh, const fs::path& file)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(file.c_str(), "w"), std::fclose);
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
    std::fprintf(out.get(), "OFF\n%u %u 0\n", mesh.mNumVertices, mesh.mNumFaces);
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
        const aiVector3D& p = mesh.mVertices[v];
        std::fprintf(out.get(), "%.7g %.7g %.7g\n", static_cast<double>(p.x), static_cast<double>(p.y),
                     static_cast<double>(p.z));
    }
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const unsigned* i = mesh.mFaces[f].mIndices;
        std::fprintf(out.get(), "3 %u %u %u\n", i[0], i[1], i[2]);
    }
    if (std::ferror(out.get()) || std::fclose(out.release()) != 0)
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s FOLDER [SEGMENTS_AROUND SEGMENTS_ACROSS]\n", argv[0]);
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        const unsigned around = argc == 4 ? static_cast<unsigned>(std::stoul(argv[2])) : 1000;
        const unsigned across = argc == 4 ? static_cast<unsigned>(std::stoul(argv[3])) : 500;
        if (around < 3 || across < 3 || std::uint64_t{around} * across > 100'000'000)
            throw std::runtime_error("segments: 3 to 100 million quads");
        fs::create_directories(folder);
        const std::unique_ptr<aiScene> scene = torus(around, across);

        // Assimp's writer for each file: "torus-binary.stl" is written by "stlb".
        const struct {
            const char* file;
            const char* format;
        } outputs[] = {
            {"torus-binary.stl", "stlb"}, {"torus-ascii.stl", "stl"},   {"torus.obj", "obj"},
            {"torus-binary.ply", "plyb"}, {"torus-ascii.ply", "ply"},   {"torus.gltf", "gltf2"},
            {"torus.glb", "glb2"},        {"torus.dae", "collada"},     {"torus.fbx", "fbxa"},
            {"torus.3mf", "3mf"},         {"torus.3ds", "3ds"},
        };
        Assimp::Exporter exporter;
        for (const auto& output : outputs) {
            const fs::path file = folder / output.file;
            if (exporter.Export(scene.get(), output.format, file.string()) != aiReturn_SUCCESS)
                throw std::runtime_error(file.string() + ": " + exporter.GetErrorString());
            std::printf("%s\n", file.c_str());
        }
        writeOff(*scene->mMeshes[0], folder / "torus.off");
        std::printf("%s\n", (folder / "torus.off").c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torus-mesh-files: %s\n", e.what());
        return 1;
    }
    return 0;
}
