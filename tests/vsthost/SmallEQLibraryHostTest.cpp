// The equaliser's plug-in library hosted from its file: identity, the output level, and a program file
// carrying every parameter to a second instance.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/System.h"
#include "vsthost/DVSTHost.h"
#include "support/FakeEffect.h"

namespace
{

#if defined(_WIN32)
constexpr const char* kLibraryName = "SmallEQ.dll";
#else
constexpr const char* kLibraryName = "SmallEQ.so";
#endif

constexpr std::int32_t kVolume = 32;

std::uint32_t Bits(float V)
{
    std::uint32_t B;
    std::memcpy(&B, &V, sizeof B);
    return B;
}

struct SmallEQLibraryHost : ::testing::Test
{
    TVstHost Host;

    TVstPlugIn* Opened()
    {
        TVstPlugIn* P = Host.VstPlugIns().Add();
        P->SetDLLFileName(ExtractFilePath(ExecutablePath()) + kLibraryName);
        P->SetActive(true);
        return P;
    }
};

TEST_F(SmallEQLibraryHost, OpensFromItsFileAndSetsTheOutputLevel)
{
    TVstPlugIn* P = nullptr;
    ASSERT_NO_THROW(P = Opened());
    EXPECT_EQ(P->uID(), "VORN");
    EXPECT_EQ(P->numParams(), 33);
    EXPECT_EQ(P->numInputs(), 2);
    EXPECT_EQ(P->numOutputs(), 2);
    for (std::int32_t I = 0; I < 32; ++I)
        EXPECT_EQ(P->GetParamName(I).rfind("Filter " + std::to_string(I / 4 + 1) + " ", 0), 0u) << I;
    EXPECT_EQ(P->GetParamName(kVolume), "Volume");
    EXPECT_EQ(P->GetParamLabel(kVolume), "dB");

    // The volume spans −40..+6 dB; the equaliser limits it to ±15 dB.
    const struct
    {
        float Value;
        float Factor;
    } Levels[] = {{0.0f, 0.17783f}, {1.0f, 1.99526f}};
    std::vector<float> Left(512), Right(512);
    float* Channels[2] = {Left.data(), Right.data()};
    for (const auto& Level : Levels)
    {
        SCOPED_TRACE(Level.Value);
        P->SetParameter(kVolume, Level.Value);
        for (int Block = 0; Block < 32; ++Block)
        {
            std::fill(Left.begin(), Left.end(), 1.0f);
            std::fill(Right.begin(), Right.end(), -1.0f);
            P->ProcessReplacing(Channels, Channels, 512);
        }
        EXPECT_NEAR(Left.back(), Level.Factor, 1e-4f);
        EXPECT_NEAR(Right.back(), -Level.Factor, 1e-4f);
    }
}

TEST_F(SmallEQLibraryHost, AnAfterLoadHandlerThatRaisesUnloadsTheLibraryAndLeavesItsReason)
{
    const struct
    {
        TVstNotifyEvent Handler;
        const char* Reason;
    } Rows[] = {
        {[](TVstPlugIn*) { throw EMarvoError("refused by the host"); }, "refused by the host"},
        {[](TVstPlugIn*) { throw 7; }, "the OnAfterLoad handler raised an unknown error"},
    };
    for (const auto& R : Rows)
    {
        TVstPlugIn* P = Host.VstPlugIns().Add();
        P->OnAfterLoad = R.Handler;
        EXPECT_FALSE(P->Load(ExtractFilePath(ExecutablePath()) + kLibraryName)) << R.Reason;
        EXPECT_EQ(P->LastLoadError(), R.Reason);
        EXPECT_EQ(P->LibHandle, TLibraryHandle{0}) << R.Reason;
        EXPECT_EQ(P->VstEffect, nullptr) << R.Reason;
        EXPECT_FALSE(P->Active()) << R.Reason;
    }
}

TEST_F(SmallEQLibraryHost, ProgramFileCarriesEveryParameterToASecondInstance)
{
    TVstPlugIn *A = nullptr, *B = nullptr;
    ASSERT_NO_THROW(A = Opened());
    ASSERT_NO_THROW(B = Opened());
    // Distinct values away from the initial setting, on every parameter.
    for (std::int32_t I = 0; I < 33; ++I)
        A->SetParameter(I, (float(I * 7 % 33) + 0.5f) / 33.0f);
    const std::string Path = ExtractFilePath(ExecutablePath()) + "SmallEQLibraryHost.fxp";
    A->SavePreset(Path);
    std::ifstream File(Path, std::ios::binary);
    const std::string Bytes((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
    File.close();
    ASSERT_EQ(Bytes.size(), 188u);
    EXPECT_EQ(Bytes.substr(0, 4), "CcnK");
    EXPECT_EQ(BigEndianAt(Bytes, 4), 180u);
    EXPECT_EQ(Bytes.substr(8, 4), "FxCk");
    EXPECT_EQ(Bytes.substr(16, 4), "VORN");
    EXPECT_EQ(BigEndianAt(Bytes, 24), 33u);

    int SameBefore = 0;
    for (std::int32_t I = 0; I < 33; ++I)
        SameBefore += Bits(A->GetParameter(I)) == Bits(B->GetParameter(I));
    EXPECT_EQ(SameBefore, 0);
    B->LoadPreset(Path);
    for (std::int32_t I = 0; I < 33; ++I)
        EXPECT_EQ(Bits(B->GetParameter(I)), Bits(A->GetParameter(I))) << "parameter " << I;
    std::remove(Path.c_str());
}

} // namespace
