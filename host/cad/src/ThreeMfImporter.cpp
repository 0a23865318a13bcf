#include "ThreeMfImporter.h"

#include "LeakCheckPause.h"

#include <StandIn/DesignError.h>

#include <assimp/ProgressHandler.hpp>
#include <assimp/importerdesc.h>

#include <stdexcept>
#include <utility>

namespace standin::host::cad {

namespace {

const aiImporterDesc kDescription = {"3MF streaming importer",
                                     "",
                                     "",
                                     "",
                                     aiImporterFlags_SupportBinaryFlavour | aiImporterFlags_SupportCompressedFlavour,
                                     0,
                                     0,
                                     0,
                                     0,
                                     "3mf"};

// Moves everything `from` holds into `into`, which must be empty.
void moveScene(aiScene& from, aiScene& into)
{
    std::swap(into.mFlags, from.mFlags);
    std::swap(into.mRootNode, from.mRootNode);
    std::swap(into.mNumMeshes, from.mNumMeshes);
    std::swap(into.mMeshes, from.mMeshes);
    std::swap(into.mNumMaterials, from.mNumMaterials);
    std::swap(into.mMaterials, from.mMaterials);
    std::swap(into.mNumAnimations, from.mNumAnimations);
    std::swap(into.mAnimations, from.mAnimations);
    std::swap(into.mNumTextures, from.mNumTextures);
    std::swap(into.mTextures, from.mTextures);
    std::swap(into.mNumLights, from.mNumLights);
    std::swap(into.mLights, from.mLights);
    std::swap(into.mNumCameras, from.mNumCameras);
    std::swap(into.mCameras, from.mCameras);
    std::swap(into.mMetaData, from.mMetaData);
    std::swap(into.mName, from.mName);
    std::swap(into.mNumSkeletons, from.mNumSkeletons);
    std::swap(into.mSkeletons, from.mSkeletons);
}

} // namespace

ThreeMfImporter& ThreeMfImporter::replaceOwn(Assimp::Importer& importer, bool streaming)
{
    std::unique_ptr<Assimp::BaseImporter> own(importer.GetImporter("3mf"));
    if (own)
        importer.UnregisterLoader(own.get());
    auto* replacement = new ThreeMfImporter(importer, std::move(own), streaming);
    importer.RegisterLoader(replacement);
    return *replacement;
}

ThreeMfImporter::ThreeMfImporter(Assimp::Importer& importer, std::unique_ptr<Assimp::BaseImporter> own,
                                 bool streaming)
    : importer_(importer), own_(std::move(own)), streaming_(streaming)
{
}

bool ThreeMfImporter::CanRead(const std::string& file, Assimp::IOSystem* io, bool checkSignature) const
{
    return own_ && own_->CanRead(file, io, checkSignature);
}

const aiImporterDesc* ThreeMfImporter::GetInfo() const
{
    return &kDescription;
}

void ThreeMfImporter::InternReadFile(const std::string& file, aiScene* scene, Assimp::IOSystem* io)
{
    unit_ = {};
    leftToAssimp_.clear();
    if (!streaming_)
        return readWithOwn(file, *scene, io);
    try {
        readThreeMfModel(file, file, *scene, unit_, [this](std::uint64_t done, std::uint64_t total) {
            if (m_progress && total > 0)
                m_progress->UpdateFileRead(static_cast<int>(done * 1000 / std::max(total, done)), 1000);
        });
    } catch (const ThreeMfNeedsAssimp& needs) {
        leftToAssimp_ = needs.what;
        readWithOwn(file, *scene, io);
    }
}

void ThreeMfImporter::readWithOwn(const std::string& file, aiScene& scene, Assimp::IOSystem* io)
{
    if (!own_)
        throw DesignError(file, leftToAssimp_, "this Assimp has no 3MF importer of its own to read it");
    std::unique_ptr<aiScene> read;
    {
        // Assimp's reader never frees the records of a package's textures.
        LeakCheckPause knownLeaks;
        read.reset(own_->ReadFile(&importer_, file, io));
    }
    if (!read) {
        if (own_->GetException())
            std::rethrow_exception(own_->GetException());
        throw std::runtime_error(own_->GetErrorText());
    }
    moveScene(*read, scene);
}

} // namespace standin::host::cad
