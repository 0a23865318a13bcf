// Emits a group of 100 meshes with 2 million triangles in all (vertices,
// normals, texture coordinates and triangle indices) through the file writer
// in text lists, and beside it the same lists handed straight to the writer.
// The difference is what the scene graph costs on top of the writer.
//
// ExportWrite_4MTriangles/threads:N is the write phase of an export of 200
// such meshes (4 million triangles): the scene graph, built beforehand,
// written to a file in text lists with N threads formatting the large lists
// (0: as many as the machine runs at once); it reports the heap's peak over
// the write, the CPU time of all threads per write (cpu_time is the calling
// thread's alone) and the times a thread went to sleep per write (voluntary
// context switches: mostly waits for another thread) and the minor page faults
// per write (first touches of fresh memory: about 6 us each on the machine we
// measure on).
//
// ExportWrite_4MTriangles_NewFile/threads:N is the same with the file
// emptied before every write, so that the write finds no cached pages, as an
// export's new file does. On a virtual machine that hands freed memory back
// to its host, every fresh page then costs a fault on the host as well. Its
// cpu_all_ms includes the emptying, which is not timed.
//
// ExportWrite_4MTriangles_Pairs is the same write on one thread and on two,
// taking turns write by write within one run (in pairs, the order flipped
// from pair to pair), so that both see the same state of the machine: on a
// virtual machine whose speed drifts by 10 to 20 % within seconds, two
// separate runs compare two states as much as two thread counts. It reports
// the median wall time of each (one_ms, two_ms), the median CPU time of all
// threads (one_cpu_ms, two_cpu_ms) and the ratio of the wall times
// (speedup). Beside each pair it measures what the machine itself gives two
// threads at that moment: the scene's numbers formatted on one thread, then
// on two that each take every other mesh and share nothing, each into a
// buffer of its own that is written nowhere (fmt_one_ms, fmt_two_ms, and
// their ratio, ceiling). In one state of the machine the writer's speedup
// cannot much exceed that ceiling; where it falls short, the ceiling tells
// the machine from the code.
//
// TextListSizes/threads:N/n:M writes 200 float lists of M elements each: where
// handing a list's chunks to a second thread starts to pay.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include <bench/common/BenchOutputFile.h>
#include <bench/common/HeapCounter.h>
#include <scene/TriangleObject.h>
#include <scene/VelGroup.h>
#include <sceneapi/NumberFormat.h>
#include <sceneapi/velScene_api_file.h>
#include <sceneapi/velSceneapi_oo.h>

#if defined(__unix__)
#include <sys/resource.h>
#endif

namespace {

constexpr int kMeshes = 100;
constexpr int kLargeMeshes = 200;
constexpr int kGrid = 100; // 100 x 100 quads: 20,000 triangles per mesh

struct MeshArrays {
    std::vector<float> vertices, normals, uvs;
    std::vector<std::int32_t> triangles;
};

// A gently curved sheet, so the coordinates print with varied digits.
MeshArrays sheet(int index)
{
    MeshArrays m;
    for (int y = 0; y <= kGrid; ++y) {
        for (int x = 0; x <= kGrid; ++x) {
            const float u = static_cast<float>(x) / kGrid, v = static_cast<float>(y) / kGrid;
            m.vertices.insert(m.vertices.end(), {u * 12.7f + index, v * 9.31f, 0.37f * u * v});
            m.normals.insert(m.normals.end(), {-0.037f * v, -0.037f * u, 0.9993f});
            m.uvs.insert(m.uvs.end(), {u, v});
        }
    }
    for (int y = 0; y < kGrid; ++y) {
        for (int x = 0; x < kGrid; ++x) {
            const std::int32_t a = y * (kGrid + 1) + x, b = a + 1, c = a + kGrid + 1, d = c + 1;
            m.triangles.insert(m.triangles.end(), {a, b, d, a, d, c});
        }
    }
    return m;
}

const std::vector<MeshArrays>& meshes(int count = kMeshes)
{
    static std::vector<MeshArrays> all;
    while (all.size() < static_cast<std::size_t>(count))
        all.push_back(sheet(static_cast<int>(all.size())));
    return all;
}

std::shared_ptr<vel::VelGroup> sceneGraph(int count = kMeshes)
{
    auto root = std::make_shared<vel::VelGroup>("bench");
    for (int i = 0; i < count; ++i) {
        const MeshArrays& m = meshes(count)[static_cast<std::size_t>(i)];
        auto mesh = std::make_shared<vel::TriangleObject>("sheet");
        mesh->setVertices(m.vertices.data(), m.vertices.size());
        mesh->setNormals(m.normals.data(), m.normals.size());
        mesh->setUVs(m.uvs.data(), m.uvs.size());
        mesh->setTriangles(m.triangles.data(), m.triangles.size());
        root->createGroup("body")->addObject(mesh);
    }
    return root;
}

// Voluntary context switches and minor page faults of the process so far,
// where the system counts them.
struct ProcessCounts {
    long switches = 0;
    long faults = 0;
};

ProcessCounts processCounts()
{
#if defined(__unix__)
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {usage.ru_nvcsw, usage.ru_minflt};
#else
    return {};
#endif
}

constexpr std::int64_t kTriangles = std::int64_t{kMeshes} * kGrid * kGrid * 2;

void SceneGraph_TextLists(benchmark::State& state)
{
    const auto root = sceneGraph();
    BenchOutputFile out{"rd-scene-bench"};
    long bytes = 0;
    for (auto _ : state) {
        {
            velScene_api_file writer(out.rewound(), false);
            writer.setModeFlags(vel::kExportModeFlags);
            vel::velSceneapi_oo w(nullptr);
            w.attach(&writer);
            w.writeNode(*root);
        }
        bytes = out.written();
    }
    state.SetItemsProcessed(state.iterations() * kTriangles);
    state.SetBytesProcessed(state.iterations() * bytes);
}

// The same lists straight into the writer, in the same blocks.
void WriterOnly_TextLists(benchmark::State& state)
{
    BenchOutputFile out{"rd-scene-bench"};
    long bytes = 0;
    for (auto _ : state) {
        {
            velScene_api_file writer(out.rewound(), false);
            writer.setModeFlags(vel::kExportModeFlags);
            writer.beginGroup("bench", true);
            for (int i = 0; i < kMeshes; ++i) {
                const MeshArrays& m = meshes()[static_cast<std::size_t>(i)];
                writer.beginGroup("body", true);
                writer.beginObject("sheet", true);
                writer.beginGeometry("triangles");
                const velList vertices{m.vertices.data(), static_cast<std::uint32_t>(m.vertices.size() / 3)};
                const velList triangles{m.triangles.data(), static_cast<std::uint32_t>(m.triangles.size())};
                const velList uvs{m.uvs.data(), static_cast<std::uint32_t>(m.uvs.size())};
                const velList normals{m.normals.data(), static_cast<std::uint32_t>(m.normals.size() / 3)};
                writer.parameter("vertices", vel::TypeVector3fList, &vertices);
                writer.parameter("triangles", vel::TypeIntList, &triangles);
                writer.parameter("uv_tex", vel::TypeFloatList, &uvs);
                writer.parameter("normals", vel::TypeVector3fList, &normals);
                writer.endGeometry();
                writer.endObject();
                writer.endGroup();
            }
            writer.endGroup();
        }
        bytes = out.written();
    }
    state.SetItemsProcessed(state.iterations() * kTriangles);
    state.SetBytesProcessed(state.iterations() * bytes);
}

// The scene graph written to `file` as an export writes it, the large lists
// formatted on `threads` threads (0: the writer's default, every core).
void writeScene(std::FILE* file, vel::VelGroup& root, unsigned threads)
{
    velScene_api_file writer(file, false);
    writer.setModeFlags(vel::kExportModeFlags);
    if (threads > 0)
        writer.setFormatThreads(threads);
    vel::velSceneapi_oo w(nullptr);
    w.attach(&writer);
    w.writeNode(root);
    writer.flush();
}

// What the two export benchmarks share; `newFile`: every write into an
// emptied file.
void exportWrite(benchmark::State& state, bool newFile)
{
    const auto root = sceneGraph(kLargeMeshes);
    BenchOutputFile out{"rd-scene-bench"};
    long bytes = 0;
    double peakMiB = 0;
    const std::clock_t cpuBefore = std::clock();
    const ProcessCounts before = processCounts();
    for (auto _ : state) {
        if (newFile) {
            state.PauseTiming();
            out.empty();
            state.ResumeTiming();
        }
        peakMiB = benchheap::peakMegabytes([&] { writeScene(out.rewound(), *root, static_cast<unsigned>(state.range(0))); });
        bytes = out.written();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kLargeMeshes} * kGrid * kGrid * 2);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["heap_peak_MiB"] = peakMiB;
    const double writes = static_cast<double>(state.iterations());
    state.counters["cpu_all_ms"] = 1000.0 * static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC / writes;
    const ProcessCounts after = processCounts();
    state.counters["switches"] = static_cast<double>(after.switches - before.switches) / writes;
    state.counters["faults"] = static_cast<double>(after.faults - before.faults) / writes;
}

void ExportWrite_4MTriangles(benchmark::State& state)
{
    exportWrite(state, false);
}

void ExportWrite_4MTriangles_NewFile(benchmark::State& state)
{
    exportWrite(state, true);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Every number of the meshes first, first + step, ... formatted as the
// writer's lists format them, each followed by a blank, into a buffer that
// is written nowhere; returns the bytes formatted.
std::size_t formatMeshes(std::size_t first, std::size_t step)
{
    constexpr std::size_t kRoom = 64 * 1024;
    std::vector<char> buffer(kRoom + 64);
    char* p = buffer.data();
    std::size_t bytes = 0;
    const auto next = [&](char* end) {
        *end = ' ';
        p = end + 1;
        if (p >= buffer.data() + kRoom) {
            bytes += static_cast<std::size_t>(p - buffer.data());
            p = buffer.data();
        }
    };
    const std::vector<MeshArrays>& all = meshes(kLargeMeshes);
    for (std::size_t i = first; i < all.size(); i += step) {
        const MeshArrays& m = all[i];
        for (const std::vector<float>* list : {&m.vertices, &m.normals, &m.uvs})
            for (const float v : *list)
                next(vel::formatGeneral(p, v));
        for (const std::int32_t v : m.triangles)
            next(vel::formatInt(p, v));
    }
    benchmark::DoNotOptimize(buffer.data());
    return bytes + static_cast<std::size_t>(p - buffer.data());
}

void ExportWrite_4MTriangles_Pairs(benchmark::State& state)
{
    const auto root = sceneGraph(kLargeMeshes);
    BenchOutputFile out{"rd-scene-bench"};
    std::vector<double> one, two, oneCpu, twoCpu, fmtOne, fmtTwo;
    const auto timed = [](std::vector<double>& wall, auto work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    };
    const auto write = [&](unsigned threads, std::vector<double>& wall, std::vector<double>& cpu) {
        const std::clock_t cpuStart = std::clock();
        timed(wall, [&] { writeScene(out.rewound(), *root, threads); });
        cpu.push_back(1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    };
    const auto formatAlone = [&](bool twoThreads) {
        if (!twoThreads) {
            timed(fmtOne, [] { benchmark::DoNotOptimize(formatMeshes(0, 1)); });
            return;
        }
        timed(fmtTwo, [] {
            std::thread other([] { benchmark::DoNotOptimize(formatMeshes(1, 2)); });
            benchmark::DoNotOptimize(formatMeshes(0, 2));
            other.join();
        });
    };
    bool oneFirst = true;
    for (auto _ : state) {
        if (oneFirst) {
            write(1, one, oneCpu);
            write(2, two, twoCpu);
            formatAlone(true);
            formatAlone(false);
        } else {
            write(2, two, twoCpu);
            write(1, one, oneCpu);
            formatAlone(false);
            formatAlone(true);
        }
        oneFirst = !oneFirst;
    }
    const double oneMs = median(one), twoMs = median(two);
    state.counters["one_ms"] = oneMs;
    state.counters["two_ms"] = twoMs;
    state.counters["one_cpu_ms"] = median(oneCpu);
    state.counters["two_cpu_ms"] = median(twoCpu);
    state.counters["speedup"] = twoMs > 0 ? oneMs / twoMs : 0;
    const double fmtOneMs = median(fmtOne), fmtTwoMs = median(fmtTwo);
    state.counters["fmt_one_ms"] = fmtOneMs;
    state.counters["fmt_two_ms"] = fmtTwoMs;
    state.counters["ceiling"] = fmtTwoMs > 0 ? fmtOneMs / fmtTwoMs : 0;
}

void TextListSizes(benchmark::State& state)
{
    const auto n = static_cast<std::uint32_t>(state.range(1));
    std::vector<float> values(n);
    for (std::uint32_t i = 0; i < n; ++i)
        values[i] = 0.001f * static_cast<float>(i) + 1.37f;
    const velList list{values.data(), n};
    BenchOutputFile out{"rd-scene-bench"};
    for (auto _ : state) {
        velScene_api_file writer(out.rewound(), false);
        writer.setModeFlags(vel::kExportModeFlags);
        writer.setFormatThreads(static_cast<unsigned>(state.range(0)));
        writer.beginObject("sheet", true);
        writer.beginGeometry("triangles");
        for (int i = 0; i < 200; ++i)
            writer.parameter("uv_tex", vel::TypeFloatList, &list);
        writer.endGeometry();
        writer.endObject();
        writer.flush();
    }
}

} // namespace

BENCHMARK(SceneGraph_TextLists)->Unit(benchmark::kMillisecond);
BENCHMARK(WriterOnly_TextLists)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportWrite_4MTriangles)->ArgName("threads")->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ExportWrite_4MTriangles_NewFile)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ExportWrite_4MTriangles_Pairs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TextListSizes)
    ->ArgNames({"threads", "n"})
    ->ArgsProduct({{1, 2}, {4000, 8000, 16000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
