// The portable WAV unit: every encoding survives a round trip, conversions round and clip at the right
// points, and malformed or foreign headers are refused with a message instead of being misread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "audiofile/WavFile.h"
#include "support/TempPath.h"

namespace
{

TWavFormat Format(int Channels, int Bits, bool Float, bool Extensible = false)
{
    TWavFormat F;
    F.SampleRate = 48000;
    F.Channels = Channels;
    F.Bits = Bits;
    F.Float = Float;
    F.Extensible = Extensible;
    F.ChannelMask = Extensible ? 0x3Fu : 0u;
    return F;
}

TEST(WavFile, EveryEncodingRoundTripsItsRepresentableValues)
{
    struct TCase
    {
        TWavFormat Format;
        float Step; // one integer step at full scale (0: float encodings)
    };
    const TCase Cases[] = {
        {Format(1, 8, false), 1.0f / 128}, {Format(2, 16, false), 1.0f / 32768},
        {Format(3, 24, false), 1.0f / 8388608}, {Format(2, 32, false), 1.0f / 65536},
        {Format(2, 32, true), 0.0f}, {Format(1, 64, true), 0.0f},
        {Format(6, 24, false, true), 1.0f / 8388608}, {Format(2, 32, true, true), 0.0f},
    };
    for (const TCase& C : Cases)
    {
        SCOPED_TRACE(C.Format.Description() + ", " + std::to_string(C.Format.Channels) + " channels");
        const std::string Path = TempPath("roundtrip.wav");
        // An odd number of frames checks the pad byte of 8-bit mono data.
        const std::size_t Frames = 7;
        std::vector<float> In(Frames * static_cast<std::size_t>(C.Format.Channels));
        for (std::size_t I = 0; I < In.size(); ++I)
        {
            const float V = -1.0f + static_cast<float>(I) * (2.0f / static_cast<float>(In.size()));
            In[I] = C.Step > 0 ? std::round(V / C.Step) * C.Step : V * 1.25f;
        }
        {
            TWavWriter W(Path, C.Format);
            W.Write(In.data(), 3);
            W.Write(In.data() + 3 * static_cast<std::size_t>(C.Format.Channels), Frames - 3);
            W.Close();
        }
        {
            TWavReader R(Path);
            EXPECT_EQ(R.Format().Description(), C.Format.Description());
            EXPECT_EQ(R.Format().Channels, C.Format.Channels);
            EXPECT_EQ(R.Format().SampleRate, 48000);
            EXPECT_EQ(R.Format().ChannelMask, C.Format.ChannelMask);
            EXPECT_EQ(R.Format().Frames, Frames);
            std::vector<float> Out(In.size() + 8, 99.0f);
            EXPECT_EQ(R.Read(Out.data(), Frames + 1), Frames);
            EXPECT_EQ(R.Read(Out.data(), 1), 0u);
            for (std::size_t I = 0; I < In.size(); ++I)
                EXPECT_EQ(Out[I], In[I]) << "sample " << I;
        }
        std::filesystem::remove(Path);
    }
}

TEST(WavFile, IntegerEncodingsRoundToNearestAndClipAtFullScale)
{
    struct TCase
    {
        int Bits;
        float In;
        std::int32_t Out; // the stored integer (8-bit: before the offset of 128)
    };
    const TCase Cases[] = {
        {16, 1.0f, 32767},          {16, -1.0f, -32768},        {16, 1.5f, 32767},
        {16, -7.0f, -32768},        {16, 0.4f / 32768, 0},      {16, 0.6f / 32768, 1},
        {16, -0.6f / 32768, -1},    {8, 1.0f, 127},             {8, -1.0f, -128},
        {8, 0.5f, 64},              {24, 1.0f, 8388607},        {24, -2.0f, -8388608},
        {32, 1.0f, 2147483647},     {32, -1.0f, -2147483647 - 1}, {32, std::nanf(""), 0},
    };
    for (const TCase& C : Cases)
    {
        SCOPED_TRACE(std::to_string(C.Bits) + " bits, " + std::to_string(C.In));
        const TWavFormat F = Format(1, C.Bits, false);
        unsigned char Bytes[4] = {};
        EncodeWavSamples(F, &C.In, 1, Bytes);
        std::int64_t Stored = 0;
        for (int K = C.Bits / 8 - 1; K >= 0; --K)
            Stored = Stored * 256 + Bytes[K];
        if (C.Bits == 8)
            Stored -= 128;
        else if (Stored >= (std::int64_t(1) << (C.Bits - 1)))
            Stored -= std::int64_t(1) << C.Bits;
        EXPECT_EQ(Stored, C.Out);
    }
}

// A plain 16-bit stereo header with Data bytes of data; tests then break one field.
std::vector<unsigned char> Header(std::uint16_t Tag = 1, std::uint16_t Channels = 2, std::uint16_t Bits = 16,
                                  std::uint32_t FmtSize = 16)
{
    std::vector<unsigned char> B;
    auto Id = [&](const char* S) {
        for (int K = 0; K < 4; ++K)
            B.push_back(static_cast<unsigned char>(S[K]));
    };
    auto U16 = [&](std::uint32_t V) {
        B.push_back(static_cast<unsigned char>(V));
        B.push_back(static_cast<unsigned char>(V >> 8));
    };
    auto U32 = [&](std::uint32_t V) {
        U16(V & 0xFFFF);
        U16(V >> 16);
    };
    Id("RIFF");
    U32(0);
    Id("WAVE");
    Id("LIST"); // an unknown chunk of odd size, padded, before the format
    U32(3);
    Id("abc");
    Id("fmt ");
    U32(FmtSize);
    U16(Tag);
    U16(Channels);
    U32(44100);
    U32(44100u * Channels * Bits / 8);
    U16(static_cast<std::uint32_t>(Channels * Bits / 8));
    U16(Bits);
    B.resize(B.size() + (FmtSize - 16), 0);
    Id("data");
    U32(8);
    B.resize(B.size() + 8, 0);
    return B;
}

TEST(WavFile, RefusesWhatItCannotReadWithTheReason)
{
    struct TCase
    {
        const char* Name;
        std::vector<unsigned char> Bytes;
        const char* Reason; // "" for a file that must be read
    };
    auto Patched = [](std::vector<unsigned char> B, std::size_t Offset, std::initializer_list<unsigned char> V) {
        for (const unsigned char Byte : V)
            B.at(Offset++) = Byte;
        return B;
    };
    auto Truncated = [](std::vector<unsigned char> B, std::size_t Size) {
        B.resize(Size);
        return B;
    };
    const std::vector<unsigned char> Good = Header();
    const std::size_t Fmt = 32; // offset of the format tag in Header()
    const TCase Cases[] = {
        {"good", Good, ""},
        {"big-endian", Patched(Good, 0, {'R', 'I', 'F', 'X'}), "RIFX"},
        {"rf64", Patched(Good, 0, {'R', 'F', '6', '4'}), "RF64"},
        {"not wave", Patched(Good, 8, {'A', 'V', 'I', ' '}), "not a WAV file"},
        {"too short", Truncated(Good, 10), "too short"},
        {"adpcm", Header(2), "format tag 0x0002"},
        {"12-bit", Header(1, 2, 12), "12-bit PCM"},
        {"16-bit float", Header(3, 2, 16), "16-bit float"},
        {"no channels", Header(1, 0), "0 channels"},
        {"block align", Patched(Good, Fmt + 12, {3, 0}), "block alignment"},
        {"short extensible", Header(0xFFFE, 2, 16, 18), "extensible"},
        {"no data chunk", Truncated(Good, Good.size() - 16), "no data chunk"},
        {"no format chunk", Truncated(Good, 24), "no format chunk"},
    };
    for (const TCase& C : Cases)
    {
        SCOPED_TRACE(C.Name);
        const std::string Path = TempPath("malformed.wav");
        std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(C.Bytes.data()),
                                                    static_cast<std::streamsize>(C.Bytes.size()));
        if (*C.Reason == '\0')
        {
            TWavReader R(Path);
            EXPECT_EQ(R.Format().Frames, 2u);
        }
        else
            try
            {
                TWavReader R(Path);
                ADD_FAILURE() << "read without complaint";
            }
            catch (const EAudioFileError& E)
            {
                EXPECT_NE(std::string(E.what()).find(C.Reason), std::string::npos) << E.what();
                EXPECT_NE(std::string(E.what()).find(Path), std::string::npos) << "names the file";
            }
        std::filesystem::remove(Path);
    }
}

TEST(WavFile, ATruncatedDataChunkEndsWhereTheFileEnds)
{
    std::vector<unsigned char> B = Header(); // states 8 data bytes: two frames
    B.resize(B.size() - 3);                  // one whole frame and one byte of the next are left
    const std::string Path = TempPath("truncated.wav");
    std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(B.data()),
                                                static_cast<std::streamsize>(B.size()));
    {
        TWavReader R(Path);
        float Out[4];
        EXPECT_EQ(R.Read(Out, 2), 1u);
        EXPECT_EQ(R.Read(Out, 2), 0u);
    }
    std::filesystem::remove(Path);
}

} // namespace
