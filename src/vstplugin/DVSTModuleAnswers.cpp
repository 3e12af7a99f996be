// The dispatcher's answers that take more than a line: per-index texts in the general number format,
// parameter strings, program names, MIDI events, pin and parameter properties, can-do questions and shell
// plug-ins.
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "vstplugin/DVSTModule.h"
#include "vstplugin/DVSTModuleTexts.h"

using namespace VSTModuleDetail;

namespace
{
const char* const Undefined = "undefined";
} // namespace

namespace
{
// [any] The general number format: the value rounded to Precision significant digits (ties away from
// zero); fixed notation without trailing zeros when the count of digits before the decimal point lies in
// [-3, MaxFixedDigits], otherwise d[.ddd]E[-]x with at least ExponentDigits exponent digits.
std::string FormatGeneral(double Value, int Precision, int MaxFixedDigits, int ExponentDigits)
{
    if (std::isnan(Value))
        return "NAN";
    if (std::isinf(Value))
        return Value < 0 ? "-INF" : "INF";
    if (Value == 0.0)
        return "0";
    // The exact decimal expansion (both C libraries print it exactly), then rounding by hand.
    char Exact[160];
    std::snprintf(Exact, sizeof Exact, "%.120e", std::fabs(Value));
    std::string Digits;
    for (const char* C = Exact; *C && *C != 'e'; ++C)
        if (*C >= '0' && *C <= '9')
            Digits += *C;
    int Exponent = std::atoi(std::strchr(Exact, 'e') + 1);
    const bool RoundUp = Digits[static_cast<std::size_t>(Precision)] >= '5';
    Digits.resize(static_cast<std::size_t>(Precision));
    if (RoundUp)
    {
        int I = Precision - 1;
        while (I >= 0 && Digits[static_cast<std::size_t>(I)] == '9')
            Digits[static_cast<std::size_t>(I--)] = '0';
        if (I >= 0)
            ++Digits[static_cast<std::size_t>(I)];
        else
        {
            Digits.insert(Digits.begin(), '1');
            Digits.pop_back();
            ++Exponent;
        }
    }
    while (Digits.size() > 1 && Digits.back() == '0')
        Digits.pop_back();
    std::string Text = Value < 0 ? "-" : "";
    const int Before = Exponent + 1; // digits before the decimal point
    if (Before >= -3 && Before <= MaxFixedDigits)
    {
        if (Before <= 0)
            Text += "0." + std::string(static_cast<std::size_t>(-Before), '0') + Digits;
        else if (static_cast<std::size_t>(Before) >= Digits.size())
            Text += Digits + std::string(static_cast<std::size_t>(Before) - Digits.size(), '0');
        else
            Text += Digits.substr(0, static_cast<std::size_t>(Before)) + "." +
                    Digits.substr(static_cast<std::size_t>(Before));
        return Text;
    }
    Text += Digits.substr(0, 1);
    if (Digits.size() > 1)
        Text += "." + Digits.substr(1);
    Text += "E";
    if (Exponent < 0)
        Text += "-";
    std::string ExponentText = std::to_string(std::abs(Exponent));
    if (static_cast<int>(ExponentText.size()) < ExponentDigits)
        ExponentText.insert(0, static_cast<std::size_t>(ExponentDigits) - ExponentText.size(), '0');
    return Text + ExponentText;
}
} // namespace


// ---------------------------------------------------------------------------------------------------------
// Per-index texts. An index outside 0..numParams-1 or the declarations gives "undefined".

// [host-main]
void TCustomVSTModule::GetParameterLabel(std::int32_t Index, char* Text)
{
    std::string Label = Undefined;
    if (Index >= 0 && Index < numParams() && Index < FParameterProperties->Count())
    {
        TCustomVstParameterProperty& D = (*FParameterProperties)[Index];
        Label = D.Units();
        if (D.OnCustomParameterLabel)
            D.OnCustomParameterLabel(this, Index, Label);
    }
    CopyText(Text, Label);
}

// [host-main] The stored value in the general format with 4 significant digits (15 from
// OnGetChunkParameter under effFlagsProgramChunks), then the declaration's custom display.
void TCustomVSTModule::GetParameterDisplay(std::int32_t Index, char* Text)
{
    std::string Display = Undefined;
    if (Index >= 0 && Index < numParams() && Index < FParameterProperties->Count())
    {
        if (Flags().Contains(effFlagsProgramChunks))
            Display = FormatGeneral(OnGetChunkParameter ? OnGetChunkParameter(this, Index) : 0.0f, 15, 15, 0);
        else
            Display = FormatGeneral(Parameter(Index), 4, 4, 4);
        TCustomVstParameterProperty& D = (*FParameterProperties)[Index];
        if (D.OnCustomParameterDisplay)
            D.OnCustomParameterDisplay(this, Index, Display);
    }
    CopyText(Text, Display);
}

// [host-main]
void TCustomVSTModule::GetParameterName(std::int32_t Index, char* Text)
{
    if (Index >= 0 && Index < numParams() && Index < FParameterProperties->Count())
        CopyText(Text, (*FParameterProperties)[Index].DisplayName());
    else
        CopyText(Text, Undefined);
}

// [host-main] True for indices beyond the declarations (nothing forbids them); False for negative ones.
bool TCustomVSTModule::CanBeAutomated(std::int32_t Index)
{
    if (Index < 0)
        return false;
    if (Index >= FParameterProperties->Count())
        return true;
    return (*FParameterProperties)[Index].CanBeAutomated;
}

// [host-main] A decimal number written through SetParameterAutomated; False for no text, no number, or an
// index outside the declarations (nothing is written then).
bool TCustomVSTModule::String2Parameter(std::int32_t Index, const char* Text)
{
    if (!Text)
        return false;
    if (Index < 0 || Index >= numParams() || Index >= FParameterProperties->Count())
        return false;
    std::string Number = ReadText(Text);
    const auto First = Number.find_first_not_of(" \t");
    if (First == std::string::npos)
        return false;
    const auto Last = Number.find_last_not_of(" \t");
    Number = Number.substr(First, Last - First + 1);
    if (!Number.empty() && Number[0] == '+')
        Number.erase(0, 1);
    if (Number.empty() || Number[0] == '+')
        return false;
    double Parsed = 0.0;
    const char* End = Number.data() + Number.size();
    const auto Result = std::from_chars(Number.data(), End, Parsed, std::chars_format::general);
    if (Result.ec != std::errc() || Result.ptr != End || !std::isfinite(Parsed))
        return false;
    SetParameterAutomated(Index, static_cast<float>(Parsed));
    return true;
}

// [host-main]
bool TCustomVSTModule::GetProgramNameIndexed(std::int32_t, std::int32_t Index, char* Text)
{
    if (Index < 0 || Index >= numPrograms() || Index >= FPrograms->Count())
        return false;
    CopyText(Text, (*FPrograms)[Index].DisplayName());
    return true;
}

// [audio] Fires OnProcessMidi for each MIDI event, in order; other event types are skipped.
bool TCustomVSTModule::ProcessEvents(VstEvents* Events)
{
    if (!Events)
        return true;
    // The list holds numEvents pointers, more than the two its declared type names.
    VstEvent* const* List = Events->events;
    for (VstInt32 I = 0; I < Events->numEvents; ++I)
    {
        VstEvent* Event = List[I];
        if (Event && Event->type == kVstMidiType && OnProcessMidi)
            OnProcessMidi(this, *reinterpret_cast<const TVstMidiEvent*>(Event));
    }
    return true;
}

namespace
{
// [host-main] Fills a pin record: label "<Prefix> #n", short label "<Short>n", active and stereo, then
// the module's handler may change them. The arrangement type the caller gave stays.
bool FillPinProperties(TCustomVSTModule* Module, std::int32_t Index, std::int32_t Count, VstPinProperties* Properties,
                       const char* Prefix, const char* Short, const TOnGetChannelPropertiesEvent& Handler)
{
    if (!Properties || Index < 0 || Index >= Count)
        return false;
    std::string Label = (std::string(Prefix) + " #" + std::to_string(Index + 1)).substr(0, 63);
    std::string ShortLabel = (std::string(Short) + std::to_string(Index + 1)).substr(0, 7);
    std::int32_t Arrangement = 1;
    TChannelPropertyFlags Flags{cpfIsActive, cpfIsStereo};
    if (Handler)
        Handler(Module, Label, ShortLabel, Arrangement, Flags);
    CopyText(Properties->label, Label, 63);
    Properties->flags = static_cast<VstInt32>(Flags.Bits());
    CopyText(Properties->shortLabel, ShortLabel, 7);
    return true;
}
} // namespace

bool TCustomVSTModule::GetInputProperties(std::int32_t Index, VstPinProperties* Properties) // [host-main]
{
    return FillPinProperties(this, Index, numInputs(), Properties, "Input", "In", OnInputProperties);
}

bool TCustomVSTModule::GetOutputProperties(std::int32_t Index, VstPinProperties* Properties) // [host-main]
{
    return FillPinProperties(this, Index, numOutputs(), Properties, "Output", "Out", OnOutputProperties);
}

// [host-main] Fills the record from a declaration that reports its properties; other fields untouched.
bool TCustomVSTModule::GetParameterProperties(std::int32_t Index, VstParameterProperties* Properties)
{
    if (!Properties || Index < 0 || Index >= numParams() || Index >= FParameterProperties->Count())
        return false;
    const TCustomVstParameterProperty& D = (*FParameterProperties)[Index];
    if (!D.ReportVST2Properties)
        return false;
    Properties->stepFloat = D.StepFloat;
    Properties->smallStepFloat = D.SmallStepFloat;
    Properties->largeStepFloat = D.LargeStepFloat;
    CopyText(Properties->label, D.DisplayName(), 63);
    Properties->flags = static_cast<VstInt32>(D.Flags.Bits());
    Properties->minInteger = D.MinInteger;
    Properties->maxInteger = D.MaxInteger;
    Properties->stepInteger = D.StepInteger;
    Properties->largeStepInteger = D.LargeStepInteger;
    CopyText(Properties->shortLabel, D.ShortLabel(), 7);
    Properties->displayIndex = 0;
    return true;
}

// [host-main] 1 when the first equal can-do string's item is in CanDos, -1 when not, 0 for no match.
std::int32_t TCustomVSTModule::CanDo(const char* Text)
{
    if (!Text)
        return 0;
    const std::string Question = ReadText(Text);
    std::int32_t Answer = 0;
    for (const TVstCanDoString& Entry : VstCanDoMatchOrder)
        if (Question == Entry.Text)
        {
            Answer = FCanDos.Contains(Entry.Item) ? 1 : -1;
            break;
        }
    if (OnCanDo)
        OnCanDo(this, Question);
    return Answer;
}

// [host-main] The next shell declaration's name and identifier; 0 after the last (and start over).
std::int32_t TCustomVSTModule::ShellGetNextPlugin(char* Name)
{
    if (FShellPluginIndex >= 0 && FShellPluginIndex < FShellPlugins->Count())
    {
        const TCustomVstShellPlugin& Shell = (*FShellPlugins)[FShellPluginIndex];
        CopyText(Name, Shell.DisplayName());
        ++FShellPluginIndex;
        return Shell.UniqueIDValue;
    }
    FShellPluginIndex = 0;
    return 0;
}

