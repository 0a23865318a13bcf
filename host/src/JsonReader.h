#pragma once
// Reads a JSON text into a DOM in which the mesh arrays are not JSON values.
//
// A design's bulk is its mesh arrays: millions of numbers that would cost
// 16 bytes each (plus the growth of their arrays) as DOM values. While the
// text is parsed event by event, every array under the field
// "nodeCoordinates", "normalVectors", "textureCoordinates" or "nodeIndices" of
// an object inside a "displayMeshes" list is streamed into a PackedArray of
// 32-bit floats or integers instead, and the DOM holds a placeholder (a JSON
// binary value, which JSON text cannot produce) with the array's number.
// Elements that do not fit are noted, not rejected here, so that the checks
// of the design report problems in document order with their JSON paths.
//
// The text is read in blocks, never whole, and the plain numbers of a mesh
// array are read straight from the block, past the general parser, which
// sees the rest (JsonReader.cpp tells how the two share the text).
//
// Reported here, as DesignError: malformed text with its line and column (as
// the general parser words it), bytes after the document, repeated fields,
// objects of more than kMaxFields fields and containers nested more than
// kMaxNesting deep, with the JSON path.

#include <StandIn/DesignError.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin::host::detail {

using Json = nlohmann::ordered_json;

// No object of a design has more than a handful of fields; one with hundreds
// is refused before the linear duplicate check makes it slow.
inline constexpr std::size_t kMaxFields = 256;

// A design nests about ten levels (a few more with textures of textures);
// deeper input is refused, so that nothing that walks the DOM can be made to
// walk deep.
inline constexpr std::size_t kMaxNesting = 100;

struct PackedArray {
    bool indices = false;             // "nodeIndices": 32-bit integers, else floats
    std::vector<float> floats;
    std::vector<std::int32_t> ints;   // an element that did not fit holds -1
    std::size_t count = 0;            // elements, those that did not fit included

    // The first element that did not fit.
    struct Issue {
        std::size_t index = 0;
        bool wrongType = false;       // else: an integer beyond 32 bits, or a float overflow
        std::string text;             // wrongType: the whole message; else the value as written
    };
    std::optional<Issue> issue;
};

struct JsonDocument {
    Json root;
    std::vector<PackedArray> packed;
};

// The PackedArray a placeholder stands for, or null when `value` is not one.
PackedArray* packedArray(JsonDocument& document, const Json& value);

JsonDocument readJsonText(std::string_view text, const std::string& source);
JsonDocument readJsonFile(const std::filesystem::path& file, const std::string& source);

} // namespace standin::host::detail
