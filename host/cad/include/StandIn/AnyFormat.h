#pragma once
// Opens design files of every format the stand-in host reads, chosen by the
// file name's extension (case does not matter):
//
//   .design.json                  the host's own design documents (DesignLoader.h)
//   .step .stp .iges .igs .brep   CAD files, read with OpenCASCADE
//   .gltf .glb .obj .stl .ply .fbx .dae .3ds .off .3mf
//                                 mesh files, read with Assimp
//
// CAD files: the file's parts and assemblies become components, their
// placements occurrences (transform in centimetres), each solid a body
// (shells and loose faces outside solids one body each), each face a face
// with one display mesh from OpenCASCADE's triangulation. Colours on
// placements, parts, solids and faces become appearances ("rgb-rrggbb",
// or "rgba-rrggbbaa" when not opaque, with a "generic_diffuse" colour
// property) on the occurrence, body or face they are found on. Hidden
// placements, parts and solids have their light bulb off. The area and
// volume of each part come from its exact geometry. The file's length unit is
// the design's default length unit; a .brep file, which has none, counts
// as millimetres. Designs are Z up, as CAD files are.
//
// Mesh files: each node of the scene becomes a component placed by an
// occurrence with the node's transform; the meshes of a node make up one
// body with one face per mesh (glTF: per primitive); each material an
// appearance with its base colour and its base-colour texture file. glTF
// files are in metres and Y up; for formats without a unit (OBJ, STL, PLY,
// ...) ImportOptions::meshUnit says which. The area and volume of a
// component are computed from its meshes as the host opens the design.
//
// Every failure throws DesignError naming the file and what is wrong: a file
// that cannot be read, an empty file, a syntax error (with its line where
// the reader tells it), a file without any shape or mesh, an index out of
// range. Nothing is printed on standard output (a scene may be going there).

#include <StandIn/DesignData.h>
#include "ImportMonitor.h"

#include <filesystem>
#include <optional>
#include <string>

namespace standin::host {

struct ImportOptions {
    /// Largest distance between a curved face and its display mesh, in
    /// millimetres; 0 takes relativeDeflection instead.
    double deflection = 0.0;
    /// With deflection 0: this fraction of the diagonal of each part's
    /// bounding box, about the medium display quality of CAD programs.
    double relativeDeflection = 0.001;
    /// Largest angle between the normals along a triangle edge on a curved
    /// face, in radians (20 degrees).
    double angularDeflection = 0.3490658503988659;
    /// The length unit of mesh files whose format has none: "mm", "cm",
    /// "m", "in" or "ft".
    std::string meshUnit = "mm";
    /// Told about stages, progress and what was left out; may be null.
    ImportMonitor* monitor = nullptr;
};

enum class DesignFormat { DesignDocument, Step, Iges, Brep, Mesh };

/// The format a file name stands for; empty for an extension not read here.
std::optional<DesignFormat> designFormatOf(const std::filesystem::path& file);

/// The extensions read, for help texts: ".design.json, .step, .stp, ...".
std::string supportedExtensions();

/// Reads a design file of any supported format. Throws DesignError.
DesignData loadDesignAnyFormat(const std::filesystem::path& file, const ImportOptions& options = {});

/// loadDesignAnyFormat + openDesign: on a DesignError nothing changes.
void openDesignAnyFormat(const std::filesystem::path& file, const ImportOptions& options = {});

/// Checks the options: positive deflections, a known mesh unit. Throws
/// std::invalid_argument naming the option.
void checkImportOptions(const ImportOptions& options);

} // namespace standin::host
