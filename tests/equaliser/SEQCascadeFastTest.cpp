// The fast engine on bare cascades: every width gives the plain order's bits, it runs with its own MXCSR and
// gives the caller's back, and a decaying tail never leaves denormal states behind.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <immintrin.h>

#include "equaliser/SEQCascadeFast.h"

namespace
{

std::vector<TFastLevel> WideLevels()
{
    std::vector<TFastLevel> levels = {flSSE2};
    if (TCPU().Instructions().Contains(isAVX2))
        levels.push_back(flAVX2);
    return levels;
}

// Stable sections (poles of radius MinRadius..MaxRadius), random states, volume and meters.
TCascade RandomCascade(std::mt19937& Random, double MinRadius = 0.2, double MaxRadius = 0.99)
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    TCascade c;
    for (auto& channel : c.Sections)
        for (TCascadeSection& s : channel)
        {
            const double r = MinRadius + (MaxRadius - MinRadius) * u(Random), theta = 3.1 * u(Random);
            s.Coefficients = {.A1 = -2.0 * r * std::cos(theta), .A2 = r * r, .B0 = 0.3 + 1.4 * u(Random),
                              .B1 = 3.0 * u(Random) - 1.5, .B2 = 1.4 * u(Random) - 0.7};
            s.State[0] = 0.2 * u(Random) - 0.1;
            s.State[1] = 0.2 * u(Random) - 0.1;
        }
    c.VolumeFactor = static_cast<float>(0.2 + 1.5 * u(Random));
    c.LevelMeter[0] = static_cast<float>(u(Random));
    c.LevelMeter[1] = static_cast<float>(u(Random));
    return c;
}

std::vector<float> Noise(std::mt19937& Random, std::size_t n, float Amplitude = 1.0f)
{
    std::uniform_real_distribution<float> u(-Amplitude, Amplitude);
    std::vector<float> v(n);
    for (float& x : v)
        x = u(Random);
    return v;
}

template <class T>
auto Bits(T x)
{
    return std::bit_cast<std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>>(x);
}

void ExpectSameBits(const std::vector<float>& a, const std::vector<float>& b, const char* What)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Bits(a[i]) != Bits(b[i]))
        {
            ADD_FAILURE() << What << " differs first at frame " << i << ": " << a[i] << " against " << b[i];
            return;
        }
}

void ExpectSameCascade(const TCascade& a, const TCascade& b)
{
    for (int ch = 0; ch < kCascadeChannels; ++ch)
    {
        EXPECT_EQ(Bits(a.LevelMeter[ch]), Bits(b.LevelMeter[ch])) << "meter " << ch;
        for (int k = 0; k < kCascadeSections; ++k)
            for (int s = 0; s < 2; ++s)
                EXPECT_EQ(Bits(a.Sections[ch][k].State[s]), Bits(b.Sections[ch][k].State[s]))
                    << "channel " << ch << " section " << k << " state " << s;
    }
}

// Runs one block on separate or shared planes; answers the outputs.
void RunBlock(TCascade& c, std::vector<float> Left, std::vector<float> Right, bool InPlace, TFastLevel Level,
         std::vector<float>& OutLeft, std::vector<float>& OutRight)
{
    OutLeft.assign(Left.size(), -7.0f);
    OutRight.assign(Right.size(), -7.0f);
    const float* in[2] = {Left.data(), Right.data()};
    float* out[2] = {InPlace ? Left.data() : OutLeft.data(), InPlace ? Right.data() : OutRight.data()};
    ProcessCascadeFast(c, in, out, static_cast<std::int32_t>(Left.size()), Level);
    if (InPlace)
        OutLeft = Left, OutRight = Right;
}

TEST(FastEngine, EveryWidthGivesThePlainOrdersBitsOverConsecutiveBlocksOfEveryLength)
{
    for (TFastLevel level : WideLevels())
        for (bool inPlace : {false, true})
        {
            SCOPED_TRACE(testing::Message() << "level " << level << (inPlace ? " in place" : " separate"));
            std::mt19937 random(99);
            TCascade plain = RandomCascade(random), wide = plain;
            for (std::size_t frames : {0u, 1u, 2u, 3u, 6u, 7u, 8u, 9u, 14u, 15u, 16u, 17u, 64u, 576u, 4096u})
            {
                SCOPED_TRACE(testing::Message() << frames << " frames");
                const std::vector<float> left = Noise(random, frames), right = Noise(random, frames);
                std::vector<float> plainLeft, plainRight, wideLeft, wideRight;
                RunBlock(plain, left, right, false, flPlain, plainLeft, plainRight);
                RunBlock(wide, left, right, inPlace, level, wideLeft, wideRight);
                ExpectSameBits(plainLeft, wideLeft, "left");
                ExpectSameBits(plainRight, wideRight, "right");
                ExpectSameCascade(plain, wide);
            }
        }
}

// Channel 0 writes where channel 1 reads: the result is that of channel 0 then channel 1, at every width.
TEST(FastEngine, PlanesThatOverlapAcrossChannelsGiveTheChannelAfterChannelResult)
{
    for (TFastLevel level : WideLevels())
    {
        std::mt19937 random(5);
        const TCascade start = RandomCascade(random);
        const std::vector<float> a = Noise(random, 300), b = Noise(random, 300);
        std::vector<float> results[2][3];
        TFastLevel levels[2] = {flPlain, level};
        for (int r = 0; r < 2; ++r)
        {
            TCascade c = start;
            results[r][0] = a, results[r][1] = b, results[r][2].assign(300, 0.0f);
            const float* in[2] = {results[r][0].data(), results[r][1].data()};
            float* out[2] = {results[r][1].data(), results[r][2].data()};
            ProcessCascadeFast(c, in, out, 300, levels[r]);
        }
        ExpectSameBits(results[0][1], results[1][1], "channel 0");
        ExpectSameBits(results[0][2], results[1][2], "channel 1");
    }
}

// The caller's rounding mode, flags and denormal modes neither change the output nor survive the block changed.
TEST(FastEngine, RunsWithItsOwnMXCSRAndGivesTheCallersBack)
{
    const std::uint32_t kDefault = 0x1F80;
    const std::uint32_t callers[] = {kDefault, 0x7F80 /* toward zero */, 0x3F80 /* down */, 0x5F80 /* up */,
                                     0x1FBF /* sticky flags set */, 0x9FC0 /* flush and DAZ */, 0x0000 /* unmasked */};
    for (TFastLevel level : {flPlain, flSSE2, flAVX2})
    {
        if (level == flAVX2 && !TCPU().Instructions().Contains(isAVX2))
            continue;
        std::mt19937 random(11);
        const TCascade start = RandomCascade(random);
        const std::vector<float> left = Noise(random, 777), right = Noise(random, 777);
        std::vector<float> baseLeft, baseRight;
        TCascade base = start;
        RunBlock(base, left, right, false, level, baseLeft, baseRight);
        for (std::uint32_t csr : callers)
        {
            TCascade c = start;
            std::vector<float> outLeft, outRight;
            _mm_setcsr(csr);
            RunBlock(c, left, right, false, level, outLeft, outRight);
            const std::uint32_t after = _mm_getcsr();
            _mm_setcsr(kDefault);
            SCOPED_TRACE(testing::Message() << "level " << level << " MXCSR " << std::hex << csr);
            EXPECT_EQ(after, csr);
            ExpectSameBits(baseLeft, outLeft, "left");
            ExpectSameBits(baseRight, outRight, "right");
            ExpectSameCascade(base, c);
        }
    }
}

// After a loud block, silence: every state and output is zero or a normal number all the way down
// (denormal arithmetic is what makes a decaying tail slow).
TEST(FastEngine, ADecayingTailLeavesNoDenormals)
{
    for (TFastLevel level : {flPlain, flSSE2, flAVX2})
    {
        if (level == flAVX2 && !TCPU().Instructions().Contains(isAVX2))
            continue;
        SCOPED_TRACE(testing::Message() << "level " << level);
        std::mt19937 random(21);
        TCascade c = RandomCascade(random, 0.5, 0.95);
        std::vector<float> outLeft, outRight;
        RunBlock(c, Noise(random, 4096, 100.0f), Noise(random, 4096, 100.0f), false, level, outLeft, outRight);
        const std::vector<float> silence(64, 0.0f);
        int denormals = 0;
        for (int block = 0; block < 600; ++block)
        {
            RunBlock(c, silence, silence, false, level, outLeft, outRight);
            for (std::size_t i = 0; i < silence.size(); ++i)
                denormals += std::fpclassify(outLeft[i]) == FP_SUBNORMAL || std::fpclassify(outRight[i]) == FP_SUBNORMAL;
            for (const auto& channel : c.Sections)
                for (const TCascadeSection& s : channel)
                    denormals += std::fpclassify(s.State[0]) == FP_SUBNORMAL || std::fpclassify(s.State[1]) == FP_SUBNORMAL;
        }
        EXPECT_EQ(denormals, 0);
    }
}

} // namespace
