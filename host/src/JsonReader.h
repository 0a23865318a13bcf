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
// Syntax errors and repeated fields of an object are reported here, as
// DesignError with the line and column or the JSON path.

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
