#pragma once
// Reads design documents (`.design.json`, format "design/1") into DesignData.
//
// The loader is strict: an unknown format, a missing required field, an
// unknown or repeated field, a wrong type, a reference to a component key or
// appearance id that does not exist, a repeated key or id, an out-of-range
// value, a mesh array that is not a multiple of 3, a node index out of range,
// or a cycle of placements rejects the whole document with a DesignError that
// names the file and the JSON path, for example
//   gearbox.design.json: components[2].bodies[0].faces[5].displayMeshes[0].nodeIndices[17]: index 40 out of range (13 nodes)
// and a JSON syntax error with its line and column:
//   gearbox.design.json: line 3, column 7: syntax error while parsing object key - ...
//
// Also rejected, as values that could not be passed on faithfully or input
// that only serves to exhaust the stack:
//   - a string or field name holding U+0000 (names end at a NUL downstream);
//   - anything but white space after the document (the JSON parser would
//     take a NUL byte for the end of the text), with its line and column;
//   - a number that the scene is written with as a 32-bit float (points and
//     vectors of the viewport, transforms, mesh arrays) beyond float range;
//   - objects and arrays nested more than 100 levels deep (a design needs
//     about ten; textures nest at most kMaxTextureDepth deep).
//
// What the loader fills in:
//   - defaults for optional fields (visible true, no appearance, identity
//     transform, empty lists, modeling orientation "y-up");
//   - the default view (defaultView) when `host.viewport` is absent, and no
//     active viewport when it is null;
//   - NaN for the strings "NaN" in `physicalProperties`; an absent
//     `physicalProperties` stays empty and is computed when the document opens;
//   - mesh arrays narrowed to 32-bit floats (a value beyond float range is
//     rejected).
//
// Mesh arrays are streamed into their float and integer vectors while the
// file is read, never held as JSON values, so a document of millions of mesh
// numbers costs about four bytes per number beyond the file's read buffer.

#include <Core/Export.h>
#include "DesignData.h"
#include "DesignError.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace standin::host {

/// Reads and checks a design file; throws DesignError (also when the file
/// cannot be read).
ADSK_API DesignData loadDesignFile(const std::filesystem::path& file);

/// The same for a document held in memory; `source` names it in messages.
ADSK_API DesignData parseDesign(std::string_view json, const std::string& source = "design");

/// The checks that also apply to a design built in code: every reference
/// names an existing entry (or is kNone where that is allowed), no component
/// places one of its own ancestors, and textures nest no deeper than
/// kMaxTextureDepth. Throws DesignError.
ADSK_API void checkDesign(const DesignData& design, const std::string& source = "");

} // namespace standin::host
