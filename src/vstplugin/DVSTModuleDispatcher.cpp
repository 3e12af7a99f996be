// The dispatcher: the module's answer to every opcode, the texts it copies, the editor window, key
// forwarding, can-do lookup, pin and parameter properties.
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Exceptions.h"
#include "vstplugin/DVSTModule.h"

namespace
{
// Longest text copied into a caller's buffer, without the terminating zero.
constexpr std::size_t MaxCopiedText = 255;

// [any] Copies Text, clipped to Limit characters, and a terminating zero into Buffer (if not null).
void CopyText(void* Buffer, const std::string& Text, std::size_t Limit = MaxCopiedText)
{
    if (!Buffer)
        return;
    const std::size_t Length = std::min(Text.size(), Limit);
    std::memcpy(Buffer, Text.data(), Length);
    static_cast<char*>(Buffer)[Length] = '\0';
}

// [any] A zero-terminated text of the caller, read up to MaxCopiedText characters.
std::string ReadText(const void* Buffer)
{
    if (!Buffer)
        return std::string();
    const char* Text = static_cast<const char*>(Buffer);
    std::size_t Length = 0;
    while (Length < MaxCopiedText && Text[Length] != '\0')
        ++Length;
    return std::string(Text, Length);
}

const char* const Undefined = "undefined";

// Windows virtual-key code of a VST virtual key (index = VST code); 0 for codes without one.
constexpr std::uint8_t VirtualKeyTable[58] = {
    0,   8,   9,   12,  13,  19,  27,  32,  34,  35,  36,  37,  38,  39,  40,  38,  40,  41,  42,  13,
    44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  106, 107, 108, 109, 110, 111,
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 144, 145, 16,  17,  18,  93};

// Window messages sent to the editor for a forwarded key.
enum : unsigned
{
    WM_KEYDOWN_ = 0x0100,
    WM_KEYUP_ = 0x0101,
    WM_CHAR_ = 0x0102,
    WM_SYSKEYDOWN_ = 0x0104,
    WM_SYSKEYUP_ = 0x0105
};

// [any] Nearest integer of a finite value within the int32 range, ties to even; 0 otherwise.
std::int64_t RoundToInteger(double Value)
{
    if (!(Value >= -2147483648.0 && Value <= 2147483647.0))
        return 0;
    return static_cast<std::int64_t>(std::nearbyint(Value));
}

// [any] Fires Event (when assigned) for Sender; answers 1 when it fired, else 0.
VstIntPtr FireNotify(const TNotifyEvent& Event, TComponent* Sender)
{
    if (!Event)
        return 0;
    Event(Sender);
    return 1;
}
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

// [any; editor opcodes: editor]
VstIntPtr TCustomVSTModule::Dispatcher(VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr, float Opt)
{
    const auto Op = static_cast<TDispatcherOpcode>(Opcode & 0xFF);
    if (OnDispatcher)
        OnDispatcher(this, Op);
    switch (Op)
    {
    case effOpen:
        if (OnOpen)
            OnOpen(this);
        return 0;
    case effClose:
        if (OnClose)
            OnClose(this);
        return 0;
    case effSetProgram:
        if (Value >= 0 && Value < numPrograms() && Value != FCurrentProgram)
            SetCurrentProgram(static_cast<std::int32_t>(Value));
        return 0;
    case effGetProgram:
        return FCurrentProgram;
    case effSetProgramName:
        if (Ptr && numPrograms() > 0)
            SetCurrentProgramName(ReadText(Ptr));
        return 0;
    case effGetProgramName:
        CopyText(Ptr, CurrentProgramName());
        return 0;
    case effGetParamLabel:
        GetParameterLabel(Index, static_cast<char*>(Ptr));
        return 0;
    case effGetParamDisplay:
        GetParameterDisplay(Index, static_cast<char*>(Ptr));
        return 0;
    case effGetParamName:
        GetParameterName(Index, static_cast<char*>(Ptr));
        return 0;
    case effGetVu:
        if (OnGetVU)
        {
            float VU = 0.0f;
            OnGetVU(VU);
            return static_cast<VstIntPtr>(RoundToInteger(static_cast<double>(VU) * 32767.0));
        }
        return 0;
    case effSetSampleRate:
        SetSampleRate(Opt);
        return 1;
    case effSetBlockSize:
        SetBlockSize(static_cast<std::int32_t>(Value));
        return 0;
    case effMainsChanged:
        if (Value == 0)
            Suspend();
        else
            Resume();
        return 0;
    case effEditGetRect:
    {
        if (Ptr)
            *static_cast<ERect**>(Ptr) = &FEditorRect;
        FEditorRect.top = 0;
        FEditorRect.left = 0;
        if (!FEditorForm)
            return 0;
        FEditorRect.bottom = static_cast<VstInt16>(FEditorForm->ClientHeight());
        FEditorRect.right = static_cast<VstInt16>(FEditorForm->ClientWidth());
        return 1;
    }
    case effEditOpen:
        if (Flags().Contains(effFlagsHasEditor))
            return EditorOpen(Ptr);
        return 0;
    case effEditClose:
        if (Flags().Contains(effFlagsHasEditor))
            EditorClose();
        return 0;
    case effEditIdle:
        if (Flags().Contains(effFlagsHasEditor))
            EditorIdle();
        return 0;
    case effEditTop:
        if (OnEditTop)
            OnEditTop(this);
        return 0;
    case effEditSleep:
        if (OnEditSleep)
            OnEditSleep(this);
        return 0;
    case effIdentify:
        return FourCharCode("NvEf");
    case effGetChunk:
        return GetChunk(static_cast<void**>(Ptr), Index != 0);
    case effSetChunk:
        if (Value < 0 || Value > 0x7FFFFFFF)
            return 0;
        return SetChunk(Ptr, static_cast<std::int32_t>(Value), Index != 0);
    case effProcessEvents:
        ProcessEvents(static_cast<VstEvents*>(Ptr));
        return 1;
    case effCanBeAutomated:
        return CanBeAutomated(Index) ? 1 : 0;
    case effString2Parameter:
        return String2Parameter(Index, static_cast<const char*>(Ptr)) ? 1 : 0;
    case effGetNumProgramCategories:
        return FNumCategories;
    case effGetProgramNameIndexed:
        return GetProgramNameIndexed(static_cast<std::int32_t>(Value), Index, static_cast<char*>(Ptr)) ? 1 : 0;
    case effCopyProgram:
        return 0;
    case effConnectInput:
        if (OnInConnected)
            OnInConnected(this, Index, Value != 0);
        return 1;
    case effConnectOutput:
        if (OnOutConnected)
            OnOutConnected(this, Index, Value != 0);
        return 1;
    case effGetInputProperties:
        return GetInputProperties(Index, static_cast<VstPinProperties*>(Ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return GetOutputProperties(Index, static_cast<VstPinProperties*>(Ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return FPlugCategory;
    case effGetCurrentPosition:
    case effGetDestinationBuffer:
        return 0;
    case effOfflineNotify:
        if (!OnOfflineNotify)
            return 0;
        OnOfflineNotify(this, static_cast<TVstAudioFile*>(Ptr), static_cast<std::int32_t>(Value), Index != 0);
        return 1;
    case effOfflinePrepare:
        if (!OnOfflinePrepare)
            return 0;
        OnOfflinePrepare(this, static_cast<TVstOfflineTask*>(Ptr), static_cast<std::int32_t>(Value));
        return 1;
    case effOfflineRun:
        if (!OnOfflineRun)
            return 0;
        OnOfflineRun(this, static_cast<TVstOfflineTask*>(Ptr), static_cast<std::int32_t>(Value));
        return 1;
    case effProcessVarIo:
        if (!OnProcessVarIO)
            return 0;
        OnProcessVarIO(this, static_cast<TVstVariableIo*>(Ptr));
        return 1;
    case effSetSpeakerArrangement:
        return 0;
    case effSetBlockSizeAndSampleRate:
        SetSampleRate(Opt);
        SetBlockSize(static_cast<std::int32_t>(Value));
        return 1;
    case effSetBypass:
        if (!OnSoftBypass)
            return 0;
        OnSoftBypass(this, Value != 0);
        return 1;
    case effGetEffectName:
        CopyText(Ptr, FEffectName);
        return 1;
    case effGetErrorText:
        return 0;
    case effGetVendorString:
        CopyText(Ptr, FVendorName);
        return 1;
    case effGetProductString:
        CopyText(Ptr, FProductName.empty() ? FEffectName : FProductName);
        return 1;
    case effGetVendorVersion:
        return FEffect.version;
    case effVendorSpecific:
        return OnVendorSpecific ? OnVendorSpecific(this, Index, Value, Ptr, Opt) : 0;
    case effCanDo:
        return CanDo(static_cast<const char*>(Ptr));
    case effGetTailSize:
        return FTailSize;
    case effIdle:
    case effGetIcon:
    case effSetViewPosition:
        return 0;
    case effGetParameterProperties:
        return GetParameterProperties(Index, static_cast<VstParameterProperties*>(Ptr)) ? 1 : 0;
    case effKeysRequired:
        return FKeysRequired ? 0 : 1;
    case effGetVstVersion:
        return 2400;
    case effEditKeyDown:
    case effEditKeyUp:
        return EditKey(Op == effEditKeyDown, Index, Value, Opt);
    case effSetEditKnobMode:
        if (!OnEditorKnobMode)
            return 0;
        OnEditorKnobMode(this, static_cast<std::int32_t>(Value));
        return 1;
    case effGetMidiProgramName:
    case effGetMidiProgramCategory:
    case effHasMidiProgramsChanged:
    case effGetMidiKeyName:
        return 0;
    case effGetCurrentMidiProgram:
        return -1;
    case effBeginSetProgram:
        return FireNotify(OnBeginSetProgram, this);
    case effEndSetProgram:
        return FireNotify(OnEndSetProgram, this);
    case effGetSpeakerArrangement:
        return 0;
    case effShellGetNextPlugin:
        return ShellGetNextPlugin(static_cast<char*>(Ptr));
    case effStartProcess:
        return FireNotify(OnStartProcess, this);
    case effStopProcess:
        return FireNotify(OnStopProcess, this);
    case effSetTotalSampleToProcess:
        return Value;
    case effSetPanLaw:
    {
        if (!OnSetPanLaw)
            return 0;
        std::int32_t LawType = static_cast<std::int32_t>(Value);
        float Gain = Opt;
        OnSetPanLaw(this, LawType, Gain);
        return 1;
    }
    case effBeginLoadBank:
    case effBeginLoadProgram:
    {
        if (!Ptr)
            return -1;
        const auto& Info = *static_cast<const TVstPatchChunkInfo*>(Ptr);
        if (Op == effBeginLoadBank && OnBeginLoadBank)
            OnBeginLoadBank(this, Info);
        if (Op == effBeginLoadProgram && OnBeginLoadProgram)
            OnBeginLoadProgram(this, Info);
        return Info.pluginUniqueID == FEffect.uniqueID ? 0 : -1;
    }
    default:
        // Unknown opcodes (also effEditDraw, effEditMouse, effEditKey) answer 0.
        return 0;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Per-index texts. An index outside 0..numParams-1 or the declarations gives "undefined".

// [host-main]
void TCustomVSTModule::GetParameterLabel(std::int32_t Index, char* Text)
{
    std::string Label = Undefined;
    if (Index >= 0 && Index < numParams() && Index < FParameterProperties->Count())
    {
        TCustomVstParameterProperty& D = (*FParameterProperties)[Index];
        Label = D.Units;
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

// [editor] Forwards a key to the open editor as window messages; see the answer rules in the header.
std::int32_t TCustomVSTModule::EditKey(bool Down, std::int32_t Character, std::intptr_t VirtualKey, float Modifiers)
{
    if (!FKeysRequired)
        return -1;
    TVstKeyCode KeyCode{};
    KeyCode.character = Character;
    KeyCode.virt = static_cast<std::uint8_t>(VirtualKey & 0xFF);
    KeyCode.modifier = static_cast<std::uint8_t>(RoundToInteger(Modifiers) & 0xFF);
    if (!FEditorForm)
        return 0;
    try
    {
        std::int32_t Code;
        if (KeyCode.character != 0)
            Code = KeyCode.character - ((KeyCode.modifier & MODIFIER_SHIFT) ? 32 : 0);
        else
            Code = KeyCode.virt < sizeof VirtualKeyTable ? VirtualKeyTable[KeyCode.virt] : 0;
        TEditorWindow* Target = FEditorForm;
        const std::intptr_t L = KeyCode.virt != 0 ? 256 : 0;
        const auto W = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(Code));
        const bool Alternate = (KeyCode.modifier & MODIFIER_ALTERNATE) != 0;
        if (Down)
        {
            if (Alternate)
                Target->SendKeyMessage(WM_KEYDOWN_, W, L);
            else
                Target->SendKeyMessage(WM_SYSKEYDOWN_, W, 0x2000);
            Target->SendKeyMessage(WM_CHAR_, W, L);
            if (OnEditorKeyDown)
                OnEditorKeyDown(this, KeyCode);
        }
        else
        {
            if (Alternate)
                Target->SendKeyMessage(WM_KEYUP_, W, L);
            else
                Target->SendKeyMessage(WM_SYSKEYUP_, W, 0x2000);
            if (OnEditorKeyUp)
                OnEditorKeyUp(this, KeyCode);
        }
        return (OnCheckKey && OnCheckKey(this, static_cast<char>(Code))) ? 1 : -1;
    }
    catch (...)
    {
        return -1;
    }
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

// ---------------------------------------------------------------------------------------------------------
// Editor window

// [editor] OnEditOpen creates the window; it is embedded in ParentWindow at (0, 0) without border, and
// a module-level OnParameterChange sees every current value. A window still open is closed first.
std::int32_t TCustomVSTModule::EditorOpen(void* ParentWindow)
{
    if (FEditorForm)
        EditorClose();
    TEditorWindow* GUI = nullptr;
    if (OnEditOpen)
        OnEditOpen(this, GUI);
    if (!GUI)
        return 0;
    std::int32_t Answer = 0;
    try
    {
        FEditorForm = GUI;
        GUI->EmbedAsEditor(ParentWindow);
        Answer = 1;
        if (OnParameterChange && !Flags().Contains(effFlagsProgramChunks))
        {
            // What the handler leaves in the value is the stored value. The cells are shared with threads
            // that may write parameters meanwhile, so they are read and written atomically.
            const std::int32_t Current = FCurrentProgram.load();
            const bool OfProgram = numPrograms() >= 1 && Current >= 0 && Current < FPrograms->Count();
            std::vector<float>& Values = OfProgram ? (*FPrograms)[Current].ParameterValues : FParameterValues;
            const std::int32_t Count = std::min(numParams(), FParameterProperties->Count());
            for (std::int32_t I = 0; I < Count; ++I)
            {
                const auto Position = static_cast<std::size_t>(I);
                if (Position >= Values.size())
                {
                    float Missing = 0.0f;
                    OnParameterChange(this, I, Missing);
                    continue;
                }
                std::atomic_ref<float> Cell(Values[Position]);
                float Value = Cell.load(std::memory_order_relaxed);
                OnParameterChange(this, I, Value);
                Cell.store(Value, std::memory_order_relaxed);
            }
        }
    }
    catch (...)
    {
    }
    return Answer;
}

// [editor] OnEditClose, then the window is destroyed and forgotten (also when the handler fails).
void TCustomVSTModule::EditorClose()
{
    struct TDestroyForm
    {
        TEditorWindow*& Form;
        ~TDestroyForm()
        {
            TEditorWindow* F = Form;
            Form = nullptr;
            delete F;
        }
    } Destroy{FEditorForm};
    if (OnEditClose)
        OnEditClose(this);
}

// [editor] OnEditIdle once per pending update while a window is open; an update marked while the
// handler runs is kept for the next call, one the handler fails on too.
void TCustomVSTModule::EditorIdle()
{
    if (!FEditorForm || !FEditorNeedsUpdate.exchange(false))
        return;
    try
    {
        if (OnEditIdle)
            OnEditIdle(this);
    }
    catch (...)
    {
        FEditorNeedsUpdate.store(true);
        throw;
    }
}
