// The entry of the OpenCASCADE module (CadModule.h).
#include "CadDocument.h"
#include "CadModule.h"

#include <StandIn/DesignError.h>

#include <Standard_Failure.hxx>

namespace standin::host::cad {

namespace {

DesignData readCadDesign(const std::filesystem::path& file, DesignFormat format, const ImportOptions& options)
{
    const CadFormat cadFormat = format == DesignFormat::Step   ? CadFormat::Step
                                : format == DesignFormat::Iges ? CadFormat::Iges
                                                               : CadFormat::Brep;
    CadDocument document = readCadFile(file, cadFormat, options.monitor);
    try {
        triangulate(document, options);
        return translateCadDocument(document, options.monitor);
    } catch (const Standard_Failure& failure) {
        const char* what = failure.GetMessageString();
        throw DesignError(file.string(), "",
                          std::string("OpenCASCADE failed: ") + (what && *what ? what : failure.DynamicType()->Name()));
    }
}

} // namespace

} // namespace standin::host::cad

extern "C" __attribute__((visibility("default"))) standin::host::cad::CadFileReader standinCadFileReader()
{
    return &standin::host::cad::readCadDesign;
}
