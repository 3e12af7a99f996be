// The built bundle as Debian's LV2 tools and PipeWire's config parser meet it: validation, discovery, the
// ports lv2info shows, audio through lv2apply (bit-identical with marvo-vst running SmallEQ.so), and the
// README's filter-chain example. Each check is skipped, saying which package is missing, when a tool is.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "audiofile/AudioFile.h"
#include "lv2/LV2Controls.h"
#include "lv2/LV2Plugin.h"

namespace
{

using namespace LV2Marvo;

const std::string kBundleRoot = MARVO_LV2_PATH;
const std::string kBundle = kBundleRoot + "/Marvo.lv2";
const std::string kWork = MARVO_LV2_WORK;

bool Installed(const std::string& Tool)
{
    return std::system(("command -v " + Tool + " >/dev/null 2>&1").c_str()) == 0;
}

#define REQUIRE_TOOL(Tool, Package)                                                                          \
    if (!Installed(Tool))                                                                                    \
    GTEST_SKIP() << Tool " is not installed (Debian package " Package ")"

// Runs a shell command with LV2_PATH at the build's bundle; its standard output, and its exit status.
std::string Shell(const std::string& Command, int& Status)
{
    const std::string Full = "LV2_PATH='" + kBundleRoot + "' " + Command + " 2>&1";
    std::string Output;
    FILE* Pipe = popen(Full.c_str(), "r");
    if (!Pipe)
    {
        Status = -1;
        return Output;
    }
    char Buffer[4096];
    for (std::size_t N; (N = std::fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;)
        Output.append(Buffer, N);
    const int Raw = pclose(Pipe);
    Status = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    return Output;
}

std::string ReadFile(const std::string& Path)
{
    std::ifstream F(Path, std::ios::binary);
    std::stringstream S;
    S << F.rdbuf();
    return S.str();
}

// 32-bit float WAV (libsndfile's WAV | FLOAT), two channels.
constexpr std::uint32_t kFloatWav = 0x010006;

void WriteTwoTones(const std::string& Path, int Rate, double Seconds)
{
    TAudioFormat F;
    F.SampleRate = Rate;
    F.Channels = 2;
    F.Encoding = kFloatWav;
    auto W = CreateAudioWriter(Path, F);
    const auto Frames = static_cast<std::size_t>(Rate * Seconds);
    std::vector<float> S(2 * Frames);
    for (std::size_t I = 0; I < Frames; ++I)
    {
        const double T = static_cast<double>(I) / Rate;
        S[2 * I] = S[2 * I + 1] =
            static_cast<float>(0.2 * std::sin(2 * M_PI * 1000.0 * T) + 0.2 * std::sin(2 * M_PI * 100.0 * T));
    }
    W->Write(S.data(), Frames);
    W->Close();
}

std::vector<float> ReadAll(const std::string& Path)
{
    auto R = OpenAudioReader(Path);
    std::vector<float> All(static_cast<std::size_t>(R->Format().Frames * R->Format().Channels));
    All.resize(R->Read(All.data(), static_cast<std::size_t>(R->Format().Frames)) *
               static_cast<std::size_t>(R->Format().Channels));
    return All;
}

std::vector<float> ReadLeft(const std::string& Path)
{
    const std::vector<float> All = ReadAll(Path);
    std::vector<float> Left;
    for (std::size_t I = 0; I < All.size(); I += 2)
        Left.push_back(All[I]);
    return Left;
}

// The level of one frequency in dB (a single DFT bin over the second half, whole periods).
double ToneDb(const std::vector<float>& S, double Hz, int Rate)
{
    double Re = 0, Im = 0;
    const std::size_t From = S.size() / 2;
    for (std::size_t I = From; I < S.size(); ++I)
    {
        const double Phase = 2 * M_PI * Hz * static_cast<double>(I) / Rate;
        Re += S[I] * std::cos(Phase);
        Im += S[I] * std::sin(Phase);
    }
    return 20 * std::log10(2 * std::hypot(Re, Im) / static_cast<double>(S.size() - From));
}

std::string Decimal(float V)
{
    char T[32];
    std::snprintf(T, sizeof T, "%.9g", static_cast<double>(V));
    return T;
}

TEST(LV2Bundle, TurtleValidatesAgainstTheVocabularyBundles)
{
    REQUIRE_TOOL("sord_validate", "sordi");
    std::string Files;
    for (const char* Vocabulary : {"atom", "core", "port-groups", "port-props", "schemas", "state", "ui", "units",
                                   "urid", "options", "parameters", "instance-access"})
        Files += " /usr/lib/lv2/" + std::string(Vocabulary) + ".lv2/*.ttl";
    int Status = 0;
    const std::string Out = Shell("sord_validate" + Files + " '" + kBundle + "'/*.ttl", Status);
    EXPECT_EQ(Status, 0) << Out;
    EXPECT_NE(Out.find("Found 0 errors"), std::string::npos) << Out;
}

TEST(LV2Bundle, HostsFindThePluginWithItsPortsRangesAndUnits)
{
    REQUIRE_TOOL("lv2info", "lilv-utils");
    int Status = 0;
    EXPECT_NE(Shell("lv2ls", Status).find(kPluginUri), std::string::npos);
    const std::string Info = Shell(std::string("lv2info ") + kPluginUri, Status);
    ASSERT_EQ(Status, 0) << Info;
    const std::regex ControlPort("lv2core#ControlPort");
    EXPECT_EQ(std::distance(std::sregex_iterator(Info.begin(), Info.end(), ControlPort), std::sregex_iterator()), 36);
    for (const TControl& C : *SharedControls())
    {
        char Expected[256];
        std::snprintf(Expected, sizeof Expected, "Symbol:      %s\n\t\tName:        %s\n\t\tMinimum:     %f\n"
                      "\t\tMaximum:     %f\n", C.Symbol.c_str(), C.Name.c_str(), static_cast<double>(C.Min),
                      static_cast<double>(C.Max));
        EXPECT_NE(Info.find(Expected), std::string::npos) << Expected;
    }
    // Units are not shown by lv2info; the triples say them.
    REQUIRE_TOOL("sordi", "sordi");
    const std::string Triples = Shell("sordi '" + kBundle + "/Marvo.ttl'", Status);
    const auto Count = [&](const std::string& Text) {
        std::size_t N = 0;
        for (auto At = Triples.find(Text); At != std::string::npos; At = Triples.find(Text, At + 1))
            ++N;
        return N;
    };
    EXPECT_EQ(Count("units#hz>"), 8u);
    EXPECT_EQ(Count("units#db>"), 8u + 1u + 2u); // gains, volume, meters
    EXPECT_EQ(Count("port-props#logarithmic>"), 8u);
    EXPECT_EQ(Count("lv2core#enabled>"), 1u);
    EXPECT_EQ(Count("lv2core#ParaEQPlugin>"), 1u);
}

TEST(LV2Bundle, Lv2applyRaisesOneToneAndLeavesTheOther)
{
    REQUIRE_TOOL("lv2apply", "lilv-utils");
    const std::string In = kWork + "/two-tones.wav", Out = kWork + "/gain4.wav";
    WriteTwoTones(In, 48000, 1.0);
    int Status = 0;
    const std::string Log = Shell("lv2apply -i '" + In + "' -o '" + Out + "' -c gain4 12 " + kPluginUri, Status);
    ASSERT_EQ(Status, 0) << Log;
    const std::vector<float> Before = ReadLeft(In), After = ReadLeft(Out);
    EXPECT_NEAR(ToneDb(After, 1000, 48000) - ToneDb(Before, 1000, 48000), 12.0, 0.1);
    // The one-octave bell at 1 kHz reaches 100 Hz by about 0.16 dB.
    EXPECT_NEAR(ToneDb(After, 100, 48000) - ToneDb(Before, 100, 48000), 0.0, 0.25);
}

// lv2apply runs one frame per call; marvo-vst runs blocks of 512, with the fast engine the LV2 plug-in runs.
// The same setting, given to lv2apply in real units and to marvo-vst normalised, gives the same file.
TEST(LV2Bundle, Lv2applyMatchesMarvoVstBitForBit)
{
    REQUIRE_TOOL("lv2apply", "lilv-utils");
    const std::string In = kWork + "/two-tones-44k.wav", FromLv2 = kWork + "/random-lv2.wav",
                      FromVst = kWork + "/random-vst.wav";
    WriteTwoTones(In, 44100, 0.5);
    std::mt19937 Random(2025);
    std::uniform_real_distribution<float> Normalised(0.0f, 1.0f);
    std::string Lv2Controls, VstSets;
    for (const TControl& C : *SharedControls())
    {
        const float N = Normalised(Random);
        Lv2Controls += " -c " + C.Symbol + " " + Decimal(NormalizedToReal(C, N));
        VstSets += " --set " + std::to_string(C.Index) + "=" + Decimal(N);
    }
    int Status = 0;
    std::string Log = Shell("lv2apply -i '" + In + "' -o '" + FromLv2 + "'" + Lv2Controls + " " + kPluginUri, Status);
    ASSERT_EQ(Status, 0) << Log;
    Log = Shell(std::string("'") + MARVO_VST + "' process '" + MARVO_SMALLEQ + "' '" + In + "' '" + FromVst + "'" +
                  VstSets + " --engine fast",
              Status);
    ASSERT_EQ(Status, 0) << Log;
    // The samples, not the files: libsndfile stamps a float file's peak chunk with the time of writing.
    const std::vector<float> A = ReadAll(FromLv2), B = ReadAll(FromVst);
    ASSERT_EQ(A.size(), 2u * 22050u);
    ASSERT_EQ(A.size(), B.size());
    EXPECT_EQ(std::memcmp(A.data(), B.data(), A.size() * sizeof(float)), 0) << "lv2apply and marvo-vst differ";
}

TEST(LV2Bundle, FilterChainExampleParsesAndNamesOnlyOurPorts)
{
    REQUIRE_TOOL("spa-json-dump", "pipewire-bin");
    const std::string Example = MARVO_SOURCE_DIR "/docs/marvo-filter-chain.conf";
    int Status = 0;
    const std::string Json = Shell("spa-json-dump '" + Example + "'", Status);
    ASSERT_EQ(Status, 0) << Json;
    EXPECT_NE(Json.find("\"type\": \"lv2\""), std::string::npos);
    EXPECT_NE(Json.find(std::string("\"plugin\": \"") + kPluginUri + "\""), std::string::npos);
    // Every control names one of our symbols, with a value in its range; every control is given.
    const auto From = Json.find("\"control\": {"), To = Json.find('}', From);
    ASSERT_NE(From, std::string::npos);
    const std::string Controls = Json.substr(From, To - From);
    const std::regex Pair("\"([a-z0-9_]+)\": (-?[0-9.]+)");
    std::set<std::string> Named;
    for (auto It = std::sregex_iterator(Controls.begin(), Controls.end(), Pair); It != std::sregex_iterator(); ++It)
    {
        const std::string Symbol = (*It)[1];
        const double Value = std::stod((*It)[2]);
        const TControl* Found = nullptr;
        for (const TControl& C : *SharedControls())
            if (C.Symbol == Symbol)
                Found = &C;
        ASSERT_NE(Found, nullptr) << "no port '" << Symbol << "'";
        EXPECT_TRUE(Value >= Found->Min && Value <= Found->Max) << Symbol << " = " << Value;
        Named.insert(Symbol);
    }
    EXPECT_EQ(Named.size(), SharedControls()->size());
    for (const char* Port : {"marvo:in_l", "marvo:in_r", "marvo:out_l", "marvo:out_r"})
        EXPECT_NE(Json.find(std::string("\"") + Port + "\""), std::string::npos) << Port;
    // The README points to this file beside the commands that write one.
    const std::string Readme = ReadFile(MARVO_SOURCE_DIR "/README.md");
    EXPECT_NE(Readme.find("docs/marvo-filter-chain.conf"), std::string::npos);
    EXPECT_NE(Readme.find("marvo-preset pipewire"), std::string::npos);
}

} // namespace
