// Translates and emits a generated document of 200 components with 2 million
// triangles (each component one body of one face holding a 100 x 50 grid),
// as the export command does: the translation into the scene graph, then the
// scene file in text lists. Reports triangles per second and the heap's peak
// against the document's raw mesh bytes (the host's own copy included).
//
// The check that runs before the export writes anything is measured alone as
// well.
//
// Run: build/default/bench/translate/translate_bench

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>
#include <StandIn/StandIn.h>

#include <benchmark/benchmark.h>


#include <bench/common/BenchOutputFile.h>
#include <bench/common/ExportActiveDesign.h>
#include <bench/common/GeneratedDesign.h>
#include <bench/common/HeapCounter.h>

namespace sh = standin::host;
using adsk::core::Ptr;

namespace {

constexpr int kComponents = 200;
constexpr std::int64_t kTriangles = std::int64_t{kComponents} * 100 * 50 * 2;

void TranslateAndEmit_2MTriangles(benchmark::State& state)
{
    sh::reset();
    BenchOutputFile out{"rd-translate-bench"};
    std::size_t rawBytes = 0;
    double peakMiB = 0;
    long fileBytes = 0;
    for (auto _ : state) {
        // Everything from the document's creation on counts towards the
        // peak; only the translation and the emission count towards the time.
        peakMiB = benchheap::peakMegabytes([&] {
            state.PauseTiming();
            sh::openDesign(generatedDesign(kComponents, rawBytes));
            state.ResumeTiming();
            exportActiveDesign(out.rewound());
            fileBytes = out.written();
            state.PauseTiming();
            sh::reset();
            state.ResumeTiming();
        });
    }
    const double rawMiB = static_cast<double>(rawBytes) / (1024.0 * 1024.0);
    state.SetItemsProcessed(state.iterations() * kTriangles);
    state.SetBytesProcessed(state.iterations() * fileBytes);
    state.counters["raw_mesh_MiB"] = rawMiB;
    state.counters["heap_peak_MiB"] = peakMiB;
    state.counters["peak_limit_MiB"] = 2.5 * rawMiB + 64;
}

// The part of the above that the check before writing takes: in
// millimetres it reads every mesh's coordinates once more.
void CheckDesign_2MTriangles(benchmark::State& state)
{
    sh::reset();
    std::size_t rawBytes = 0;
    sh::openDesign(generatedDesign(kComponents, rawBytes));
    Ptr<adsk::core::Application> app = adsk::core::Application::get();
    const FusionExporter exporter(app->userInterface(), app);
    for (auto _ : state)
        exporter.checkDesign(app->activeDocument(), false);
    state.SetItemsProcessed(state.iterations() * kTriangles);
    sh::reset();
}

} // namespace

BENCHMARK(TranslateAndEmit_2MTriangles)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CheckDesign_2MTriangles)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
