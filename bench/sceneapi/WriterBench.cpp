// Throughput of the scene file writer on the lists that dominate a scene
// (vertex coordinates and triangle indices), 10 million values each, in text
// and in binary form, beside two references that write the same bytes:
// every number through snprintf, and the binary elements in one fwrite.
// Every variant writes to the same real file in /tmp, rewritten from its
// start in each iteration (so mostly into the page cache).
//
// The writer's text lists run on one thread (threads:1) and on as many as
// the machine runs at once (threads:0).
//
// Beside them, the float text alone: 5 million of the same values through
// the writer's formatter and through its peers (std::to_chars with the
// precision that matches printf, {fmt}'s compiled "{:g}", snprintf), all
// checked to give the same bytes first.

#include <benchmark/benchmark.h>

#include <fmt/compile.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include <bench/common/BenchOutputFile.h>
#include <sceneapi/NumberFormat.h>
#include <sceneapi/StringSink.h>
#include <sceneapi/velScene_api_file.h>

namespace {

constexpr std::size_t kCount = 10'000'000;

const std::vector<float>& floats()
{
    static const std::vector<float> values = [] {
        std::mt19937 rng(42);
        std::uniform_real_distribution<float> coordinate(-1000.0f, 1000.0f);
        std::vector<float> v(kCount);
        for (float& x : v)
            x = coordinate(rng);
        return v;
    }();
    return values;
}

const std::vector<std::int32_t>& ints()
{
    static const std::vector<std::int32_t> values = [] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<std::int32_t> index(0, 3'000'000);
        std::vector<std::int32_t> v(kCount);
        for (std::int32_t& x : v)
            x = index(rng);
        return v;
    }();
    return values;
}


// One list parameter through the writer; returns the bytes written.
template <typename T>
std::size_t writeList(velScene_api_file& w, int code, const std::vector<T>& values)
{
    const velList list{values.data(), static_cast<std::uint32_t>(values.size())};
    w.parameter("v", code, &list);
    w.flush();
    return 0;
}

// The reference: the text form of the same list with snprintf for every
// number, gathered in a 64 KiB buffer like the writer's.
template <typename T>
std::size_t snprintfList(std::FILE* file, const std::vector<T>& values, const char* format)
{
    std::vector<char> buffer(64 * 1024);
    std::size_t used = 0, total = 0;
    const auto put = [&](const char* text, std::size_t size) {
        if (used + size > buffer.size()) {
            std::fwrite(buffer.data(), 1, used, file);
            total += used;
            used = 0;
        }
        std::memcpy(buffer.data() + used, text, size);
        used += size;
    };
    put("\"v\" [ ", 6);
    char number[64];
    for (std::size_t i = 0; i < values.size(); ++i) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        const int n = std::snprintf(number, sizeof number, format, values[i]);
#pragma GCC diagnostic pop
        number[n] = i + 1 < values.size() ? ',' : ' ';
        put(number, static_cast<std::size_t>(n) + 1);
        if (i != 0 && i % 8 == 0)
            put("\n", 1);
    }
    put("] ,\n", 4);
    std::fwrite(buffer.data(), 1, used, file);
    std::fflush(file);
    return total + used;
}

// The bytes the writer produces, to size the throughput figures and to
// prove the reference writes the same.
template <typename T>
std::string writerBytes(int code, const std::vector<T>& values, int mode)
{
    auto sink = std::make_unique<vel::StringSink>();
    vel::StringSink* s = sink.get();
    velScene_api_file w(std::move(sink), false);
    w.setModeFlags(mode);
    writeList(w, code, values);
    return s->str();
}

template <typename T>
void checkReference(int code, const std::vector<T>& values, const char* format)
{
    const std::vector<T> sample(values.begin(), values.begin() + 100000);
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&text, &size);
    snprintfList(memory, sample, format);
    std::fclose(memory);
    const bool same = std::string(text, size) == writerBytes(code, sample, 1);
    std::free(text);
    if (!same) {
        std::fprintf(stderr, "the snprintf reference does not write the writer's bytes\n");
        std::abort();
    }
}

template <typename T>
void textWriter(benchmark::State& state, int code, const std::vector<T>& values)
{
    BenchOutputFile out{"rd-sceneapi-bench"};
    const std::size_t bytes = writerBytes(code, values, 1).size();
    for (auto _ : state) {
        velScene_api_file w(out.rewound(), false);
        w.setModeFlags(vel::kExportModeFlags);
        if (state.range(0) > 0)
            w.setFormatThreads(static_cast<unsigned>(state.range(0)));
        writeList(w, code, values);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}

template <typename T>
void textReference(benchmark::State& state, int code, const std::vector<T>& values, const char* format)
{
    checkReference(code, values, format);
    BenchOutputFile out{"rd-sceneapi-bench"};
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = snprintfList(out.rewound(), values, format);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}

template <typename T>
void binaryWriter(benchmark::State& state, int code, const std::vector<T>& values)
{
    BenchOutputFile out{"rd-sceneapi-bench"};
    for (auto _ : state) {
        velScene_api_file w(out.rewound(), true);
        w.setModeFlags(2);
        writeList(w, code, values);
    }
    const std::size_t bytes = values.size() * sizeof(T) + 22;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}

template <typename T>
void binaryReference(benchmark::State& state, const std::vector<T>& values)
{
    BenchOutputFile out{"rd-sceneapi-bench"};
    for (auto _ : state) {
        std::FILE* file = out.rewound();
        std::fwrite(values.data(), sizeof(T), values.size(), file);
        std::fflush(file);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * values.size() * sizeof(T)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}

constexpr std::size_t kFormatCount = 5'000'000;

// The text of one float as printf("%g") prints it widened to double.
char* writerFloat(char* out, float v) { return vel::formatGeneral(out, v); }
char* writerDouble(char* out, float v) { return vel::formatGeneral(out, static_cast<double>(v)); }
char* toCharsFloat(char* out, float v) { return std::to_chars(out, out + 64, v, std::chars_format::general, 6).ptr; }
char* fmtFloat(char* out, float v) { return fmt::format_to(out, FMT_COMPILE("{:g}"), v); }
char* snprintfFloat(char* out, float v) { return out + std::snprintf(out, 64, "%g", static_cast<double>(v)); }

using FloatText = char* (*)(char*, float);

void checkSameText(FloatText format, const char* name)
{
    char ours[64], reference[64];
    for (std::size_t i = 0; i < 200000; ++i) {
        const float v = floats()[i];
        *snprintfFloat(reference, v) = '\0';
        *format(ours, v) = '\0';
        if (std::strcmp(ours, reference) != 0) {
            std::fprintf(stderr, "%s writes \"%s\" where printf writes \"%s\"\n", name, ours, reference);
            std::abort();
        }
    }
}

// Every value formatted into a 64 KiB buffer that starts over when full, as
// a writer's buffer would.
void formatFloats(benchmark::State& state, FloatText format, const char* name)
{
    checkSameText(format, name);
    const float* values = floats().data();
    std::vector<char> buffer(64 * 1024);
    char* const start = buffer.data();
    char* const limit = start + buffer.size() - 64;
    for (auto _ : state) {
        char* p = start;
        for (std::size_t i = 0; i < kFormatCount; ++i) {
            p = format(p, values[i]);
            *p++ = ' ';
            if (p > limit)
                p = start;
        }
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFormatCount));
}

void FloatText_Writer(benchmark::State& s) { formatFloats(s, writerFloat, "the writer"); }
void FloatText_WriterAsDouble(benchmark::State& s) { formatFloats(s, writerDouble, "the writer's double"); }
void FloatText_ToChars(benchmark::State& s) { formatFloats(s, toCharsFloat, "std::to_chars"); }
void FloatText_Fmt(benchmark::State& s) { formatFloats(s, fmtFloat, "{fmt}"); }
void FloatText_Snprintf(benchmark::State& s) { formatFloats(s, snprintfFloat, "snprintf"); }

void FloatsText_Writer(benchmark::State& s) { textWriter(s, vel::TypeFloatList, floats()); }
void FloatsText_Snprintf(benchmark::State& s) { textReference(s, vel::TypeFloatList, floats(), "%g"); }
void IntsText_Writer(benchmark::State& s) { textWriter(s, vel::TypeIntList, ints()); }
void IntsText_Snprintf(benchmark::State& s) { textReference(s, vel::TypeIntList, ints(), "%d"); }
void FloatsBinary_Writer(benchmark::State& s) { binaryWriter(s, vel::TypeFloatList, floats()); }
void FloatsBinary_Fwrite(benchmark::State& s) { binaryReference(s, floats()); }
void IntsBinary_Writer(benchmark::State& s) { binaryWriter(s, vel::TypeIntList, ints()); }
void IntsBinary_Fwrite(benchmark::State& s) { binaryReference(s, ints()); }

} // namespace

BENCHMARK(FloatText_Writer)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatText_WriterAsDouble)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatText_ToChars)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatText_Fmt)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatText_Snprintf)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatsText_Writer)->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloatsText_Snprintf)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsText_Writer)->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(IntsText_Snprintf)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatsBinary_Writer)->Unit(benchmark::kMillisecond);
BENCHMARK(FloatsBinary_Fwrite)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsBinary_Writer)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsBinary_Fwrite)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
