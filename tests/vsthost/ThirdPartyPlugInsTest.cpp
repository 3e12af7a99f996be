// Real VST 2 plug-ins from Debian's packages (installed by scripts/setup.sh), hosted by path: identity and
// texts, parameters, the level a gain setting gives, program files in the form each plug-in asks for, and
// files that are not plug-ins at all.
#include <gtest/gtest.h>


#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "vsthost/DVSTHost.h"
#include "support/TempPath.h"
#include "support/FakeEffect.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace
{

namespace fs = std::filesystem;

struct TThirdPartyCase
{
    const char* Name;
    const char* File;
    const char* Package;
    // A parameter in dB and a normalised value of it that asks for a clear boost.
    const char* GainParameter;
    float Boost;
    // The band's centre frequency parameter when the gain is a band's; null for a broadband gain.
    const char* FrequencyParameter;
    // The plug-in's own library leaks what its static set-up allocated once it is unloaded (seen with a bare
    // dlopen, main, effOpen, effClose, dlclose and no host of ours); LeakSanitizer ignores what is allocated
    // while the instance opens.
    bool LeaksWhenUnloaded;
};

void PrintTo(const TThirdPartyCase& Case, std::ostream* Stream)
{
    *Stream << Case.Name;
}

// The compressor's threshold stands at 0 dB, so the −12 dBFS probe passes uncompressed and only the makeup
// gain shows. The lsp stub loads its core library from its own folder; it is the one that keeps its state in
// program chunks.
const TThirdPartyCase ThirdPartyCases[] = {
    {"ZamEQ2", "/usr/lib/vst/ZamEQ2-vst.so", "zam-plugins", "Boost/Cut 1", 0.8f, "Frequency 1", false},
    {"ZamComp", "/usr/lib/vst/ZamComp-vst.so", "zam-plugins", "Makeup", 0.25f, nullptr, false},
    {"ThreeBandEQ", "/usr/lib/vst/3BandEQ-vst.so", "dpf-plugins-vst", "Master", 0.625f, nullptr, false},
    {"LspParaEqualizer", "/usr/lib/vst/lsp-plugins/para-equalizer-x16-stereo.so", "lsp-plugins-vst", "g_out", 0.9f,
     nullptr, true},
};

constexpr double kSampleRate = 44100.0;
constexpr std::int32_t kBlock = 512;

int FindParameter(TVstPlugIn& P, const std::string& Name)
{
    for (std::int32_t I = 0; I < P.numParams(); ++I)
        if (P.GetParamName(I) == Name)
            return I;
    return -1;
}

// The number a parameter's display shows ("6.000000", "+9.99").
double DisplayedValue(TVstPlugIn& P, std::int32_t Index)
{
    return std::strtod(P.GetParamDisplay(Index).c_str(), nullptr);
}

// Level of output 0 against input 0 in dB for a −12 dBFS sine of Frequency on input 0 (other inputs silent),
// measured over 40 blocks after 100 blocks of settling.
double MeasuredGain(TVstPlugIn& P, double Frequency)
{
    const std::size_t Channels = static_cast<std::size_t>(std::max({P.numInputs(), P.numOutputs(), 1}));
    std::vector<std::vector<float>> In(Channels, std::vector<float>(kBlock)), Out = In;
    std::vector<float*> InPointers, OutPointers;
    for (std::size_t C = 0; C < Channels; ++C)
        InPointers.push_back(In[C].data()), OutPointers.push_back(Out[C].data());
    double InEnergy = 0.0, OutEnergy = 0.0;
    std::int64_t Time = 0;
    for (int Block = 0; Block < 140; ++Block)
    {
        for (std::int32_t I = 0; I < kBlock; ++I, ++Time)
            In[0][static_cast<std::size_t>(I)] =
                static_cast<float>(0.25 * std::sin(2.0 * std::numbers::pi * Frequency * double(Time) / kSampleRate));
        P.ProcessReplacing(InPointers.data(), OutPointers.data(), kBlock);
        if (Block < 100)
            continue;
        for (std::size_t I = 0; I < static_cast<std::size_t>(kBlock); ++I)
        {
            InEnergy += double(In[0][I]) * In[0][I];
            OutEnergy += double(Out[0][I]) * Out[0][I];
        }
    }
    return 10.0 * std::log10(OutEnergy / InEnergy);
}

class ThirdPartyPlugIns : public ::testing::TestWithParam<TThirdPartyCase>
{
protected:
    void SetUp() override
    {
        const TThirdPartyCase& Case = GetParam();
        if (!FileExists(Case.File))
            GTEST_SKIP() << Case.File << " is missing: install Debian's " << Case.Package << " (scripts/setup.sh does)";
        P = Host.VstPlugIns().Add();
        P->SetDLLFileName(Case.File);
        {
#if defined(__SANITIZE_ADDRESS__)
            std::optional<__lsan::ScopedDisabler> NoLeakCheck;
            if (Case.LeaksWhenUnloaded)
                NoLeakCheck.emplace();
#endif
            ASSERT_NO_THROW(P->SetActive(true)) << P->LastLoadError();
        }
        Gain = FindParameter(*P, Case.GainParameter);
        ASSERT_GE(Gain, 0) << "no parameter named " << Case.GainParameter;
    }

    // Closing forgets the effect record; unloading frees the library.
    void TearDown() override
    {
        if (!P || !P->Active())
            return;
        P->SetActive(false);
        EXPECT_FALSE(P->Active());
        EXPECT_EQ(P->VstEffect, nullptr);
        P->Unload();
        EXPECT_EQ(P->LibHandle, TLibraryHandle{0});
    }

    TVstHost Host;
    TVstPlugIn* P = nullptr;
    std::int32_t Gain = -1;
};

TEST_P(ThirdPartyPlugIns, IdentityAndParameterTextsAreReadable)
{
    EXPECT_EQ(P->uID().size(), 4u);
    EXPECT_GT(P->numInputs(), 0);
    EXPECT_GT(P->numOutputs(), 0);
    EXPECT_FALSE(P->EffectName().empty());
    EXPECT_FALSE(P->VendorString().empty());
    EXPECT_FALSE(P->ProductString().empty());
    EXPECT_EQ(P->GetParamLabel(Gain), "dB");
    // These plug-ins answer 1 to the parameter text opcodes; the texts must still come through.
    for (std::int32_t I = 0; I < P->numParams(); ++I)
    {
        EXPECT_FALSE(P->GetParamName(I).empty()) << "parameter " << I;
        EXPECT_FALSE(P->GetParamDisplay(I).empty()) << "parameter " << I;
    }
}

TEST_P(ThirdPartyPlugIns, GainSettingShowsInTheProcessedLevel)
{
    double Frequency = 1000.0;
    if (GetParam().FrequencyParameter)
    {
        const int Band = FindParameter(*P, GetParam().FrequencyParameter);
        ASSERT_GE(Band, 0) << "no parameter named " << GetParam().FrequencyParameter;
        Frequency = DisplayedValue(*P, Band);
        ASSERT_GT(Frequency, 20.0);
    }
    P->MainsChanged(false);
    P->SetSampleRate(kSampleRate);
    P->SetBlockSize(kBlock);
    P->MainsChanged(true);
    // The plug-in's own setting first (0 dB), then the boost.
    for (const float Value : {P->GetParameter(Gain), GetParam().Boost})
    {
        P->SetParameter(Gain, Value);
        EXPECT_NEAR(P->GetParameter(Gain), Value, 1e-5f);
        const double Asked = DisplayedValue(*P, Gain);
        SCOPED_TRACE("asked " + std::to_string(Asked) + " dB at " + std::to_string(Frequency) + " Hz");
        EXPECT_NEAR(MeasuredGain(*P, Frequency), Asked, 0.1);
    }
    EXPECT_GE(DisplayedValue(*P, Gain), 3.0) << "the boost should be clearly measurable";
}

TEST_P(ThirdPartyPlugIns, ProgramFileRoundTripsInTheFormThePlugInAsksFor)
{
    const bool Chunks = P->EffectOptions().Contains(effFlagsProgramChunks);
    const float Initial = P->GetParameter(Gain);
    const float Saved = GetParam().Boost;
    P->SetParameter(Gain, Saved);
    std::stringstream Stream(std::ios::in | std::ios::out | std::ios::binary);
    P->SavePreset(Stream);
    const std::string Bytes = Stream.str();
    ASSERT_GE(Bytes.size(), 60u);
    EXPECT_EQ(Bytes.substr(0, 4), "CcnK");
    EXPECT_EQ(BigEndianAt(Bytes, 4), Bytes.size() - 8);
    EXPECT_EQ(Bytes.substr(8, 4), Chunks ? "FPCh" : "FxCk");
    EXPECT_EQ(Bytes.substr(16, 4), P->uID());
    EXPECT_EQ(BigEndianAt(Bytes, 24), static_cast<std::uint32_t>(P->numParams()));
    if (Chunks)
        EXPECT_EQ(BigEndianAt(Bytes, 56), Bytes.size() - 60);
    else
        EXPECT_EQ(Bytes.size(), 56u + 4u * static_cast<std::uint32_t>(P->numParams()));

    P->SetParameter(Gain, Initial);
    P->LoadPreset(Stream);
    EXPECT_NEAR(P->GetParameter(Gain), Saved, 1e-5f);

    // The same setting through a file gives the same bytes and loads back alike.
    const fs::path Path = TempPath(std::string(GetParam().Name) + ".fxp");
    P->SavePreset(Path.string());
    std::ifstream File(Path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()), Bytes);
    File.close();
    P->SetParameter(Gain, Initial);
    P->LoadPreset(Path.string());
    EXPECT_NEAR(P->GetParameter(Gain), Saved, 1e-5f);
    fs::remove(Path);
}

INSTANTIATE_TEST_SUITE_P(, ThirdPartyPlugIns, ::testing::ValuesIn(ThirdPartyCases),
                         [](const ::testing::TestParamInfo<TThirdPartyCase>& Info) { return Info.param.Name; });

TEST(ThirdPartyFiles, FilesThatAreNoPlugInsAreRefusedWithTheLoadersReason)
{
    const fs::path Text = TempPath("not-a-plug-in.so");
    std::ofstream(Text) << "# A text file, long enough for the loader to read a whole ELF header from it.\n";
    const struct
    {
        std::string File;
        std::string Reason; // part of LastLoadError
    } Cases[] = {
        {"/usr/lib/x86_64-linux-gnu/libz.so.1", "neither \"main\" nor \"VSTPluginMain\""},
        {Text.string(), "invalid ELF header"},
        {TempPath("missing.so"), "does not exist"},
    };
    TVstHost Host;
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.File);
        TVstPlugIn* P = Host.VstPlugIns().Add();
        P->SetDLLFileName(Case.File);
        try
        {
            P->SetActive(true);
            ADD_FAILURE() << "opened";
        }
        catch (const EMarvoError& E)
        {
            EXPECT_STREQ(E.what(), "This is not a valid Vst Plugin!");
        }
        EXPECT_FALSE(P->Active());
        EXPECT_EQ(P->VstEffect, nullptr);
        EXPECT_EQ(P->LibHandle, TLibraryHandle{0});
        EXPECT_NE(P->LastLoadError().find(Case.Reason), std::string::npos) << P->LastLoadError();
    }
    fs::remove(Text);
}

} // namespace
