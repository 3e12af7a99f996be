#pragma once
// The VST 3 plug-in: one object that is the component, the audio processor and the edit controller of one
// equaliser effect, which it drives through its record alone (effect entries, dispatcher, the equaliser's
// own requests). Parameter ids are the effect's parameter indexes; kBypassId is the bypass, which fades
// over 10 ms between the dry input and the effect's output (the effect keeps running, so its filters are
// warm when the bypass ends).
//
// The effect is the equaliser with its editor, which the view (VST3View.h) embeds; the editor's edits reach
// the host through the component handler as beginEdit/performEdit/endEdit. It starts with the fast engine;
// the editor's "Fast processing" switches the engine of this effect, the one that processes.
//
// Threads, as VST 3 hosts use them: creation, the component and controller calls and state on the host's
// [host-main]; process() on [audio], which never allocates, locks or waits. The controller's values are
// atomics; the effect takes parameter writes from any thread and hands coefficients to its audio side
// without waiting.
#include <atomic>
#include <mutex>
#include <vector>

#include "vst3/VST3Interfaces.h"
#include "vst3/VST3Parameters.h"
#include "vstplugin/DVSTEffect.h"

namespace VST3Marvo
{

inline constexpr ParamID kBypassId = 1000;
// The class identifier of the plug-in, chosen once: hosts keep it in their sessions.
inline constexpr TInterfaceId kEqualiserClassId = MakeInterfaceId(0xA2792711, 0xEC5A4BDA, 0x048685D4, 0xA54BE974);
inline constexpr const char* kEqualiserName = "SmallEQ";
inline constexpr const char* kVendorName = "Zentrova creations";

class TVST3View;

class TVST3Equaliser final : public IComponent, public IAudioProcessor, public IEditController, public IConnectionPoint
{
public:
    static constexpr int32 kChunk = 256;

    // [host-main] A new instance with one reference, or null when the effect cannot be made.
    static TVST3Equaliser* Create() noexcept;
    TVST3Equaliser(const TVST3Equaliser&) = delete;
    TVST3Equaliser& operator=(const TVST3Equaliser&) = delete;

    // FUnknown [any]
    tresult VST3CALL queryInterface(const TUID Iid, void** Object) override;
    uint32 VST3CALL addRef() override;
    uint32 VST3CALL release() override;
    // IPluginBase [host-main]
    tresult VST3CALL initialize(FUnknown* Context) override;
    tresult VST3CALL terminate() override;
    // IComponent [host-main]
    tresult VST3CALL getControllerClassId(TUID ClassId) override;
    tresult VST3CALL setIoMode(int32 Mode) override;
    int32 VST3CALL getBusCount(int32 Type, int32 Direction) override;
    tresult VST3CALL getBusInfo(int32 Type, int32 Direction, int32 Index, BusInfo& Bus) override;
    tresult VST3CALL getRoutingInfo(RoutingInfo& InInfo, RoutingInfo& OutInfo) override;
    tresult VST3CALL activateBus(int32 Type, int32 Direction, int32 Index, TBool State) override;
    tresult VST3CALL setActive(TBool State) override;
    // The component's and the controller's state are the same record (one object is both): [host-main].
    tresult VST3CALL setState(IBStream* State) override;
    tresult VST3CALL getState(IBStream* State) override;
    // IAudioProcessor [host-main], process [audio]
    tresult VST3CALL setBusArrangements(SpeakerArrangement* Inputs, int32 NumIns, SpeakerArrangement* Outputs,
                                        int32 NumOuts) override;
    tresult VST3CALL getBusArrangement(int32 Direction, int32 Index, SpeakerArrangement& Arrangement) override;
    tresult VST3CALL canProcessSampleSize(int32 SymbolicSampleSize) override;
    uint32 VST3CALL getLatencySamples() override;
    tresult VST3CALL setupProcessing(ProcessSetup& Setup) override;
    tresult VST3CALL setProcessing(TBool State) override;
    tresult VST3CALL process(ProcessData& Data) override;
    uint32 VST3CALL getTailSamples() override;
    // IEditController [host-main]
    tresult VST3CALL setComponentState(IBStream* State) override;
    int32 VST3CALL getParameterCount() override;
    tresult VST3CALL getParameterInfo(int32 ParamIndex, ParameterInfo& Info) override;
    tresult VST3CALL getParamStringByValue(ParamID Id, ParamValue ValueNormalized, String128 String) override;
    tresult VST3CALL getParamValueByString(ParamID Id, char16* String, ParamValue& ValueNormalized) override;
    ParamValue VST3CALL normalizedParamToPlain(ParamID Id, ParamValue ValueNormalized) override;
    ParamValue VST3CALL plainParamToNormalized(ParamID Id, ParamValue PlainValue) override;
    ParamValue VST3CALL getParamNormalized(ParamID Id) override;
    tresult VST3CALL setParamNormalized(ParamID Id, ParamValue Value) override;
    tresult VST3CALL setComponentHandler(IComponentHandler* Handler) override;
    IPlugView* VST3CALL createView(FIDString Name) override;
    // IConnectionPoint [host-main]: nothing travels between the two sides, which are one object.
    tresult VST3CALL connect(IConnectionPoint* Other) override;
    tresult VST3CALL disconnect(IConnectionPoint* Other) override;
    tresult VST3CALL notify(IMessage* Message) override;

    // [editor] What the effect asks of its host: its edits go to the component handler, its editor's size to
    // the view's frame. Answers as a VST 2 host does.
    VstIntPtr HostRequest(VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, float Opt);
    AEffect* Effect() const { return FEffect; }
    void SetView(TVST3View* View) { FView = View; } // [editor] the attached view, or null

private:
    TVST3Equaliser(AEffect* Effect, AEffect* Probe);
    ~TVST3Equaliser();

    // State (VST3State.cpp). Read validates the whole record before anything changes.
    struct TStateRecord;
    bool ReadState(IBStream* Stream, TStateRecord& Record);
    void ApplyState(const TStateRecord& Record); // [host-main]

    // Processing (VST3Process.cpp) [audio]
    void ApplyPoint(ParamID Id, ParamValue Value);
    void ProcessSegment(ProcessData& Data, int32 From, int32 Frames);
    void ProcessChunk(ProcessData& Data, int32 From, int32 Frames);
    void ProcessDirect(ProcessData& Data, int32 From, int32 Frames);
    bool InputSilent(const ProcessData& Data) const;
    void MarkSilentOutput(ProcessData& Data);

    std::atomic<uint32> FReferences{1};
    AEffect* const FEffect;                  // processing and state
    AEffect* const FProbe;                   // display texts only [host-main]
    std::mutex FProbeLock;
    std::vector<TParameterFacts> FFacts;
    std::vector<std::atomic<double>> FValues; // the controller's normalised values, one per parameter
    // What the effect was last given, per parameter (its own initial value's normalised form at first): the
    // state keeps these, because the effect answers a value that went through its units, which need not
    // give the same units again.
    std::vector<std::atomic<float>> FSent;
    std::atomic<double> FBypassValue{0.0};
    IComponentHandler* FHandler = nullptr;
    TVST3View* FView = nullptr;
    bool FEditing[64] = {}; // [editor] parameters inside a gesture the effect opened with audioMasterBeginEdit

    // Set up on [host-main] while not processing; read by [audio].
    int32 FChannels = 2;
    int32 FSampleSize = kSample32;
    int32 FMaxFrames = 0;
    double FSampleRate = 0.0;
    bool FSetUp = false;
    bool FActive = false;

    // [audio]
    std::atomic<bool> FBypassed{false}; // also written by setState [host-main]
    float FMix = 1.0f;     // 1 processed, 0 bypassed
    float FMixStep = 1.0f; // per frame
    bool FReadSilence = false;
    float FDry[2][kChunk] = {};
    float FWet[2][kChunk] = {};
    int32 FCursor[64] = {};
};

} // namespace VST3Marvo
