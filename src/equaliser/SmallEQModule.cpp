#include "equaliser/SmallEQModule.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "dsp/DDSPBase.h"
#include "dsp/DMath.h"
#include "equaliser/SEQMeter.h"
#include "platform/Exceptions.h"
#include "platform/FPUControl.h"
#include "platform/System.h"
#include "vstplugin/DVSTWindowThread.h"

// ---------------------------------------------------------------------------------------------------------
// Declaration

namespace
{

using TParameterRow = TVstParameterDeclaration<TSmallEQModule>;

using TChangeHandler = void (TSmallEQModule::*)(TComponent* Sender, std::int32_t Index, float& Value);

// [any] A row over the whole-number range Min..Max, which the integer bounds repeat.
constexpr TParameterRow Row(const char* Name, const char* Short, const char* Units, float Min, float Max, float Step,
                            float SmallStep, float LargeStep, std::int32_t StepInteger, std::int32_t LargeStepInteger,
                            TChangeHandler OnChange)
{
    TParameterRow r;
    r.Min = Min;
    r.Max = Max;
    r.DisplayName = Name;
    r.Units = Units;
    r.StepFloat = Step;
    r.SmallStepFloat = SmallStep;
    r.LargeStepFloat = LargeStep;
    r.MinInteger = static_cast<std::int32_t>(Min);
    r.MaxInteger = static_cast<std::int32_t>(Max);
    r.StepInteger = StepInteger;
    r.LargeStepInteger = LargeStepInteger;
    r.ShortLabel = Short;
    r.OnParameterChange = OnChange;
    return r;
}

// [any] One row of the declaration table: band Band's (1..8) frequency starting at Default Hz.
constexpr TParameterRow FrequencyRow(const char* Name, const char* Short, const char* Symbol, float Default)
{
    TParameterRow r = Row(Name, Short, "Hz", 20.0f, 20000.0f, 100.0f, 10.0f, 500.0f, 100, 500,
                          &TSmallEQModule::SmallEQModuleFreqChange);
    r.Curve = ctLogarithmic;
    r.CurveFactor = 1000.0f;
    r.Symbol = Symbol;
    r.Default = Default;
    return r;
}

// [any] One row of the declaration table; every band starts flat.
constexpr TParameterRow GainRow(const char* Name, const char* Short, const char* Symbol)
{
    TParameterRow r =
        Row(Name, Short, "dB", -15.0f, 15.0f, 0.5f, 0.1f, 1.0f, 1, 2, &TSmallEQModule::SmallEQModuleGainChange);
    r.Symbol = Symbol;
    r.Default = 0.0f;
    return r;
}

// [any] One row of the declaration table; every band starts one octave wide (control 0.5).
constexpr TParameterRow BandwidthRow(const char* Name, const char* Short, const char* Symbol, bool CustomDisplay)
{
    TParameterRow r =
        Row(Name, Short, "Oct", 0.0f, 1.0f, 0.1f, 0.01f, 0.2f, 1, 1, &TSmallEQModule::SmallEQModuleBandwidthChange);
    if (CustomDisplay)
        r.OnCustomParameterDisplay = &TSmallEQModule::SmallEQModuleBandwidthDisplay;
    r.Symbol = Symbol;
    r.Default = 0.5f;
    return r;
}

// [any] One row of the declaration table.
constexpr TParameterRow SymmetryRow(const char* Name, const char* Short, const char* Symbol, float Default,
                                    float Step = 0.1f, float SmallStep = 0.01f, float LargeStep = 0.5f)
{
    TParameterRow r = Row(Name, Short, "", -1.0f, 1.0f, Step, SmallStep, LargeStep, 1, 1,
                          &TSmallEQModule::SmallEQModuleTypeChange);
    r.Symbol = Symbol;
    r.Default = Default;
    return r;
}

// [any] One row of the declaration table. The handler keeps -15..+15 dB, so -15..+6 of the declared range
// can be reached.
constexpr TParameterRow VolumeRow()
{
    TParameterRow r = Row("Volume", "", "dB", -40.0f, 6.0f, 0.5f, 0.1f, 3.0f, 1, 3, &TSmallEQModule::SEMVolumeChange);
    r.Symbol = "volume";
    r.Default = 0.0f;
    r.LimitMin = -15.0f;
    r.LimitMax = 6.0f;
    return r;
}

// Index 4b + k for band b and kind k, then the volume, with the initial setting VSTModuleCreate writes (band
// 4's frequency is the float nearest 1000.01). The short labels of parameters 8 ("Freq2") and 20 ("Freq5"),
// and the steps of parameter 3, are as the equaliser has always declared them.
const TParameterRow SmallEQParameters[] = {
    FrequencyRow("Filter 1 Frequency", "Freq1", "freq1", 31.5f), GainRow("Filter 1 Gain", "Gain1", "gain1"),
    BandwidthRow("Filter 1 Bandwidth", "BW1", "bw1", true),
    SymmetryRow("Filter 1 Symmetry", "Sym1", "sym1", -1.0f, 1.0f, 1.0f, 1.0f),
    FrequencyRow("Filter 2 Frequency", "Freq2", "freq2", 100.0f), GainRow("Filter 2 Gain", "Gain2", "gain2"),
    BandwidthRow("Filter 2 Bandwidth", "BW2", "bw2", true), SymmetryRow("Filter 2 Symmetry", "Sym2", "sym2", -0.5f),
    FrequencyRow("Filter 3 Frequency", "Freq2", "freq3", 500.0f), GainRow("Filter 3 Gain", "Gain3", "gain3"),
    BandwidthRow("Filter 3 Bandwidth", "BW3", "bw3", true), SymmetryRow("Filter 3 Symmetry", "Sym3", "sym3", 0.0f),
    FrequencyRow("Filter 4 Frequency", "Freq4", "freq4", 1000.01f), GainRow("Filter 4 Gain", "Gain4", "gain4"),
    BandwidthRow("Filter 4 Bandwidth", "BW4", "bw4", true), SymmetryRow("Filter 4 Symmetry", "Sym4", "sym4", 0.0f),
    FrequencyRow("Filter 5 Frequency", "Freq5", "freq5", 2000.0f), GainRow("Filter 5 Gain", "Gain5", "gain5"),
    BandwidthRow("Filter 5 Bandwidth", "BW5", "bw5", true), SymmetryRow("Filter 5 Symmetry", "Sym5", "sym5", 0.0f),
    FrequencyRow("Filter 6 Frequency", "Freq5", "freq6", 4000.0f), GainRow("Filter 6 Gain", "Gain6", "gain6"),
    BandwidthRow("Filter 6 Bandwidth", "BW6", "bw6", true), SymmetryRow("Filter 6 Symmetry", "Sym6", "sym6", 0.0f),
    FrequencyRow("Filter 7 Frequency", "Freq7", "freq7", 8000.0f), GainRow("Filter 7 Gain", "Gain7", "gain7"),
    BandwidthRow("Filter 7 Bandwidth", "BW7", "bw7", true), SymmetryRow("Filter 7 Symmetry", "Sym7", "sym7", 0.5f),
    FrequencyRow("Filter 8 Frequency", "Freq8", "freq8", 16000.0f), GainRow("Filter 8 Gain", "Gain8", "gain8"),
    BandwidthRow("Filter 8 Bandwidth", "BW8", "bw8", false), SymmetryRow("Filter 8 Symmetry", "Sym8", "sym8", 1.0f),
    VolumeRow(),
};
static_assert(std::size(SmallEQParameters) == TSmallEQModule::kParameterCount);

const TVstProgramDeclaration<TSmallEQModule> SmallEQPrograms[] = {{"Init"}, {"Init"}, {"Init"}, {"Init"}};

// Constants as the equaliser stores them: ln(10)/20, 2·log2(10), log2(10).
constexpr long double kDecibelExponentFactor = 0.115129254L;
constexpr long double kBandwidthScale = 6.644L;
constexpr long double kBandwidthOffset = 3.322L;

// [any] The bandwidth in octaves rounded to two significant digits, written with two decimals.
std::string FormatBandwidth(double Octaves)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1e", Octaves);
    std::snprintf(text, sizeof text, "%.2f", std::strtod(text, nullptr));
    return text;
}

// [host-main] A decimal number, blanks around it and one leading plus allowed, with '.' or the system's
// decimal separator; False for anything else and for infinities.
bool ReadNumber(const char* Text, double& Number)
{
    std::string T(Text, ::strnlen(Text, 255));
    const std::string Separator = DecimalSeparator();
    if (!Separator.empty() && Separator != ".")
        for (auto At = T.find(Separator); At != std::string::npos; At = T.find(Separator, At + 1))
            T.replace(At, Separator.size(), 1, '.');
    const auto First = T.find_first_not_of(" \t");
    if (First == std::string::npos)
        return false;
    T = T.substr(First, T.find_last_not_of(" \t") - First + 1);
    if (T[0] == '+')
        T.erase(0, 1);
    if (T.empty() || T[0] == '+')
        return false;
    const char* End = T.data() + T.size();
    const auto Result = std::from_chars(T.data(), End, Number, std::chars_format::general);
    return Result.ec == std::errc() && Result.ptr == End && std::isfinite(Number);
}

// [any] The bandwidth control that gives Octaves: (log2(octaves) + 3.322) / 6.644, limited to 0..1
// (no width at all, or less, is the narrowest).
float BandwidthControl(double Octaves)
{
    if (!(Octaves > 0.0))
        return 0.0f;
    TFPUControlScope fpu;
    return Limit(static_cast<float>(TSmallEQModule::BandwidthControlOf(Octaves)), 0.0f, 1.0f);
}

} // namespace

long double TSmallEQModule::BandwidthControlOf(long double Octaves)
{
    return (Extended::Ln(Octaves) * Extended::Log2E + kBandwidthOffset) / kBandwidthScale;
}

const TVSTModuleDeclaration<TSmallEQModule> TSmallEQModule::Declaration = {
    .Properties =
        {
            .Flags = {effFlagsHasEditor, effFlagsCanMono, effFlagsCanReplacing},
            .Version = "1.0",
            .EffectName = "Small EQ",
            .ProductName = "Test EQ",
            .VendorName = "Zentrova creations",
            .VersionMajor = 1,
            .VersionMinor = 0,
            .VersionRelease = 0,
            .PlugCategory = vpcEffect,
            .TailSize = 0,
            .CanDos = {vcdPlugAsChannelInsert, vcdPlugAsSend, vcd2in2out},
            .SampleRate = 44100.0f,
            .numCategories = 1,
            .CurrentProgram = 0,
            .CurrentProgramName = "Init",
            .KeysRequired = false,
            .UniqueID = "VORN",
        },
    .Programs = SmallEQPrograms,
    .Parameters = SmallEQParameters,
    .Events =
        {
            .OnCreate = &TSmallEQModule::VSTModuleCreate,
            .OnOpen = &TSmallEQModule::VSTModuleOpen,
            .OnEditOpen = &TSmallEQModule::VSTModuleEditOpen,
            .OnEditClose = &TSmallEQModule::VSTModuleEditClose,
            .OnSampleRateChange = &TSmallEQModule::VSTModuleSampleRateChange,
            .OnProcess = &TSmallEQModule::VSTModuleProcess,
            .OnProcessReplacing = &TSmallEQModule::VSTModuleProcess,
            .OnVendorSpecific = &TSmallEQModule::SmallEQModuleVendorSpecific,
        },
};

// ---------------------------------------------------------------------------------------------------------
// Writer side

// [any] Held while a view reads the filters, and while VSTModuleCreate makes them; waits
// (yielding) for another holder, never for the playback thread. Also loads the x87 control word the
// coefficient arithmetic is defined with, whatever the calling host left. On release it applies what writers
// left pending while it was held.
TSmallEQModule::TFilterReadLock::TFilterReadLock(TSmallEQModule& Module) : FModule(Module)
{
    while (FModule.FWriterBusy.exchange(true))
        std::this_thread::yield();
    // The holder sees every change marked before it took the flag.
    FModule.ApplyPendingChanges();
}

TSmallEQModule::TFilterReadLock::~TFilterReadLock()
{
    FModule.ApplyPendingChanges();
    FModule.FWriterBusy.store(false);
    // What was requested while this holder was busy was left to it; the check above may have missed it.
    FModule.TryApplyPendingChanges();
}

class TSmallEQModule::TWriterLock : public TFilterReadLock
{
public:
    using TFilterReadLock::TFilterReadLock;
};

void TSmallEQModule::PublishBand(int Band)
{
    for (int ch = 0; ch < kChannels; ++ch)
        FPublished[ch][Band].Publish(Filters[ch][Band]->Coefficients());
}

// The filters' coefficients follow from their stored frequency, gain, bandwidth, symmetry and rate alone, not
// from the order they were set in: so a writer that applies another thread's pending values gets the same
// sets, bit for bit, as the other thread would have.
void TSmallEQModule::ApplyPendingBands()
{
    const std::uint32_t pending = FPendingBandParameters.exchange(0);
    if (pending == 0)
        return;
    for (int b = 0; b < kBands; ++b)
    {
        const std::uint32_t kinds = (pending >> ParameterIndex(b, bpFrequency)) & 0xFu;
        if (kinds == 0)
            continue;
        if (kinds & (1u << bpFrequency))
        {
            const double frequency = ShownParameter(ParameterIndex(b, bpFrequency));
            Filters[0][b]->SetFrequency(frequency);
            Filters[1][b]->SetFrequency(frequency);
        }
        if (kinds & (1u << bpGain))
        {
            const double gain = ShownParameter(ParameterIndex(b, bpGain));
            Filters[0][b]->SetGain(gain);
            Filters[1][b]->SetGain(gain);
        }
        if (kinds & (1u << bpBandwidth))
        {
            const long double octaves = Extended::Exp2(kBandwidthScale * ShownParameter(ParameterIndex(b, bpBandwidth)) - kBandwidthOffset);
            Filters[0][b]->SetBandwidth(static_cast<double>(octaves));
            Filters[1][b]->SetBandwidth(Filters[0][b]->Bandwidth());
        }
        if (kinds & (1u << bpSymmetry))
        {
            const double symmetry = ShownParameter(ParameterIndex(b, bpSymmetry));
            Filters[0][b]->SetSymmetry(symmetry);
            Filters[1][b]->SetSymmetry(symmetry);
        }
        PublishBand(b);
    }
}

void TSmallEQModule::ApplyPendingChanges()
{
    if (!FiltersExist())
        return;
    ApplyPendingBands();
    ApplyPendingSampleRate();
}

bool TSmallEQModule::ChangesPending() const
{
    return FiltersExist() &&
           (FPendingBandParameters.load() != 0 || FRequestedSampleRate.load() != FAppliedSampleRate.load());
}

void TSmallEQModule::RequestBandParameter(std::int32_t Index)
{
    FPendingBandParameters.fetch_or(1u << Index);
    TryApplyPendingChanges();
}

void TSmallEQModule::ApplyPendingSampleRate()
{
    const float rate = FRequestedSampleRate.load();
    if (rate == FAppliedSampleRate.load() || !FiltersExist())
        return;
    for (int ch = 0; ch < kChannels; ++ch)
        for (int b = 0; b < kBands; ++b)
            Filters[ch][b]->SetSampleRate(rate);
    // The filters only store the rate; writing each band's frequency again recomputes its angular
    // frequency, alpha and coefficients for it.
    for (int ch = 0; ch < kChannels; ++ch)
        for (int b = 0; b < kBands; ++b)
            Filters[ch][b]->SetFrequency(Filters[ch][b]->Frequency());
    for (int b = 0; b < kBands; ++b)
        PublishBand(b);
    FAppliedSampleRate.store(rate);
}

void TSmallEQModule::TryApplyPendingChanges()
{
    // A writer that finds the flag taken leaves its change to the holder, which checks again after letting go;
    // so no writer waits for another (the host's automation may write on its audio thread).
    while (ChangesPending())
    {
        if (FWriterBusy.exchange(true))
            return;
        {
            TFPUControlScope fpu;
            ApplyPendingChanges();
        }
        FWriterBusy.store(false);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Construction and lifecycle

TSmallEQModule::TSmallEQModule(TComponent* AOwner) : TVSTModule(AOwner)
{
    LoadDeclaration(Declaration);
}

TSmallEQModule::~TSmallEQModule()
{
    // The framework frees a window still open after this part of the module is gone.
    FView.store(nullptr);
}

void TSmallEQModule::VSTModuleCreate(TComponent* /*Sender*/)
{
    FVolumeFactor.store(1.0);
    {
        TWriterLock lock(*this);
        for (int ch = 0; ch < kChannels; ++ch)
            for (int b = 0; b < kBands; ++b)
            {
                auto filter = std::make_unique<TSymmetryFilter>();
                if (SampleRate() != 44100.0f)
                    filter->SetSampleRate(SampleRate());
                Filters[ch][b] = std::move(filter);
            }
        FRequestedSampleRate.store(SampleRate());
        FAppliedSampleRate.store(SampleRate());
        FSpectrumTap.SetSampleRate(SampleRate());
        // The initial setting below writes every band parameter anyway.
        FPendingBandParameters.store(0);
    }
    for (std::int32_t i = 0; i < numParams() && i < kParameterCount; ++i)
        SetParameterAutomated(i, SmallEQParameters[i].Default);
    // Until effOpen fills them, every snapshot holds the initial setting, so selecting one is harmless.
    for (int s = 0; s < kSnapshots; ++s)
        StoreSnapshot(s);
}

void TSmallEQModule::VSTModuleOpen(TComponent* /*Sender*/)
{
    CurrentSnapshot = 0;
    for (int s = 0; s < kSnapshots; ++s)
        StoreSnapshot(s);
}

void TSmallEQModule::VSTModuleEditOpen(TComponent* /*Sender*/, TEditorWindow*& GUI)
{
    GUI = NewEditor();
}

void TSmallEQModule::VSTModuleEditClose(TComponent* /*Sender*/)
{
    FView.store(nullptr);
}

void TSmallEQModule::AttachView(TSmallEQView* View)
{
    FViewThread.store(CurrentThreadKey());
    FPendingViewParts.store(0);
    FView.store(View);
}

void TSmallEQModule::ShowView(unsigned Parts)
{
    if (FViewThread.load() != CurrentThreadKey())
    {
        FPendingViewParts.fetch_or(Parts, std::memory_order_release);
        return;
    }
    if (TSmallEQView* View = FView.load())
        View->ShowParts(Parts);
}

unsigned TSmallEQModule::TakePendingViewParts()
{
    return FPendingViewParts.exchange(0, std::memory_order_acquire);
}

void TSmallEQModule::Show(std::int32_t Index, float Value)
{
    if (Index >= 0 && Index < kParameterCount)
        FShownValues[Index].store(Value, std::memory_order_relaxed);
}

float TSmallEQModule::ShownParameter(std::int32_t Index) const
{
    if (Index < 0 || Index >= kParameterCount)
        return 0.0f;
    return FShownValues[Index].load(std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------------------------------------
// Parameter handlers. Each limits the value in place (a value that is not >= the lower bound, NaN
// included, becomes the lower bound; one above the upper bound the upper bound), keeps it, then has both
// channels' filters of the band set and their coefficients published: by this thread, or, when another
// writer is busy, by that one before it lets go. Before VSTModuleCreate there are no filters yet.

void TSmallEQModule::SmallEQModuleFreqChange(TComponent* /*Sender*/, std::int32_t Index, float& Value)
{
    Value = Limit(Value, 20.0f, 20000.0f);
    Show(Index, Value);
    RequestBandParameter(Index);
    ShowView(vpFrequency | vpOverview);
}

void TSmallEQModule::SmallEQModuleGainChange(TComponent* /*Sender*/, std::int32_t Index, float& Value)
{
    Value = Limit(Value, -15.0f, 15.0f);
    Show(Index, Value);
    RequestBandParameter(Index);
    ShowView(vpGain | vpOverview);
}

void TSmallEQModule::SmallEQModuleBandwidthChange(TComponent* /*Sender*/, std::int32_t Index, float& Value)
{
    // Limited to the declared 0..1: beyond it the bandwidth grows without bound (2^(6.644·v)), alpha tends
    // to 0 and the section's poles reach the unit circle.
    Value = Limit(Value, 0.0f, 1.0f);
    Show(Index, Value);
    RequestBandParameter(Index);
    ShowView(vpBandwidth);
}

void TSmallEQModule::SmallEQModuleTypeChange(TComponent* /*Sender*/, std::int32_t Index, float& Value)
{
    Value = Limit(Value, -1.0f, 1.0f);
    Show(Index, Value);
    RequestBandParameter(Index);
    ShowView(vpSymmetry | vpOverview);
}

void TSmallEQModule::SEMVolumeChange(TComponent* /*Sender*/, std::int32_t Index, float& Value)
{
    Value = Limit(Value, -15.0f, 15.0f);
    Show(Index, Value);
    {
        TFPUControlScope fpu;
        const float factor = static_cast<float>(Extended::Exp(kDecibelExponentFactor * Value));
        FVolumeFactor.store(factor, std::memory_order_relaxed);
    }
    ShowView(vpMeter | vpOverview);
}

void TSmallEQModule::SmallEQModuleBandwidthDisplay(TComponent* /*Sender*/, std::int32_t Index, std::string& PreDefined)
{
    const int band = BandOfParameter(Index);
    if (FiltersExist() && band >= 0 && band < kBands)
    {
        double octaves;
        {
            TFilterReadLock lock(*this);
            octaves = Filters[0][band]->Bandwidth();
        }
        PreDefined = FormatBandwidth(octaves);
    }
}

bool TSmallEQModule::String2Parameter(std::int32_t Index, const char* Text)
{
    if (Index < 0 || Index >= kParameterCount ||
        SmallEQParameters[Index].OnCustomParameterDisplay != &TSmallEQModule::SmallEQModuleBandwidthDisplay)
        return TVSTModule::String2Parameter(Index, Text);
    double Octaves = 0.0;
    if (!Text || Index >= numParams() || !ReadNumber(Text, Octaves))
        return false;
    SetParameterAutomated(Index, BandwidthControl(Octaves));
    return true;
}

void TSmallEQModule::VSTModuleSampleRateChange(TComponent* /*Sender*/, float NewSampleRate)
{
    // The filters need a positive, finite rate (a rate of 0 would make every coefficient NaN for good).
    if (!(NewSampleRate > 0.0f) || !(NewSampleRate <= 1e9f))
        return;
    FRequestedSampleRate.store(NewSampleRate);
    FSpectrumTap.SetSampleRate(NewSampleRate);
    TryApplyPendingChanges();
}

// ---------------------------------------------------------------------------------------------------------
// Block loop

void TSmallEQModule::VSTModuleProcess(float** Inputs, float** Outputs, std::int32_t SampleFrames)
{
    if (SampleFrames <= 0 || Inputs == nullptr || Outputs == nullptr)
        return;
    for (int ch = 0; ch < kChannels; ++ch)
        if (Inputs[ch] == nullptr || Outputs[ch] == nullptr)
            return;
    // Each section runs this block with the last set that was published whole; a set being written right
    // now is picked up by the next block.
    for (int ch = 0; ch < kChannels; ++ch)
        for (int b = 0; b < kBands; ++b)
            FPublished[ch][b].TryRead(FCascade.Sections[ch][b].Coefficients);
    FCascade.VolumeFactor = FVolumeFactor.load(std::memory_order_relaxed);
    // The player processes in place: the input is recorded before the filters overwrite it.
    FSpectrumTap.Record(spsInput, Inputs[0], Inputs[1], SampleFrames);
    if (FEngine.load(std::memory_order_relaxed) == kSEQEngineFast)
        ProcessCascadeFast(FCascade, Inputs, Outputs, SampleFrames, FFastLevel);
    else
    {
        TFPUControlScope fpu;
        ProcessCascade(FCascade, Inputs, Outputs, SampleFrames);
    }
    for (int ch = 0; ch < kChannels; ++ch)
        FLevelMeter[ch].store(FCascade.LevelMeter[ch], std::memory_order_relaxed);
    FSpectrumTap.Record(spsOutput, Outputs[0], Outputs[1], SampleFrames);
}

// ---------------------------------------------------------------------------------------------------------
// Operations of a view

float TSmallEQModule::LevelDb(std::int32_t Channel) const
{
    if (Channel != 0 && Channel != 1)
        throw EMarvoError("not allowed");
    TFPUControlScope fpu;
    const long double level = static_cast<long double>(LevelMeter(Channel)) + 1e-20L;
    return static_cast<float>(20.0L * Extended::Log10(level));
}

void TSmallEQModule::StoreSnapshot(std::int32_t Index)
{
    if (Index < 0 || Index >= kSnapshots)
        throw EMarvoError("Index out of bounds");
    std::vector<float>& snapshot = Snapshots[Index];
    snapshot.resize(static_cast<std::size_t>(numParams()));
    for (std::int32_t i = 0; i < numParams(); ++i)
        snapshot[static_cast<std::size_t>(i)] = Parameter(i);
    PublishSnapshot(Index);
}

void TSmallEQModule::PublishSnapshot(std::int32_t Index)
{
    const std::vector<float>& snapshot = Snapshots[Index];
    for (std::int32_t i = 0; i < kParameterCount; ++i)
        FPublishedSnapshots[Index][i].store(
            static_cast<std::size_t>(i) < snapshot.size() ? snapshot[static_cast<std::size_t>(i)] : 0.0f,
            std::memory_order_relaxed);
    FPublishedCurrent.store(CurrentSnapshot, std::memory_order_release);
}

void TSmallEQModule::SelectSnapshot(std::int32_t Index)
{
    if (Index < 0 || Index >= kSnapshots)
        throw EMarvoError("Index out of bounds");
    // Every snapshot keeps its own values, 6 and 7 included.
    if (Index == CurrentSnapshot)
        return;
    StoreSnapshot(CurrentSnapshot);
    CurrentSnapshot = Index;
    FPublishedCurrent.store(CurrentSnapshot, std::memory_order_release);
    const std::vector<float> values = Snapshots[Index];
    for (std::int32_t i = 0; i < numParams() && i < static_cast<std::int32_t>(values.size()); ++i)
        SetParameterAutomated(i, values[static_cast<std::size_t>(i)]);
}

// ---------------------------------------------------------------------------------------------------------
// The equaliser's own requests

std::int32_t TSmallEQModule::EngineRequest(std::int32_t Index, std::intptr_t Value)
{
    if (Index == kSEQRequestGetEngine)
        return static_cast<std::int32_t>(FEngine.load(std::memory_order_relaxed));
    if (Value != kSEQEngineReference && Value != kSEQEngineFast)
        return 0;
    FEngine.store(Value, std::memory_order_relaxed);
    return 1;
}

std::int32_t TSmallEQModule::SmallEQModuleVendorSpecific(TComponent* /*Sender*/, std::int32_t Index,
                                                         std::intptr_t Value, void* Ptr, float /*Opt*/)
{
    if (Index == kSEQRequestSetEngine || Index == kSEQRequestGetEngine)
        return EngineRequest(Index, Value);
    if (!Ptr)
        return 0;
    if (Index == kSEQRequestGetSpectrumTap)
    {
        *static_cast<TSpectrumTap**>(Ptr) = &FSpectrumTap;
        return 1;
    }
    if (Index == kSEQRequestShowLevels)
    {
        const float* Db = static_cast<const float*>(Ptr);
        TFPUControlScope fpu;
        for (int ch = 0; ch < kChannels; ++ch)
        {
            // dB below the meter's floor, and NaN, show silence; the ceiling keeps the level finite.
            const float db = Limit(Db[ch], kMeterSilenceDb, 100.0f);
            const float level = db <= kMeterSilenceDb ? 0.0f : static_cast<float>(Extended::Exp(kDecibelExponentFactor * db));
            FLevelMeter[ch].store(level, std::memory_order_relaxed);
        }
        return 1;
    }
    if (Index == kSEQRequestGetLevels)
    {
        float* Db = static_cast<float*>(Ptr);
        for (int ch = 0; ch < kChannels; ++ch)
            Db[ch] = LevelDb(ch);
        return 1;
    }
    if (Value != static_cast<std::intptr_t>(sizeof(TSEQSnapshotSet)) ||
        (Index != kSEQRequestGetSnapshots && Index != kSEQRequestSetSnapshots))
        return 0;
    static_assert(TSEQSnapshotSet::kSnapshots == kSnapshots && TSEQSnapshotSet::kParameters == kParameterCount);
    if (Index == kSEQRequestGetSnapshots)
    {
        auto& Set = *static_cast<TSEQSnapshotSet*>(Ptr);
        Set.Current = FPublishedCurrent.load(std::memory_order_acquire);
        for (int s = 0; s < kSnapshots; ++s)
            for (int i = 0; i < kParameterCount; ++i)
                Set.Values[s][i] = FPublishedSnapshots[s][i].load(std::memory_order_relaxed);
        return 1;
    }
    const auto& Set = *static_cast<const TSEQSnapshotSet*>(Ptr);
    if (Set.Current < 0 || Set.Current >= kSnapshots)
        return 0;
    // The snapshots belong to the editor's thread while an editor is open (its clicks store and select them).
    const auto Apply = [&] {
        CurrentSnapshot = Set.Current;
        for (int s = 0; s < kSnapshots; ++s)
        {
            Snapshots[s].resize(kParameterCount);
            for (int i = 0; i < kParameterCount; ++i)
                Snapshots[s][static_cast<std::size_t>(i)] =
                    Limit(Set.Values[s][i], SmallEQParameters[i].Min, SmallEQParameters[i].Max);
            PublishSnapshot(s);
        }
    };
    if (FView.load())
        RunOnWindowThread(Apply);
    else
        Apply();
    return 1;
}
