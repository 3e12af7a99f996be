#include "dsp/DMath.h"

#include "platform/FPUControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

namespace {

struct TMathCase
{
    const char* Name;
    std::function<long double(long double)> Ours;
    std::function<long double(long double)> Reference;
    std::vector<long double> Arguments;
};

// Relative agreement with the C library's long double functions; catches wrong constants, operand order or
// range handling, not last-bit differences. The bound is about two double ulps: the i686 library computes
// with the x87 transcendental instructions, which emulators evaluate only to double precision.
constexpr long double Tolerance = 4e-16L;

void ExpectClose(long double Ours, long double Reference, const char* Name, long double x)
{
    const long double scale = std::fabs(Reference) > 1e-300L ? std::fabs(Reference) : 1.0L;
    EXPECT_LE(std::fabs(Ours - Reference) / scale, Tolerance)
        << Name << "(" << static_cast<double>(x) << ") = " << static_cast<double>(Ours) << ", expected "
        << static_cast<double>(Reference);
}

} // namespace

TEST(ExtendedMath, AgreesWithTheLibraryAcrossTheArgumentRange)
{
    TFPUControlScope fpu;
    const std::vector<TMathCase> cases = {
        {"Sin", Extended::Sin, [](long double x) { return std::sin(x); }, {1e-12L, 0.1L, 1.0L, 2.5L, -3.0L, 100.0L}},
        {"Cos", Extended::Cos, [](long double x) { return std::cos(x); }, {0.0L, 0.1L, 1.0L, -2.5L, 3.0L, 100.0L}},
        // Away from the poles: near them the reference itself is only as good as the x87 fptan it may use, and
        // emulators compute that in double precision. RoundedToDoubleMatchesTheLibraryWithinTwoUlps covers them.
        {"Tan", Extended::Tan, [](long double x) { return std::tan(x); }, {1e-9L, 0.01L, 0.7L, 1.3L, -1.2L}},
        {"Exp", Extended::Exp, [](long double x) { return std::exp(x); },
         {-700.0L, -10.0L, -0.5L, 1e-15L, 0.3L, 1.0L, 6.9L, 50.0L, 11000.0L}},
        {"Exp2", Extended::Exp2, [](long double x) { return std::exp2(x); }, {-1000.5L, -1.0L, 0.25L, 3.0L, 63.7L}},
        {"Sinh", Extended::Sinh, [](long double x) { return std::sinh(x); },
         {1e-12L, -1e-6L, 0.05L, 0.35L, -0.7L, 2.0L, 30.0L, -11001.0L}},
        {"Ln", Extended::Ln, [](long double x) { return std::log(x); }, {1e-300L, 0.5L, 2.0L, 10.0L, 1e300L}},
        {"Log10", Extended::Log10, [](long double x) { return std::log10(x); }, {1e-20L, 0.3L, 7.0L, 1e30L}},
        {"Sqrt", Extended::Sqrt, [](long double x) { return std::sqrt(x); }, {0.0L, 1e-30L, 2.0L, 1e300L}},
    };
    for (const TMathCase& c : cases)
        for (long double x : c.Arguments)
            ExpectClose(c.Ours(x), c.Reference(x), c.Name, x);

    long double s, co;
    Extended::SinCos(0.75L, s, co);
    EXPECT_EQ(s, Extended::Sin(0.75L));
    EXPECT_EQ(co, Extended::Cos(0.75L));

    for (long double y : {-2.0L, -0.5L, 0.0L, 0.5L, 2.0L})
        for (long double x : {-3.0L, -1.0L, 1e-9L, 1.0L, 4.0L})
            ExpectClose(Extended::ArcTan2(y, x), std::atan2(y, x), "ArcTan2", y);
    for (long double b : {1e-3L, 0.5L, 1.7L, 2.0L, 31.0L})
        for (long double e : {-2.5L, -1.0L, 0.125L, 1.0L, 3.0L, 17.3L})
            ExpectClose(Extended::Power(b, e), std::pow(b, e), "Power", e);
}

TEST(ExtendedMath, SpecialArgumentsGiveIEEEStyleResultsWithoutTrapping)
{
    // Invalid operation and zero divide unmasked: a special argument reaching an instruction would trap.
    TFPUControlScope fpu(0x133A);
    constexpr long double inf = Extended::Infinity;
    EXPECT_EQ(Extended::Ln(0.0L), -inf);
    EXPECT_TRUE(std::isnan(Extended::Ln(-1.0L)));
    EXPECT_EQ(Extended::Ln(inf), inf);
    EXPECT_EQ(Extended::Log10(0.0L), -inf);
    EXPECT_TRUE(std::isnan(Extended::Log10(-1e-30L)));
    EXPECT_TRUE(std::isnan(Extended::Sqrt(-1.0L)));
    EXPECT_TRUE(std::isnan(Extended::Sin(inf)));
    EXPECT_TRUE(std::isnan(Extended::Cos(-inf)));
    EXPECT_EQ(Extended::Exp(-inf), 0.0L);
    EXPECT_EQ(Extended::Exp2(-inf), 0.0L);
    EXPECT_EQ(Extended::Power(0.0L, 2.0L), 0.0L);
    EXPECT_EQ(Extended::Power(0.0L, -1.0L), inf);
    EXPECT_EQ(Extended::Power(Extended::NaN, 0.0L), 1.0L);
    EXPECT_EQ(Extended::Power(1.0L, Extended::NaN), 1.0L);
    EXPECT_EQ(Extended::Power(-2.0L, 3.0L), -8.0L);
    EXPECT_NEAR(static_cast<double>(Extended::Power(-2.0L, -2.0L)), 0.25, 1e-18);
    EXPECT_TRUE(std::isnan(Extended::Power(-2.0L, 0.5L)));
    EXPECT_EQ(Extended::ArcTan2(0.0L, 0.0L), 0.0L);
}

TEST(ExtendedMath, OverflowSaturatesAndHugeAnglesStayInRange)
{
    TFPUControlScope fpu;
    constexpr long double inf = Extended::Infinity;
    EXPECT_EQ(Extended::Exp(1e5L), inf);
    EXPECT_EQ(Extended::Exp(inf), inf);
    EXPECT_EQ(Extended::Exp(-1e5L), 0.0L);
    EXPECT_EQ(Extended::Sinh(12000.0L), inf);
    EXPECT_EQ(Extended::Sinh(-12000.0L), -inf);
    EXPECT_EQ(Extended::Power(2.0L, 1e6L), inf);
    // Huge angles are reduced modulo the rounded value of 2π, exactly.
    for (long double x : {0x1p63L, -0x1p70L, 0x1p1000L}) {
        EXPECT_LE(std::fabs(Extended::Sin(x)), 1.0L);
        EXPECT_LE(std::fabs(Extended::Cos(x)), 1.0L);
        EXPECT_NE(Extended::Sin(x), x);
        EXPECT_TRUE(Extended::IsFinite(Extended::Tan(x)));
    }
}

TEST(ExtendedMath, RoundToInt64TiesToEven)
{
    TFPUControlScope fpu;
    const struct { long double x; std::int64_t expected; } table[] = {
        {0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0}, {-1.5L, -2}, {-2.5L, -2}, {2.4999L, 2}, {3.5000001L, 4},
        {0x1p62L, std::int64_t{1} << 62}, {Extended::NaN, std::numeric_limits<std::int64_t>::min()},
        {0x1p64L, std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto& row : table)
        EXPECT_EQ(Extended::RoundToInt64(row.x), row.expected) << static_cast<double>(row.x);
}

namespace {

// Numerical Recipes' 32-bit LCG; arguments built from it are exact in both builds.
struct TArgumentSource
{
    std::uint32_t Seed = 2024u;
    std::uint32_t Next() { return Seed = Seed * 1664525u + 1013904223u; }
    // A double in [Low, High) with 53 random bits.
    double Uniform(double Low, double High)
    {
        const std::uint64_t bits = (static_cast<std::uint64_t>(Next()) << 21) ^ Next();
        return Low + (High - Low) * (static_cast<double>(bits & ((std::uint64_t{1} << 53) - 1)) * 0x1p-53);
    }
};

// Distance in units in the last place of a double (both finite, same sign or one of them zero).
double UlpDistance(double a, double b)
{
    if (a == b)
        return 0.0;
    const double scale = std::fabs(b) > std::numeric_limits<double>::min() ? std::fabs(b) : 1.0;
    const double ulp = std::ldexp(1.0, std::ilogb(scale) - 52);
    return std::fabs(a - b) / ulp;
}

struct TDoubleCase
{
    const char* Name;
    std::function<long double(long double)> Ours;
    std::function<double(double)> Reference;
    double Low, High;
};

} // namespace

// Rounded to double, every function agrees with the C library's double function to within the library's own
// error: a wrong coefficient, a lost term or a bad reduction shows up as many ulps somewhere in the range.
TEST(ExtendedMath, RoundedToDoubleMatchesTheLibraryWithinTwoUlps)
{
    TFPUControlScope fpu;
    const std::vector<TDoubleCase> cases = {
        {"Sin", Extended::Sin, [](double x) { return std::sin(x); }, -10.0, 10.0},
        {"Sin", Extended::Sin, [](double x) { return std::sin(x); }, 1e5, 1e6},
        {"Cos", Extended::Cos, [](double x) { return std::cos(x); }, -10.0, 10.0},
        {"Cos", Extended::Cos, [](double x) { return std::cos(x); }, 0.0, 3.2},
        {"Tan", Extended::Tan, [](double x) { return std::tan(x); }, -1.5, 1.5},
        {"Exp", Extended::Exp, [](double x) { return std::exp(x); }, -700.0, 700.0},
        {"Exp", Extended::Exp, [](double x) { return std::exp(x); }, -1.0, 1.0},
        {"Exp2", Extended::Exp2, [](double x) { return std::exp2(x); }, -1000.0, 1000.0},
        {"ExpMinusOne", Extended::ExpMinusOne, [](double x) { return std::expm1(x); }, -2.0, 2.0},
        {"Sinh", Extended::Sinh, [](double x) { return std::sinh(x); }, -3.0, 3.0},
        {"Sinh", Extended::Sinh, [](double x) { return std::sinh(x); }, -700.0, 700.0},
        {"Ln", Extended::Ln, [](double x) { return std::log(x); }, 0.5, 2.0},
        {"Ln", Extended::Ln, [](double x) { return std::log(x); }, 1e-300, 1e300},
        {"Log10", Extended::Log10, [](double x) { return std::log10(x); }, 1e-10, 1e10},
        {"ArcTanOfY", [](long double y) { return Extended::ArcTan2(y, 1.0L); },
         [](double y) { return std::atan2(y, 1.0); }, -4.0, 4.0},
        {"ArcTanOfX", [](long double x) { return Extended::ArcTan2(0.75L, x); },
         [](double x) { return std::atan2(0.75, x); }, -4.0, 4.0},
        {"PowerSmallExponent", [](long double e) { return Extended::Power(3.75L, e); },
         [](double e) { return std::pow(3.75, e); }, -20.0, 20.0},
        {"PowerLargeExponent", [](long double e) { return Extended::Power(0.9375L, e); },
         [](double e) { return std::pow(0.9375, e); }, -9000.0, 9000.0},
    };
    TArgumentSource source;
    for (const TDoubleCase& c : cases) {
        double worst = 0.0, worstArgument = 0.0;
        for (int i = 0; i < 2000; ++i) {
            const double x = source.Uniform(c.Low, c.High);
            const double d = UlpDistance(static_cast<double>(c.Ours(x)), c.Reference(x));
            if (d > worst) {
                worst = d;
                worstArgument = x;
            }
        }
        EXPECT_LE(worst, 2.0) << c.Name << " at " << worstArgument;
    }
}

TEST(ExtendedMath, ArcTan2FollowsTheSignsOfZerosAndInfinities)
{
    TFPUControlScope fpu;
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0, -0.0, 1.0, -1.0, 1e-300, -3e300, inf, -inf};
    for (double y : values)
        for (double x : values) {
            const double ours = static_cast<double>(Extended::ArcTan2(y, x));
            const double reference = std::atan2(y, x);
            EXPECT_LE(UlpDistance(ours, reference), 1.0) << "ArcTan2(" << y << ", " << x << ")";
            EXPECT_EQ(std::signbit(ours), std::signbit(reference)) << "ArcTan2(" << y << ", " << x << ")";
        }
    EXPECT_TRUE(std::isnan(Extended::ArcTan2(Extended::NaN, 1.0L)));
    EXPECT_TRUE(std::isnan(Extended::ArcTan2(1.0L, Extended::NaN)));
}

TEST(ExtendedMath, RoundToIntegralTiesToEvenUpToTwoToThe63)
{
    const struct { long double x, expected; } table[] = {
        {0.5L, 0.0L}, {1.5L, 2.0L}, {2.5L, 2.0L}, {-2.5L, -2.0L}, {-3.5L, -4.0L}, {0.49999999999999999995L, 0.0L},
        {0x1p62L + 0.5L, 0x1p62L}, {0x1p62L + 1.5L, 0x1p62L + 2.0L}, {0x1p63L - 0.5L, 0x1p63L},
        {-0x1p63L + 0.5L, -0x1p63L}, {0x1p63L, 0x1p63L}, {1e30L, 1e30L}, {-1e4000L, -1e4000L},
    };
    for (const auto& row : table)
        EXPECT_EQ(Extended::Detail::RoundToIntegral(row.x), row.expected) << static_cast<double>(row.x);
    EXPECT_TRUE(std::isnan(Extended::Detail::RoundToIntegral(Extended::NaN)));
    EXPECT_EQ(Extended::Detail::RoundToIntegral(Extended::Infinity), Extended::Infinity);
}

// Subnormal arguments go through the exponent decoding of the logarithm; the scaling must be exact.
TEST(ExtendedMath, LogarithmsOfSubnormalsAndPowersOfTwoAreExact)
{
    TFPUControlScope fpu;
    const long double smallest = std::numeric_limits<long double>::denorm_min();
    EXPECT_EQ(Extended::Ln(smallest), -16445.0L * Extended::Ln(2.0L));
    EXPECT_EQ(Extended::Ln(0x1p-16400L), -16400.0L * Extended::Ln(2.0L));
    EXPECT_EQ(Extended::Ln(1.0L), 0.0L);
    EXPECT_EQ(Extended::Exp2(-16445.0L), smallest);
    EXPECT_EQ(Extended::Exp2(10.0L), 1024.0L);
    EXPECT_EQ(Extended::Power(2.0L, 0.5L), Extended::Sqrt(2.0L));
    EXPECT_EQ(Extended::Power(-3.0L, 3.0L), -27.0L);
}

namespace {

struct TExtendedDigest
{
    std::uint64_t Hash = 0xcbf29ce484222325ull;
    // The ten bytes of the value; the padding of the 12- or 16-byte type is not part of it.
    void Add(long double Value)
    {
        unsigned char bytes[sizeof(long double)];
        std::memcpy(bytes, &Value, sizeof bytes);
        for (int i = 0; i < 10; ++i) {
            Hash ^= bytes[i];
            Hash *= 0x100000001b3ull;
        }
    }
};

} // namespace

// Every function's exact output bits over a fixed set of arguments: the same in both builds, on any x87
// implementation that rounds basic arithmetic correctly. A changed constant means the results changed.
TEST(ExtendedMath, OutputBitsAreTheSameInBothBuilds)
{
    TFPUControlScope fpu;
    TArgumentSource source;
    TExtendedDigest digest;
    for (int i = 0; i < 500; ++i) {
        const long double t = source.Uniform(0.0, 1.0) + source.Uniform(0.0, 1.0) * 0x1p-53;
        const long double angle = (t - 0.5L) * 40.0L;
        long double s, c;
        Extended::SinCos(angle, s, c);
        digest.Add(s);
        digest.Add(c);
        digest.Add(Extended::Tan(angle));
        digest.Add(Extended::Sin(angle * 0x1p40L));
        const long double x = (t - 0.5L) * 100.0L;
        digest.Add(Extended::Exp(x));
        digest.Add(Extended::Exp2(x * 3.0L));
        digest.Add(Extended::ExpMinusOne(x * 0.02L));
        digest.Add(Extended::Sinh(x * 0.1L));
        const long double positive = Extended::Exp(x * 5.0L);
        digest.Add(Extended::Ln(positive));
        digest.Add(Extended::Log10(positive));
        digest.Add(Extended::Power(t * 4.0L, x * 0.3L));
        digest.Add(Extended::ArcTan2(x, angle));
    }
    EXPECT_EQ(digest.Hash, 0x899edf3e2e04979full) << std::hex << "digest 0x" << digest.Hash;
}
