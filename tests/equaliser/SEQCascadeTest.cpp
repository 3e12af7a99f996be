// The block kernels against the plain loop over the filters' own FilterSampleExtended: same samples, states
// and meters, bit for bit, for every block length and buffer arrangement.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "dsp/DFilter.h"
#include "equaliser/SEQCascade.h"
#include "platform/FPUControl.h"

namespace
{

// A section with its coefficients set directly (its own parameters are never used).
class TRawSection : public TSimplePeakFilter
{
public:
    void UpdateCoefficients() override {}
};

// The specified loop, written with the filter objects: channel 0 then 1, sections in order.
struct TFilterReference
{
    TRawSection Sections[kCascadeChannels][kCascadeSections];
    double VolumeFactor = 1.0;
    float LevelMeter[kCascadeChannels] = {0.0f, 0.0f};

    void Process(const float* const* Inputs, float* const* Outputs, std::int32_t SampleFrames)
    {
        const long double decay = 0.999f;
        const long double input = 0.001f;
        for (int ch = 0; ch < kCascadeChannels && SampleFrames > 0; ++ch)
        {
            long double m = LevelMeter[ch];
            for (std::int32_t i = 0; i < SampleFrames; ++i)
            {
                long double y = Inputs[ch][i];
                for (auto& section : Sections[ch])
                    y = section.FilterSampleExtended(y);
                y = y * VolumeFactor;
                m = m * decay + std::fabs(y * input);
                Outputs[ch][i] = static_cast<float>(y);
            }
            LevelMeter[ch] = static_cast<float>(m);
        }
    }
};

// Random stable sections (poles inside the unit circle), random states, volume and meters.
void Randomise(std::mt19937& Random, TCascade& Cascade, TFilterReference& Reference)
{
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int ch = 0; ch < kCascadeChannels; ++ch)
        for (int k = 0; k < kCascadeSections; ++k)
        {
            const double r = 0.2 + 0.79 * std::abs(u(Random));
            const double theta = 3.1 * std::abs(u(Random));
            TBiquadCoefficients c;
            c.A1 = -2.0 * r * std::cos(theta);
            c.A2 = r * r;
            c.B0 = 1.0 + 0.7 * u(Random);
            c.B1 = 1.5 * u(Random);
            c.B2 = 0.7 * u(Random);
            const double s0 = 0.1 * u(Random), s1 = 0.1 * u(Random);
            Cascade.Sections[ch][k].Coefficients = c;
            Cascade.Sections[ch][k].State[0] = s0;
            Cascade.Sections[ch][k].State[1] = s1;
            Reference.Sections[ch][k].SetCoefficients(c);
            Reference.Sections[ch][k].State() = {s0, s1};
        }
    Cascade.VolumeFactor = Reference.VolumeFactor = static_cast<float>(0.2 + 1.5 * std::abs(u(Random)));
    for (int ch = 0; ch < kCascadeChannels; ++ch)
        Cascade.LevelMeter[ch] = Reference.LevelMeter[ch] = static_cast<float>(std::abs(u(Random)));
}

std::vector<float> Noise(std::mt19937& Random, std::size_t n)
{
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (float& x : v)
        x = u(Random);
    return v;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::bit_cast<std::uint32_t>(a[i]) != std::bit_cast<std::uint32_t>(b[i]))
            return false;
    return true;
}

void ExpectSameState(const TCascade& Cascade, const TFilterReference& Reference)
{
    for (int ch = 0; ch < kCascadeChannels; ++ch)
    {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(Cascade.LevelMeter[ch]),
                  std::bit_cast<std::uint32_t>(Reference.LevelMeter[ch]))
            << "meter " << ch;
        for (int k = 0; k < kCascadeSections; ++k)
            for (int s = 0; s < 2; ++s)
                EXPECT_EQ(std::bit_cast<std::uint64_t>(Cascade.Sections[ch][k].State[s]),
                          std::bit_cast<std::uint64_t>(Reference.Sections[ch][k].State()[s]))
                    << "channel " << ch << " section " << k << " state " << s;
    }
}

using TKernel = void (*)(TCascade&, const float* const*, float* const*, std::int32_t);

struct TKernelCase
{
    const char* Name;
    TKernel Kernel;
    bool InPlace;
};

void PrintTo(const TKernelCase& Case, std::ostream* Stream)
{
    *Stream << Case.Name;
}

class CascadeMatchesFilters : public ::testing::TestWithParam<TKernelCase>
{
protected:
    TFPUControlScope FPU;
};

TEST_P(CascadeMatchesFilters, BitForBitOverConsecutiveBlocksOfEveryLength)
{
    const TKernelCase& k = GetParam();
    std::mt19937 random(1234);
    for (std::int32_t frames : {0, 1, 2, 3, 4, 5, 7, 8, 9, 576, 4096})
    {
        SCOPED_TRACE(frames);
        TCascade cascade;
        TFilterReference reference;
        Randomise(random, cascade, reference);
        // Three blocks in a row, so that states and meters carry over between blocks.
        for (int block = 0; block < 3; ++block)
        {
            std::vector<float> in0 = Noise(random, frames), in1 = Noise(random, frames);
            std::vector<float> ref0(frames, 7.0f), ref1(frames, 7.0f);
            const float* refIn[2] = {in0.data(), in1.data()};
            float* refOut[2] = {ref0.data(), ref1.data()};
            reference.Process(refIn, refOut, frames);

            std::vector<float> out0(frames, 7.0f), out1(frames, 7.0f);
            std::vector<float> buf0 = in0, buf1 = in1;
            const float* in[2] = {k.InPlace ? buf0.data() : in0.data(), k.InPlace ? buf1.data() : in1.data()};
            float* out[2] = {k.InPlace ? buf0.data() : out0.data(), k.InPlace ? buf1.data() : out1.data()};
            k.Kernel(cascade, in, out, frames);
            EXPECT_TRUE(SameBits(k.InPlace ? buf0 : out0, ref0)) << "channel 0, block " << block;
            EXPECT_TRUE(SameBits(k.InPlace ? buf1 : out1, ref1)) << "channel 1, block " << block;
            ExpectSameState(cascade, reference);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, CascadeMatchesFilters,
                         ::testing::Values(TKernelCase{"PlainSeparate", &ProcessCascadeReference, false},
                                           TKernelCase{"PlainInPlace", &ProcessCascadeReference, true},
                                           TKernelCase{"SkewedSeparate", &ProcessCascade, false},
                                           TKernelCase{"SkewedInPlace", &ProcessCascade, true}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// Planes that overlap other than exactly: the fast kernel must still give the plain order's result.
TEST(CascadeSchedule, OverlappingPlanesGiveThePlainOrdersResult)
{
    TFPUControlScope fpu;
    std::mt19937 random(99);
    for (int shift : {-3, -1, 1, 2, 5})
    {
        SCOPED_TRACE(shift);
        TCascade fast, plain;
        TFilterReference unused;
        Randomise(random, fast, unused);
        plain = fast;
        const std::int32_t frames = 37;
        std::vector<float> a = Noise(random, 64), b = Noise(random, 64);
        std::vector<float> a2 = a, b2 = b;
        const int base = 10;
        const float* inFast[2] = {a.data() + base, b.data() + base};
        float* outFast[2] = {a.data() + base + shift, b.data() + base};
        const float* inPlain[2] = {a2.data() + base, b2.data() + base};
        float* outPlain[2] = {a2.data() + base + shift, b2.data() + base};
        ProcessCascade(fast, inFast, outFast, frames);
        ProcessCascadeReference(plain, inPlain, outPlain, frames);
        EXPECT_TRUE(SameBits(a, a2));
        EXPECT_TRUE(SameBits(b, b2));
    }
}

// The precision the arithmetic runs at comes from the control word; both kernels follow it alike.
TEST(CascadeSchedule, KernelsAgreeUnderDoublePrecisionControlWord)
{
    TFPUControlScope fpu(0x127F);
    std::mt19937 random(7);
    TCascade fast, plain;
    TFilterReference unused;
    Randomise(random, fast, unused);
    plain = fast;
    std::vector<float> in0 = Noise(random, 333), in1 = Noise(random, 333);
    std::vector<float> f0(333), f1(333), p0(333), p1(333);
    const float* in[2] = {in0.data(), in1.data()};
    float* fo[2] = {f0.data(), f1.data()};
    float* po[2] = {p0.data(), p1.data()};
    ProcessCascade(fast, in, fo, 333);
    ProcessCascadeReference(plain, in, po, 333);
    EXPECT_TRUE(SameBits(f0, p0));
    EXPECT_TRUE(SameBits(f1, p1));
}

} // namespace
