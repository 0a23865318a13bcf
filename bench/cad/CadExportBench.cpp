// The export of a real CAD file, against OpenCASCADE's own OBJ writer on
// the same triangulation.
//
// The STEP file is read and triangulated once (both exports share that and
// it is timed once, apart). Then, per iteration:
//   - our export: the XCAF document into the host's design data (display
//     meshes, appearances, exact area and volume), the design opened in the
//     stand-in host, translated into the scene graph and written as the
//     export command writes it (text lists) into a file;
//   - RWObj_CafWriter writing the same document's triangulation (nodes,
//     normals, texture coordinates, triangles) as OBJ.
// Both write into /tmp (the page cache). MB/s is output bytes per second.
//
// Run (about 3 minutes, most of it the one fine triangulation):
//   build/default/bench/cad/cad_bench
// Options after the benchmark's own: --file=PATH --deflection=MM --angle=RAD
// (defaults: Debian's occt-misc linkrods.step at 0.001 mm and 0.02 rad,
// about 1.5 million triangles).

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>
#include <StandIn/StandIn.h>

#include <bench/common/BenchOutputFile.h>
#include <bench/common/ExportActiveDesign.h>
#include <host/cad/src/CadDocument.h>

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_ProgressRange.hxx>
#include <RWObj_CafWriter.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace sh = standin::host;
namespace cad = standin::host::cad;
using Clock = std::chrono::steady_clock;

namespace {

struct Settings {
    std::string file = "/usr/share/opencascade/data/step/linkrods.step";
    double deflection = 0.001;
    double angle = 0.02;
};
Settings settings;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The document read and triangulated once, for every benchmark.
struct Prepared {
    cad::CadDocument document;
    double readSeconds = 0;
    double triangulateSeconds = 0;
    std::size_t triangles = 0;
};

Prepared& prepared()
{
    static Prepared* p = [] {
        auto* made = new Prepared;
        const auto start = Clock::now();
        made->document = cad::readCadFile(settings.file, cad::CadFormat::Step, nullptr);
        made->readSeconds = seconds(start);
        sh::ImportOptions options;
        options.deflection = settings.deflection;
        options.angularDeflection = settings.angle;
        const auto meshing = Clock::now();
        cad::triangulate(made->document, options);
        made->triangulateSeconds = seconds(meshing);
        const sh::DesignData design = cad::translateCadDocument(made->document, nullptr);
        for (const auto& c : design.components)
            for (const auto& b : c.bodies)
                for (const auto& f : b.faces)
                    for (const auto& m : f.displayMeshes)
                        made->triangles += m.nodeIndices.size() / 3;
        std::fprintf(stderr, "%s: read in %.2f s, triangulated in %.2f s: %zu triangles\n", settings.file.c_str(),
                     made->readSeconds, made->triangulateSeconds, made->triangles);
        return made;
    }();
    return *p;
}

// Wall-clock seconds per iteration of each stage, for the summary.
struct Summary {
    double meshes = 0, physical = 0, open = 0, emit = 0, ourBytes = 0;
    double objWrite = 0, objBytes = 0;
};
Summary summary;

void OurExport(benchmark::State& state)
{
    Prepared& p = prepared();
    BenchOutputFile out{"rd-cad-bench"};
    double meshes = 0, physical = 0, open = 0, emit = 0;
    long bytes = 0;
    for (auto _ : state) {
        cad::CadTranslationTimes times;
        sh::DesignData design = cad::translateCadDocument(p.document, nullptr, &times);
        meshes += times.totalSeconds - times.physicalSeconds;
        physical += times.physicalSeconds;

        auto t0 = Clock::now();
        sh::openDesign(std::move(design));
        open += seconds(t0);

        t0 = Clock::now();
        exportActiveDesign(out.rewound());
        bytes = out.written();
        emit += seconds(t0);

        state.PauseTiming();
        sh::reset();
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(p.triangles));
    state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["meshes_ms"] = meshes / n * 1000;
    state.counters["physical_ms"] = physical / n * 1000;
    state.counters["open_ms"] = open / n * 1000;
    state.counters["translate_write_ms"] = emit / n * 1000;
    summary.meshes = meshes / n;
    summary.physical = physical / n;
    summary.open = open / n;
    summary.emit = emit / n;
    summary.ourBytes = static_cast<double>(bytes);
}

void OcctObjWriter(benchmark::State& state)
{
    Prepared& p = prepared();
    const std::string path = "/tmp/rd-cad-bench-" + std::to_string(::getpid()) + ".obj";
    const TColStd_IndexedDataMapOfStringString info;
    long bytes = 0;
    double write = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        RWObj_CafWriter writer(path.c_str());
        if (!writer.Perform(p.document.document(), info, Message_ProgressRange()))
            state.SkipWithError("RWObj_CafWriter failed");
        write += seconds(t0);
        state.PauseTiming();
        bytes = static_cast<long>(std::filesystem::file_size(path));
        state.ResumeTiming();
    }
    std::remove(path.c_str());
    std::remove((path.substr(0, path.size() - 4) + ".mtl").c_str());
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(p.triangles));
    state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
    summary.objWrite = write / static_cast<double>(state.iterations());
    summary.objBytes = static_cast<double>(bytes);
}

void printSummary()
{
    const Prepared& p = prepared();
    const Summary& s = summary;
    if (s.objWrite <= 0 || s.emit <= 0)
        return;
    const double objRate = s.objBytes / 1e6 / s.objWrite;
    const auto line = [&](const char* what, double secs, double bytes) {
        const double rate = bytes / 1e6 / secs;
        std::printf("  %-58s %8.0f ms %8.1f MB/s  %5.2f x\n", what, secs * 1000, rate, rate / objRate);
    };
    std::printf("\n%s, %zu triangles (wall clock, mean per iteration):\n", settings.file.c_str(), p.triangles);
    std::printf("  %-58s %8.0f ms\n", "STEP read (shared, once)", p.readSeconds * 1000);
    std::printf("  %-58s %8.0f ms\n", "triangulation with normals (shared, once)", p.triangulateSeconds * 1000);
    std::printf("  %-58s %8.0f ms\n", "host design: display meshes from the triangulation", s.meshes * 1000);
    std::printf("  %-58s %8.0f ms\n", "host design: exact areas and volumes", s.physical * 1000);
    std::printf("  %-58s %8.0f ms\n", "host design: opened", s.open * 1000);
    std::printf("  %-58s %8.0f ms %8.1f MB/s  %5.2f x\n", "RWObj_CafWriter: OBJ written", s.objWrite * 1000, objRate,
                1.0);
    line("our export: translated and written (.rdk)", s.emit, s.ourBytes);
    line("  ... with the display meshes taken into the host design", s.meshes + s.open + s.emit, s.ourBytes);
    line("  ... and the exact areas and volumes as well", s.meshes + s.physical + s.open + s.emit, s.ourBytes);
    std::printf("  output: %.1f MB of scene text, %.1f MB of OBJ\n", s.ourBytes / 1e6, s.objBytes / 1e6);
}

} // namespace

BENCHMARK(OurExport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OcctObjWriter)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--file=", 0) == 0)
            settings.file = arg.substr(7);
        else if (arg.rfind("--deflection=", 0) == 0)
            settings.deflection = std::stod(arg.substr(13));
        else if (arg.rfind("--angle=", 0) == 0)
            settings.angle = std::stod(arg.substr(8));
        else {
            std::fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    // OpenCASCADE's messages stay off the benchmark's report.
    Message::DefaultMessenger()->ChangePrinters().Clear();
    prepared();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
