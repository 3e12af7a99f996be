// marvo-preset pipewire end to end: the drop-in written for a headphone correction, read back by PipeWire's own
// config parser (spa-json-dump, skipped when pipewire-bin is not installed), carries every control of the fitted
// program so that the LV2 adapter's port conversion gives back its normalised value bit for bit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "lv2/LV2Controls.h"
#include "lv2/LV2Entry.h"

namespace
{

const std::string kWork = MARVO_PIPEWIRE_WORK;
const std::string kPreset = MARVO_PRESET;
const std::string kCorrection = MARVO_SOURCE_DIR "/tests/data/presets/correction-a.txt";

// Runs a shell command; its standard output, and its exit status.
std::string Shell(const std::string& Command, int& Status)
{
    std::string Output;
    FILE* Pipe = popen((Command + " 2>/dev/null").c_str(), "r");
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

// The normalised values a program file in parameter form holds (big-endian floats from byte 56).
std::vector<float> StoredValues(const std::string& Bytes)
{
    std::vector<float> Values;
    for (std::size_t At = 56; At + 4 <= Bytes.size(); At += 4)
    {
        std::uint32_t Raw = 0;
        for (std::size_t I = 0; I < 4; ++I)
            Raw = (Raw << 8) | static_cast<unsigned char>(Bytes[At + I]);
        float V;
        std::memcpy(&V, &Raw, sizeof V);
        Values.push_back(V);
    }
    return Values;
}

std::uint32_t Bits(float V)
{
    std::uint32_t B;
    std::memcpy(&B, &V, sizeof B);
    return B;
}

class PresetPipeWire : public ::testing::Test
{
protected:
    void SetUp() override { std::filesystem::create_directories(kWork); }
    // marvo-preset with Args, in the work folder; its standard output.
    std::string Preset(const std::string& Args, const std::string& Environment = "")
    {
        int Status = 0;
        const std::string Out = Shell("cd '" + kWork + "' && " + Environment + " '" + kPreset + "' " + Args, Status);
        EXPECT_EQ(Status, 0) << Args;
        return Out;
    }
};

TEST_F(PresetPipeWire, EveryControlReachesThePlugInAsTheFittedProgramsValue)
{
    if (std::system("command -v spa-json-dump >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "spa-json-dump is not installed (Debian package pipewire-bin)";
    Preset("import '" + kCorrection + "' -o fitted.fxp");
    Preset("pipewire '" + kCorrection + "' -o eq.conf");
    // The program file itself gives the same drop-in as the correction it was fitted from.
    Preset("pipewire fitted.fxp -o from-fxp.conf");
    const std::string Conf = ReadFile(kWork + "/eq.conf"), FromFxp = ReadFile(kWork + "/from-fxp.conf");
    EXPECT_EQ(Conf.substr(Conf.find("context.modules")), FromFxp.substr(FromFxp.find("context.modules")));

    int Status = 0;
    const nlohmann::json Dump = nlohmann::json::parse(Shell("spa-json-dump '" + kWork + "/eq.conf'", Status));
    ASSERT_EQ(Status, 0);
    const nlohmann::json& Args = Dump.at("context.modules").at(0).at("args");
    EXPECT_EQ(Args.at("node.description"), "Marvo headphone EQ");
    EXPECT_EQ(Args.at("capture.props").at("node.name"), "effect_input.marvo");
    EXPECT_EQ(Args.at("playback.props").at("node.name"), "effect_output.marvo");
    const nlohmann::json& Node = Args.at("filter.graph").at("nodes").at(0);
    EXPECT_EQ(Node.at("plugin"), LV2Marvo::kPluginUri);
    const nlohmann::json& Control = Node.at("control");

    const std::vector<float> Program = StoredValues(ReadFile(kWork + "/fitted.fxp"));
    const std::vector<LV2Marvo::TControl> Controls = LV2Marvo::DescribeControls(&LV2EqualiserMain);
    ASSERT_EQ(Program.size(), Controls.size());
    EXPECT_EQ(Control.size(), Controls.size());
    for (const LV2Marvo::TControl& C : Controls)
    {
        SCOPED_TRACE(C.Symbol);
        ASSERT_TRUE(Control.contains(C.Symbol));
        // PipeWire reads a control as a float; the text has at most nine digits, so reading it through a
        // double first cannot round differently.
        const float Port = static_cast<float>(Control.at(C.Symbol).get<double>());
        EXPECT_EQ(Bits(LV2Marvo::NormalisedFor(C, Port)), Bits(Program[static_cast<std::size_t>(C.Index)]))
            << "port value " << Port;
    }
}

TEST_F(PresetPipeWire, InstallWritesIntoTheUsersDropInFolderAndNamesTheRestart)
{
    std::filesystem::remove_all(kWork + "/config");
    const std::string Out =
        Preset("pipewire '" MARVO_SOURCE_DIR "/tests/data/presets/exact-6-bells.txt' --install --name 'Living room \"B\"'", "XDG_CONFIG_HOME='" + kWork + "/config'");
    const std::string Installed = kWork + "/config/pipewire/pipewire.conf.d/marvo-eq.conf";
    ASSERT_TRUE(std::filesystem::exists(Installed)) << Out;
    EXPECT_FALSE(std::filesystem::exists(Installed + ".tmp"));
    EXPECT_NE(Out.find("systemctl --user restart pipewire"), std::string::npos) << Out;
    const std::string Conf = ReadFile(Installed);
    EXPECT_NE(Conf.find("node.description = \"Living room \\\"B\\\"\""), std::string::npos) << Conf;
    EXPECT_NE(Conf.find("node.name      = \"effect_input.marvo-living-room-b\""), std::string::npos) << Conf;
}

} // namespace
