#include "dsp/DMath.h"

#include "platform/FPUControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

struct TMathCase
{
    const char* Name;
    std::function<long double(long double)> Ours;
    std::function<long double(long double)> Reference;
    std::vector<long double> Arguments;
};

// Relative agreement with the C library's long double functions; catches wrong constants, operand order or
// range handling, not last-bit differences (which are the reason these functions exist).
constexpr long double Tolerance = 1e-16L;

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
        {"Tan", Extended::Tan, [](long double x) { return std::tan(x); }, {1e-9L, 0.01L, 0.7L, 1.55L, -1.2L}},
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
    // fsin, fcos and fptan refuse |x| >= 2^63; such angles are reduced first.
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
