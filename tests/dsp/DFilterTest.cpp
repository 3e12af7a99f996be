#include "dsp/DFilter.h"

#include "platform/FPUControl.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr long double Pi = 3.141592653589793238462643383279502884L;

// H(e^jω) evaluated directly from the coefficients, independently of the filter's response functions.
std::complex<long double> Transfer(const TBiquadCoefficients& c, double Frequency, double SampleRate)
{
    const long double w = 2.0L * Pi * Frequency / SampleRate;
    const std::complex<long double> z1 = std::polar(1.0L, -w);
    const std::complex<long double> z2 = z1 * z1;
    const long double b0 = c.B0, b1 = c.B1, b2 = c.B2, a1 = c.A1, a2 = c.A2;
    return (b0 + b1 * z1 + b2 * z2) / (1.0L + a1 * z1 + a2 * z2);
}

double Magnitude(const TBiquadCoefficients& c, double Frequency, double SampleRate)
{
    return static_cast<double>(std::abs(Transfer(c, Frequency, SampleRate)));
}

constexpr TBiquadCoefficients Garbage = {0.25, -0.125, 3.0, 5.0, 7.0};

class FilterTest : public ::testing::Test
{
protected:
    // A band configured the way the equaliser does it.
    static void Configure(TSymmetryFilter& f, double Frequency, double GainDb, double Bandwidth, double Symmetry,
                          double SampleRate = 44100.0)
    {
        f.SetSampleRate(SampleRate);
        f.SetFrequency(Frequency);
        f.SetGain(GainDb);
        f.SetBandwidth(Bandwidth);
        f.SetSymmetry(Symmetry);
    }

    TFPUControlScope FPU;
};

} // namespace

TEST_F(FilterTest, UnconfiguredFilterIsSilentWithDocumentedDefaults)
{
    TSymmetryFilter f;
    EXPECT_EQ(f.Gain(), 0.0);
    EXPECT_EQ(f.GainFactor(), 1.0);
    EXPECT_EQ(f.Frequency(), 1000.0);
    EXPECT_EQ(f.Bandwidth(), 1.0);
    EXPECT_EQ(f.SampleRate(), 44100.0);
    EXPECT_EQ(f.SampleRateReciprocal(), 1.0 / 44100.0);
    EXPECT_EQ(f.Symmetry(), 0.0);
    EXPECT_EQ(f.Order(), 2);
    EXPECT_EQ(f.W0(), 0.0);
    EXPECT_EQ(f.SinW0(), 0.0);
    EXPECT_EQ(f.Alpha(), 0.0);
    EXPECT_EQ(f.Coefficients(), TBiquadCoefficients{});
    for (double x : {1.0, -0.5, 1e10})
        EXPECT_EQ(f.FilterSample(x), 0.0);
    EXPECT_EQ(f.FilterSampleExtended(0.75L), 0.0L);
    EXPECT_EQ(f.FilterSampleInt64(123456789), 0);

    TSimplePeakFilter peak;
    EXPECT_EQ(peak.FilterSample(1.0), 0.0);
    EXPECT_EQ(peak.Coefficients(), TBiquadCoefficients{});
}

TEST_F(FilterTest, FrequencySetterAlwaysRecomputesAndReplacesNonPositiveValues)
{
    TSymmetryFilter f;
    Configure(f, 1000.0, 6.0, 1.0, 0.3);
    const TBiquadCoefficients expected = f.Coefficients();

    f.SetCoefficients(Garbage);
    f.SetFrequency(f.Frequency());
    EXPECT_EQ(f.Coefficients(), expected) << "an unchanged frequency still recomputes";

    for (double v : {0.0, -50.0, std::numeric_limits<double>::quiet_NaN()}) {
        f.SetFrequency(500.0);
        f.SetFrequency(v);
        EXPECT_EQ(f.Frequency(), 1.0) << v;
    }
    f.SetFrequency(1.0); // equal to the stored 1 Hz: keeps it, still recomputes
    EXPECT_EQ(f.Frequency(), 1.0);
    EXPECT_NEAR(f.W0(), 2 * std::numbers::pi / 44100.0, 1e-18);
}

TEST_F(FilterTest, BandwidthAndGainSettersStoreAndRecompute)
{
    TSymmetryFilter f;
    Configure(f, 1000.0, 6.0, 1.0, 0.0);
    for (double v : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        f.SetBandwidth(v);
        EXPECT_EQ(f.Bandwidth(), 0.01) << v;
    }

    f.SetCoefficients(Garbage);
    f.SetGain(-3.0);
    EXPECT_EQ(f.Gain(), -3.0);
    EXPECT_NE(f.Coefficients(), Garbage);
    // 10^(dB/40), stored through a 32-bit float.
    EXPECT_EQ(f.GainFactor(), static_cast<double>(static_cast<float>(f.GainFactor())));
    EXPECT_NEAR(f.GainFactor(), std::pow(10.0, -3.0 / 40.0), 1e-7);

    f.SetGain(-287.9);
    EXPECT_GT(f.GainFactor(), 0.0);
    f.SetGain(-288.0);
    EXPECT_EQ(f.GainFactor(), 0.0);

    f.SetGain(9.0);
    f.ResetGain();
    EXPECT_EQ(f.Gain(), 0.0);
    EXPECT_EQ(f.GainFactor(), 1.0);
    EXPECT_EQ(f.Coefficients().B1, f.Coefficients().A1);
}

TEST_F(FilterTest, SampleRateAloneRecomputesNothingUntilTheNextFrequency)
{
    TSymmetryFilter f;
    Configure(f, 1000.0, 6.0, 1.0, 0.0);
    const double w0 = f.W0();
    const TBiquadCoefficients before = f.Coefficients();

    f.SetSampleRate(96000.0);
    EXPECT_EQ(f.SampleRateReciprocal(), 1.0 / 96000.0);
    EXPECT_EQ(f.W0(), w0);
    EXPECT_EQ(f.Coefficients(), before);

    f.SetGain(6.0); // gain does not refresh the angular frequency
    EXPECT_EQ(f.W0(), w0);
    EXPECT_EQ(f.Coefficients(), before);

    f.SetFrequency(1000.0);
    EXPECT_NEAR(f.W0(), 2 * std::numbers::pi * 1000.0 / 96000.0, 1e-16);
}

TEST_F(FilterTest, SymmetrySetterIgnoresAnUnchangedValue)
{
    TSymmetryFilter f;
    Configure(f, 2000.0, 4.0, 2.0, 0.5);
    f.SetCoefficients(Garbage);
    f.SetSymmetry(0.5);
    EXPECT_EQ(f.Coefficients(), Garbage);
    f.SetSymmetry(-0.5);
    EXPECT_EQ(f.Symmetry(), -0.5);
    EXPECT_NE(f.Coefficients(), Garbage);
}

TEST_F(FilterTest, AngularFrequencyIsLimitedWhileItsSineIsNot)
{
    TSymmetryFilter f;
    f.SetFrequency(22000.0);
    const double unlimited = 2 * std::numbers::pi * 22000.0 / 44100.0;
    EXPECT_NEAR(unlimited, 3.1345, 1e-4);
    EXPECT_EQ(f.W0(), 3.1);
    EXPECT_NEAR(f.SinW0(), std::sin(unlimited), 1e-15);
    EXPECT_GT(std::fabs(f.SinW0() - std::sin(3.1)), 1e-3);
}

// The bandwidth term of the peaking section, including its cos(W0/2) factor, against the C library.
TEST_F(FilterTest, PeakAlphaFollowsTheBandwidthFormula)
{
    TSimplePeakFilter f;
    for (double frequency : {50.0, 1000.0, 15000.0})
        for (double bw : {0.1, 1.0, 4.0}) {
            f.SetFrequency(frequency);
            f.SetBandwidth(bw);
            const double w = f.W0();
            const double expected =
                std::sin(w) * std::sinh(std::log(2.0) / 2 * std::cos(w / 2) * bw * w / std::sin(w));
            EXPECT_NEAR(f.Alpha() / expected, 1.0, 1e-14) << frequency << " Hz " << bw << " oct";
        }
}

TEST_F(FilterTest, PeakFilterIsABellWithUnitGainAtBothEnds)
{
    TSimplePeakFilter f;
    for (double gain : {-12.0, 3.0, 15.0}) {
        f.SetFrequency(3000.0);
        f.SetGain(gain);
        f.SetBandwidth(1.0);
        EXPECT_NEAR(f.ResponseMagnitude(0.0), 1.0, 1e-12);
        EXPECT_NEAR(f.ResponseMagnitude(22050.0), 1.0, 1e-12);
        EXPECT_NEAR(f.ResponseMagnitude(3000.0), std::pow(10.0, gain / 20.0), 1e-6 * std::pow(10.0, gain / 20.0));
    }
}

TEST_F(FilterTest, FilterSampleExtendedKeepsTheOutputUnrounded)
{
    TSymmetryFilter f;
    f.SetCoefficients({0.0, 0.0, 0.1, 0.0, 0.0});
    const long double y = f.FilterSampleExtended(1.0L / 3.0L);
    EXPECT_EQ(y, static_cast<long double>(0.1) * (1.0L / 3.0L));
    EXPECT_NE(y, static_cast<long double>(static_cast<double>(y)));
}

TEST_F(FilterTest, FilterSampleRunsTheTransposedDirectForm)
{
    TSymmetryFilter f;
    const TBiquadCoefficients c = {-0.5, 0.25, 2.0, 1.0, 0.5};
    f.SetCoefficients(c);
    // y[n] = 2x[n] + x[n−1] + 0.5x[n−2] + 0.5y[n−1] − 0.25y[n−2] for x = 1, 0, 0, 0
    const double expected[] = {2.0, 2.0, 1.0, 0.0};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(f.FilterSample(i == 0 ? 1.0 : 0.0), expected[i]) << i;
}

TEST_F(FilterTest, Int64RecursionRoundsEachProductTiesToEven)
{
    TSymmetryFilter f;
    f.SetCoefficients({0.0, 0.0, 0.5, 0.0, 0.0});
    const struct { std::int64_t x, y; } table[] = {{1, 0}, {3, 2}, {5, 2}, {-1, 0}, {-3, -2}, {7, 4}};
    for (const auto& row : table)
        EXPECT_EQ(f.FilterSampleInt64(row.x), row.y) << row.x;

    // States are integers in the same storage; feedback products rounded separately.
    f.SetCoefficients({0.5, 0.0, 1.0, 0.5, 1.5});
    f.ClearStatesInt64();
    EXPECT_EQ(f.FilterSampleInt64(3), 3);                   // s0 = round(1.5) − round(1.5) = 0, s1 = round(4.5) = 4
    EXPECT_EQ(std::bit_cast<std::int64_t>(f.State()[0]), 0);
    EXPECT_EQ(std::bit_cast<std::int64_t>(f.State()[1]), 4);
    EXPECT_EQ(f.FilterSampleInt64(0), 0);                   // s0 = 0 − 0 + 4
    EXPECT_EQ(f.FilterSampleInt64(0), 4);
    f.ClearStates();
    EXPECT_EQ(f.State(), (TBiquadState{0.0, 0.0}));
}

TEST_F(FilterTest, StateStackIsLastInFirstOut)
{
    TSymmetryFilter f;
    f.RestoreStates(); // empty: nothing happens
    EXPECT_EQ(f.State(), (TBiquadState{0.0, 0.0}));

    f.State() = {1.0, 2.0};
    f.SaveStates();
    f.State() = {3.0, 4.0};
    f.SaveStates();
    ASSERT_EQ(f.StateStack().size(), 2u);
    EXPECT_EQ(f.StateStack()[0], (TBiquadState{3.0, 4.0}));
    EXPECT_EQ(f.StateStack()[1], (TBiquadState{1.0, 2.0}));

    f.State() = {5.0, 6.0};
    f.RestoreStates();
    EXPECT_EQ(f.State(), (TBiquadState{3.0, 4.0}));
    f.RestoreStates();
    EXPECT_EQ(f.State(), (TBiquadState{1.0, 2.0}));
    EXPECT_TRUE(f.StateStack().empty());
    f.RestoreStates();
    EXPECT_EQ(f.State(), (TBiquadState{1.0, 2.0}));
}

TEST_F(FilterTest, ImpulseResponseStartsFromThePresentStateAndLeavesEverythingAsItWas)
{
    TSymmetryFilter f;
    Configure(f, 800.0, 9.0, 0.7, -0.3);
    f.State() = {0.125, -0.0625};
    f.SaveStates();
    f.State() = {0.5, 0.25};
    const TBiquadState state = f.State();
    const std::vector<TBiquadState> stack = f.StateStack();

    TSymmetryFilter reference = f;
    std::vector<double> expected(64);
    expected[0] = reference.FilterSample(1.0);
    for (std::size_t i = 1; i < expected.size(); ++i)
        expected[i] = reference.FilterSample(0.0);

    std::vector<double> d(64, -1.0);
    f.ImpulseResponse(std::span<double>(d));
    EXPECT_EQ(d, expected);
    EXPECT_EQ(f.State(), state);
    EXPECT_EQ(f.StateStack(), stack);

    std::vector<float> s(64, -1.0f);
    f.ImpulseResponse(std::span<float>(s));
    for (std::size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i], static_cast<float>(expected[i])) << i;
    EXPECT_EQ(f.State(), state);
    EXPECT_EQ(f.StateStack(), stack);

    f.ImpulseResponse(std::span<double>());
    EXPECT_EQ(f.State(), state);
    EXPECT_EQ(f.StateStack(), stack);
}

namespace {

struct TBandCase
{
    double Frequency, GainDb, Bandwidth, Symmetry, SampleRate;
};

const TBandCase BandCases[] = {
    {31.5, 12.0, 1.0, -1.0, 44100.0}, {100.0, -7.5, 0.1, -0.5, 44100.0}, {1000.0, 15.0, 1.0, 0.0, 44100.0},
    {4000.0, -15.0, 3.0, 0.25, 48000.0}, {8000.0, 6.0, 10.0, 0.5, 44100.0}, {16000.0, -9.0, 0.5, 1.0, 44100.0},
    {20000.0, 3.0, 2.0, 0.8, 44100.0},
};

} // namespace

// Magnitude, dB, real and imaginary part and phase against a direct evaluation of H; real, imaginary part
// and phase describe the conjugate response H(e^−jω).
TEST_F(FilterTest, ResponsesAgreeWithTheTransferFunction)
{
    for (const TBandCase& b : BandCases) {
        TSymmetryFilter f;
        Configure(f, b.Frequency, b.GainDb, b.Bandwidth, b.Symmetry, b.SampleRate);
        for (double frequency : {5.0, 63.0, 440.0, 1000.0, 5000.0, 12000.0, 19000.0}) {
            const std::complex<long double> h = Transfer(f.Coefficients(), frequency, b.SampleRate);
            const double magnitude = static_cast<double>(std::abs(h));
            // The closed forms and the direct evaluation are both ill-conditioned where poles sit near z = 1;
            // a wrong term or sign shows as an error of order 1.
            const double tolerance = 1e-8 * std::max(1.0, magnitude);
            SCOPED_TRACE(::testing::Message() << b.Frequency << " Hz band, S " << b.Symmetry << ", at " << frequency);
            EXPECT_NEAR(f.ResponseMagnitude(frequency), magnitude, tolerance);
            EXPECT_NEAR(f.ResponseMagnitudeDb(frequency), 20.0 * std::log10(magnitude), 1e-7);
            EXPECT_NEAR(f.ResponseReal(frequency), static_cast<double>(h.real()), tolerance);
            EXPECT_NEAR(f.ResponseImaginary(frequency), static_cast<double>(-h.imag()), tolerance);
            EXPECT_NEAR(f.ResponsePhase(frequency), static_cast<double>(-std::arg(h)), 1e-8);
            double re = 0, im = 0;
            f.ResponseComplex(frequency, re, im);
            EXPECT_NEAR(re, static_cast<double>(h.real()), tolerance);
            EXPECT_NEAR(im, static_cast<double>(-h.imag()), tolerance);
            float ref = 0, imf = 0;
            f.ResponseComplex(frequency, ref, imf);
            EXPECT_EQ(ref, static_cast<float>(re));
            EXPECT_EQ(imf, static_cast<float>(im));
        }
    }
}

// Gain M/P² at 0 Hz and M at half the sample rate, where M = G^(2S) for S ≥ 0 (else 1) and P = G^S.
TEST_F(FilterTest, SymmetryMorphsFromLowShelfThroughBellToHighShelf)
{
    const struct { double Symmetry, AtZero, AtNyquist; } table[] = {
        // exponents of G at 0 Hz and at Nyquist
        {-1.0, 2.0, 0.0}, {-0.5, 1.0, 0.0}, {0.0, 0.0, 0.0}, {0.5, 0.0, 1.0}, {1.0, 0.0, 2.0}, {-0.2, 0.4, 0.0},
    };
    for (double gainDb : {-15.0, -6.0, 12.0})
        for (const auto& row : table) {
            TSymmetryFilter f;
            Configure(f, 1000.0, gainDb, 1.0, row.Symmetry);
            const double g = f.GainFactor();
            SCOPED_TRACE(::testing::Message() << gainDb << " dB, S " << row.Symmetry);
            EXPECT_NEAR(f.ResponseMagnitude(0.0) / std::pow(g, row.AtZero), 1.0, 1e-9);
            EXPECT_NEAR(f.ResponseMagnitude(22050.0) / std::pow(g, row.AtNyquist), 1.0, 1e-9);
            EXPECT_NEAR(Magnitude(f.Coefficients(), 0.0, 44100.0) / std::pow(g, row.AtZero), 1.0, 1e-9);
        }

    TSymmetryFilter lowShelf;
    Configure(lowShelf, 1000.0, 12.0, 1.0, -1.0);
    EXPECT_NEAR(lowShelf.ResponseMagnitude(5.0), 3.98, 0.01);
    EXPECT_NEAR(lowShelf.ResponseMagnitude(21000.0), 1.0, 0.01);
    TSymmetryFilter highShelf;
    Configure(highShelf, 1000.0, 12.0, 1.0, 1.0);
    EXPECT_NEAR(highShelf.ResponseMagnitude(5.0), 1.0, 0.01);
    EXPECT_NEAR(highShelf.ResponseMagnitude(21000.0), 3.98, 0.01);
}

TEST_F(FilterTest, BellReachesTheFullGainAtItsCentre)
{
    for (double frequency : {100.0, 1000.0, 10000.0})
        for (double gainDb : {-15.0, 4.5, 15.0}) {
            TSymmetryFilter f;
            Configure(f, frequency, gainDb, 1.0, 0.0);
            const double g = f.GainFactor();
            EXPECT_NEAR(f.ResponseMagnitude(frequency) / (g * g), 1.0, 1e-9) << frequency << " Hz " << gainDb;
        }
}

TEST_F(FilterTest, ZeroDecibelsIsTransparentForEverySymmetry)
{
    for (double symmetry : {-1.0, -0.6, 0.0, 0.3, 1.0})
        for (double frequency : {20.0, 1000.0, 20000.0})
            for (double bandwidth : {0.1, 1.0, 10.0}) {
                TSymmetryFilter f;
                Configure(f, frequency, 0.0, bandwidth, symmetry);
                const TBiquadCoefficients& c = f.Coefficients();
                SCOPED_TRACE(::testing::Message() << "S " << symmetry << ", " << frequency << " Hz, " << bandwidth);
                EXPECT_EQ(c.B1, c.A1);
                EXPECT_EQ(c.B2, c.A2);
                EXPECT_NEAR(c.B0, 1.0, 1e-15);
                for (double at : {0.0, 50.0, 1000.0, 15000.0, 22050.0})
                    EXPECT_NEAR(f.ResponseMagnitude(at), 1.0, 1e-8);
            }
}
