// marvo-preset pipewire: a program as PipeWire's filter-chain drop-in that runs the LV2 plug-in with it.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "MarvoPreset.h"
#include "lv2/LV2Controls.h"
#if MARVO_PRESET_LV2
#include "lv2/LV2Entry.h"
#endif

namespace
{

// The parameter form of a program file: the header, the parameter count at byte 24, then the values as
// big-endian floats from byte 56.
constexpr std::size_t kCountOffset = 24, kValuesOffset = 56;

std::uint32_t BigEndian(const std::string& Bytes, std::size_t At)
{
    std::uint32_t V = 0;
    for (std::size_t I = 0; I < 4; ++I)
        V = (V << 8) | static_cast<unsigned char>(Bytes[At + I]);
    return V;
}

// "%.9g": strtof reads it back as the same float.
std::string Exact(float V)
{
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.9g", static_cast<double>(V));
    return Text;
}

// A text between double quotes in PipeWire's config syntax.
std::string Quoted(const std::string& Text)
{
    std::string Q = "\"";
    for (const char C : Text)
        if (C == '"' || C == '\\')
            Q += {'\\', C};
        else
            Q += static_cast<unsigned char>(C) < 0x20 ? ' ' : C;
    return Q + "\"";
}

// The lower-case letters and digits of Name, other runs as one '-'.
std::string NodeSuffix(const std::string& Name)
{
    std::string S;
    for (const char C : Name)
        if (std::isalnum(static_cast<unsigned char>(C)))
            S += static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
        else if (!S.empty() && S.back() != '-')
            S += '-';
    while (!S.empty() && S.back() == '-')
        S.pop_back();
    return S;
}

// The "control" entries, one band a line (freq, gain, bw, sym) in aligned columns, the volume last.
std::string ControlLines(const std::vector<TPortValue>& Ports)
{
    std::vector<std::vector<std::string>> Rows(1);
    for (const TPortValue& P : Ports)
    {
        if (Rows.back().size() == 4 || P.Symbol == "volume")
            Rows.emplace_back();
        Rows.back().push_back(Quoted(P.Symbol) + " = " + Exact(P.Value));
    }
    std::size_t Width[4] = {};
    for (const auto& Row : Rows)
        for (std::size_t I = 0; I < Row.size(); ++I)
            Width[I] = std::max(Width[I], Row[I].size());
    std::string Lines;
    for (const auto& Row : Rows)
    {
        std::string Line = "                            ";
        for (std::size_t I = 0; I < Row.size(); ++I)
            Line += I + 1 < Row.size() ? Row[I] + std::string(Width[I] + 2 - Row[I].size(), ' ') : Row[I];
        Lines += Line + "\n";
    }
    return Lines;
}

#if MARVO_PRESET_LV2
// The port value (real units) that the adapter converts to Want exactly: the curve's own real value, else the
// nearest float around it that does (where the curve maps neighbouring normalised values to one real value).
float ExactPortValue(const LV2Marvo::TControl& C, float Want)
{
    constexpr int kSearchedUlps = 64;
    const auto Same = [Want](float Got) { return std::memcmp(&Got, &Want, sizeof Got) == 0; };
    float Up = NormalizedToReal(C, Want), Down = Up;
    for (int Step = 0; Step <= kSearchedUlps; ++Step)
    {
        for (const float Candidate : {Up, Down})
            if (Same(LV2Marvo::NormalisedFor(C, Candidate)))
                return Candidate;
        Up = std::nextafter(Up, INFINITY);
        Down = std::nextafter(Down, -INFINITY);
    }
    throw std::runtime_error("port '" + C.Symbol + "' cannot carry the normalised value " + Exact(Want) + " exactly");
}
#endif

} // namespace

std::vector<float> ProgramValues(const std::string& Bytes)
{
    if (Bytes.size() < kValuesOffset || Bytes.compare(0, 4, "CcnK") != 0 || Bytes.compare(8, 4, "FxCk") != 0)
        throw std::runtime_error("not a program file in parameter form");
    const std::uint32_t Count = BigEndian(Bytes, kCountOffset);
    if (Count > (Bytes.size() - kValuesOffset) / 4)
        throw std::runtime_error("the program file is cut short");
    std::vector<float> Values(Count);
    for (std::uint32_t I = 0; I < Count; ++I)
    {
        const std::uint32_t Raw = BigEndian(Bytes, kValuesOffset + 4 * I);
        std::memcpy(&Values[I], &Raw, sizeof Raw);
    }
    return Values;
}

std::vector<TPortValue> PortValues(const std::vector<float>& Normalised)
{
#if MARVO_PRESET_LV2
    static const std::vector<LV2Marvo::TControl> Controls = LV2Marvo::DescribeControls(&LV2EqualiserMain);
    if (Normalised.size() != Controls.size())
        throw std::runtime_error("the program has " + std::to_string(Normalised.size()) + " values, the plug-in " +
                                 std::to_string(Controls.size()) + " ports");
    std::vector<TPortValue> Ports;
    for (const LV2Marvo::TControl& C : Controls)
        Ports.push_back({C.Symbol, ExactPortValue(C, Normalised[static_cast<std::size_t>(C.Index)])});
    return Ports;
#else
    (void)Normalised;
    throw std::runtime_error("this build has no LV2 plug-in to write PipeWire's filter chain for");
#endif
}

std::string FilterChainDropIn(const std::vector<TPortValue>& Ports, const std::string& Name, const std::string& Source)
{
    // The documented node names for the documented device; another name gets nodes of its own.
    const std::string Suffix =
        Name == kDefaultDeviceName || NodeSuffix(Name).empty() ? "marvo" : "marvo-" + NodeSuffix(Name);
    return "# " + Name + ": the Marvo equaliser (LV2) as an output device, set to " + Source +
           ".\n# Written by marvo-preset; restart PipeWire to load it: systemctl --user restart pipewire\n"
           "context.modules = [\n"
           "    {   name = libpipewire-module-filter-chain\n"
           "        args = {\n"
           "            node.description = " + Quoted(Name) + "\n"
           "            media.name       = " + Quoted(Name) + "\n"
           "            filter.graph = {\n"
           "                nodes = [\n"
           "                    {\n"
           "                        type    = lv2\n"
           "                        name    = marvo\n"
           "                        plugin  = " + Quoted(LV2Marvo::kPluginUri) + "\n"
           "                        control = {\n" + ControlLines(Ports) +
           "                        }\n"
           "                    }\n"
           "                ]\n"
           "                inputs  = [ \"marvo:in_l\" \"marvo:in_r\" ]\n"
           "                outputs = [ \"marvo:out_l\" \"marvo:out_r\" ]\n"
           "            }\n"
           "            capture.props = {\n"
           "                node.name      = " + Quoted("effect_input." + Suffix) + "\n"
           "                media.class    = Audio/Sink\n"
           "                audio.channels = 2\n"
           "                audio.position = [ FL FR ]\n"
           "            }\n"
           "            playback.props = {\n"
           "                node.name      = " + Quoted("effect_output." + Suffix) + "\n"
           "                node.passive   = true\n"
           "                audio.channels = 2\n"
           "                audio.position = [ FL FR ]\n"
           "            }\n"
           "        }\n"
           "    }\n"
           "]\n";
}

std::string PipeWireDropInFolder()
{
    const char* Config = std::getenv("XDG_CONFIG_HOME");
    const char* Home = std::getenv("HOME");
    std::filesystem::path Folder;
    if (Config && *Config)
        Folder = Config;
    else if (Home && *Home)
        Folder = std::filesystem::path(Home) / ".config";
    else
        throw std::runtime_error("--install: neither XDG_CONFIG_HOME nor HOME is set");
    return (Folder / "pipewire" / "pipewire.conf.d").string();
}
