#pragma once
// CAD files (STEP, IGES, BRep) are read by a module of their own, the only
// part of the stand-in host that links OpenCASCADE. It is loaded when the
// first CAD file is opened: OpenCASCADE's seventy-odd libraries add about
// 30 MB to the resident memory of every process that maps them, which a
// host reading a mesh file or a design document has no use for.

#include <StandIn/AnyFormat.h>
#include <StandIn/DesignData.h>

#include <filesystem>

namespace standin::host::cad {

/// Reads a CAD file into the host's design (readCadFile, triangulate and
/// translateCadDocument of CadDocument.h). Throws DesignError, also when
/// the module cannot be loaded.
using CadFileReader = DesignData (*)(const std::filesystem::path& file, DesignFormat format,
                                     const ImportOptions& options);

/// Loads the module (once for the life of the process) and reads the file
/// with it.
DesignData loadCadFile(const std::filesystem::path& file, DesignFormat format, const ImportOptions& options);

} // namespace standin::host::cad

/// The module's entry, found by name.
extern "C" standin::host::cad::CadFileReader standinCadFileReader();
