// The build's audio-file backend (libsndfile natively, the WAV unit on Windows): a writer made from a
// reader's format writes the reader's encoding, clips integer encodings, and failures name the file.
#include <gtest/gtest.h>

#include <filesystem>

#include "audiofile/AudioFile.h"
#include "audiofile/WavFile.h"
#include "support/TempPath.h"

namespace
{

TEST(AudioFile, AWriterFromAReadersFormatKeepsTheEncodingAndClips)
{
    struct TCase
    {
        int Channels, Bits;
        bool Float, Extensible;
    };
    const TCase Cases[] = {{2, 16, false, false}, {1, 8, false, false}, {2, 24, false, false},
                           {6, 24, false, true},  {1, 32, true, false}};
    for (const TCase& C : Cases)
    {
        TWavFormat F;
        F.SampleRate = 22050;
        F.Channels = C.Channels;
        F.Bits = C.Bits;
        F.Float = C.Float;
        F.Extensible = C.Extensible;
        F.ChannelMask = C.Extensible ? 0x3Fu : 0u;
        SCOPED_TRACE(F.Description() + ", " + std::to_string(C.Channels) + " channels");
        const std::string InPath = TempPath("in.wav"), OutPath = TempPath("out.wav");
        const std::size_t Frames = 5, N = Frames * static_cast<std::size_t>(C.Channels);
        std::vector<float> Samples(N);
        for (std::size_t I = 0; I < N; ++I)
            Samples[I] = (I % 3 == 0) ? 1.5f : (I % 3 == 1 ? -0.5f : -4.0f); // out of range, exact, out of range
        {
            TWavWriter W(InPath, F);
            W.Write(Samples.data(), Frames);
            W.Close();
        }
        {
            std::unique_ptr<TAudioReader> R = OpenAudioReader(InPath);
            EXPECT_EQ(R->Format().Frames, static_cast<std::int64_t>(Frames));
            EXPECT_EQ(R->Format().Channels, C.Channels);
            std::unique_ptr<TAudioWriter> W = CreateAudioWriter(OutPath, R->Format());
            std::vector<float> Buffer(N);
            ASSERT_EQ(R->Read(Buffer.data(), Frames), Frames);
            W->Write(Buffer.data(), Frames);
            W->Close();
        }
        {
            TWavReader Check(OutPath);
            EXPECT_EQ(Check.Format().Description(), F.Description());
            EXPECT_EQ(Check.Format().SampleRate, 22050);
            std::vector<float> Out(N);
            EXPECT_EQ(Check.Read(Out.data(), Frames), Frames);
            const float Max = C.Float ? 1.5f : 1.0f - 1.0f / static_cast<float>(1 << (C.Bits - 1));
            const float Min = C.Float ? -4.0f : -1.0f;
            for (std::size_t I = 0; I < N; ++I)
                EXPECT_EQ(Out[I], I % 3 == 0 ? Max : (I % 3 == 1 ? -0.5f : Min)) << "sample " << I;
        }
        std::filesystem::remove(InPath);
        std::filesystem::remove(OutPath);
    }
}

// Both builds' writers give the same integers: to nearest, ties to even (libsndfile alone rounds down).
TEST(AudioFile, IntegerEncodingsRoundSamplesToNearest)
{
    for (const int Bits : {8, 16, 24})
    {
        SCOPED_TRACE(std::to_string(Bits) + " bits");
        const float Step = 1.0f / static_cast<float>(1 << (Bits - 1));
        const float In[] = {0.75f * Step, -0.25f * Step, 100.6f * Step, -1.5f * Step, 2.5f * Step, -7.4f * Step};
        const float Expected[] = {1 * Step, 0, 101 * Step, -2 * Step, 2 * Step, -7 * Step};
        TWavFormat F;
        F.SampleRate = 44100;
        F.Channels = 1;
        F.Bits = Bits;
        const std::string Model = TempPath("model.wav"), OutPath = TempPath("rounded.wav");
        {
            TWavWriter W(Model, F);
            W.Close();
        }
        {
            std::unique_ptr<TAudioWriter> W = CreateAudioWriter(OutPath, OpenAudioReader(Model)->Format());
            W->Write(In, std::size(In));
            W->Close();
        }
        {
            TWavReader Check(OutPath);
            float Out[std::size(In)] = {};
            ASSERT_EQ(Check.Read(Out, std::size(In)), std::size(In));
            for (std::size_t I = 0; I < std::size(In); ++I)
                EXPECT_EQ(Out[I], Expected[I]) << "sample " << I;
        }
        std::filesystem::remove(Model);
        std::filesystem::remove(OutPath);
    }
}

TEST(AudioFile, FailuresNameTheFile)
{
    const std::string Missing = TempPath("no-such-file.wav");
    try
    {
        OpenAudioReader(Missing);
        ADD_FAILURE() << "opened a missing file";
    }
    catch (const EAudioFileError& E)
    {
        EXPECT_NE(std::string(E.what()).find(Missing), std::string::npos) << E.what();
    }
    TAudioFormat F;
    F.SampleRate = 44100;
    F.Channels = 2;
    EXPECT_THROW(CreateAudioWriter(TempPath("no-such-folder/out.wav"), F), EAudioFileError);
}

} // namespace
