// The file types of AnyFormat.h and what every build shares; the reading
// itself is in AnyFormat.cpp (OpenCASCADE and Assimp) or, for a build
// without them, DesignDocumentsOnly.cpp.
#include <StandIn/AnyFormat.h>

#include <StandIn/DesignLoader.h>
#include <StandIn/HostControl.h>

#include "LengthUnits.h"

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

void openDesignAnyFormat(const std::filesystem::path& file, const ImportOptions& options)
{
    DesignData design = loadDesignAnyFormat(file, options);
    checkDesign(design, file.string());
    openDesign(std::move(design));
}

} // namespace standin::host
