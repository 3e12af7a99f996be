#include "dsp/DMath.h"

#include "platform/FPUControl.h"
#include "support/Fnv1a.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <string>

namespace {

// The expected values are stored, computed once at high precision by tests/data/make-dmath-reference.py, and
// never taken from the C library: the i686 library evaluates sin, tan, exp, log, ... with the x87
// transcendental instructions, whose results differ between processors (inexact reduction of large angles)
// and emulators (double-precision evaluation).
//
// One row of DMathReference.inc: the arguments (B only for the two-argument functions) and the function's
// exact value rounded to nearest, once to the 64-bit extended significand and once to double.
struct TReference
{
    long double A, B;
    long double Extended;
    double Double;
};

constexpr double DoubleInfinity = std::numeric_limits<double>::infinity();

#include "data/DMathReference.inc"

struct TReferenceCase
{
    const char* Name;
    long double (*Function)(long double, long double);
    std::span<const TReference> Rows;
    // Largest distance from the correctly rounded extended value, in extended ulps.
    double ExtendedUlps;
};

// Wrong constants, coefficients, operand order or range handling show as many ulps at some of the rows. The
// distances are whole ulps of the rounded reference: an error below 1.5 ulps shows as at most 1.
const TReferenceCase ReferenceCases[] = {
    {"Sin", [](long double a, long double) { return Extended::Sin(a); }, SinReferences, 1.0},
    {"Cos", [](long double a, long double) { return Extended::Cos(a); }, CosReferences, 1.0},
    {"Tan", [](long double a, long double) { return Extended::Tan(a); }, TanReferences, 2.0},
    {"Exp", [](long double a, long double) { return Extended::Exp(a); }, ExpReferences, 1.0},
    {"Exp2", [](long double a, long double) { return Extended::Exp2(a); }, Exp2References, 1.0},
    {"ExpMinusOne", [](long double a, long double) { return Extended::ExpMinusOne(a); }, ExpMinusOneReferences, 1.0},
    {"Sinh", [](long double a, long double) { return Extended::Sinh(a); }, SinhReferences, 1.0},
    // e^(|x| − ln 2) with the difference rounded to the spacing of |x| (2^-50 near 11000): up to 2^-51 relative.
    {"SinhBeyond11000", [](long double a, long double) { return Extended::Sinh(a); }, SinhBeyond11000References,
     8193.0},
    {"Ln", [](long double a, long double) { return Extended::Ln(a); }, LnReferences, 1.0},
    {"Log10", [](long double a, long double) { return Extended::Log10(a); }, Log10References, 1.0},
    {"Sqrt", [](long double a, long double) { return Extended::Sqrt(a); }, SqrtReferences, 0.0},
    {"ArcTan2", [](long double y, long double x) { return Extended::ArcTan2(y, x); }, ArcTan2References, 2.0},
    {"Power", [](long double b, long double e) { return Extended::Power(b, e); }, PowerReferences, 2.0},
};

// |a − b| in units in the last place of b's binade (of T's significand); 0 for equal values, infinite if only
// one of them is infinite.
template <typename T>
double UlpDistance(T a, T b)
{
    if (a == b)
        return 0.0;
    const T scale = std::max(std::fabs(b), std::numeric_limits<T>::min());
    const T ulp = std::ldexp(T{1}, std::ilogb(scale) - (std::numeric_limits<T>::digits - 1));
    return static_cast<double>(std::fabs(a - b) / ulp);
}

} // namespace

TEST(ExtendedMath, IsWithinAFewUlpsOfTheCorrectlyRoundedValue)
{
    TFPUControlScope fpu;
    for (const TReferenceCase& c : ReferenceCases) {
        double worst = 0.0;
        const TReference* worstRow = &c.Rows.front();
        for (const TReference& row : c.Rows) {
            const double d = UlpDistance(c.Function(row.A, row.B), row.Extended);
            if (d > worst) {
                worst = d;
                worstRow = &row;
            }
        }
        EXPECT_LE(worst, c.ExtendedUlps) << c.Name << "(" << static_cast<double>(worstRow->A) << ", "
                                         << static_cast<double>(worstRow->B) << ")";
        ::testing::Test::RecordProperty(std::string("WorstUlps") + c.Name, std::to_string(worst));
    }

    long double s, co;
    Extended::SinCos(0.75L, s, co);
    EXPECT_EQ(s, Extended::Sin(0.75L));
    EXPECT_EQ(co, Extended::Cos(0.75L));
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

// Rounded to double, every result is the correctly rounded double or, where the exact value lies within the
// extended error of a rounding boundary, its neighbour.
TEST(ExtendedMath, RoundedToDoubleIsTheCorrectlyRoundedValueOrItsNeighbour)
{
    TFPUControlScope fpu;
    for (const TReferenceCase& c : ReferenceCases) {
        double worst = 0.0;
        const TReference* worstRow = &c.Rows.front();
        for (const TReference& row : c.Rows) {
            const double d = UlpDistance(static_cast<double>(c.Function(row.A, row.B)), row.Double);
            if (d > worst) {
                worst = d;
                worstRow = &row;
            }
        }
        EXPECT_LE(worst, 1.0) << c.Name << "(" << static_cast<double>(worstRow->A) << ", "
                              << static_cast<double>(worstRow->B) << ")";
        ::testing::Test::RecordProperty(std::string("WorstDoubleUlps") + c.Name, std::to_string(worst));
    }
}

// IEEE 754 atan2 for every pair of signed zeros, infinities and extreme finite values.
TEST(ExtendedMath, ArcTan2FollowsTheSignsOfZerosAndInfinities)
{
    TFPUControlScope fpu;
    for (const TReference& row : ArcTan2SignsReferences) {
        const long double ours = Extended::ArcTan2(row.A, row.B);
        SCOPED_TRACE(::testing::Message() << "ArcTan2(" << static_cast<double>(row.A) << ", "
                                          << static_cast<double>(row.B) << ")");
        EXPECT_LE(UlpDistance(ours, row.Extended), 2.0);
        EXPECT_EQ(std::signbit(ours), std::signbit(row.Extended));
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

// The ten bytes of the value; the padding of the 12- or 16-byte type is not part of it.
struct TExtendedDigest : TFnv1a64
{
    void Add(long double Value) { AddBytes(&Value, 10); }
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
