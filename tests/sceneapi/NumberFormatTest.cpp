// The number texts must be those of printf in the "C" locale, byte for byte,
// for every value: compared with snprintf over a few million values chosen
// where formatters go wrong (random bit patterns, subnormals, powers of ten,
// ties and their neighbours, extreme exponents, signed zeros, NaN payloads).
// The float text is compared over a strided walk through all 2^32 floats
// besides; bench/sceneapi/FloatTextCheck.cpp compares every one of them.

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include <sceneapi/NumberFormat.h>

using namespace vel;

namespace {

// Ours writes into exactly the room it asks for, on the heap, where the
// sanitizer sees any byte written beyond it.
class Comparison {
public:
    explicit Comparison(const char* format, std::size_t room = kMaxNumberText)
        : format_(format), room_(room), actual_(new char[room])
    {
    }

    template <typename Value, typename Ours>
    void check(Value v, Ours ours)
    {
        char expected[400];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        std::snprintf(expected, sizeof expected, format_, v);
#pragma GCC diagnostic pop
#ifdef _WIN32
        // The C runtime on Windows prints every NaN as "nan"; the writer keeps
        // glibc's "-nan" for one with the sign bit, so that a scene is the
        // same bytes on every system.
        if (std::isnan(static_cast<double>(v)) && std::signbit(static_cast<double>(v))) {
            char* nan = std::strstr(expected, "nan");
            if (nan != nullptr && nan > expected && nan[-1] == ' ')
                nan[-1] = '-';
            else if (nan != nullptr)
                std::memmove(nan + 1, nan, std::strlen(nan) + 1), *nan = '-';
        }
#endif
        const std::string actual(actual_.get(), ours(actual_.get(), v));
        ++count_;
        if (actual.size() >= room_ || (actual != expected && ++failures_ <= 10))
            ADD_FAILURE() << format_ << " of " << std::hexfloat << v << ": printf \"" << expected << "\", ours \""
                          << actual << "\"";
    }
    ~Comparison() { EXPECT_EQ(failures_, 0) << "of " << count_ << " values"; }

private:
    const char* format_;
    std::size_t room_;
    std::unique_ptr<char[]> actual_;
    long count_ = 0;
    long failures_ = 0;
};

// Values where printf's rounding decides: d.ddddd5 x 10^e exactly as written
// and the doubles next to it, plus powers of ten and their neighbours.
template <typename Check>
void boundaryValues(std::mt19937_64& rng, int digits, int minExp, int maxExp, int perExp, Check check)
{
    for (int e = minExp; e <= maxExp; ++e) {
        const double p = std::pow(10.0, e);
        for (const double v : {p, std::nextafter(p, 0.0), std::nextafter(p, INFINITY)}) {
            check(v);
            check(-v);
            check(static_cast<float>(v));
        }
        for (int i = 0; i < perExp; ++i) {
            const double mantissa = static_cast<double>(rng() % 9000000 + 1000000) / 1000000; // 1.000000 .. 9.999999
            const double scaled = (std::floor(mantissa * std::pow(10.0, digits - 1)) + 0.5) / std::pow(10.0, digits - 1);
            const double v = scaled * p;
            for (const double w : {v, std::nextafter(v, 0.0), std::nextafter(v, INFINITY)}) {
                check(w);
                check(static_cast<float>(w));
            }
        }
    }
}

const double kSpecials[] = {0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN, DBL_MIN, DBL_MAX, -DBL_MAX,
                            DBL_TRUE_MIN, FLT_MIN, FLT_MAX, FLT_TRUE_MIN, 1e-5, 0.0001, 99999.95, 999999.5,
                            9999995, 0.00001234565, 0.5, 1.5, 2.5, 123456.5, 1e16, 1e22, 1e23};

} // namespace

// One float in every kStride bit patterns; the walk meets every exponent
// and both signs. Fewer under the sanitizer, which makes each one slower:
// there the runs of neighbouring floats below take one in kSparse too.
#ifdef __SANITIZE_ADDRESS__
constexpr std::uint64_t kStride = 16411;
constexpr int kSparse = 7;
#else
constexpr std::uint64_t kStride = 1021;
constexpr int kSparse = 1;
#endif

TEST(NumberFormat, GeneralMatchesPrintf)
{
    std::mt19937_64 rng(20190430);
    Comparison g("%g"), f("%g", kMaxFloatText);
    const auto checkFloat = [&](float v) { f.check(v, [](char* out, float x) { return formatGeneral(out, x); }); };
    const auto check = [&](double v) {
        g.check(v, [](char* out, double x) { return formatGeneral(out, x); });
        checkFloat(static_cast<float>(v));
    };
    for (const double v : kSpecials) {
        check(v);
        check(-v);
    }
    for (std::uint64_t bits = 0; bits < (std::uint64_t{1} << 32); bits += kStride)
        checkFloat(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    for (int i = 0; i < 1000000; ++i)
        check(std::bit_cast<double>(rng()));
    // Subnormal floats and doubles, and the largest normals.
    for (int i = 0; i < 100000; ++i) {
        checkFloat(std::bit_cast<float>(static_cast<std::uint32_t>(rng() % 0x00800000u)));
        check(std::bit_cast<double>(rng() % 0x0010000000000000ull));
        check(std::bit_cast<double>(0x7FE0000000000000ull | (rng() >> 12)));
    }
    boundaryValues(rng, 6, -330, 310, 300, check);
    // Every six-digit text; exact float ties in the fraction and in the
    // seventh digit; a few floats on either side of every power of ten and of
    // where the digits round up to the next one.
    for (int n = 100000; n < 1000000; n += kSparse)
        checkFloat(static_cast<float>(n));
    for (int n = 100000; n < 200000; n += kSparse)
        checkFloat(static_cast<float>(n) + 0.5f);
    for (int n = 1000005; n < 3000000; n += 10 * kSparse)
        checkFloat(static_cast<float>(n));
    for (int e = -45; e <= 38; ++e)
        for (const double edge : {1.0, 9.999995}) {
            float v = static_cast<float>(edge * std::pow(10.0, e));
            for (int i = 0; i < 4; ++i)
                v = std::nextafter(v, 0.0f);
            for (int i = 0; i < 8; ++i, v = std::nextafter(v, INFINITY))
                checkFloat(v);
        }
    for (int v = 999000; v <= 1001000; ++v) // around the switch to the exponent form
        check(v);
    std::uniform_real_distribution<float> coordinate(-1000.0f, 1000.0f); // as scenes hold them
    for (int i = 0; i < 300000; ++i)
        checkFloat(coordinate(rng));
}

TEST(NumberFormat, FixedMatchesPrintf)
{
    std::mt19937_64 rng(7);
    Comparison f16("%16.16f"), f3("%.3f");
    const auto three = [&](double v) { f3.check(v, [](char* out, double x) { return formatFixed(out, x, 3); }); };
    const auto check = [&](double v) {
        f16.check(v, [](char* out, double x) { return formatFixed(out, x, 16, 16); });
        three(v);
    };
    for (const double v : kSpecials) {
        check(v);
        check(-v);
    }
    for (int i = 0; i < 100000; ++i) {
        check(std::bit_cast<double>(rng()));
        check(std::bit_cast<float>(static_cast<std::uint32_t>(rng())));
    }
    // Magnitudes where the sixteenth and third places round.
    std::uniform_real_distribution<double> exponent(-20, 20);
    for (int i = 0; i < 300000; ++i)
        check(std::pow(10.0, exponent(rng)) * ((rng() & 1) ? 1 : -1));
    boundaryValues(rng, 3, -4, 6, 2000, three);
}

TEST(NumberFormat, IntegersMatchPrintf)
{
    std::mt19937_64 rng(3);
    Comparison d("%d"), u("%u");
    const auto check = [&](std::uint32_t bits) {
        d.check(static_cast<std::int32_t>(bits), [](char* out, std::int32_t v) { return formatInt(out, v); });
        u.check(bits, [](char* out, std::uint32_t v) { return formatUnsigned(out, v); });
    };
    // Every digit count, at both of its ends, in both signs, and the limits.
    for (std::uint64_t p = 1; p <= 10000000000ull; p *= 10)
        for (std::uint64_t v = p - 2; v <= p + 2; ++v) {
            check(static_cast<std::uint32_t>(v));
            check(static_cast<std::uint32_t>(-static_cast<std::int64_t>(v)));
        }
    for (const std::uint32_t v : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
        check(v);
    for (int i = 0; i < 1000000; ++i)
        check(static_cast<std::uint32_t>(rng() >> (rng() % 32)));
}
