#pragma once
// Mesh files (glTF, OBJ, STL, PLY, ...) read with Assimp into the host's
// design data; what becomes what is told in StandIn/AnyFormat.h.

#include <StandIn/AnyFormat.h>
#include <StandIn/DesignData.h>

#include <filesystem>

namespace standin::host::cad {

/// Throws DesignError.
DesignData loadMeshFile(const std::filesystem::path& file, const ImportOptions& options);

} // namespace standin::host::cad
