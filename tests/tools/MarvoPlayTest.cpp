// marvo-play's sample path through a DSP plug-in whose effect is known exactly (dsp/FakeDSP.cpp): every
// depth, odd channel counts and blocks that do not divide the file come out sample for sample as the
// plug-in made them, full scale included.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "MarvoPlay.h"
#include "audiofile/AudioFile.h"
#include "audiofile/WavFile.h"
#include "support/TempPath.h"

namespace
{

// What FakeDSP does to sample S of channel C at Bits.
std::int64_t FakeEffect(std::int64_t S, int C, int Bits)
{
    const std::int64_t Max = (std::int64_t{1} << (Bits - 1)) - 1;
    const std::int64_t V = S * ((C % 2 == 0) ? C + 1 : -(C + 1));
    return std::clamp(V, -Max - 1, Max);
}

TEST(MarvoPlay, IntegerSamplesPassThePlugInExactlyAtEveryDepth)
{
    struct TCase
    {
        int Bits, Channels, Block, Frames;
    };
    const TCase Cases[] = {{8, 1, 576, 1000}, {16, 3, 100, 1001}, {24, 5, 7, 333}, {16, 2, 576, 576}};
    for (const TCase& C : Cases)
    {
        SCOPED_TRACE(std::to_string(C.Bits) + "-bit, " + std::to_string(C.Channels) + " channels, block " +
                     std::to_string(C.Block));
        const std::int64_t Full = std::int64_t{1} << (C.Bits - 1);
        const auto N = static_cast<std::size_t>(C.Frames * C.Channels);
        // Full scale both ways and silence first, then random samples over the whole range.
        std::vector<std::int64_t> Ints(N);
        std::mt19937 Random(static_cast<unsigned>(C.Bits * 100 + C.Channels));
        std::uniform_int_distribution<std::int64_t> Any(-Full, Full - 1);
        for (std::size_t I = 0; I < N; ++I)
        {
            const std::size_t Frame = I / static_cast<std::size_t>(C.Channels);
            Ints[I] = Frame == 0 ? -Full : Frame == 1 ? Full - 1 : Frame == 2 ? 0 : Any(Random);
        }
        std::vector<float> Samples(N);
        for (std::size_t I = 0; I < N; ++I)
            Samples[I] = static_cast<float>(Ints[I]) / static_cast<float>(Full);

        const std::string InPath = TempPath("in.wav"), OutPath = TempPath("out.wav");
        TWavFormat F;
        F.SampleRate = 22050;
        F.Channels = C.Channels;
        F.Bits = C.Bits;
        {
            TWavWriter W(InPath, F);
            W.Write(Samples.data(), static_cast<std::size_t>(C.Frames));
            W.Close();
        }
        TPlayOptions O;
        O.PlugIn = MARVO_FAKE_DSP;
        O.Input = InPath;
        O.Output = OutPath;
        O.Bits = C.Bits;
        O.BlockSize = C.Block;
        ASSERT_EQ(RunPlay(O), 0);

        {
            TWavReader Out(OutPath);
            EXPECT_EQ(Out.Format().Bits, C.Bits);
            EXPECT_FALSE(Out.Format().Float);
            EXPECT_EQ(Out.Format().Channels, C.Channels);
            EXPECT_EQ(Out.Format().SampleRate, 22050);
            const auto Frames = static_cast<std::size_t>(C.Frames);
            std::vector<float> Got(N + static_cast<std::size_t>(C.Channels));
            ASSERT_EQ(Out.Read(Got.data(), Frames + 1), Frames); // and not a frame more
            int Wrong = 0;
            for (std::size_t I = 0; I < N && Wrong < 5; ++I)
            {
                const int Channel = static_cast<int>(I % static_cast<std::size_t>(C.Channels));
                const float Want =
                    static_cast<float>(FakeEffect(Ints[I], Channel, C.Bits)) / static_cast<float>(Full);
                if (Got[I] != Want)
                {
                    ++Wrong;
                    ADD_FAILURE() << "sample " << I << " (channel " << Channel << "): " << Got[I] << ", expected "
                                  << Want;
                }
            }
        }
        std::filesystem::remove(InPath);
        std::filesystem::remove(OutPath);
    }
}

} // namespace
