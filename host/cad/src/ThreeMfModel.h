#pragma once
// The model of a 3MF package, read as it streams out of the zip: its XML is
// parsed piece by piece (expat) and each mesh goes straight into its arrays,
// so that memory follows the mesh and not the size of the file's text.
//
// The scene is the one Assimp's own 3MF reader makes of the same package, so
// that everything after the import gives the same design: a root node "3MF"
// with a node "Object_<id>" per build item and per component (transforms as
// in the file), one mesh per object mesh named after the object's id, every
// <base> of every <basematerials> a material "id<group>_<name>" (or
// "id<group>_basemat_<n>") with its display colour as the diffuse colour,
// and a mesh's material from the last triangle naming a base material
// (pid, p1), overridden by the object's own (pid, pindex).
//
// Where Assimp's reader gets a file wrong, this one does not: a "#RRGGBB"
// colour is opaque (Assimp leaves its alpha at 0, invisible); the model's
// `unit` is read (Assimp ignores it); references to missing objects or
// materials, indices out of range, cycles of components, builds that
// expand into more than 250,000 placements and malformed numbers or
// transforms are errors with the part and line (Assimp skips, reads past
// its arrays, recurses without end or makes every node).

#include <assimp/scene.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace standin::host::cad {

/// The model uses what this reader leaves to Assimp's own: textures and
/// their coordinates (`what` names it).
struct ThreeMfNeedsAssimp {
    std::string what;
};

/// A model's length unit: the host's unit for it and centimetres per unit.
struct ThreeMfUnit {
    std::string hostUnit = "mm";
    double centimetres = 0.1;
};

/// Bytes of the model part read so far, of its stated size.
using ThreeMfProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

/// Reads the 3MF package `file` (named `source` in errors) into `scene`,
/// which must be empty. `unit` is set as soon as the model's root element is
/// read, so it holds also when ThreeMfNeedsAssimp is thrown. Throws
/// DesignError (location: the part's name and line) or ThreeMfNeedsAssimp.
void readThreeMfModel(const std::filesystem::path& file, const std::string& source, aiScene& scene,
                      ThreeMfUnit& unit, const ThreeMfProgress& progress = {});

} // namespace standin::host::cad
