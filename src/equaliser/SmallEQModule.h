#pragma once
// TSmallEQModule: the stereo eight-band equaliser with an output volume, as a VST 2 effect on the plug-in
// framework. Configured by its declaration (module properties, four programs, 33 parameters) and eleven
// handlers. Parameter index 4b + k for band b = 0..7: k = 0 frequency (Hz), 1 gain (dB), 2 bandwidth
// control (0..1), 3 symmetry (−1..1); index 32 the output volume (dB).
//
// Threads. Parameter handlers and sample-rate changes compute coefficients on the thread that makes the
// change ([host-main], [editor], the player's [audio] for the rate, any host thread, two at once) with the
// sixteen `Filters`; each band's new coefficient set is then published to the audio thread through a
// lock-free exchange, and VSTModuleProcess picks up consistent sets at the start of each block. The playback
// thread owns the section states and never waits for the other side. One writer at a time computes and
// publishes (the exchange has one producer): it holds a flag; a writer that finds the flag taken leaves a
// pending mark and returns at once, and the holder applies every pending change before it lets go. Writers
// never wait; only a view, while it reads the filters, waits for the flag.
//
// The module knows its editor only as a view (SEQView.h) and makes it through NewEditor, which it leaves to a
// subclass: the module alone has no editor and needs no window. A view attaches itself on its own thread
// ([editor]). A change made there is shown at once; a change made on any other thread (a host's automation)
// only marks the parts to show, which the view collects on its own thread. Views read values through
// ShownParameter, which every handler keeps, so they never read a value cell while another thread writes it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dsp/DFilter.h"
#include "equaliser/SEQCascade.h"
#include "equaliser/SEQCascadeFast.h"
#include "equaliser/SEQCoefficientExchange.h"
#include "equaliser/SEQParameters.h"
#include "equaliser/SEQRequests.h"
#include "equaliser/SEQAnalysis.h"
#include "equaliser/SEQView.h"
#include "platform/FPUControl.h"
#include "vstplugin/DVSTModule.h"

class TSmallEQModule : public TVSTModule
{
public:
    static constexpr int kBands = 8;
    static constexpr int kChannels = 2;
    static constexpr int kSnapshots = 8;
    static constexpr std::int32_t kVolumeIndex = kVolumeParameter;
    static constexpr std::int32_t kParameterCount = kSEQParameterCount;

    // [any] The bandwidth control that gives Octaves (> 0), unlimited and unrounded: (log2(octaves) + 3.322)
    // / 6.644, the inverse of the bandwidth handler's curve. The caller loads the x87 control word.
    static long double BandwidthControlOf(long double Octaves);

    // [host-main] Loads the declaration: programs, parameters, then VSTModuleCreate.
    explicit TSmallEQModule(TComponent* AOwner);
    ~TSmallEQModule() override;

    // ----- handlers wired by the declaration
    void VSTModuleCreate(TComponent* Sender);                              // [host-main]
    void VSTModuleOpen(TComponent* Sender);                                // [host-main]
    void VSTModuleEditOpen(TComponent* Sender, TEditorWindow*& GUI);       // [editor]
    void VSTModuleEditClose(TComponent* Sender);                           // [editor]
    void SmallEQModuleFreqChange(TComponent* Sender, std::int32_t Index, float& Value);      // [any]
    void SmallEQModuleGainChange(TComponent* Sender, std::int32_t Index, float& Value);      // [any]
    void SmallEQModuleBandwidthChange(TComponent* Sender, std::int32_t Index, float& Value); // [any]
    void SmallEQModuleTypeChange(TComponent* Sender, std::int32_t Index, float& Value);      // [any]
    void SEMVolumeChange(TComponent* Sender, std::int32_t Index, float& Value);             // [any]
    // [host-main] The channel-0 filter's bandwidth in octaves, two significant digits, two decimals.
    void SmallEQModuleBandwidthDisplay(TComponent* Sender, std::int32_t Index, std::string& PreDefined);
    // [host-main] The bandwidths shown in octaves (bands 1 to 7) read the text in octaves and take the
    // control that gives them, limited to 0..1; every other parameter reads its real value. False, and
    // nothing written, for a text that is no finite number.
    bool String2Parameter(std::int32_t Index, const char* Text) override;
    // [any, audio in the player] Passes the rate to all sixteen filters and recomputes their coefficients for it.
    void VSTModuleSampleRateChange(TComponent* Sender, float SampleRate);
    // [audio] The block loop; both channels are required. SampleFrames <= 0 processes nothing.
    void VSTModuleProcess(float** Inputs, float** Outputs, std::int32_t SampleFrames);
    // The equaliser's own requests for levels and snapshots (SEQRequests.h); 0 for every other Index (the
    // view's requests are the editor's: TSmallEQPlugIn). [any] for the levels and for reading the snapshots;
    // [editor] ([host-main] while no editor is open) for replacing them.
    std::int32_t SmallEQModuleVendorSpecific(TComponent* Sender, std::int32_t Index, std::intptr_t Value, void* Ptr,
                                             float Opt);

    // ----- operations used by a view
    // [editor] The channel-0 filter of band Index (0..7); no range check.
    TSymmetryFilter* Filter(std::int32_t Index) const { return Filters[0][Index].get(); }
    // [any] 20·log10(LevelMeter[Channel] + 1e−20) as a float; "not allowed" for other channels.
    float LevelDb(std::int32_t Channel) const;
    // [editor] Copies the present parameter values into snapshot Index; CurrentSnapshot unchanged.
    void StoreSnapshot(std::int32_t Index);
    // [editor] Stores the present setting into the current snapshot and applies snapshot Index.
    void SelectSnapshot(std::int32_t Index);

    // [thread-safe] Parameter Index (0..32) as its handler last left it: equal to Parameter(Index) after every
    // write, and safe to read while another thread writes. 0 for other indexes.
    float ShownParameter(std::int32_t Index) const;
    // [editor] Makes View the one that changes on this thread are shown in, until the editor closes; what
    // other threads left to show is dropped (a new view shows everything anyway).
    void AttachView(TSmallEQView* View);
    // [editor] The parts (TViewPart) that changes on other threads left to show; clears them.
    unsigned TakePendingViewParts();
    // [any] The view attached last while its editor is open, else null.
    TSmallEQView* AttachedView() const { return FView.load(); }

    // [any] Holds coefficient writers off while a view reads the channel-0 filters.
    class TFilterReadLock
    {
    public:
        explicit TFilterReadLock(TSmallEQModule& Module);
        ~TFilterReadLock();
        TFilterReadLock(const TFilterReadLock&) = delete;
        TFilterReadLock& operator=(const TFilterReadLock&) = delete;

    private:
        TSmallEQModule& FModule;
        TFPUControlScope FFPU;
    };

    // [any] The linear output factor (1.0 at creation).
    double VolumeFactor() const { return FVolumeFactor.load(std::memory_order_relaxed); }
    // [any] The smoothed rectified output level of a channel (0 or 1), linear.
    float LevelMeter(std::int32_t Channel) const { return FLevelMeter[Channel].load(std::memory_order_relaxed); }
    // [any] The tap the blocks feed while an editor shows their spectrum (kSEQRequestGetSpectrumTap).
    TSpectrumTap& SpectrumTap() { return FSpectrumTap; }

    // [channel][band]; created in VSTModuleCreate. Their coefficients are what the blocks run with; their
    // own states are unused (the block loop keeps the states).
    std::unique_ptr<TSymmetryFilter> Filters[kChannels][kBands];
    // Stored parameter sets, one value per parameter in real units.
    std::vector<float> Snapshots[kSnapshots];
    std::int32_t CurrentSnapshot = 0;

    static const TVSTModuleDeclaration<TSmallEQModule> Declaration;

protected:
    // [any] kSEQRequestSetEngine and kSEQRequestGetEngine.
    std::int32_t EngineRequest(std::int32_t Index, std::intptr_t Value);
    // [editor] A new editor window for this module, which attaches itself as its view; null (the default)
    // when the module has none.
    virtual TEditorWindow* NewEditor() { return nullptr; }

private:
    // The writer flag held while VSTModuleCreate makes the filters; never taken by processing.
    class TWriterLock;

    // [any, writer lock held] Publishes band b's channel coefficient sets.
    void PublishBand(int Band);
    // [any, writer lock held] Gives both channels' filters the kept values of the band parameters
    // marked pending, and publishes those bands.
    void ApplyPendingBands();
    // [any, writer lock held] Applies a requested sample rate that differs from the applied one.
    void ApplyPendingSampleRate();
    // [any, writer lock held] Both of the above, once the filters exist.
    void ApplyPendingChanges();
    // [any] Whether band parameters or a sample rate wait to be applied (never before the filters exist).
    bool ChangesPending() const;
    // [any] Marks band parameter Index (0..31) pending and applies it unless another writer is busy.
    void RequestBandParameter(std::int32_t Index);
    // [any] Applies what is pending unless another writer is busy (that one then applies it), wait-free.
    void TryApplyPendingChanges();
    // [any] Parts (TViewPart) a change touched: shown at once on the view's thread while one is attached,
    // else left for the view to collect.
    void ShowView(unsigned Parts);
    // [any] Keeps the value a handler left for a view.
    void Show(std::int32_t Index, float Value);
    // [editor] ([host-main] while no editor is open) Publishes snapshot Index and CurrentSnapshot.
    void PublishSnapshot(std::int32_t Index);
    bool FiltersExist() const { return Filters[kChannels - 1][kBands - 1] != nullptr; }

    std::atomic<double> FVolumeFactor{1.0};
    std::atomic<float> FShownValues[kParameterCount] = {};
    std::atomic<unsigned> FPendingViewParts{0};
    // The view attached last, while the editor is open; and the thread it attached on ([editor]).
    std::atomic<TSmallEQView*> FView{nullptr};
    std::atomic<std::uintptr_t> FViewThread{0}; // CurrentThreadKey of the view's thread
    std::atomic<float> FLevelMeter[kChannels] = {0.0f, 0.0f};
    // The snapshots and CurrentSnapshot as their owner thread last left them, for readers on other threads.
    std::atomic<float> FPublishedSnapshots[kSnapshots][kParameterCount] = {};
    std::atomic<std::int32_t> FPublishedCurrent{0};

    // Writer side.
    std::atomic<bool> FWriterBusy{false};
    // Bit 4b + k: band parameter 4b + k was kept by its handler and waits to be applied to the filters.
    std::atomic<std::uint32_t> FPendingBandParameters{0};
    std::atomic<float> FRequestedSampleRate{44100.0f};
    std::atomic<float> FAppliedSampleRate{44100.0f};

    // Handed to the playback thread.
    TCoefficientExchange FPublished[kChannels][kBands];
    // The engine the next block runs with (kSEQEngineReference or kSEQEngineFast), read at each block start.
    std::atomic<std::intptr_t> FEngine{kSEQEngineReference};
    // The fast engine's width on this processor.
    const TFastLevel FFastLevel = FastLevelFor(CPU().Instructions());
    // Owned by the playback thread; both engines run on it, so a change of engine keeps states and meters.
    TCascade FCascade;
    TSpectrumTap FSpectrumTap;
};
