// Parameter values: their storage, the per-thread re-entrancy guards, the curves between normalised and real
// values with the smoothing of host writes, and the host's writes behind the setParameter entry.
#include <atomic>
#include <cmath>
#include <cstdint>

#include "dsp/DMath.h"
#include "platform/Exceptions.h"
#include "platform/System.h"
#include "vstplugin/DVSTModule.h"

namespace
{
// What a thread is inside of: a module's SetParameter, or its host setParameter entry.
enum class TGuardKind { SetParameter, HostSetParameter };

// The guards one thread holds, innermost last. A fixed array: the playback thread may write parameters and
// must not allocate. Owner is the thread's key while it holds a guard, else 0; only the owner touches the
// entries, so handing a slot from one thread to the next is the one atomic exchange.
struct TThreadGuards
{
    struct TEntry
    {
        const TCustomVSTModule* Module;
        TGuardKind Kind;
    };
    static constexpr int kCapacity = 32;
    std::atomic<std::uintptr_t> Owner{0};
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

// The slots of the threads inside a guard now: a thread takes one as it enters its first guard and gives it
// back as it leaves its last, so only threads writing parameters at the same moment need a slot each.
// Static and constant-initialised: nothing is allocated, ever, and finding or taking a slot is a bounded
// scan (wait-free).
constexpr int kGuardThreads = 64;
TThreadGuards GThreadGuards[kGuardThreads];

// [any] The calling thread's slot, or null when it holds no guard.
TThreadGuards* OwnSlot(std::uintptr_t Key)
{
    for (TThreadGuards& Slot : GThreadGuards)
        if (Slot.Owner.load(std::memory_order_acquire) == Key)
            return &Slot;
    return nullptr;
}

// [any] The calling thread's slot, taken when it has none; null when all are held by other threads.
TThreadGuards* TakeSlot(std::uintptr_t Key)
{
    if (TThreadGuards* Slot = OwnSlot(Key))
        return Slot;
    for (TThreadGuards& Slot : GThreadGuards)
    {
        std::uintptr_t Free = 0;
        if (Slot.Owner.compare_exchange_strong(Free, Key, std::memory_order_acq_rel, std::memory_order_relaxed))
            return &Slot;
    }
    return nullptr;
}

// [any] Whether the calling thread is inside Module's guard of that kind.
bool InsideOnThisThread(const TCustomVSTModule* Module, TGuardKind Kind)
{
    const TThreadGuards* Slot = OwnSlot(CurrentThreadKey());
    return Slot && Slot->Holds(Module, Kind);
}

// [any] Enters a module's guard on the calling thread for the scope's life (left also by an exception).
// Entered() is false when this thread is inside it already (re-entry), nested beyond any sane depth, or when
// more threads than there are slots write parameters at the same moment; other threads are not affected, and
// the modules that one module's handler writes nest freely.
class TThreadGuardScope
{
public:
    TThreadGuardScope(const TCustomVSTModule* Module, TGuardKind Kind)
    {
        TThreadGuards* Slot = TakeSlot(CurrentThreadKey());
        if (!Slot)
            return;
        if (Slot->Holds(Module, Kind) || Slot->Count == TThreadGuards::kCapacity)
            return; // the slot holds this thread's outer guards: it stays taken
        Slot->Entries[Slot->Count++] = {Module, Kind};
        FSlot = Slot;
    }
    ~TThreadGuardScope()
    {
        if (FSlot && --FSlot->Count == 0)
            FSlot->Owner.store(0, std::memory_order_release);
    }
    TThreadGuardScope(const TThreadGuardScope&) = delete;
    TThreadGuardScope& operator=(const TThreadGuardScope&) = delete;
    bool Entered() const { return FSlot != nullptr; }

private:
    TThreadGuards* FSlot = nullptr;
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
// Curves (DVSTParameterDescription.cpp, shared with the description's conversions)

// [any] Real value to normalised 0..1; 0 for an index outside the declarations or a degenerate range.
float TCustomVSTModule::ParameterToNormalized(std::int32_t Index, float Value) const
{
    if (Index < 0 || Index >= numParams() || Index >= FParameterProperties->Count())
        return 0.0f;
    const TCustomVstParameterProperty& D = (*FParameterProperties)[Index];
    return VstCurve::ToNormalized({D.Min, D.Max, D.Curve, D.CurveFactor}, Value);
}

// [any] Normalised 0..1 to a real value through the curve and the declaration's smoothing. The caller
// checks Index.
float TCustomVSTModule::NormalizedToParameter(std::int32_t Index, float Value)
{
    if (Index < 0 || Index >= FParameterProperties->Count())
        return 0.0f;
    TCustomVstParameterProperty& D = (*FParameterProperties)[Index];
    return D.Smooth(VstCurve::ToReal({D.Min, D.Max, D.Curve, D.CurveFactor}, Value));
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
