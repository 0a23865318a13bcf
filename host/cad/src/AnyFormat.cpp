#include <StandIn/AnyFormat.h>

#include <StandIn/DesignLoader.h>
#include <StandIn/HostControl.h>

#include "CadDocument.h"
#include "LengthUnits.h"
#include "MeshImport.h"

#include <Standard_Failure.hxx>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace standin::host {

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

const char* const kMeshExtensions[] = {".gltf", ".glb", ".obj", ".stl", ".ply", ".fbx", ".dae", ".3ds", ".off", ".3mf"};

} // namespace

std::optional<DesignFormat> designFormatOf(const std::filesystem::path& file)
{
    const std::string name = lower(file.filename().string());
    if (endsWith(name, ".design.json"))
        return DesignFormat::DesignDocument;
    const std::string ext = lower(file.extension().string());
    if (ext == ".step" || ext == ".stp")
        return DesignFormat::Step;
    if (ext == ".iges" || ext == ".igs")
        return DesignFormat::Iges;
    if (ext == ".brep")
        return DesignFormat::Brep;
    for (const char* mesh : kMeshExtensions)
        if (ext == mesh)
            return DesignFormat::Mesh;
    return std::nullopt;
}

std::string supportedExtensions()
{
    std::string text = ".design.json, .step, .stp, .iges, .igs, .brep";
    for (const char* mesh : kMeshExtensions)
        text += std::string(", ") + mesh;
    return text;
}

void checkImportOptions(const ImportOptions& options)
{
    if (!(options.deflection >= 0) || !std::isfinite(options.deflection))
        throw std::invalid_argument("deflection: must be a length of 0 or more millimetres");
    if (options.deflection == 0 && (!(options.relativeDeflection > 0) || !std::isfinite(options.relativeDeflection)))
        throw std::invalid_argument("relative deflection: must be more than 0");
    if (!(options.angularDeflection > 0) || !(options.angularDeflection < 3.15))
        throw std::invalid_argument("angular deflection: must be more than 0 and at most 180 degrees");
    if (!cad::centimetresPer(options.meshUnit))
        throw std::invalid_argument("mesh unit: \"" + options.meshUnit + "\" is none of mm, cm, m, in, ft");
}

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

void openDesignAnyFormat(const std::filesystem::path& file, const ImportOptions& options)
{
    DesignData design = loadDesignAnyFormat(file, options);
    checkDesign(design, file.string());
    openDesign(std::move(design));
}

} // namespace standin::host
