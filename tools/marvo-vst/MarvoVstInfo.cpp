// marvo-vst info: what a plug-in says about itself, as an aligned report on standard output.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>

#include "MarvoVst.h"
#include "vstplugin/DVSTParameterDescription.h"

namespace
{

constexpr const char* kCategoryNames[] = {"Unknown",    "Effect",      "Synth",          "Analysis",
                                          "Mastering",  "Spacializer", "RoomFx",         "SurroundFx",
                                          "Restoration", "OfflineProcess", "Shell",      "Generator"};

constexpr const char* kFlagNames[] = {"HasEditor",     "HasClip",      "HasVu",        "CanMono",
                                      "CanReplacing",  "ProgramChunks", "Unused1",     "Unused2",
                                      "IsSynth",       "NoSoundInStop", "ExtIsAsync",  "ExtHasBuffer",
                                      "CanDoubleReplacing"};

std::string CategoryName(TVstPluginCategory C)
{
    const auto I = static_cast<std::size_t>(C);
    if (I < std::size(kCategoryNames))
        return kCategoryNames[I];
    return "category " + std::to_string(static_cast<int>(C));
}

std::string FlagNames(TEffFlags Flags)
{
    std::string S;
    for (unsigned Bit = 0; Bit < 32; ++Bit)
        if (Flags.Bits() & (1u << Bit))
        {
            S += S.empty() ? "" : " ";
            S += Bit < std::size(kFlagNames) ? kFlagNames[Bit] : "bit" + std::to_string(Bit);
        }
    return S.empty() ? "(none)" : S;
}

// The four characters of a unique ID (unprintable ones as '.') and its hexadecimal word.
std::string UniqueId(std::int32_t Id)
{
    const auto U = static_cast<std::uint32_t>(Id);
    std::string Chars;
    for (int Shift = 24; Shift >= 0; Shift -= 8)
    {
        const char C = static_cast<char>((U >> Shift) & 0xFF);
        Chars += (C >= 0x20 && C < 0x7F) ? C : '.';
    }
    char Hex[16];
    std::snprintf(Hex, sizeof Hex, "0x%08X", static_cast<unsigned>(U));
    return "'" + Chars + "' (" + Hex + ")";
}

// A version number, with its hexadecimal form (vendors pack major, minor and release into bytes).
std::string VersionText(std::int32_t V)
{
    char Hex[16];
    std::snprintf(Hex, sizeof Hex, "0x%08X", static_cast<unsigned>(V));
    return std::to_string(V) + " (" + Hex + ")";
}

std::string Plural(std::int32_t N, const char* Word)
{
    return std::to_string(N) + " " + Word + (N == 1 ? "" : "s");
}

void Line(const std::string& Label, const std::string& Value)
{
    std::cout << Label << std::string(Label.size() < 16 ? 16 - Label.size() : 1, ' ') << Value << '\n';
}

// Characters of a UTF-8 text (labels such as "°C" take one column per character).
std::size_t Columns(const std::string& S)
{
    return static_cast<std::size_t>(
        std::count_if(S.begin(), S.end(), [](char C) { return (static_cast<unsigned char>(C) & 0xC0) != 0x80; }));
}

// Prints Rows as columns separated by two spaces, each as wide as its widest cell; the first column is
// right-aligned (indices).
void Table(const std::vector<std::vector<std::string>>& Rows, const std::string& Indent)
{
    std::vector<std::size_t> Width;
    for (const auto& R : Rows)
        for (std::size_t C = 0; C < R.size(); ++C)
        {
            Width.resize(std::max(Width.size(), R.size()));
            Width[C] = std::max(Width[C], Columns(R[C]));
        }
    for (const auto& R : Rows)
    {
        std::string S = Indent;
        for (std::size_t C = 0; C < R.size(); ++C)
        {
            const std::string Pad(Width[C] - Columns(R[C]), ' ');
            S += C == 0 ? Pad + R[C] : "  " + R[C] + (C + 1 < R.size() ? Pad : "");
        }
        std::cout << S << '\n';
    }
}

std::string Decimal(float V)
{
    char Text[32];
    std::snprintf(Text, sizeof Text, "%g", static_cast<double>(V));
    return Text;
}

const char* CurveName(TCurveType C)
{
    switch (C)
    {
    case ctLinear:
        return "linear";
    case ctLogarithmic:
        return "logarithmic";
    case ctExponential:
        return "exponential";
    case ctFrequencyScale:
        return "frequency scale";
    }
    return "?";
}

// The parameters as the plug-in describes them through the framework's description request; no rows when
// it does not answer it.
std::vector<std::vector<std::string>> Descriptions(TVstPlugIn& P)
{
    std::vector<std::vector<std::string>> Rows{{"#", "Symbol", "Short", "Range", "Curve", "Default", "Kept", "Steps",
                                                "Automatable"}};
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        TVstParameterDescription D;
        if (!ReadParameterDescription(P.VstEffect, I, D))
            return {};
        const std::string Curve = D.Curve == ctLinear ? CurveName(D.Curve)
                                                      : std::string(CurveName(D.Curve)) + " " + Decimal(D.CurveFactor);
        Rows.push_back({std::to_string(I), D.Symbol, D.ShortLabel, Decimal(D.Min) + ".." + Decimal(D.Max), Curve,
                        Decimal(D.Default), Decimal(D.LimitMin) + ".." + Decimal(D.LimitMax),
                        D.StepCount > 0 ? std::to_string(D.StepCount) : "continuous", D.CanBeAutomated ? "yes" : "no"});
    }
    return Rows;
}

} // namespace

int RunInfo(const TCommandLine& CommandLine)
{
    TVstHost Host;
    const std::string& Path = CommandLine.Arguments[0];
    TVstPlugIn& P = LoadPlugIn(Host, Path);

    // Parameters are read before the programs are stepped through, so they show the state as loaded.
    std::vector<std::vector<std::string>> Parameters{{"#", "Name", "Label", "Display", "Value"}};
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        char Value[32];
        std::snprintf(Value, sizeof Value, "%.6f", static_cast<double>(P.GetParameter(I)));
        Parameters.push_back({std::to_string(I), P.GetParamName(I),
                              P.GetParamLabel(I),
                              P.GetParamDisplay(I), Value});
    }
    const std::vector<std::vector<std::string>> Described = Descriptions(P);
    std::vector<std::vector<std::string>> Programs;
    const std::int32_t Current = P.ProgramNr();
    for (std::int32_t I = 0; I < P.numPrograms(); ++I)
    {
        P.SetProgramNr(I);
        Programs.push_back({std::to_string(I), P.ProgramName()});
    }
    if (P.numPrograms() > 0)
        P.SetProgramNr(Current);

    Line("Plug-in", Path);
    Line("Effect name", P.EffectName());
    Line("Vendor", P.VendorString());
    Line("Product", P.ProductString());
    Line("Unique ID", UniqueId(P.VstEffect->uniqueID));
    Line("Effect version", VersionText(P.Version()));
    Line("VST version", std::to_string(P.PluginVstVersion()));
    Line("Vendor version", VersionText(P.VendorVersion()));
    Line("Category", CategoryName(P.PlugCategory()));
    Line("Flags", FlagNames(P.EffectOptions()));
    Line("Channels", Plural(P.numInputs(), "input") + ", " + Plural(P.numOutputs(), "output"));
    Line("Initial delay", Plural(P.InitialDelay(), "frame"));
    const std::string CurrentText = P.numPrograms() > 0 ? ", current " + std::to_string(Current) : "";
    Line("Programs", std::to_string(P.numPrograms()) + CurrentText);
    Table(Programs, std::string(16, ' '));
    Line("Parameters", std::to_string(P.numParams()));
    if (P.numParams() > 0)
        Table(Parameters, "  ");
    if (!Described.empty())
    {
        Line("Described", "every parameter, by the framework's description request");
        Table(Described, "  ");
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
