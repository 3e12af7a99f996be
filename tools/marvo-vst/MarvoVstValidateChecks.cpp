// marvo-vst validate: the checks. Each stage drives one plug-in instance through the host as a DAW would;
// only the order check and the timing's empty effect touch a raw effect record.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <thread>

#include "MarvoVstValidate.h"

namespace
{

// Text buffers as hosts hand them: a plug-in may write up to this many bytes, its zero included.
constexpr std::size_t kTextBuffer = 64;
constexpr std::size_t kErrorTextBuffer = 256;
constexpr std::size_t kGuardedBuffer = 4096;
constexpr unsigned char kGuardByte = 0xA5;
// Silence out: nothing louder than -120 dBFS.
constexpr float kSilencePeak = 1e-6f;
constexpr double kNoiseSeconds = 1.0;
constexpr double kTailSeconds = 10.0;
// The last part of the tail whose samples must not be subnormal.
constexpr double kTailCheckedSeconds = 1.0;
constexpr int kOpenCloseCycles = 50;
constexpr int kEditorCycles = 3;
constexpr int kEditorPumps = 20;

const float kParameterProbes[] = {0.0f,
                                  1.0f,
                                  0.5f,
                                  std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(),
                                  2.0f,
                                  -1.0f};
const char* const kParameterProbeNames[] = {"0", "1", "0.5", "NaN", "+inf", "-inf", "2", "-1"};

std::string Number(double V, int Digits = 3)
{
    char S[64];
    std::snprintf(S, sizeof S, "%.*g", Digits, V);
    return S;
}

std::string Cell(int Rate, int Block)
{
    return std::to_string(Rate) + " Hz/" + std::to_string(Block);
}

// Gathers the failures of one check: the first few in full, then a count.
class TFailures
{
public:
    void Add(const std::string& Text)
    {
        if (FCount++ < 3)
            FText += (FText.empty() ? "" : "; ") + Text;
    }
    std::string Text() const
    {
        return FCount > 3 ? FText + "; and " + std::to_string(FCount - 3) + " more" : FText;
    }
    bool Empty() const { return FCount == 0; }

private:
    std::string FText;
    int FCount = 0;
};

std::uint32_t Bits(float V)
{
    std::uint32_t B;
    std::memcpy(&B, &V, sizeof B);
    return B;
}

// One host with the plug-in loaded and opened, at Rate and Block.
struct TSession
{
    explicit TSession(const std::string& Path, int Rate = 44100, int Block = 512)
    {
        Host.VstTimeInfo().SetSampleRate(Rate);
        Host.SetBlockSize(Block);
        P = &LoadPlugIn(Host, Path);
    }
    TVstHost Host;
    TVstPlugIn* P = nullptr;
};

// Audio planes for an instance and the blocks that run through it; one thread at a time uses an object:
// [host-main], or the threads and editor checks' processing thread [audio].
class TAudio
{
public:
    TAudio(TSession& S, int MaxBlock) : TAudio(S.Host, *S.P, MaxBlock) {}
    TAudio(TVstHost& Host, TVstPlugIn& P, int MaxBlock) : FHost(Host), FP(P), FMaxBlock(MaxBlock)
    {
        const int Planes = std::max({P.numInputs(), P.numOutputs(), 1});
        if (Planes > kMaxPlugInChannels)
            throw std::runtime_error("the plug-in declares " + std::to_string(Planes) + " channels");
        FIn.assign(static_cast<std::size_t>(Planes) * MaxBlock, 0.0f);
        FOut.assign(FIn.size(), 0.0f);
        for (int C = 0; C < Planes; ++C)
        {
            FInPlanes.push_back(FIn.data() + static_cast<std::size_t>(C) * MaxBlock);
            FOutPlanes.push_back(FOut.data() + static_cast<std::size_t>(C) * MaxBlock);
        }
        FReplacing = P.EffectOptions().Contains(effFlagsCanReplacing) && P.VstEffect->processReplacing;
    }

    // Suspends, sets the rate and the block size (the host's too), resumes: the plug-in starts afresh.
    void Resume(int Rate, int Block)
    {
        FP.MainsChanged(false);
        FHost.VstTimeInfo().SetSampleRate(Rate);
        FHost.SetBlockSize(Block);
        FP.SetSampleRate(Rate);
        FP.MainsChanged(true);
    }
    void Seed(std::uint32_t V) { FNoise = V; }

    // [host-main] or [audio] Processes Frames frames in blocks of Block (at most the maximum), with noise at
    // -6 dBFS or silence in; Visit(Outputs, N) sees each block's output planes.
    template <class TVisit>
    void Run(std::int64_t Frames, int Block, bool Noise, TVisit&& Visit)
    {
        const int Outputs = FP.numOutputs();
        for (std::int64_t Done = 0; Done < Frames;)
        {
            const int N = static_cast<int>(std::min<std::int64_t>({Frames - Done, Block, FMaxBlock}));
            for (float* Plane : FInPlanes)
                for (int I = 0; I < N; ++I)
                    Plane[I] = Noise ? NextNoise() : 0.0f;
            if (FReplacing)
                FP.ProcessReplacing(FInPlanes.data(), FOutPlanes.data(), N);
            else
            {
                std::fill(FOut.begin(), FOut.end(), 0.0f);
                FP.Process(FInPlanes.data(), FOutPlanes.data(), N);
            }
            Visit(const_cast<const float* const*>(FOutPlanes.data()), Outputs, N);
            Done += N;
        }
    }
    void Run(std::int64_t Frames, int Block, bool Noise)
    {
        Run(Frames, Block, Noise, [](const float* const*, int, int) {});
    }
    // The output of Frames frames of noise after a fresh start and two seconds of silence (which let a
    // plug-in's parameter smoothing settle to the last bit).
    std::vector<float> Render(int Rate, int Block, std::int64_t Frames)
    {
        Resume(Rate, Block);
        Run(Rate * 2, Block, false);
        Seed(12345);
        std::vector<float> Out;
        Run(Frames, Block, true, [&Out](const float* const* O, int Outputs, int N) {
            for (int C = 0; C < Outputs; ++C)
                Out.insert(Out.end(), O[C], O[C] + N);
        });
        return Out;
    }

private:
    float NextNoise()
    {
        FNoise = FNoise * 1664525u + 1013904223u;
        return (static_cast<float>(FNoise >> 8) / 16777216.0f - 0.5f);
    }

    TVstHost& FHost;
    TVstPlugIn& FP;
    int FMaxBlock;
    std::vector<float> FIn, FOut;
    std::vector<float*> FInPlanes, FOutPlanes;
    bool FReplacing = true;
    std::uint32_t FNoise = 1;
};

// A text opcode's answer in a guarded buffer; Failure names an overrun or a missing zero.
std::string GuardedText(TVstPlugIn& P, TDispatcherOpcode Opcode, std::int32_t Index, std::size_t Limit,
                        std::string& Failure, VstIntPtr Value = 0)
{
    std::vector<unsigned char> Buffer(kGuardedBuffer, kGuardByte);
    P.VstDispatch(Opcode, Index, Value, Buffer.data());
    std::size_t Written = Buffer.size();
    while (Written > 0 && Buffer[Written - 1] == kGuardByte)
        --Written;
    const auto Zero = std::find(Buffer.begin(), Buffer.begin() + static_cast<std::ptrdiff_t>(Limit), 0);
    if (Written > Limit)
        Failure = "wrote " + std::to_string(Written) + " bytes into a " + std::to_string(Limit) + "-byte buffer";
    else if (Written > 0 && Zero == Buffer.begin() + static_cast<std::ptrdiff_t>(Limit))
        Failure = "no terminating zero within " + std::to_string(Limit) + " bytes";
    if (Written == 0 || Zero == Buffer.begin() + static_cast<std::ptrdiff_t>(Limit))
        return "";
    return std::string(Buffer.begin(), Zero);
}

// The parameter-form program of the current state.
std::vector<std::uint8_t> ProgramRecord(TVstPlugIn& P)
{
    std::vector<std::uint8_t> Record;
    P.FillProgramRecord(std::max(P.ProgramNr(), 0), Record);
    return Record;
}

void LoadRecord(TVstPlugIn& P, const std::vector<std::uint8_t>& Record)
{
    std::istringstream Stream(std::string(Record.begin(), Record.end()), std::ios::binary);
    P.LoadPreset(Stream);
}

std::vector<float> Parameters(TVstPlugIn& P)
{
    std::vector<float> V;
    for (std::int32_t I = 0; I < P.numParams(); ++I)
        V.push_back(P.GetParameter(I));
    return V;
}

// A deterministic spread of values, another for each Salt.
void SetPattern(TVstPlugIn& P, double Salt)
{
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        const double V = std::fmod(0.13 + Salt + 0.37 * I, 1.0);
        P.SetParameter(I, static_cast<float>(V));
    }
}

// Which parameters differ (by their bits), as a short text; empty when none.
std::string ParameterDifference(const std::vector<float>& Want, const std::vector<float>& Got)
{
    TFailures F;
    for (std::size_t I = 0; I < Want.size() && I < Got.size(); ++I)
        if (Bits(Want[I]) != Bits(Got[I]))
            F.Add("parameter " + std::to_string(I) + " reads " + Number(Got[I], 9) + ", not " + Number(Want[I], 9));
    return F.Text();
}

std::string OutputDifference(const std::vector<float>& Want, const std::vector<float>& Got)
{
    if (Want.size() != Got.size())
        return "the output has another length";
    double Worst = 0.0;
    std::size_t Different = 0;
    for (std::size_t I = 0; I < Want.size(); ++I)
        if (Bits(Want[I]) != Bits(Got[I]))
        {
            ++Different;
            Worst = std::max(Worst, std::fabs(static_cast<double>(Want[I]) - Got[I]));
        }
    if (!Different)
        return "";
    return "the output differs in " + std::to_string(Different) + " of " + std::to_string(Want.size()) +
           " samples (largest difference " + Number(Worst) + ")";
}

// --- load, identity and texts ---------------------------------------------------------------------------

void CheckLoad(TValidation& V)
{
    V.Step("load", "loading the library");
    std::unique_ptr<TSession> S;
    try
    {
        S = std::make_unique<TSession>(V.Path());
    }
    catch (const std::exception& E)
    {
        V.Fail("load", E.what());
        return;
    }
    V.Pass("load");
    TVstPlugIn& P = *S->P;
    AEffect& E = *P.VstEffect;

    V.Step("identity", "reading the effect record");
    TFailures F;
    if (E.numInputs < 0 || E.numInputs > kMaxPlugInChannels || E.numOutputs < 0 || E.numOutputs > kMaxPlugInChannels)
        F.Add("implausible channels: " + std::to_string(E.numInputs) + " in, " + std::to_string(E.numOutputs) +
              " out");
    if (E.numOutputs == 0)
        F.Add("no outputs");
    if (E.numParams < 0 || E.numPrograms < 0)
        F.Add("negative counts: " + std::to_string(E.numParams) + " parameters, " + std::to_string(E.numPrograms) +
              " programs");
    if (!E.dispatcher || !E.setParameter || !E.getParameter)
        F.Add("a missing entry (dispatcher, setParameter or getParameter)");
    if (!E.processReplacing || !P.EffectOptions().Contains(effFlagsCanReplacing))
        F.Add("no processReplacing (flag or entry)");
    if (P.EffectOptions().Contains(effFlagsCanDoubleReplacing) && !E.processDoubleReplacing)
        F.Add("effFlagsCanDoubleReplacing without a processDoubleReplacing entry");
    if (E.uniqueID == 0 && P.PlugCategory() != vpcShell)
        F.Add("unique ID 0");
    V.Check("identity", F.Text());

    V.Step("texts", "names, labels, displays and program names");
    TFailures T;
    struct TText
    {
        TDispatcherOpcode Opcode;
        const char* Name;
        std::size_t Limit;
    };
    const TText kPlugInTexts[] = {{effGetEffectName, "effGetEffectName", kTextBuffer},
                                  {effGetVendorString, "effGetVendorString", kTextBuffer},
                                  {effGetProductString, "effGetProductString", kTextBuffer},
                                  {effGetProgramName, "effGetProgramName", kTextBuffer},
                                  {effGetErrorText, "effGetErrorText", kErrorTextBuffer}};
    for (const TText& X : kPlugInTexts)
    {
        std::string Failure;
        GuardedText(P, X.Opcode, 0, X.Limit, Failure);
        if (!Failure.empty())
            T.Add(std::string(X.Name) + " " + Failure);
    }
    const TText kParameterTexts[] = {{effGetParamName, "effGetParamName", kTextBuffer},
                                     {effGetParamLabel, "effGetParamLabel", kTextBuffer},
                                     {effGetParamDisplay, "effGetParamDisplay", kTextBuffer}};
    for (std::int32_t I = 0; I < P.numParams(); ++I)
        for (const TText& X : kParameterTexts)
        {
            std::string Failure;
            GuardedText(P, X.Opcode, I, X.Limit, Failure);
            if (!Failure.empty())
                T.Add(std::string(X.Name) + " " + std::to_string(I) + " " + Failure);
        }
    for (std::int32_t I = 0; I < P.numPrograms(); ++I)
    {
        std::string Failure;
        GuardedText(P, effGetProgramNameIndexed, I, kTextBuffer, Failure, -1);
        if (!Failure.empty())
            T.Add("effGetProgramNameIndexed " + std::to_string(I) + " " + Failure);
    }
    V.Check("texts", T.Text());

    std::string Failure;
    const std::string Name = GuardedText(P, effGetEffectName, 0, kTextBuffer, Failure);
    char Flags[16];
    std::snprintf(Flags, sizeof Flags, "0x%X", static_cast<unsigned>(E.flags));
    V.Info("plug-in", "'" + Name + "', " + std::to_string(P.numInputs()) + " in, " + std::to_string(P.numOutputs()) +
                          " out, " + std::to_string(P.numParams()) + " parameters, " +
                          std::to_string(P.numPrograms()) + " programs, flags " + Flags);
}

// --- opening and closing --------------------------------------------------------------------------------

// The dispatcher calls of the instance under the order check, in order; only the main thread dispatches to
// that instance. [host-main]
std::vector<VstInt32> GRecordedOpcodes;
TDispatcherFunc GRecordedDispatcher = nullptr;

VstIntPtr VSTCALL RecordingDispatcher(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                      float Opt)
{
    GRecordedOpcodes.push_back(Opcode);
    return GRecordedDispatcher(Effect, Opcode, Index, Value, Ptr, Opt);
}

// The host's order around one instance: effOpen before anything else, effClose last, resumed only between.
std::string CheckRecordedOrder()
{
    const std::vector<VstInt32>& O = GRecordedOpcodes;
    const auto Open = std::find(O.begin(), O.end(), effOpen);
    if (Open == O.end())
        return "effOpen was never sent";
    for (auto I = O.begin(); I != Open; ++I)
        if (*I != effShellGetNextPlugin)
            return "opcode " + std::to_string(*I) + " before effOpen";
    if (std::count(O.begin(), O.end(), effOpen) != 1)
        return "effOpen sent more than once";
    const auto Close = std::find(O.begin(), O.end(), effClose);
    if (Close == O.end())
        return "effClose was never sent";
    if (Close + 1 != O.end())
        return "opcode " + std::to_string(*(Close + 1)) + " after effClose";
    return "";
}

void CheckOpenClose(TValidation& V)
{
    V.Step("open-close", "opening and closing " + std::to_string(kOpenCloseCycles) + " times");
    {
        TVstHost Host;
        TVstPlugIn* P = Host.VstPlugIns().Add();
        P->SetDLLFileName(V.Path());
        for (int I = 0; I < kOpenCloseCycles; ++I)
        {
            V.Step("open-close", "cycle " + std::to_string(I + 1));
            P->SetActive(true);
            P->MainsChanged(false);
            P->SetActive(false);
        }
    }
    V.Pass("open-close");

    // The raw record is handed to the host with a dispatcher that records every call.
    V.Step("open-close-order", "loading the library");
    const TLibraryHandle Library = LoadDynamicLibrary(V.Path());
    void* Entry = Library ? GetLibraryEntry(Library, "main") : nullptr;
    if (Library && !Entry)
        Entry = GetLibraryEntry(Library, "VSTPluginMain");
    std::string Failure = "the library or its entry could not be reached again";
    bool Recorded = false;
    GRecordedOpcodes.clear();
    {
        TVstHost Host; // answers the entry's first questions
        AEffect* E = Entry ? reinterpret_cast<TMainProc>(Entry)(&AudioMasterCallback) : nullptr;
        if (Entry && !E)
            Failure = "the entry answered no effect on a second load";
        if (E)
        {
            GRecordedDispatcher = E->dispatcher;
            E->dispatcher = &RecordingDispatcher;
            TVstPlugIn* P = Host.VstPlugIns().Add();
            P->VstEffect = E;
            V.Step("open-close-order", "open, resume, process, suspend, close");
            P->SetActive(true);
            {
                TAudio A(Host, *P, 512);
                A.Resume(44100, 512);
                A.Run(2048, 512, true);
            }
            P->MainsChanged(false);
            P->SetActive(false);
            Host.VstPlugIns().Clear(); // what the instance sends as it goes is recorded too
            Recorded = true;
        }
    }
    if (Recorded)
        Failure = CheckRecordedOrder();
    if (Library)
        FreeDynamicLibrary(Library);
    V.Check("open-close-order", Failure);
}

// A dispatcher call with valid arguments. Pointer arguments point into Scratch, zeroed before each call.
struct TOpcodeCall
{
    TDispatcherOpcode Opcode;
    const char* Name;
};

void CheckDispatcher(TValidation& V)
{
    TSession S(V.Path());
    TVstPlugIn& P = *S.P;
    const std::int32_t Params = P.numParams();

    alignas(16) static unsigned char Scratch[8192];
    auto Zeroed = [] {
        std::memset(Scratch, 0, sizeof Scratch);
        return static_cast<void*>(Scratch);
    };
    auto Call = [&](TDispatcherOpcode Opcode, const char* Name, VstInt32 Index, VstIntPtr Value, void* Ptr,
                    float Opt) {
        V.Step("dispatcher-opcodes", Name);
        return P.VstDispatch(Opcode, Index, Value, Ptr, Opt);
    };

    // Suspended: what hosts send between effOpen and the first resume.
    P.MainsChanged(false);
    Call(effSetSampleRate, "effSetSampleRate", 0, 0, nullptr, 44100.0f);
    Call(effSetBlockSize, "effSetBlockSize", 0, 512, nullptr, 0.0f);
    Call(effSetBlockSizeAndSampleRate, "effSetBlockSizeAndSampleRate", 0, 512, nullptr, 44100.0f);
    {
        VstSpeakerArrangement In{}, Out{};
        In.type = P.numInputs() == 1 ? 0 : P.numInputs() == 2 ? 1 : -2;
        Out.type = P.numOutputs() == 1 ? 0 : P.numOutputs() == 2 ? 1 : -2;
        In.numChannels = std::min(P.numInputs(), 8);
        Out.numChannels = std::min(P.numOutputs(), 8);
        for (int I = 0; I < 8; ++I)
            In.speakers[I].type = Out.speakers[I].type = I < 2 ? I + 1 : -1;
        Call(effSetSpeakerArrangement, "effSetSpeakerArrangement", 0, reinterpret_cast<VstIntPtr>(&In), &Out, 0.0f);
        VstSpeakerArrangement* InAnswer = nullptr;
        VstSpeakerArrangement* OutAnswer = nullptr;
        Call(effGetSpeakerArrangement, "effGetSpeakerArrangement", 0, reinterpret_cast<VstIntPtr>(&InAnswer),
             &OutAnswer, 0.0f);
    }
    if (P.numPrograms() > 0)
    {
        Call(effBeginSetProgram, "effBeginSetProgram", 0, 0, nullptr, 0.0f);
        Call(effSetProgram, "effSetProgram", 0, 0, nullptr, 0.0f);
        Call(effEndSetProgram, "effEndSetProgram", 0, 0, nullptr, 0.0f);
        Call(effSetProgramName, "effSetProgramName", 0, 0, const_cast<char*>("Validated"), 0.0f);
        Call(effCopyProgram, "effCopyProgram", 0, 0, nullptr, 0.0f);
    }
    const TOpcodeCall kPlain[] = {
        {effGetProgram, "effGetProgram"},
        {effGetVu, "effGetVu"},
        {effEditIdle, "effEditIdle"},
        {effIdentify, "effIdentify"},
        {effGetNumProgramCategories, "effGetNumProgramCategories"},
        {effGetPlugCategory, "effGetPlugCategory"},
        {effGetCurrentPosition, "effGetCurrentPosition"},
        {effGetDestinationBuffer, "effGetDestinationBuffer"},
        {effSetBypass, "effSetBypass"},
        {effGetVendorVersion, "effGetVendorVersion"},
        {effVendorSpecific, "effVendorSpecific"},
        {effGetTailSize, "effGetTailSize"},
        {effGetIcon, "effGetIcon"},
        {effSetViewPosition, "effSetViewPosition"},
        {effKeysRequired, "effKeysRequired"},
        {effGetVstVersion, "effGetVstVersion"},
        {effSetEditKnobMode, "effSetEditKnobMode"},
        {effHasMidiProgramsChanged, "effHasMidiProgramsChanged"},
        {effSetTotalSampleToProcess, "effSetTotalSampleToProcess"},
    };
    for (const TOpcodeCall& C : kPlain)
        Call(C.Opcode, C.Name, 0, C.Opcode == effSetTotalSampleToProcess ? 512 : 0, nullptr, 0.0f);
    Call(effSetPanLaw, "effSetPanLaw", 0, 0, nullptr, 1.0f);

    const TOpcodeCall kBuffered[] = {
        {effGetProgramName, "effGetProgramName"},
        {effGetEffectName, "effGetEffectName"},
        {effGetErrorText, "effGetErrorText"},
        {effGetVendorString, "effGetVendorString"},
        {effGetProductString, "effGetProductString"},
        {effGetMidiProgramName, "effGetMidiProgramName"},
        {effGetCurrentMidiProgram, "effGetCurrentMidiProgram"},
        {effGetMidiProgramCategory, "effGetMidiProgramCategory"},
    };
    for (const TOpcodeCall& C : kBuffered)
        Call(C.Opcode, C.Name, 0, 0, Zeroed(), 0.0f);
    if (P.numPrograms() > 0)
        Call(effGetProgramNameIndexed, "effGetProgramNameIndexed", 0, -1, Zeroed(), 0.0f);
    {
        const VstInt32 Key[2] = {0, 60}; // program 0, middle C
        std::memcpy(Zeroed(), Key, sizeof Key);
        Call(effGetMidiKeyName, "effGetMidiKeyName", 0, 0, Scratch, 0.0f);
    }
    if (P.PlugCategory() != vpcShell)
        Call(effShellGetNextPlugin, "effShellGetNextPlugin", 0, 0, Zeroed(), 0.0f);
    if (Params > 0)
    {
        const TOpcodeCall kParameter[] = {{effGetParamLabel, "effGetParamLabel"},
                                          {effGetParamDisplay, "effGetParamDisplay"},
                                          {effGetParamName, "effGetParamName"},
                                          {effGetParameterProperties, "effGetParameterProperties"}};
        for (const TOpcodeCall& C : kParameter)
            Call(C.Opcode, C.Name, 0, 0, Zeroed(), 0.0f);
        Call(effCanBeAutomated, "effCanBeAutomated", 0, 0, nullptr, 0.0f);
        const std::string Display = P.GetParamDisplay(0);
        std::vector<char> Text(Display.begin(), Display.end());
        Text.push_back(0);
        Call(effString2Parameter, "effString2Parameter", 0, 0, Text.data(), 0.0f);
    }
    if (P.numInputs() > 0)
    {
        Call(effConnectInput, "effConnectInput", 0, 1, nullptr, 0.0f);
        Call(effGetInputProperties, "effGetInputProperties", 0, 0, Zeroed(), 0.0f);
    }
    if (P.numOutputs() > 0)
    {
        Call(effConnectOutput, "effConnectOutput", 0, 1, nullptr, 0.0f);
        Call(effGetOutputProperties, "effGetOutputProperties", 0, 0, Zeroed(), 0.0f);
    }
    {
        ERect* Rect = nullptr;
        Call(effEditGetRect, "effEditGetRect", 0, 0, &Rect, 0.0f);
    }
    {
        TVstPatchChunkInfo Info{1, P.VstEffect->uniqueID, P.VstEffect->version, P.numParams(), {}};
        Call(effBeginLoadProgram, "effBeginLoadProgram", 0, 0, &Info, 0.0f);
        Info.numElements = P.numPrograms();
        Call(effBeginLoadBank, "effBeginLoadBank", 0, 0, &Info, 0.0f);
    }
    {
        void* Data = nullptr;
        const VstIntPtr Size = Call(effGetChunk, "effGetChunk", 1, 0, &Data, 0.0f);
        if (Size > 0 && Data)
        {
            std::vector<std::uint8_t> Copy(static_cast<const std::uint8_t*>(Data),
                                           static_cast<const std::uint8_t*>(Data) + Size);
            Call(effSetChunk, "effSetChunk", 1, Size, Copy.data(), 0.0f);
        }
    }
    {
        TVstAudioFile File{};
        Call(effOfflineNotify, "effOfflineNotify", 1, 0, &File, 0.0f);
        TVstOfflineTask Task{};
        Call(effOfflinePrepare, "effOfflinePrepare", 0, 0, &Task, 0.0f);
        Call(effOfflineRun, "effOfflineRun", 0, 0, &Task, 0.0f);
    }
    Call(effCanDo, "effCanDo", 0, 0, const_cast<char*>("receiveVstTimeInfo"), 0.0f);

    // Resumed: what hosts send around processing.
    Call(effMainsChanged, "effMainsChanged", 0, 1, nullptr, 0.0f);
    Call(effStartProcess, "effStartProcess", 0, 0, nullptr, 0.0f);
    {
        VstEvents None{};
        Call(effProcessEvents, "effProcessEvents", 0, 0, &None, 0.0f);
        std::vector<float> In(64, 0.0f), Out(64, 0.0f);
        std::vector<float*> Planes(static_cast<std::size_t>(std::max({P.numInputs(), P.numOutputs(), 1})));
        std::vector<std::vector<float>> Storage(Planes.size(), std::vector<float>(64, 0.0f));
        for (std::size_t I = 0; I < Planes.size(); ++I)
            Planes[I] = Storage[I].data();
        VstInt32 InDone = 0, OutDone = 0;
        TVstVariableIo Io{Planes.data(), Planes.data(), 0, 0, &InDone, &OutDone};
        Call(effProcessVarIo, "effProcessVarIo", 0, 0, &Io, 0.0f);
    }
    Call(effIdle, "effIdle", 0, 0, nullptr, 0.0f);
    Call(effStopProcess, "effStopProcess", 0, 0, nullptr, 0.0f);
    Call(effMainsChanged, "effMainsChanged", 0, 0, nullptr, 0.0f);

    // Still processes after all that.
    V.Step("dispatcher-opcodes", "processing after the opcodes");
    TAudio A(S, 512);
    A.Resume(44100, 512);
    bool Finite = true;
    A.Run(44100 / 4, 512, true, [&Finite](const float* const* O, int Outputs, int N) {
        for (int C = 0; C < Outputs; ++C)
            for (int I = 0; I < N; ++I)
                Finite = Finite && std::isfinite(O[C][I]);
    });
    V.Check("dispatcher-opcodes", Finite ? "" : "the output is no longer finite after the opcodes");
}

// --- parameters -----------------------------------------------------------------------------------------

void CheckParameters(TValidation& V)
{
    TSession S(V.Path());
    TVstPlugIn& P = *S.P;
    const std::vector<float> Initial = Parameters(P);
    TFailures Range, Texts;
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        for (std::size_t K = 0; K < std::size(kParameterProbes); ++K)
        {
            V.Step("parameter-values", "parameter " + std::to_string(I) + " = " + kParameterProbeNames[K]);
            P.SetParameter(I, kParameterProbes[K]);
            const float Read = P.GetParameter(I);
            if (!(Read >= 0.0f && Read <= 1.0f))
                Range.Add(std::to_string(I) + " = " + kParameterProbeNames[K] + " reads " + Number(Read));
            std::string Failure;
            GuardedText(P, effGetParamDisplay, I, kTextBuffer, Failure);
            if (!Failure.empty())
                Texts.Add("effGetParamDisplay " + std::to_string(I) + " at " + kParameterProbeNames[K] + " " +
                          Failure);
        }
        P.SetParameter(I, Initial[static_cast<std::size_t>(I)]);
    }
    V.Check("parameter-values", Range.Text());
    V.Check("parameter-texts", Texts.Text());

    // effString2Parameter: the display text of a value, handed back, is taken and shows the same text.
    int Supported = 0;
    TFailures Round;
    SetPattern(P, 0.0);
    for (std::int32_t I = 0; I < P.numParams(); ++I)
    {
        V.Step("string2parameter", "parameter " + std::to_string(I));
        const std::string Display = P.GetParamDisplay(I);
        std::vector<char> Text(Display.begin(), Display.end());
        Text.resize(Text.size() + kTextBuffer, 0);
        if (P.VstDispatch(effString2Parameter, I, 0, Text.data()) == 0)
            continue;
        ++Supported;
        const float Read = P.GetParameter(I);
        const std::string After = P.GetParamDisplay(I);
        if (!(Read >= 0.0f && Read <= 1.0f))
            Round.Add(std::to_string(I) + " '" + Display + "' reads " + Number(Read));
        else if (After != Display)
            Round.Add(std::to_string(I) + " '" + Display + "' shows '" + After + "'");
    }
    if (Supported == 0)
        V.Skip("string2parameter", "not supported (effString2Parameter answers 0)");
    else
        V.Check("string2parameter", Round.Text());
}

// --- processing -----------------------------------------------------------------------------------------

void CheckProcessing(TValidation& V)
{
    const std::vector<int> Rates = V.Rates(), Blocks = V.Blocks();
    const int MaxBlock = *std::max_element(Blocks.begin(), Blocks.end());
    TSession S(V.Path(), Rates.front(), Blocks.front());
    const bool Generator = S.P->EffectOptions().Contains(effFlagsIsSynth) || S.P->PlugCategory() == vpcSynth ||
                           S.P->PlugCategory() == vpcGenerator || S.P->numInputs() == 0;
    TAudio A(S, MaxBlock);
    TFailures NotFinite, Subnormal, Noisy;
    for (const int Rate : Rates)
        for (const int Block : Blocks)
        {
            const std::string Where = Cell(Rate, Block);
            V.Step("process-finite", "silence, noise and silence at " + Where);
            A.Resume(Rate, Block);
            float SilencePeak = 0.0f;
            bool Finite = true;
            std::int64_t SubnormalCount = 0;
            A.Run(Rate / 2, Block, false, [&](const float* const* O, int Outputs, int N) {
                for (int C = 0; C < Outputs; ++C)
                    for (int I = 0; I < N; ++I)
                    {
                        Finite = Finite && std::isfinite(O[C][I]);
                        SilencePeak = std::max(SilencePeak, std::fabs(O[C][I]));
                    }
            });
            A.Run(static_cast<std::int64_t>(Rate * kNoiseSeconds), Block, true,
                  [&](const float* const* O, int Outputs, int N) {
                      for (int C = 0; C < Outputs; ++C)
                          for (int I = 0; I < N; ++I)
                              Finite = Finite && std::isfinite(O[C][I]);
                  });
            const auto Tail = static_cast<std::int64_t>(Rate * kTailSeconds);
            const auto Checked = static_cast<std::int64_t>(Rate * kTailCheckedSeconds);
            std::int64_t Position = 0;
            A.Run(Tail, Block, false, [&](const float* const* O, int Outputs, int N) {
                for (int C = 0; C < Outputs; ++C)
                    for (int I = 0; I < N; ++I)
                    {
                        Finite = Finite && std::isfinite(O[C][I]);
                        if (Position + I >= Tail - Checked && std::fpclassify(O[C][I]) == FP_SUBNORMAL)
                            ++SubnormalCount;
                    }
                Position += N;
            });
            if (!Finite)
                NotFinite.Add(Where);
            if (SubnormalCount)
                Subnormal.Add(Where + ": " + std::to_string(SubnormalCount) + " subnormal samples in the last " +
                              Number(kTailCheckedSeconds) + " s of " + Number(kTailSeconds) + " s of silence");
            if (!Generator && SilencePeak > kSilencePeak)
                Noisy.Add(Where + ": peak " + Number(20.0 * std::log10(SilencePeak)) + " dBFS");
        }
    const std::string Grid = " (" + std::to_string(Rates.size() * Blocks.size()) + " cells)";
    V.Check("process-finite", NotFinite.Empty() ? "" : "output not finite at " + NotFinite.Text() + Grid);
    V.Check("process-no-subnormals", Subnormal.Text());
    if (Generator)
        V.Skip("process-silence", "a generator: silence in need not give silence out");
    else
        V.Check("process-silence", Noisy.Empty() ? "" : "silence in, sound out at " + Noisy.Text() + Grid);
}

// --- state ----------------------------------------------------------------------------------------------

void CheckState(TValidation& V)
{
    constexpr int kRate = 44100, kBlock = 512;
    TSession S(V.Path(), kRate, kBlock);
    TVstPlugIn& P = *S.P;
    TAudio A(S, kBlock);

    // Parameter form: state A saved, state B set, A loaded back.
    V.Step("program-round-trip", "saving a program");
    SetPattern(P, 0.0);
    const std::vector<float> StateA = Parameters(P);
    const std::vector<std::uint8_t> Record = ProgramRecord(P);
    const std::vector<float> OutA = A.Render(kRate, kBlock, kRate / 2);
    SetPattern(P, 0.5);
    A.Render(kRate, kBlock, kRate / 10);
    V.Step("program-round-trip", "loading the program back");
    LoadRecord(P, Record);
    std::string Failure = ParameterDifference(StateA, Parameters(P));
    if (Failure.empty())
        Failure = OutputDifference(OutA, A.Render(kRate, kBlock, kRate / 2));
    V.Check("program-round-trip", Failure);

    // Chunk form.
    if (!P.EffectOptions().Contains(effFlagsProgramChunks))
        V.Skip("chunk-round-trip", "the plug-in keeps no chunks (effFlagsProgramChunks)");
    else
    {
        V.Step("chunk-round-trip", "getting the chunk");
        SetPattern(P, 0.25);
        const std::vector<float> StateC = Parameters(P);
        void* Data = nullptr;
        const std::int32_t Size = P.GetChunk(Data, true);
        if (Size <= 0 || !Data)
            V.Fail("chunk-round-trip", "effGetChunk answered no chunk");
        else
        {
            std::vector<std::uint8_t> Chunk(static_cast<const std::uint8_t*>(Data),
                                            static_cast<const std::uint8_t*>(Data) + Size);
            const std::vector<float> OutC = A.Render(kRate, kBlock, kRate / 2);
            SetPattern(P, 0.75);
            A.Render(kRate, kBlock, kRate / 10);
            V.Step("chunk-round-trip", "setting the chunk back");
            P.SetChunk(Chunk.data(), Size, true);
            Failure = ParameterDifference(StateC, Parameters(P));
            if (Failure.empty())
                Failure = OutputDifference(OutC, A.Render(kRate, kBlock, kRate / 2));
            V.Check("chunk-round-trip", Failure);
        }
    }

    // Damaged files: each refused, each leaving the instance as it was.
    struct TDamage
    {
        const char* Name;
        void (*Apply)(std::vector<std::uint8_t>& File);
    };
    const TDamage kDamages[] = {
        {"cut inside the header", [](std::vector<std::uint8_t>& F) { F.resize(40); }},
        {"cut inside the values",
         [](std::vector<std::uint8_t>& F) { F.resize(std::max<std::size_t>(56, F.size() - 2)); }},
        {"another plug-in's ID", [](std::vector<std::uint8_t>& F) { F[16] ^= 0x20; }},
        {"a negative count", [](std::vector<std::uint8_t>& F) { F[24] = 0x80; }},
        {"a count beyond the file", [](std::vector<std::uint8_t>& F) { F[24] = 0x7F; }},
        {"empty", [](std::vector<std::uint8_t>& F) { F.clear(); }},
    };
    SetPattern(P, 0.5);
    const std::vector<std::uint8_t> Good = ProgramRecord(P);
    SetPattern(P, 0.0);
    const std::vector<float> Before = Parameters(P);
    TFailures Damaged;
    for (const TDamage& D : kDamages)
    {
        V.Step("damaged-program", D.Name);
        std::vector<std::uint8_t> File = Good;
        if (File.size() <= 40 && std::string(D.Name) == "cut inside the values")
            continue; // no values to cut
        D.Apply(File);
        bool Refused = false;
        try
        {
            LoadRecord(P, File);
        }
        catch (const std::exception&)
        {
            Refused = true;
        }
        const std::string Changed = ParameterDifference(Before, Parameters(P));
        if (!Refused)
            Damaged.Add(std::string("a file ") + (D.Name[0] == 'e' ? "" : "with ") + D.Name + " was taken");
        else if (!Changed.empty())
            Damaged.Add(std::string("refusing a file with ") + D.Name + " changed the instance: " + Changed);
        if (!Changed.empty())
            SetPattern(P, 0.0);
    }
    V.Check("damaged-program", Damaged.Text());
}

// --- threads --------------------------------------------------------------------------------------------

void CheckThreads(TValidation& V)
{
    TSession S(V.Path());
    TVstPlugIn& P = *S.P;
    V.Step("threads", "choosing two parameters");
    // Two parameters that leave each other alone, each with the values it reads back distinctly (eight at
    // most), written in turn: a lost write then shows unless that many writes in a row are lost.
    struct TWriter
    {
        std::int32_t Index = -1;
        std::vector<float> Values;
        std::vector<std::uint32_t> Expect;
    };
    std::vector<TWriter> Writers;
    for (std::int32_t I = 0; I < P.numParams() && Writers.size() < 2; ++I)
    {
        TWriter W;
        W.Index = I;
        for (int K = 1; K <= 8; ++K)
        {
            const float Value = static_cast<float>(K) / 8.0f;
            P.SetParameter(I, Value);
            const std::uint32_t Read = Bits(P.GetParameter(I));
            if (std::find(W.Expect.begin(), W.Expect.end(), Read) == W.Expect.end())
            {
                W.Values.push_back(Value);
                W.Expect.push_back(Read);
            }
        }
        if (W.Values.size() < 2)
            continue;
        if (!Writers.empty())
        {
            const TWriter& Other = Writers.front();
            P.SetParameter(Other.Index, Other.Values[0]);
            P.SetParameter(I, W.Values[1]);
            const bool OtherKept = Bits(P.GetParameter(Other.Index)) == Other.Expect[0];
            P.SetParameter(Other.Index, Other.Values[1]);
            if (!OtherKept || Bits(P.GetParameter(I)) != W.Expect[1])
                continue;
        }
        Writers.push_back(W);
    }
    if (Writers.size() < 2)
    {
        V.Skip("threads", "fewer than two independent parameters to write");
        return;
    }

    const int Writes = V.Level() >= 5 ? 100000 : 20000;
    TAudio A(S, 512);
    A.Resume(44100, 512);
    std::atomic<int> Started{0};
    std::atomic<bool> Writing{true};
    std::atomic<int> Lost[2] = {0, 0};
    // [any] One of the two writer threads.
    auto Writer = [&](int K) {
        const TWriter& W = Writers[static_cast<std::size_t>(K)];
        ++Started;
        while (Started.load() < 3)
        {
        }
        for (int N = 0; N < Writes; ++N)
        {
            const std::size_t Which = static_cast<std::size_t>(N) % W.Values.size();
            P.SetParameter(W.Index, W.Values[Which]);
            if (Bits(P.GetParameter(W.Index)) != W.Expect[Which])
                ++Lost[K];
        }
    };
    V.Step("threads", "two writer threads and a processing thread");
    std::thread Processing([&] { // [audio]
        ++Started;
        while (Writing.load())
            A.Run(512, 512, true);
    });
    std::thread First(Writer, 0), Second(Writer, 1);
    First.join();
    Second.join();
    Writing = false;
    Processing.join();
    TFailures F;
    for (int K = 0; K < 2; ++K)
        if (Lost[K])
            F.Add("parameter " + std::to_string(Writers[static_cast<std::size_t>(K)].Index) + " lost " +
                  std::to_string(Lost[K].load()) + " of " + std::to_string(Writes) + " writes");
    V.Check("threads", F.Text());
}

// --- editor ---------------------------------------------------------------------------------------------

void CheckEditor(TValidation& V)
{
#if !MARVO_VST_WINDOWED_EDITOR
    V.Skip("editor", "this build has no window system");
#else
#if !defined(_WIN32)
    const char* Display = std::getenv("DISPLAY");
    if (!Display || !*Display)
    {
        V.Skip("editor", "no display (DISPLAY is not set)");
        return;
    }
#endif
    TSession S(V.Path());
    TVstPlugIn& P = *S.P;
    if (!P.EffectOptions().Contains(effFlagsHasEditor))
    {
        V.Skip("editor", "the plug-in has no editor");
        return;
    }
    TAudio A(S, 512);
    A.Resume(44100, 512);
    std::atomic<bool> Processing{true};
    std::thread Audio([&] { // [audio]
        while (Processing.load())
            A.Run(512, 512, true);
    });
    TFailures F;
    for (int Cycle = 0; Cycle < kEditorCycles; ++Cycle)
    {
        V.Step("editor", "opening the editor, time " + std::to_string(Cycle + 1));
        TFormDeclaration D;
        D.Name = "MarvoVstValidateEditor";
        D.Caption = "marvo-vst validate";
        D.ClientWidth = 400;
        D.ClientHeight = 300;
        TForm Form(nullptr, D);
        P.ShowEdit(&Form);
        if (!P.EditVisible())
        {
            F.Add("the editor did not open (time " + std::to_string(Cycle + 1) + ")");
            break;
        }
        Form.Show();
        for (int I = 0; I < kEditorPumps; ++I)
        {
            Application().ProcessMessages();
            P.EditIdle();
            if (I == kEditorPumps / 2)
            {
                P.SetParameter(0, 0.5f);
                TVstKeyCode Key{'a', 0, 0};
                V.Step("editor", "a key down and up");
                P.VstDispatch(effEditKeyDown, Key.character, Key.virt, nullptr, Key.modifier);
                P.VstDispatch(effEditKeyUp, Key.character, Key.virt, nullptr, Key.modifier);
            }
        }
        V.Step("editor", "closing the editor, time " + std::to_string(Cycle + 1));
        P.CloseEdit();
        P.EditorWindow = nullptr;
        if (P.EditVisible())
            F.Add("the editor stayed open after closing");
        Application().ProcessMessages();
    }
    Processing = false;
    Audio.join();
    V.Check("editor", F.Text());
#endif
}

// --- timing ---------------------------------------------------------------------------------------------

// An effect that does nothing: the host's own cost per block. [any]
VstIntPtr VSTCALL NullDispatcher(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}
void VSTCALL NullProcess(AEffect*, float**, float**, VstInt32) {}
void VSTCALL NullSetParameter(AEffect*, VstInt32, float) {}
float VSTCALL NullGetParameter(AEffect*, VstInt32)
{
    return 0.0f;
}

// Frames per second through P at 44.1 kHz in blocks of 512, over about Seconds of wall time.
double FramesPerSecond(TVstHost& Host, TVstPlugIn& P, double Seconds)
{
    TAudio A(Host, P, 512);
    A.Resume(44100, 512);
    A.Run(44100, 512, true);
    const auto Start = std::chrono::steady_clock::now();
    std::int64_t Frames = 0;
    double Elapsed = 0.0;
    do
    {
        A.Run(44100 / 10, 512, true);
        Frames += 44100 / 10;
        Elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    } while (Elapsed < Seconds);
    return static_cast<double>(Frames) / Elapsed;
}

void CheckTiming(TValidation& V)
{
    V.Step("timing", "processing at 44100 Hz in blocks of 512");
    TSession S(V.Path());
    const double PlugIn = FramesPerSecond(S.Host, *S.P, 1.0);

    AEffect Null{};
    Null.magic = kEffectMagic;
    Null.dispatcher = &NullDispatcher;
    Null.process = Null.processReplacing = &NullProcess;
    Null.setParameter = &NullSetParameter;
    Null.getParameter = &NullGetParameter;
    Null.numInputs = S.P->numInputs();
    Null.numOutputs = S.P->numOutputs();
    Null.flags = static_cast<VstInt32>(TEffFlags{effFlagsCanReplacing}.Bits());
    Null.uniqueID = FourCharCode("Null");
    Null.ioRatio = 1;
    TVstPlugIn* Empty = S.Host.VstPlugIns().Add();
    Empty->VstEffect = &Null;
    Empty->SetActive(true);
    const double Host = FramesPerSecond(S.Host, *Empty, 0.5);
    Empty->SetActive(false);
    V.Info("timing", "plug-in " + Number(PlugIn / 1e6) + " M frames/s (" + Number(PlugIn / 44100.0) +
                         "x real time at 44100 Hz, blocks of 512); the host alone " + Number(Host / 1e6) +
                         " M frames/s");
}

} // namespace

const std::vector<TStage>& ValidationStages()
{
    static const std::vector<TStage> kStages = {
        {"load", 1, &CheckLoad},
        {"open-close", 2, &CheckOpenClose},
        {"dispatcher-opcodes", 2, &CheckDispatcher},
        {"parameter-values", 2, &CheckParameters},
        {"parameter-description", 2, &CheckDescription},
        {"process-finite", 3, &CheckProcessing},
        {"program-round-trip", 3, &CheckState},
        {"threads", 3, &CheckThreads},
        {"editor", 3, &CheckEditor},
        {"timing", 5, &CheckTiming},
    };
    return kStages;
}
