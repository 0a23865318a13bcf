// Benchmarks of the stand-in host:
//   - loading a design file of N triangles (time, and the heap's peak during
//     the load, beside that of a plain JSON DOM of the same file);
//   - opening a design built in code (no JSON) of many small bodies;
//   - fetching every mesh array of a document through the public API.
//
// Run: build/default/bench/host/host_bench
// The heap figures come from counting operator new in this program, which
// also sees the allocations of the host library.

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>
#include <StandIn/StandIn.h>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <bench/common/HeapCounter.h>

#include <filesystem>
#include <fstream>
#include <new>

namespace sh = standin::host;
using adsk::core::Ptr;

// ---- designs -----------------------------------------------------------------

namespace {

// One component with one body whose faces each hold a 100 × 50 grid
// (10 000 triangles), `faces` of them.
sh::DesignData gridDesign(int faces)
{
    sh::DesignData d;
    d.name = "Grid";
    sh::ComponentData c;
    c.key = "grid";
    c.name = "Grid";
    c.physicalProperties = sh::PhysicalData{1.0, 1.0};
    sh::BodyData b;
    b.name = "Body";
    for (int f = 0; f < faces; ++f) {
        sh::FaceData face;
        face.displayMeshes.push_back(sh::gridMesh(100, 50, 0.1));
        b.faces.push_back(std::move(face));
    }
    c.bodies.push_back(std::move(b));
    d.components.push_back(std::move(c));
    d.products.push_back({sh::ProductType::Design, "mm", 0, {}});
    return d;
}

template <class V>
void writeList(std::ostream& out, const V& values)
{
    out << '[';
    for (std::size_t i = 0; i < values.size(); ++i)
        out << (i ? "," : "") << values[i];
    out << ']';
}

// The design as a file, written once per size.
std::filesystem::path gridFile(int faces)
{
    const auto file = std::filesystem::temp_directory_path() / ("host_bench_grid_" + std::to_string(faces) + ".design.json");
    if (std::filesystem::exists(file))
        return file;
    const sh::DesignData d = gridDesign(faces);
    std::ofstream out(file);
    out.precision(9);
    out << R"({"format":"design/1","name":"Grid","products":[{"type":"design","units":"mm","rootComponent":"grid"}],)"
        << R"("components":[{"key":"grid","name":"Grid","physicalProperties":{"area":1,"volume":1},)"
        << R"("bodies":[{"name":"Body","faces":[)";
    for (std::size_t f = 0; f < d.components[0].bodies[0].faces.size(); ++f) {
        const sh::MeshData& m = d.components[0].bodies[0].faces[f].displayMeshes[0];
        out << (f ? "," : "") << R"({"displayMeshes":[{"nodeCoordinates":)";
        writeList(out, m.nodeCoordinates);
        out << R"(,"normalVectors":)";
        writeList(out, m.normalVectors);
        out << R"(,"textureCoordinates":)";
        writeList(out, m.textureCoordinates);
        out << R"(,"nodeIndices":)";
        writeList(out, m.nodeIndices);
        out << "}]}";
    }
    out << "]}]}]}\n";
    return file;
}

void setTriangles(benchmark::State& state, int faces)
{
    state.counters["triangles"] = faces * 10000.0;
}

} // namespace

// ---- benchmarks ----------------------------------------------------------------

static void LoadDesignFile(benchmark::State& state)
{
    const int faces = static_cast<int>(state.range(0));
    const auto file = gridFile(faces);
    double peak = 0;
    for (auto _ : state)
        peak = benchheap::peakMegabytes([&] { benchmark::DoNotOptimize(sh::loadDesignFile(file)); });
    setTriangles(state, faces);
    state.counters["heap_peak_MB"] = peak;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(LoadDesignFile)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// The same file as a plain JSON DOM, for comparison of the peak.
static void ParsePlainDom(benchmark::State& state)
{
    const int faces = static_cast<int>(state.range(0));
    const auto file = gridFile(faces);
    double peak = 0;
    for (auto _ : state) {
        peak = benchheap::peakMegabytes([&] {
            std::ifstream in(file);
            benchmark::DoNotOptimize(nlohmann::json::parse(in));
        });
    }
    setTriangles(state, faces);
    state.counters["heap_peak_MB"] = peak;
}
BENCHMARK(ParsePlainDom)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// Opening a design of `range` boxes, one body of six faces each.
static void OpenBuiltDesign(benchmark::State& state)
{
    const int boxes = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        sh::DesignData d;
        d.components.resize(1);
        for (int i = 0; i < boxes; ++i) {
            sh::BodyData b;
            b.name = "Box";
            for (int f = 0; f < 6; ++f) {
                sh::FaceData face;
                face.displayMeshes.push_back(sh::boxMesh({0, 0, 0}, {1, 1, 1}));
                b.faces.push_back(std::move(face));
            }
            d.components[0].bodies.push_back(std::move(b));
        }
        d.products.push_back({sh::ProductType::Design, "mm", 0, {}});
        state.ResumeTiming();
        sh::openDesign(std::move(d));
        state.PauseTiming();
        sh::closeDocument();
        state.ResumeTiming();
    }
    state.counters["faces"] = boxes * 6.0;
    state.SetItemsProcessed(state.iterations() * boxes * 6);
}
BENCHMARK(OpenBuiltDesign)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Every array of every display mesh through the public API, as the add-in
// reads them.
static void FetchMeshArrays(benchmark::State& state)
{
    const int faces = static_cast<int>(state.range(0));
    sh::openDesign(gridDesign(faces));
    Ptr<adsk::fusion::BRepFaces> list = adsk::core::Application::get()->activeDocument()->products()->item(0)
                                            ->cast<adsk::fusion::Design>()->rootComponent()->bRepBodies()->item(0)->faces();
    std::int64_t bytes = 0;
    for (auto _ : state) {
        for (std::size_t f = 0; f < list->count(); ++f) {
            Ptr<adsk::fusion::TriangleMeshList> meshes = list->item(f)->meshManager()->displayMeshes();
            for (std::size_t m = 0; m < meshes->count(); ++m) {
                Ptr<adsk::fusion::TriangleMesh> mesh = meshes->item(m);
                const auto coordinates = mesh->nodeCoordinatesAsFloat();
                const auto normals = mesh->normalVectorsAsFloat();
                const auto uvs = mesh->textureCoordinatesAsFloat();
                const auto indices = mesh->nodeIndices();
                bytes += static_cast<std::int64_t>((coordinates.size() + normals.size() + uvs.size()) * sizeof(float) +
                                                   indices.size() * sizeof(int));
            }
        }
    }
    sh::closeDocument();
    setTriangles(state, faces);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(FetchMeshArrays)->Arg(100)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
