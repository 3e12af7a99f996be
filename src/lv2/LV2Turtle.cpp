#include "lv2/LV2Turtle.h"

#include <cstdio>
#include <sstream>

#include "platform/Exceptions.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTVersionHost.h"

namespace LV2Marvo
{

namespace
{

const char* const kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                              "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                              "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
                              "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                              "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                              "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                              "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                              "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// [any] A Turtle string literal.
std::string Quoted(const std::string& Text)
{
    std::string Q = "\"";
    for (const char C : Text)
    {
        if (C == '"' || C == '\\')
            Q += '\\';
        Q += C;
    }
    return Q + '"';
}

// [any] A float as a Turtle number that reads back as the same float.
std::string Number(float Value)
{
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.9g", static_cast<double>(Value));
    std::string S = Text;
    if (S.find_first_of(".e") == std::string::npos)
        S += ".0";
    return S;
}

// [any] The LV2 unit of a parameter label, or empty.
std::string UnitOf(const std::string& Label)
{
    if (Label == "Hz")
        return "units:hz";
    if (Label == "dB")
        return "units:db";
    return "";
}

void AudioPort(std::ostringstream& T, int Index, bool Input, bool Left)
{
    const char* Side = Left ? "left" : "right";
    T << "[\n    a lv2:AudioPort , " << (Input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
      << "    lv2:index " << Index << " ;\n"
      << "    lv2:symbol \"" << (Input ? "in_" : "out_") << (Left ? "l" : "r") << "\" ;\n"
      << "    lv2:name \"" << (Left ? "Left " : "Right ") << (Input ? "in" : "out") << "\" ;\n"
      << "    pg:group <" << kPluginUri << (Input ? "#in" : "#out") << "> ;\n"
      << "    lv2:designation pg:" << Side << "\n] , ";
}

} // namespace

std::string ManifestTurtle(const TPluginFacts& Facts)
{
    std::ostringstream T;
    T << kPrefixes << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << kBinaryName
      << "> ;\n    rdfs:seeAlso <Marvo.ttl> .\n";
    if (Facts.WithUi)
        T << "\n<" << kUiUri << ">\n    a ui:X11UI ;\n    lv2:binary <" << kUiBinaryName
          << "> ;\n    rdfs:seeAlso <Marvo.ttl> .\n";
    return T.str();
}

std::string PluginTurtle(const TPluginFacts& Facts, const std::vector<TControl>& Controls)
{
    const auto Parameters = static_cast<std::uint32_t>(Controls.size());
    std::ostringstream T;
    T << kPrefixes;
    T << "<" << kPluginUri << "#in>\n    a pg:StereoGroup , pg:InputGroup ;\n    lv2:symbol \"in\" ;\n"
      << "    rdfs:label \"Input\" .\n\n";
    T << "<" << kPluginUri << "#out>\n    a pg:StereoGroup , pg:OutputGroup ;\n    lv2:symbol \"out\" ;\n"
      << "    rdfs:label \"Output\" ;\n    pg:source <" << kPluginUri << "#in> .\n\n";
    T << "<" << kPluginUri << ">\n    a lv2:Plugin , lv2:ParaEQPlugin , doap:Project ;\n"
      << "    doap:name " << Quoted(Facts.Name) << " ;\n"
      << "    doap:maintainer [ foaf:name " << Quoted(Facts.Vendor) << " ] ;\n"
      << "    lv2:minorVersion " << Facts.MinorVersion << " ;\n    lv2:microVersion " << Facts.MicroVersion << " ;\n"
      << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
      << "    lv2:extensionData state:interface ;\n"
      << "    pg:mainInput <" << kPluginUri << "#in> ;\n    pg:mainOutput <" << kPluginUri << "#out> ;\n";
    if (Facts.WithUi)
        T << "    ui:ui <" << kUiUri << "> ;\n";
    T << "    lv2:port ";
    AudioPort(T, kPortInLeft, true, true);
    AudioPort(T, kPortInRight, true, false);
    AudioPort(T, kPortOutLeft, false, true);
    AudioPort(T, kPortOutRight, false, false);
    for (const TControl& C : Controls)
    {
        T << "[\n    a lv2:InputPort , lv2:ControlPort ;\n"
          << "    lv2:index " << kFirstParameterPort + static_cast<std::uint32_t>(C.Index) << " ;\n"
          << "    lv2:symbol " << Quoted(C.Symbol) << " ;\n    lv2:name " << Quoted(C.Name) << " ;\n"
          << "    lv2:default " << Number(C.Default) << " ;\n    lv2:minimum " << Number(C.Min) << " ;\n"
          << "    lv2:maximum " << Number(C.Max);
        if (const std::string Unit = UnitOf(C.Units); !Unit.empty())
            T << " ;\n    units:unit " << Unit;
        if (C.Curve == ctLogarithmic)
            T << " ;\n    lv2:portProperty pprops:logarithmic";
        T << "\n] , ";
    }
    T << "[\n    a lv2:InputPort , lv2:ControlPort ;\n    lv2:index " << EnabledPort(Parameters) << " ;\n"
      << "    lv2:symbol \"enabled\" ;\n    lv2:name \"Enabled\" ;\n    lv2:designation lv2:enabled ;\n"
      << "    lv2:default 1 ;\n    lv2:minimum 0 ;\n    lv2:maximum 1 ;\n    lv2:portProperty lv2:toggled\n] , ";
    for (int Ch = 0; Ch < 2; ++Ch)
        T << "[\n    a lv2:OutputPort , lv2:ControlPort ;\n    lv2:index " << LevelPort(Parameters, Ch) << " ;\n"
          << "    lv2:symbol \"level_" << (Ch == 0 ? "l" : "r") << "\" ;\n"
          << "    lv2:name \"" << (Ch == 0 ? "Left" : "Right") << " level\" ;\n"
          << "    lv2:minimum " << Number(kLevelFloorDb) << " ;\n    lv2:maximum " << Number(kLevelCeilingDb)
          << " ;\n    units:unit units:db\n]" << (Ch == 0 ? " , " : " .\n");
    if (Facts.WithUi)
    {
        T << "\n<" << kUiUri << ">\n    a ui:X11UI ;\n"
          << "    lv2:requiredFeature ui:parent ;\n"
          << "    lv2:optionalFeature ui:resize , ui:noUserResize , <http://lv2plug.in/ns/ext/instance-access> ,\n"
          << "        opts:options , urid:map ;\n"
          << "    opts:supportedOption ui:scaleFactor ;\n"
          << "    lv2:extensionData ui:idleInterface ;\n"
          << "    ui:portNotification ";
        for (int Ch = 0; Ch < 2; ++Ch)
            T << "[\n        ui:plugin <" << kPluginUri << "> ;\n        lv2:symbol \"level_"
              << (Ch == 0 ? "l" : "r") << "\" ;\n        ui:protocol ui:floatProtocol\n    ]"
              << (Ch == 0 ? " , " : " .\n");
    }
    return T.str();
}

TPluginFacts ReadPluginFacts(TMainProc Main)
{
    TFPUControlScope FPU;
    AEffect* E = Main(&VersionOnlyHost);
    if (!E)
        throw EMarvoError("the equaliser cannot be made");
    char Text[256] = {};
    TPluginFacts Facts;
    E->dispatcher(E, effGetEffectName, 0, 0, Text, 0.0f);
    Facts.Name = Text;
    Text[0] = 0;
    E->dispatcher(E, effGetVendorString, 0, 0, Text, 0.0f);
    Facts.Vendor = Text;
    const VstIntPtr Version = E->dispatcher(E, effGetVendorVersion, 0, 0, nullptr, 0.0f);
    Facts.MinorVersion = static_cast<int>(Version / 100 % 100);
    Facts.MicroVersion = static_cast<int>(Version % 100);
    E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
    return Facts;
}

} // namespace LV2Marvo
