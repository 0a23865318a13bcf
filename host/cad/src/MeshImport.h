#pragma once
// Mesh files (glTF, OBJ, STL, PLY, ...) read with Assimp into the host's
// design data; what becomes what is told in StandIn/AnyFormat.h.

#include <StandIn/AnyFormat.h>
#include <StandIn/DesignData.h>

#include <filesystem>

namespace standin::host::cad {

/// Which importer reads 3MF files: ours, which streams (ThreeMfImporter.h),
/// or Assimp's own, kept to compare the two.
enum class ThreeMfImport { Streaming, AssimpOwn };

/// Throws DesignError.
DesignData loadMeshFile(const std::filesystem::path& file, const ImportOptions& options,
                        ThreeMfImport threeMf = ThreeMfImport::Streaming);

} // namespace standin::host::cad
