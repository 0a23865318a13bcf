// Reading scene files beside writing the same files: the texts that the
// writer benchmark writes (lists of 10 million random floats and ints, in
// text and in binary form), and a whole exported scene (5,000 meshes of 800
// triangles in component groups, each with a material and its captured
// shader), in text and in binary form, and 200,000 small groups (a flag word
// each, no geometry), where the cost per block outweighs the cost per byte.
//
// "Write" writes the file through the writer onto a stream, as the file
// factory does (into a file in /tmp, rewritten from its start each time, so
// mostly into the page cache). "Read" loads that file and reads it into a
// scene interface that does nothing: the reader alone. "ReadModel" loads and
// reads it into the scene model. Files are loaded as rdk loads them, mapped
// into memory. One reader reads every iteration, as the writer writes into
// one file: Read is the steady state of a reused reader (SceneReader), whose
// memory for lists is already there; a program that reads one scene also
// pays for that memory's pages once.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <sceneapi/FileBytes.h>
#include <sceneapi/IntLines.h>
#include <sceneapi/NullScene.h>
#include <sceneapi/SceneReader.h>
#include <sceneapi/ScratchMemory.h>
#include <sceneapi/model/SceneBuilder.h>
#include <sceneapi/velScene_api_file.h>

#include <unistd.h>

namespace {

constexpr std::size_t kCount = 10'000'000;


template <typename T, typename Make>
std::vector<T> values(unsigned seed, Make make)
{
    std::mt19937 rng(seed);
    std::vector<T> v(kCount);
    for (T& x : v)
        x = make(rng);
    return v;
}

// The same values as the writer benchmark.
const std::vector<float>& floats()
{
    static const auto v = values<float>(42, [](std::mt19937& r) {
        return std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(r);
    });
    return v;
}

const std::vector<std::int32_t>& ints()
{
    static const auto v = values<std::int32_t>(7, [](std::mt19937& r) {
        return std::uniform_int_distribution<std::int32_t>(0, 3'000'000)(r);
    });
    return v;
}

// A list parameter; float triples count three values as one element.
template <typename T>
void list(velScene_api& w, int code, const std::vector<T>& v, const char* name = "v")
{
    const std::size_t count = code == vel::TypeVector3fList ? v.size() / 3 : v.size();
    const velList l{v.data(), static_cast<std::uint32_t>(count)};
    w.parameter(name, code, &l);
}

// 5,000 meshes of 441 vertices and 800 triangles, in component groups.
constexpr int kSceneGroups = 50;
constexpr int kSceneMeshesPerGroup = 100;

// The meshes' random vertices, made once, so that writing the scene
// measures the writer and not the random generator (which took a quarter of
// the time when the vertices were made during the write).
const std::vector<float>& sceneVertices()
{
    static const std::vector<float> v = [] {
        std::mt19937 rng(3);
        std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
        std::vector<float> all(std::size_t{kSceneGroups} * kSceneMeshesPerGroup * 3 * 441);
        for (float& c : all)
            c = coordinate(rng);
        return all;
    }();
    return v;
}

void scene(velScene_api& w)
{
    const std::vector<float>& all = sceneVertices();
    std::vector<std::int32_t> triangles;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const int a = y * 21 + x;
            triangles.insert(triangles.end(), {a, a + 1, a + 22, a, a + 22, a + 21});
        }
    w.beginGroup("Design", true);
    for (int g = 0; g < kSceneGroups; ++g) {
        w.beginGroup("Component", true);
        w.flags(32769);
        const double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10.0 * g, 0, 0, 1};
        w.transform(m);
        for (int o = 0; o < kSceneMeshesPerGroup; ++o) {
            const float* vertices = all.data() + std::size_t(g * kSceneMeshesPerGroup + o) * 3 * 441;
            const velList v{vertices, 441};
            w.beginObject("Face", true);
            w.beginGeometry("triangles");
            w.parameter("vertices", vel::TypeVector3fList, &v);
            list(w, vel::TypeIntList, triangles, "triangles");
            w.endGeometry();
            w.beginMaterial("Steel", true);
            w.beginShader(nullptr, "vel_diffuse");
            const float colour[3] = {0.75f, 0.5f, 0.5f};
            w.parameter("diffuse", vel::TypeVector3f, colour);
            w.endShader();
            w.shaderText(vel::ShaderSurface, w.capturedText());
            w.flags(4096);
            w.endMaterial();
            w.endObject();
        }
        w.endGroup();
    }
    w.endGroup();
}

// 200,000 groups holding only their flag word.
void groups(velScene_api& w)
{
    w.beginGroup("Design", true);
    for (int g = 0; g < 200'000; ++g) {
        w.beginGroup("Component", true);
        w.flags(32769);
        w.endGroup();
    }
    w.endGroup();
}

// A file in /tmp written by `emit`, and its size.
class SceneFileOnDisk {
public:
    template <typename Emit>
    SceneFileOnDisk(const char* name, int mode, Emit emit)
        : path_("/tmp/rd-reader-bench-" + std::to_string(::getpid()) + "-" + name), mode_(mode)
    {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file) {
            std::perror(path_.c_str());
            std::abort();
        }
        {
            velScene_api_file w(file, true);
            w.setModeFlags(mode);
            emit(w);
        }
        size_ = static_cast<std::size_t>(std::ftell(file));
        std::fclose(file);
    }
    ~SceneFileOnDisk() { std::remove(path_.c_str()); }

    const std::string& path() const { return path_; }
    std::size_t size() const { return size_; }
    int mode() const { return mode_; }

private:
    std::string path_;
    int mode_;
    std::size_t size_ = 0;
};

SceneFileOnDisk& floatsText()
{
    static SceneFileOnDisk f("floats-text", 1, [](velScene_api& w) { list(w, vel::TypeFloatList, floats()); });
    return f;
}
SceneFileOnDisk& intsText()
{
    static SceneFileOnDisk f("ints-text", 1, [](velScene_api& w) { list(w, vel::TypeIntList, ints()); });
    return f;
}
SceneFileOnDisk& floatsBinary()
{
    static SceneFileOnDisk f("floats-binary", 2, [](velScene_api& w) { list(w, vel::TypeFloatList, floats()); });
    return f;
}
SceneFileOnDisk& sceneText()
{
    static SceneFileOnDisk f("scene-text", 1, scene);
    return f;
}
SceneFileOnDisk& sceneBinary()
{
    static SceneFileOnDisk f("scene-binary", 3, scene);
    return f;
}
SceneFileOnDisk& groupsText()
{
    static SceneFileOnDisk f("groups-text", 1, groups);
    return f;
}

// The file's bytes as rdk reads them: mapped.
std::unique_ptr<vel::FileBytes> load(const SceneFileOnDisk& file)
{
    auto bytes = std::make_unique<vel::FileBytes>();
    std::string error;
    if (!bytes->open(file.path(), error)) {
        std::fprintf(stderr, "%s: %s\n", file.path().c_str(), error.c_str());
        std::abort();
    }
    return bytes;
}

void readNull(benchmark::State& state, const SceneFileOnDisk& file)
{
    vel::NullScene target;
    vel::SceneReader reader;
    for (auto _ : state) {
        const auto text = load(file);
        const vel::ReadResult r = reader.read(text->bytes(), target);
        if (!r.ok())
            state.SkipWithError(vel::describe(r.problems.front()).c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void readModel(benchmark::State& state, const SceneFileOnDisk& file)
{
    vel::SceneReader reader;
    for (auto _ : state) {
        const auto text = load(file);
        vel::model::Scene scene;
        vel::model::SceneBuilder builder(scene);
        reader.read(text->bytes(), builder);
        builder.finish();
        benchmark::DoNotOptimize(scene.root().entries.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

template <typename Emit>
void write(benchmark::State& state, const SceneFileOnDisk& file, Emit emit)
{
    std::FILE* out = std::fopen(file.path().c_str(), "r+b");
    for (auto _ : state) {
        std::rewind(out);
        velScene_api_file w(out, true);
        w.setModeFlags(file.mode());
        emit(w);
        w.flush();
    }
    std::fclose(out);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

// The binary list's copy alone: its 40 MB from the mapped file, where they
// lie unaligned, into memory that is already there, by the C library's
// memcpy and by the reader's copy.
template <typename Copy>
void binaryCopy(benchmark::State& state, Copy copy)
{
    const auto text = load(floatsBinary());
    const char* from = text->bytes().data() + text->bytes().find("\x01\x02\x03" "f") + 8;
    const std::size_t bytes = 4 * kCount;
    vel::ScratchArray<std::uint64_t> to;
    to.reserve(bytes / 8);
    std::memset(to.data(), 0, bytes);
    for (auto _ : state) {
        copy(to.data(), from, bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BinaryCopy_Memcpy(benchmark::State& s) { binaryCopy(s, [](void* to, const char* from, std::size_t n) { std::memcpy(to, from, n); }); }
void BinaryCopy_Reader(benchmark::State& s) { binaryCopy(s, [](void* to, const char* from, std::size_t n) { vel::copyLarge(to, from, n, true); }); }

// The int list's conversion alone, on one thread: its whole lines, from the
// mapped file into memory that is already there, element by element (as
// where the processor lacks the wide permutes) and by the reader's choice.
template <typename Convert>
void intLines(benchmark::State& state, Convert convert)
{
    const auto text = load(intsText());
    const std::string_view bytes = text->bytes();
    const std::size_t first = bytes.find('\n', bytes.find('[')) + 1;
    const std::size_t end = bytes.rfind('\n', bytes.rfind(']')) + 1; // the last line's start
    std::size_t blanks = 0;
    while (bytes[first + blanks] == ' ')
        ++blanks;
    vel::ScratchArray<std::int32_t> to;
    to.reserve(kCount);
    std::memset(to.data(), 0, 4 * kCount);
    long long count = 0;
    for (auto _ : state) {
        count = convert(bytes.data() + first, bytes.data() + end, blanks, to.data()).count;
        benchmark::ClobberMemory();
    }
    if (count + 16 < static_cast<long long>(kCount))
        state.SkipWithError("the lines did not all convert");
    state.SetItemsProcessed(state.iterations() * count);
}

void IntLines_ElementByElement(benchmark::State& s)
{
    intLines(s, [](const char* b, const char* e, std::size_t blanks, std::int32_t* out) {
        return vel::parsing::simpleLines(b, e, blanks, out, vel::parsing::IntElement{});
    });
}
void IntLines_Reader(benchmark::State& s) { intLines(s, vel::parsing::intLines); }

auto floatList = [](velScene_api& w) { list(w, vel::TypeFloatList, floats()); };
auto intList = [](velScene_api& w) { list(w, vel::TypeIntList, ints()); };

void FloatsText_Write(benchmark::State& s) { write(s, floatsText(), floatList); }
void FloatsText_Read(benchmark::State& s) { readNull(s, floatsText()); }
void FloatsText_ReadModel(benchmark::State& s) { readModel(s, floatsText()); }
void IntsText_Write(benchmark::State& s) { write(s, intsText(), intList); }
void IntsText_Read(benchmark::State& s) { readNull(s, intsText()); }
void IntsText_ReadModel(benchmark::State& s) { readModel(s, intsText()); }
void FloatsBinary_Write(benchmark::State& s) { write(s, floatsBinary(), floatList); }
void FloatsBinary_Read(benchmark::State& s) { readNull(s, floatsBinary()); }
void FloatsBinary_ReadModel(benchmark::State& s) { readModel(s, floatsBinary()); }
void Scene_Write(benchmark::State& s) { write(s, sceneText(), scene); }
void Scene_Read(benchmark::State& s) { readNull(s, sceneText()); }
void Scene_ReadModel(benchmark::State& s) { readModel(s, sceneText()); }
void SceneBinary_Write(benchmark::State& s) { write(s, sceneBinary(), scene); }
void SceneBinary_Read(benchmark::State& s) { readNull(s, sceneBinary()); }
void SceneBinary_ReadModel(benchmark::State& s) { readModel(s, sceneBinary()); }
void Groups_Write(benchmark::State& s) { write(s, groupsText(), groups); }
void Groups_Read(benchmark::State& s) { readNull(s, groupsText()); }
void Groups_ReadModel(benchmark::State& s) { readModel(s, groupsText()); }

} // namespace

BENCHMARK(FloatsText_Write)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatsText_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatsText_ReadModel)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsText_Write)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsText_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsText_ReadModel)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatsBinary_Write)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatsBinary_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatsBinary_ReadModel)->Unit(benchmark::kMillisecond);
BENCHMARK(Scene_Write)->Unit(benchmark::kMillisecond);
BENCHMARK(Scene_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(Scene_ReadModel)->Unit(benchmark::kMillisecond);
BENCHMARK(SceneBinary_Write)->Unit(benchmark::kMillisecond);
BENCHMARK(SceneBinary_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(SceneBinary_ReadModel)->Unit(benchmark::kMillisecond);
BENCHMARK(Groups_Write)->Unit(benchmark::kMillisecond);
BENCHMARK(Groups_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(Groups_ReadModel)->Unit(benchmark::kMillisecond);
BENCHMARK(IntLines_ElementByElement)->Unit(benchmark::kMillisecond);
BENCHMARK(IntLines_Reader)->Unit(benchmark::kMillisecond);
BENCHMARK(BinaryCopy_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BinaryCopy_Reader)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
