#pragma once
// A design document (.design.json text) of components nested `levels` deep:
// Part0 places Part1, which places Part2, and so on, each 1 cm along x; the
// deepest holds one body of one triangle. Made by the tests rather than
// stored, as the deep ones run to megabytes.

#include <cstddef>
#include <string>

namespace rdtest {

inline std::string chainDesignJson(std::size_t levels, const std::string& units = "cm")
{
    std::string json = R"({"format": "design/1", "name": "Chain", "products": [{"type": "design", "units": ")" +
                       units + R"(", "rootComponent": "c0"}], "components": [)";
    for (std::size_t i = 0; i < levels; ++i) {
        json += i == 0 ? "\n" : ",\n";
        json += R"({"key": "c)" + std::to_string(i) + R"(", "name": "Part)" + std::to_string(i) + "\", ";
        if (i + 1 < levels)
            json += R"("occurrences": [{"component": "c)" + std::to_string(i + 1) +
                    R"(", "transform": [[1, 0, 0, 1], [0, 1, 0, 0], [0, 0, 1, 0], [0, 0, 0, 1]]}]})";
        else
            json += R"("bodies": [{"name": "Body", "faces": [{"displayMeshes": [)"
                    R"({"nodeCoordinates": [0, 0, 0, 1, 0, 0, 0, 1, 0], "nodeIndices": [0, 1, 2]}]}]}]})";
    }
    return json + "\n]}\n";
}

} // namespace rdtest
