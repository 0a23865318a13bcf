// A host body becomes a body group holding one group per distinct appearance
// of its faces; each such group holds the display meshes of its faces and
// shares one material.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <scene/TriangleObject.h>
#include <scene/VelGroup.h>
#include "FusionExporter.h"
#include "FusionMaterial.h"

using adsk::core::Appearance;
using adsk::core::Ptr;
namespace fusion = adsk::fusion;

namespace {

constexpr std::uint32_t kBodyGroupEmpty = 33793;
constexpr std::uint32_t kBodyGroupFilled = 1024;
constexpr std::uint32_t kFaceGroup = 65536;

// Faces are grouped by appearance identifier, compared byte by byte (as
// unsigned characters, which is how std::string orders). Faces that show no
// appearance at all form one group that orders before every identifier.
struct AppearanceKey {
    bool hasAppearance = false;
    std::string id;
    bool operator<(const AppearanceKey& other) const
    {
        return hasAppearance != other.hasAppearance ? !hasAppearance : id < other.id;
    }
};

struct FacesOfAppearance {
    Ptr<Appearance> appearance; // the first object met with this identifier
    std::vector<Ptr<fusion::BRepFace>> faces;
};

} // namespace

std::shared_ptr<vel::VelGroup> FusionExporter::translateBody(Ptr<fusion::BRepBody> body,
                                                             Ptr<Appearance> inheritedAppearance, bool visible)
{
    Ptr<Appearance> bodyAppearance = inheritedAppearance;
    if (Ptr<Appearance> own = body->appearance())
        bodyAppearance = own;

    const std::string name = body->name();
    auto bodyGroup = std::make_shared<vel::VelGroup>(name);
    bodyGroup->setFlags(kBodyGroupEmpty);
    if (!visible)
        return bodyGroup;

    std::map<AppearanceKey, FacesOfAppearance> byAppearance;
    Ptr<fusion::BRepFaces> faces = body->faces();
    const std::size_t faceCount = faces->count();
    for (std::size_t i = 0; i < faceCount; ++i) {
        Ptr<fusion::BRepFace> face = faces->item(i);
        Ptr<Appearance> appearance = face->appearance();
        if (!appearance)
            appearance = bodyAppearance;
        AppearanceKey key;
        if (appearance)
            key = {true, appearance->id()};
        auto [entry, added] = byAppearance.try_emplace(std::move(key));
        if (added)
            entry->second.appearance = appearance;
        entry->second.faces.push_back(std::move(face));
    }

    for (auto& [key, entry] : byAppearance) {
        std::shared_ptr<vel::VelGroup> faceGroup = bodyGroup->createGroup(name);
        bodyGroup->setFlags(kBodyGroupFilled);
        auto material = std::make_shared<vel::FusionMaterial>(entry.appearance);
        for (const Ptr<fusion::BRepFace>& face : entry.faces) {
            Ptr<fusion::TriangleMeshList> meshes = face->meshManager()->displayMeshes();
            const std::size_t meshCount = meshes->count();
            for (std::size_t j = 0; j < meshCount; ++j) {
                std::shared_ptr<vel::TriangleObject> mesh = translateMesh(meshes->item(j));
                mesh->setName(name);
                mesh->setMaterial(material);
                faceGroup->addObject(std::move(mesh));
            }
            faceGroup->setFlags(kFaceGroup);
        }
    }
    return bodyGroup;
}

std::shared_ptr<vel::TriangleObject> FusionExporter::translateMesh(Ptr<fusion::TriangleMesh> mesh)
{
    auto object = std::make_shared<vel::TriangleObject>("");
    // Each array is copied once, out of the host, and then moved into the
    // mesh node.
    std::vector<float> coordinates = mesh->nodeCoordinatesAsFloat();
    std::vector<float> normals = mesh->normalVectorsAsFloat();
    std::vector<float> uvs = mesh->textureCoordinatesAsFloat();
    for (float& v : coordinates)
        v *= unitsPerCentimetre_;
    object->setVertices(std::move(coordinates));
    object->setNormals(std::move(normals));
    object->setUVs(std::move(uvs));
    std::vector<int> indices = mesh->nodeIndices();
    object->setTriangles(std::vector<std::int32_t>(std::move(indices)));
    return object;
}
