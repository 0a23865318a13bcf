// Reading CAD and mesh files, with OpenCASCADE and Assimp; what does not need
// them is in DesignFormats.cpp.
#include <StandIn/AnyFormat.h>

#include <StandIn/DesignLoader.h>

#include "CadDocument.h"
#include "MeshImport.h"

#include <Standard_Failure.hxx>

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
    case DesignFormat::Brep: {
        const cad::CadFormat cadFormat = *format == DesignFormat::Step   ? cad::CadFormat::Step
                                         : *format == DesignFormat::Iges ? cad::CadFormat::Iges
                                                                         : cad::CadFormat::Brep;
        cad::CadDocument document = cad::readCadFile(file, cadFormat, options.monitor);
        try {
            cad::triangulate(document, options);
            return cad::translateCadDocument(document, options.monitor);
        } catch (const Standard_Failure& failure) {
            const char* what = failure.GetMessageString();
            throw DesignError(file.string(), "",
                              std::string("OpenCASCADE failed: ") +
                                  (what && *what ? what : failure.DynamicType()->Name()));
        }
    }
    }
    throw DesignError(file.string(), "", "unknown file type");
}

} // namespace standin::host
