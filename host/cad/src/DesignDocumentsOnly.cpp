// Reading design files in a build without OpenCASCADE and Assimp (the
// Windows build, for which Debian has neither): design documents only; a CAD
// or mesh file is refused by name.
#include <StandIn/AnyFormat.h>

#include <StandIn/DesignLoader.h>

namespace standin::host {

DesignData loadDesignAnyFormat(const std::filesystem::path& file, const ImportOptions& options)
{
    checkImportOptions(options);
    const std::u8string name = file.u8string();
    const std::string source(name.begin(), name.end());
    const std::optional<DesignFormat> format = designFormatOf(file);
    if (!format)
        throw DesignError(source, "", "unknown file type (known: " + supportedExtensions() + ")");
    if (*format != DesignFormat::DesignDocument)
        throw DesignError(source, "",
                          "this build reads design documents (.design.json) only: CAD and mesh files need "
                          "OpenCASCADE and Assimp, which it was built without");
    return loadDesignFile(file);
}

} // namespace standin::host
