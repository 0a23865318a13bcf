// A live transfer of a generated design of 200 components with 2 million
// triangles (each one body of one face holding a 100 x 50 grid) into a
// stand-in serving in this process, against the export of the same design
// to a file. Both translate the design and emit the scene; the transfer
// sends binary lists to the stand-in and waits for its verdict, which it
// gives once it has recorded, read and applied the whole transfer.
//
// Each run first exports or transfers once untimed: the first translation
// after opening the design computes what the host keeps for later ones, and
// a new stand-in's first transfer faults in all of its memory, taking
// several times as long as a later one. The timed iterations are what a
// running stand-in and a user's later clicks see, and a run of few
// iterations is not swayed by its first.
//
// Run: build/default/bench/livelink/transfer_bench
// The figure to compare: LiveTransfer_2MTriangles / FileExport_2MTriangles
// (wall time; tools/bench-summary.sh prints it as transfer-vs-file). The CPU
// column counts every thread of the process.

#include <Core/CoreAll.h>
#include <Fusion/FusionAll.h>
#include <StandIn/StandIn.h>

#include <benchmark/benchmark.h>

#include <bench/common/BenchOutputFile.h>
#include <bench/common/ExportActiveDesign.h>
#include <bench/common/GeneratedDesign.h>
#include <standin/LiveSceneApi.h>
#include <standin/StandinServer.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

namespace sh = standin::host;
namespace fs = std::filesystem;
using namespace standin::raydeck;

namespace {

constexpr int kComponents = 200;
constexpr std::int64_t kTriangles = std::int64_t{kComponents} * 100 * 50 * 2;

void openGenerated()
{
    std::size_t rawBytes = 0;
    sh::reset();
    sh::openDesign(generatedDesign(kComponents, rawBytes));
}

// A stand-in serving on its own thread, its folders removed at the end.
class ServingStandin {
public:
    ServingStandin() : dir_(fs::temp_directory_path() / ("rd-transfer-bench-" + std::to_string(::getpid())))
    {
        fs::create_directories(dir_ / "run");
        fs::permissions(dir_ / "run", fs::perms::owner_all);
        ServerSettings settings;
        settings.transferFolder = (dir_ / "transfers").string();
        settings.announcementFolder = (dir_ / "run").string();
        settings.processId = static_cast<std::uint64_t>(::getpid());
        settings.keepTransfers = 1;
        server_ = std::make_unique<StandinServer>(settings);
        std::string why;
        if (!server_->start(&why)) {
            std::fprintf(stderr, "the stand-in did not start: %s\n", why.c_str());
            std::abort();
        }
        thread_ = std::thread([this] { server_->run(); });
    }
    ~ServingStandin()
    {
        server_->stop();
        thread_.join();
        server_.reset();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    int port() const { return server_->port(); }
    std::string announcements() const { return (dir_ / "run").string(); }

private:
    fs::path dir_;
    std::unique_ptr<StandinServer> server_;
    std::thread thread_;
};

void FileExport_2MTriangles(benchmark::State& state)
{
    openGenerated();
    BenchOutputFile out{"rd-transfer-bench-file"};
    exportActiveDesign(out.rewound());
    for (auto _ : state) {
        exportActiveDesign(out.rewound());
        state.counters["MB"] = static_cast<double>(out.written()) / 1e6;
    }
    state.SetItemsProcessed(state.iterations() * kTriangles);
    sh::reset();
}

void LiveTransfer_2MTriangles(benchmark::State& state)
{
    openGenerated();
    ServingStandin standin;
    LiveSceneApi api(standin.announcements());
    const auto transfer = [&] {
        if (!api.connect("localhost", standin.port(), 1)) {
            state.SkipWithError("no connection to the stand-in");
            return false;
        }
        emitActiveDesign(api);
        if (!api.disconnect()) {
            state.SkipWithError(("the stand-in did not accept the transfer: " + api.lastVerdict()).c_str());
            return false;
        }
        return true;
    };
    if (transfer()) {
        for (auto _ : state) {
            if (!transfer())
                break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kTriangles);
    sh::reset();
}

} // namespace

// CPU time of the whole process: the format workers, and the stand-in's
// receiving and applying threads.
BENCHMARK(FileExport_2MTriangles)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(LiveTransfer_2MTriangles)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

BENCHMARK_MAIN();
