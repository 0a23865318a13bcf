#pragma once
// A generated design for the benchmarks: `components` components, each one
// body of one face holding a 100 x 50 grid (10,000 triangles), placed side
// by side under the root. `rawMeshBytes`: the size of the mesh arrays the
// host holds for it.

#include <StandIn/StandIn.h>

#include <cstddef>
#include <string>
#include <utility>

inline standin::host::DesignData generatedDesign(int components, std::size_t& rawMeshBytes)
{
    namespace sh = standin::host;
    sh::DesignData d;
    d.name = "Generated v1";
    sh::ComponentData root;
    root.name = "Root";
    d.components.push_back(root);
    rawMeshBytes = 0;
    for (int i = 0; i < components; ++i) {
        sh::ComponentData c;
        c.name = "Part " + std::to_string(i);
        sh::BodyData b;
        b.name = "Body";
        sh::FaceData f;
        f.displayMeshes.push_back(sh::gridMesh(100, 50, 0.1));
        const sh::MeshData& m = f.displayMeshes.back();
        rawMeshBytes += 4 * (m.nodeCoordinates.size() + m.normalVectors.size() + m.textureCoordinates.size() +
                             m.nodeIndices.size());
        b.faces.push_back(std::move(f));
        c.bodies.push_back(std::move(b));
        d.components.push_back(std::move(c));
        sh::OccurrenceData o;
        o.component = i + 1;
        o.transform[0][3] = i * 12.0;
        d.components[0].occurrences.push_back(o);
    }
    d.products.push_back({sh::ProductType::Design, "mm", 0, {}});
    return d;
}
