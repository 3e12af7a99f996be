// Program files: the bytes of both forms, loading back, and files rejected before the plug-in sees them.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include <cstdio>
#include <sstream>

#include "platform/Exceptions.h"
#include "vsthost/DVSTHost.h"
#include "support/FakeEffect.h"

namespace
{

void PutBigEndianAt(std::string& S, std::size_t Offset, std::uint32_t V)
{
    for (int I = 0; I < 4; ++I)
        S[Offset + static_cast<std::size_t>(I)] = static_cast<char>(V >> (24 - 8 * I));
}

constexpr std::size_t kMaxFileSize = std::size_t(64) << 20;

struct Presets : ::testing::Test
{
    // Declared before the host: instances still open at the end send effClose to their records.
    std::deque<TFakeEffect> Fakes;
    template <class... A>
    TFakeEffect& Make(A... Args)
    {
        return Fakes.emplace_back(Args...);
    }
    TVstHost Host;

    TVstPlugIn* Hosted(TFakeEffect& Fake) { return HandInFake(Host, Fake); }

    std::string Saved(TVstPlugIn* P)
    {
        std::stringstream S;
        P->SavePreset(S);
        return S.str();
    }

    std::string LoadError(TVstPlugIn* P, const std::string& Bytes)
    {
        std::istringstream S(Bytes);
        try
        {
            P->LoadPreset(S);
        }
        catch (const EMarvoError& E)
        {
            return E.what();
        }
        return "";
    }
};

TEST_F(Presets, ParameterFormLaysOutTheCurrentProgramAndLoadsItBack)
{
    TFakeEffect& Fake = Make();
    Fake.Parameters = {0.0f, 0.25f, 1.0f, -0.5f};
    Fake.Program = 1;
    Fake.Texts[effGetProgramName] = "A program name of thirty chars";
    TVstPlugIn* P = Hosted(Fake);
    const std::string File = Saved(P);

    ASSERT_EQ(File.size(), 56u + 16u);
    EXPECT_EQ(File.substr(0, 4), "CcnK");
    EXPECT_EQ(BigEndianAt(File, 4), 48u + 16u);
    EXPECT_EQ(File.substr(8, 4), "FxCk");
    EXPECT_EQ(BigEndianAt(File, 12), 1u);
    EXPECT_EQ(File.substr(16, 4), "FaKe");
    EXPECT_EQ(BigEndianAt(File, 20), 7u);
    EXPECT_EQ(BigEndianAt(File, 24), 4u);
    EXPECT_EQ(File.substr(28, 28), std::string("A program name of thirty c") + std::string(2, '\0'));
    EXPECT_EQ(BigEndianAt(File, 60), 0x3E800000u); // 0.25f
    EXPECT_EQ(BigEndianAt(File, 68), 0xBF000000u); // -0.5f
    EXPECT_EQ(Fake.Calls.front().Opcode, effGetProgram);
    EXPECT_EQ(Fake.Calls[1].Opcode, effSetProgram); // the program is selected again before it is read
    EXPECT_EQ(Fake.Calls[1].Value, 1);

    TFakeEffect& Other = Make();
    TVstPlugIn* Q = Hosted(Other);
    EXPECT_EQ(LoadError(Q, File), "");
    EXPECT_EQ(Other.Parameters, Fake.Parameters);
    EXPECT_EQ(Other.ReceivedProgramName, "A program name of thirty c");
    EXPECT_EQ(Other.ReceivedPatchInfo.version, 1);
    EXPECT_EQ(Other.ReceivedPatchInfo.pluginUniqueID, FourCharCode("FaKe"));
    EXPECT_EQ(Other.ReceivedPatchInfo.pluginVersion, 7);
    EXPECT_EQ(Other.ReceivedPatchInfo.numElements, 4);
    EXPECT_EQ(Other.Calls.front().Opcode, effBeginLoadProgram);
}

TEST_F(Presets, ChunkFormCarriesThePlugInsBytesAndEveryTrailingByte)
{
    TFakeEffect& Fake = Make(2, false, true);
    Fake.Chunk = {1, 2, 3, 4, 5};
    Fake.Texts[effGetProgramName] = "Chunky";
    TVstPlugIn* P = Hosted(Fake);
    std::string File = Saved(P);
    ASSERT_EQ(File.size(), 65u);
    EXPECT_EQ(BigEndianAt(File, 4), 52u + 5u);
    EXPECT_EQ(File.substr(8, 4), "FPCh");
    EXPECT_EQ(BigEndianAt(File, 24), 2u);
    EXPECT_EQ(BigEndianAt(File, 56), 5u);
    EXPECT_EQ(File.substr(60), std::string("\1\2\3\4\5"));

    // A loader trusts the file's length, not its size field; any ninth byte but 'x' means the chunk form.
    File += "\6\7";
    File[9] = 'Q';
    TFakeEffect& Other = Make(2, false, true);
    TVstPlugIn* Q = Hosted(Other);
    EXPECT_EQ(LoadError(Q, File), "");
    EXPECT_EQ(Other.ReceivedChunk, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Other.ReceivedProgramName, "Chunky");
    EXPECT_EQ(Other.Calls.back().Index, 1); // as a program, not a bank
}

TEST_F(Presets, RejectedFilesNeverReachThePlugIn)
{
    TFakeEffect& Fake = Make();
    Fake.Parameters = {0.1f, 0.2f, 0.3f, 0.4f};
    TVstPlugIn* P = Hosted(Fake);
    const std::string Good = Saved(P);
    Fake.Calls.clear();

    std::string Foreign = Good;
    Foreign.replace(16, 4, "VORN");
    std::string Negative = Good;
    PutBigEndianAt(Negative, 24, 0xFFFFFFFFu);
    std::string Absurd = Good;
    PutBigEndianAt(Absurd, 24, 0x7FFFFFFFu);
    std::string ShortChunk = Good.substr(0, 59);
    ShortChunk[9] = 'P';
    const struct
    {
        const char* What;
        std::string Bytes;
        const char* Message;
    } Rows[] = {
        {"another plug-in's file", Foreign, "preset file not for this plugin!"},
        {"values missing", Good.substr(0, Good.size() - 1), "preset file is truncated"},
        {"header cut", Good.substr(0, 40), "preset file is truncated"},
        {"empty", "", "preset file is truncated"},
        {"negative count", Negative, "preset file has an invalid parameter count"},
        {"absurd count", Absurd, "preset file is truncated"},
        {"chunk header cut", ShortChunk, "preset file is truncated"},
    };
    for (const auto& R : Rows)
    {
        EXPECT_EQ(LoadError(P, R.Bytes), R.Message) << R.What;
        EXPECT_TRUE(Fake.Calls.empty()) << R.What;
        Fake.Calls.clear();
    }
    EXPECT_EQ(Fake.Parameters, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
}

TEST_F(Presets, ParameterFormSendsOnlyTheParametersThePlugInHas)
{
    // Files from other versions of a plug-in hold fewer or more values than it has now.
    TFakeEffect& Source = Make(6);
    for (int I = 0; I < 6; ++I)
        Source.Parameters[static_cast<std::size_t>(I)] = 0.125f * static_cast<float>(I + 1);
    const std::string Six = Saved(Hosted(Source));
    const struct
    {
        std::uint32_t FileCount;
        std::vector<float> Expected;
    } Rows[] = {
        {2, {0.125f, 0.25f, 0.0f, 0.0f}},
        {4, {0.125f, 0.25f, 0.375f, 0.5f}},
        {6, {0.125f, 0.25f, 0.375f, 0.5f}},
    };
    for (const auto& R : Rows)
    {
        std::string File = Six.substr(0, 56 + 4 * R.FileCount);
        PutBigEndianAt(File, 24, R.FileCount);
        TFakeEffect& Fake = Make();
        TVstPlugIn* P = Hosted(Fake);
        EXPECT_EQ(LoadError(P, File), "") << R.FileCount;
        EXPECT_EQ(Fake.Parameters, R.Expected) << R.FileCount;
        EXPECT_EQ(Fake.Count(kSetParameterCall), static_cast<int>(std::min(R.FileCount, 4u))) << R.FileCount;
    }
}

TEST_F(Presets, FilesAboveTheSizeLimitAreRefused)
{
    TFakeEffect& Source = Make(2, false, true);
    const std::string Header = Saved(Hosted(Source)).substr(0, 60);
    for (const std::size_t Size : {kMaxFileSize, kMaxFileSize + 1})
    {
        const bool Refused = Size > kMaxFileSize;
        std::string File = Header;
        File.resize(Size);
        TFakeEffect& Fake = Make(2, false, true);
        EXPECT_EQ(LoadError(Hosted(Fake), File), Refused ? "preset file is too large" : "") << Size;
        EXPECT_EQ(Fake.ReceivedChunk.size(), Refused ? 0u : Size - 60) << Size;
    }
}

TEST_F(Presets, SavingRefusesParameterCountsNoFileCanHold)
{
    // 4 bytes a value: from 2^30 values on, a 32-bit size computation wraps.
    for (const VstInt32 Count : {VstInt32(1) << 30, VstInt32(0x7FFFFFFF)})
    {
        TFakeEffect& Fake = Make();
        Fake.Effect.numParams = Count;
        TVstPlugIn* P = Hosted(Fake);
        std::stringstream File;
        EXPECT_THROW(P->SavePreset(File), EMarvoError) << Count;
        EXPECT_EQ(File.str(), "") << Count;
    }
}

// What is saved must load: a chunk up to the load limit is written and read back whole; beyond it, and a
// parameter-form program of a negative count, nothing is written.
TEST_F(Presets, SavingRefusesWhatLoadingWouldRefuse)
{
    const struct
    {
        bool Chunks;
        VstInt32 NumParams;
        std::size_t ChunkSize;
        const char* Error; // empty: saved and loaded back
    } Rows[] = {
        {true, 2, kMaxFileSize - 60, ""},
        {true, 2, kMaxFileSize - 59, "preset file is too large"},
        {false, -1, 0, "the plug-in reports a negative parameter count"},
        {false, 0, 0, ""},
    };
    for (const auto& R : Rows)
    {
        SCOPED_TRACE(R.Error);
        TFakeEffect& Fake = Make(2, false, R.Chunks);
        Fake.Effect.numParams = R.NumParams;
        Fake.Chunk.assign(R.ChunkSize, 0x5A);
        TVstPlugIn* P = Hosted(Fake);
        std::stringstream File;
        try
        {
            P->SavePreset(File);
            EXPECT_STREQ("", R.Error);
        }
        catch (const EMarvoError& E)
        {
            EXPECT_STREQ(E.what(), R.Error);
        }
        if (*R.Error)
        {
            EXPECT_EQ(File.str().size(), 0u);
            continue;
        }
        TFakeEffect& Other = Make(2, false, R.Chunks);
        Other.Effect.numParams = R.NumParams;
        EXPECT_EQ(LoadError(Hosted(Other), File.str()), "");
        EXPECT_EQ(Other.ReceivedChunk.size(), R.ChunkSize);
    }
}

TEST_F(Presets, FileFormsReportMissingFilesAndAnInstanceWithoutRecordWritesNothing)
{
    TFakeEffect& Fake = Make();
    TVstPlugIn* P = Hosted(Fake);
    const std::string Path = ::testing::TempDir() + "marvo_presets_test.fxp";
    std::remove(Path.c_str());
    try
    {
        P->LoadPreset(Path);
        ADD_FAILURE() << "no error for a missing file";
    }
    catch (const EMarvoError& E)
    {
        EXPECT_STREQ(E.what(), "preset file does not exist");
    }
    Fake.Parameters = {0.5f, 0.5f, 0.5f, 0.5f};
    P->SavePreset(Path);
    Fake.Parameters.assign(4, 0.0f);
    P->LoadPreset(Path);
    EXPECT_EQ(Fake.Parameters, (std::vector<float>(4, 0.5f)));

    TVstPlugIn* Empty = Host.VstPlugIns().Add();
    Empty->SavePreset(Path);
    std::FILE* F = std::fopen(Path.c_str(), "rb");
    ASSERT_NE(F, nullptr);
    EXPECT_EQ(std::fgetc(F), EOF);
    std::fclose(F);
    std::remove(Path.c_str());
}

} // namespace
