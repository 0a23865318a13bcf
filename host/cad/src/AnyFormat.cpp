// Reading CAD and mesh files, with OpenCASCADE (in a module loaded on first
// use, see CadModule.h) and Assimp; what needs neither is in
// DesignFormats.cpp.
#include <StandIn/AnyFormat.h>

#include <StandIn/DesignLoader.h>

#include "CadModule.h"
#include "MeshImport.h"

namespace standin::host {

DesignData loadDesignAnyFormat(const std::filesystem::path& file, const ImportOptions& options)
{
    checkImportOptions(options);
    const std::optional<DesignFormat> format = designFormatOf(file);
    if (!format)
        throw DesignError(file.string(), "",
                          "unknown file type \"" + file.extension().string() + "\" (known: " + supportedExtensions() +
                              ")");
    switch (*format) {
    case DesignFormat::DesignDocument:
        return loadDesignFile(file);
    case DesignFormat::Mesh:
        return cad::loadMeshFile(file, options);
    case DesignFormat::Step:
    case DesignFormat::Iges:
    case DesignFormat::Brep:
        return cad::loadCadFile(file, *format, options);
    }
    throw DesignError(file.string(), "", "unknown file type");
}

} // namespace standin::host
