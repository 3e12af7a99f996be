// Parameter values: their storage, the per-thread re-entrancy guards, the curves between normalised and real
// values with the smoothing of host writes, and the host's writes behind the setParameter entry.
#include <atomic>
#include <cmath>

#include "dsp/DMath.h"
#include "platform/Exceptions.h"
#include "vstplugin/DVSTModule.h"

namespace
{
// What a thread is inside of: a module's SetParameter, or its host setParameter entry.
enum class TGuardKind { SetParameter, HostSetParameter };

// The guards the current thread holds, innermost last. A fixed array: the playback thread may write
// parameters and must not allocate.
struct TThreadGuards
{
    struct TEntry
    {
        const TCustomVSTModule* Module;
        TGuardKind Kind;
    };
    static constexpr int kCapacity = 32;
    TEntry Entries[kCapacity];
    int Count = 0;

    bool Holds(const TCustomVSTModule* Module, TGuardKind Kind) const
    {
        for (int I = 0; I < Count; ++I)
            if (Entries[I].Module == Module && Entries[I].Kind == Kind)
                return true;
        return false;
    }
};

thread_local TThreadGuards GThreadGuards;

// [any] Whether the calling thread is inside Module's guard of that kind.
bool InsideOnThisThread(const TCustomVSTModule* Module, TGuardKind Kind)
{
    return GThreadGuards.Holds(Module, Kind);
}

// [any] Enters a module's guard on the calling thread for the scope's life (left also by an exception).
// Entered() is false when this thread is inside it already (re-entry), or nested beyond any sane depth;
// other threads are not affected, and the modules that one module's handler writes nest freely.
class TThreadGuardScope
{
public:
    TThreadGuardScope(const TCustomVSTModule* Module, TGuardKind Kind)
    {
        TThreadGuards& G = GThreadGuards;
        if (G.Holds(Module, Kind) || G.Count == TThreadGuards::kCapacity)
            return;
        G.Entries[G.Count++] = {Module, Kind};
        FEntered = true;
    }
    ~TThreadGuardScope()
    {
        if (FEntered)
            --GThreadGuards.Count;
    }
    TThreadGuardScope(const TThreadGuardScope&) = delete;
    TThreadGuardScope& operator=(const TThreadGuardScope&) = delete;
    bool Entered() const { return FEntered; }

private:
    bool FEntered = false;
};

// [any] A value cell shared with other threads.
float LoadCell(const float& Cell)
{
    return std::atomic_ref<float>(const_cast<float&>(Cell)).load(std::memory_order_relaxed);
}

// [any]
void StoreCell(float& Cell, float Value)
{
    std::atomic_ref<float>(Cell).store(Value, std::memory_order_relaxed);
}

// [any]
bool IsFiniteValue(long double x)
{
    return Extended::IsFinite(x);
}
} // namespace

// ---------------------------------------------------------------------------------------------------------
// Smoothing of host writes

// [any] Two cascaded one-pole steps with coefficient SmoothingFactor. Each step is evaluated at
// extended precision and rounded once, when stored into its 32-bit state; so a factor of 1 answers Value
// itself instead of Value disturbed by the rounding of Value - state.
float TCustomVstParameterProperty::Smooth(float Value)
{
    const long double k = SmoothingFactor;
    const long double s1 = LoadCell(SmoothState[0]), s2 = LoadCell(SmoothState[1]);
    const float First = static_cast<float>(s1 + (static_cast<long double>(Value) - s1) * k);
    const float Second = static_cast<float>(s2 + (static_cast<long double>(First) - s2) * k);
    StoreCell(SmoothState[0], First);
    StoreCell(SmoothState[1], Second);
    return Second;
}

// ---------------------------------------------------------------------------------------------------------
// Values

// [thread-safe] Stored real value; 0 for an index without a stored value.
float TCustomVSTModule::Parameter(std::int32_t Index) const
{
    if (Flags().Contains(effFlagsProgramChunks))
        return OnGetChunkParameter ? OnGetChunkParameter(const_cast<TCustomVSTModule*>(this), Index) : 0.0f;
    if (Index < 0)
        return 0.0f;
    const auto I = static_cast<std::size_t>(Index);
    if (numPrograms() <= 0)
        return I < FParameterValues.size() ? LoadCell(FParameterValues[I]) : 0.0f;
    const std::int32_t Current = FCurrentProgram.load();
    if (Current < 0 || Current >= FPrograms->Count())
        return 0.0f;
    const std::vector<float>& Values = (*FPrograms)[Current].ParameterValues;
    return I < Values.size() ? LoadCell(Values[I]) : 0.0f;
}

// [thread-safe] Stores Value, fires the declaration's then the module's OnParameterChange with the value as
// in-out argument, stores what they leave and marks the editor for update. Ignored while the calling thread
// is already writing one of this module's parameters; writes on other threads go ahead. The cell holds Value
// while the handlers run, then their result.
void TCustomVSTModule::SetParameter(std::int32_t Index, float Value)
{
    const TThreadGuardScope Guard(this, TGuardKind::SetParameter);
    if (!Guard.Entered())
        return;
    if (Index < 0 || Index >= numParams() || Index >= FParameterProperties->Count())
        throw EMarvoError("Index out of bounds");
    float* Cell = nullptr;
    if (!Flags().Contains(effFlagsProgramChunks))
    {
        std::vector<float>* Values = &FParameterValues;
        const std::int32_t Current = FCurrentProgram.load();
        if (numPrograms() >= 1 && Current >= 0 && Current < FPrograms->Count())
            Values = &(*FPrograms)[Current].ParameterValues;
        if (static_cast<std::size_t>(Index) >= Values->size())
            throw EMarvoError("Index out of bounds");
        Cell = &(*Values)[static_cast<std::size_t>(Index)];
        StoreCell(*Cell, Value);
    }
    float Local = Value;
    TCustomVstParameterProperty& Declaration = (*FParameterProperties)[Index];
    if (Declaration.OnParameterChange)
        Declaration.OnParameterChange(this, Index, Local);
    if (OnParameterChange)
        OnParameterChange(this, Index, Local);
    if (Cell)
        StoreCell(*Cell, Local);
    FEditorNeedsUpdate.store(true);
}

// [thread-safe] Writes the parameter and reports the value as passed to the host as automation, unless this
// thread is serving the host's own write.
void TCustomVSTModule::SetParameterAutomated(std::int32_t Index, float Value)
{
    if (Index < 0 || Index >= numParams() || Index >= FParameterProperties->Count())
        return;
    SetParameter(Index, Value);
    if ((*FParameterProperties)[Index].CanBeAutomated && AudioMaster() &&
        !InsideOnThisThread(this, TGuardKind::HostSetParameter))
    {
        bool Answered;
        CallAudioMaster(audioMasterAutomate, Index, 0, nullptr, ParameterToNormalized(Index, Value), Answered);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Curves. Intermediate values are extended; t is rounded to a 32-bit float where noted. Logarithms and
// exponentials come from the x87 unit so both builds agree.

// [any] Real value to normalised 0..1; 0 for an index outside the declarations or a degenerate range.
float TCustomVSTModule::ParameterToNormalized(std::int32_t Index, float Value) const
{
    if (Index < 0 || Index >= numParams() || Index >= FParameterProperties->Count())
        return 0.0f;
    const TCustomVstParameterProperty& D = (*FParameterProperties)[Index];
    const long double Min = D.Min, Max = D.Max, CF = D.CurveFactor;
    float t = static_cast<float>((static_cast<long double>(Value) - Min) / (Max - Min));
    const long double T = t;
    switch (D.Curve)
    {
    case ctLinear:
        break;
    case ctLogarithmic:
        t = static_cast<float>(Extended::Ln(CF * T + 1.0L) / Extended::Ln(CF + 1.0L));
        break;
    case ctExponential:
        t = static_cast<float>((Extended::Exp(T * Extended::Ln(CF + 1.0L)) - 1.0L) / CF);
        break;
    case ctFrequencyScale:
    {
        const long double Ratio = (Min != 0.0L) ? Max / Min : Max;
        t = static_cast<float>(Extended::Ln(Ratio * T + 1.0L) / Extended::Ln(Ratio));
        break;
    }
    }
    if (!(t >= 0.0f)) // below 0, and NaN
        return 0.0f;
    if (t > 1.0f)
        return 1.0f;
    return t;
}

// [any] Normalised 0..1 to a real value through the curve and the declaration's smoothing. The caller
// checks Index. ctFrequencyScale uses the exact inverse of its real-to-normalised formula; a curve whose
// factor makes its formula degenerate maps linearly.
float TCustomVSTModule::NormalizedToParameter(std::int32_t Index, float Value)
{
    if (Index < 0 || Index >= FParameterProperties->Count())
        return 0.0f;
    TCustomVstParameterProperty& D = (*FParameterProperties)[Index];
    const long double CF = D.CurveFactor, N = Value;
    long double Shaped = N;
    switch (D.Curve)
    {
    case ctLinear:
        break;
    case ctLogarithmic:
        Shaped = (Extended::Exp(Extended::Ln(CF + 1.0L) * N) - 1.0L) / CF;
        break;
    case ctExponential:
        Shaped = Extended::Ln(CF * N + 1.0L) / Extended::Ln(CF + 1.0L);
        break;
    case ctFrequencyScale:
    {
        const long double Min = D.Min, Max = D.Max;
        const long double Ratio = (Min != 0.0L) ? Max / Min : Max;
        Shaped = (Extended::Exp(N * Extended::Ln(Ratio)) - 1.0L) / Ratio;
        break;
    }
    }
    if (!IsFiniteValue(Shaped) && IsFiniteValue(N))
        Shaped = N;
    const float n = static_cast<float>(Shaped);
    const float r = static_cast<float>((static_cast<long double>(D.Max) - D.Min) * n + D.Min);
    return D.Smooth(r);
}

// ---------------------------------------------------------------------------------------------------------
// The host's writes

// [thread-safe] Re-entry on the same thread while serving a host write is ignored. An index outside the
// declarations fires OnParameterSizeFailed when assigned and changes nothing.
void TCustomVSTModule::SetParameterFromHost(std::int32_t Index, float Value)
{
    const TThreadGuardScope Guard(this, TGuardKind::HostSetParameter);
    if (!Guard.Entered())
        return;
    if (Index >= 0 && Index < numParams() && Index < FParameterProperties->Count())
        SetParameter(Index, NormalizedToParameter(Index, Value));
    else if (OnParameterSizeFailed)
        OnParameterSizeFailed(this);
}
