// Drives a module through its effect record with arbitrary operations: dispatcher calls with every opcode
// (pointers always to buffers large enough for the opcode's record), host parameter writes and reads, program
// and bank chunks, processing in every mode, and effClose followed by a fresh module.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "vstplugin/DVSTModule.h"
#include "../FuzzReader.h"

namespace
{
VstIntPtr VSTCALL FuzzHost(AEffect*, VstInt32 Opcode, VstInt32, VstIntPtr, void* Ptr, float)
{
    if (Opcode == audioMasterVersion)
        return 2400;
    if (Opcode == audioMasterGetProductString && Ptr)
        std::strcpy(static_cast<char*>(Ptr), "Fuzz");
    return 0;
}

class TFuzzModule : public TVSTModule
{
public:
    TFuzzModule(bool Chunks) : TVSTModule(nullptr)
    {
        if (Chunks)
            LoadDeclaration(ChunkDeclaration);
        else
            LoadDeclaration(Declaration);
    }
    void Change(TComponent*, std::int32_t Index, float& Value)
    {
        if (Index == 1) // a handler that writes another parameter: ignored by the guard
            SetParameter(0, Value);
        Value = Value * 1.0f;
    }
    void Process(float** Inputs, float** Outputs, std::int32_t SampleFrames)
    {
        for (std::int32_t C = 0; C < numOutputs(); ++C)
            for (std::int32_t I = 0; I < SampleFrames; ++I)
                Outputs[C][I] = Inputs[C % numInputs()][I] * 0.5f;
    }
    void Store(TCustomVstProgram* Sender, std::int32_t, bool)
    {
        const char Data[5] = {'a', 'b', 'c', 'd', 'e'};
        Sender->Chunk->Write(Data, static_cast<std::size_t>(Sender->Index() + 1));
    }
    float ChunkParameter(TComponent*, std::int32_t Index) { return static_cast<float>(Index) * 1.5e7f; }

    static const TVSTModuleDeclaration<TFuzzModule> Declaration, ChunkDeclaration;
};

const TVstProgramDeclaration<TFuzzModule> FuzzPrograms[] = {{}, {.DisplayName = "Second"}, {}};
const TVstProgramDeclaration<TFuzzModule> ChunkPrograms[] = {
    {.OnStoreChunk = &TFuzzModule::Store}, {.OnStoreChunk = &TFuzzModule::Store}};
const TVstParameterDeclaration<TFuzzModule> FuzzParameters[] = {
    {.Min = 20, .Max = 20000, .Curve = ctLogarithmic, .CurveFactor = 1000, .OnParameterChange = &TFuzzModule::Change},
    {.Min = -15, .Max = 15, .OnParameterChange = &TFuzzModule::Change},
    {.Min = 0, .Max = 1, .Curve = ctExponential, .CurveFactor = 0, .SmoothingFactor = 0.5f},
    {.Min = 0, .Max = 100, .Curve = ctFrequencyScale, .ReportVST2Properties = true, .ShortLabel = "LongShortLabel"},
    {.Min = 5, .Max = 5, .Curve = ctLogarithmic, .CurveFactor = -1},
};
const TVstShellPluginDeclaration<TFuzzModule> FuzzShells[] = {{.UniqueID = "ShA1"}, {.UniqueID = "ShB2"}};

const TVSTModuleDeclaration<TFuzzModule> TFuzzModule::Declaration = {
    .Properties = {.Flags = {effFlagsHasEditor, effFlagsCanReplacing}, .EffectName = "Fuzz", .KeysRequired = true},
    .Programs = FuzzPrograms,
    .Parameters = FuzzParameters,
    .ShellPlugins = FuzzShells,
    .Events = {.OnProcess = &TFuzzModule::Process, .OnProcessReplacing = &TFuzzModule::Process},
};
const TVSTModuleDeclaration<TFuzzModule> TFuzzModule::ChunkDeclaration = {
    .Properties = {.Flags = {effFlagsProgramChunks}},
    .Programs = ChunkPrograms,
    .Parameters = FuzzParameters,
    .Events = {.OnProcessReplacing = &TFuzzModule::Process, .OnGetChunkParameter = &TFuzzModule::ChunkParameter},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    TReader In(Data, Size);
    const bool Chunks = In.Take<std::uint8_t>() & 1;
    AEffect* Effect = (new TFuzzModule(Chunks))->Effect();
    static_cast<TFuzzModule*>(Effect->object)->SetAudioMaster(&FuzzHost);
    std::vector<float> Planes(4 * 600, 0.25f);
    float* Channels[4] = {&Planes[0], &Planes[600], &Planes[1200], &Planes[1800]};
    int Steps = 0;
    while (!In.Empty() && ++Steps < 200)
    {
        const auto Kind = In.Take<std::uint8_t>();
        switch (Kind % 6)
        {
        case 0:
        case 1:
        {
            const auto Opcode = In.Take<std::int32_t>();
            const auto Index = In.Take<std::int32_t>();
            const auto Value = static_cast<VstIntPtr>(In.Take<std::int32_t>());
            const auto Opt = In.Take<float>();
            alignas(16) char Scratch[4096] = {};
            In.TakeBytes(Scratch, In.Take<std::uint8_t>());
            void* Ptr = Scratch;
            VstIntPtr UsedValue = Value;
            TVstEventList<8> List{};
            std::vector<TVstMidiEvent> Midi;
            switch (Opcode & 0xFF)
            {
            case effSetChunk:
                UsedValue = static_cast<VstIntPtr>(static_cast<std::uint32_t>(Value) % sizeof Scratch);
                break;
            case effProcessEvents:
            {
                const int Count = static_cast<std::uint8_t>(Value) % 8;
                Midi.resize(static_cast<std::size_t>(Count));
                for (auto& M : Midi)
                    M = TVstMidiEvent{static_cast<VstInt32>(In.Take<std::uint8_t>() % 3), 24, 0, 0, 0, 0, {}, 0, 0, 0, 0};
                List.numEvents = Count;
                for (int I = 0; I < Count; ++I)
                    List.events[I] = reinterpret_cast<VstEvent*>(&Midi[static_cast<std::size_t>(I)]);
                Ptr = &List;
                break;
            }
            case effOfflineNotify:
            case effOfflinePrepare:
            case effOfflineRun:
            case effProcessVarIo:
                Ptr = nullptr;
                break;
            default:
                break;
            }
            if (Kind & 0x80)
                Ptr = nullptr;
            Effect->dispatcher(Effect, Opcode, Index, UsedValue, Ptr, Opt);
            if ((Opcode & 0xFF) == effClose)
            {
                Effect = (new TFuzzModule(Chunks))->Effect();
                static_cast<TFuzzModule*>(Effect->object)->SetAudioMaster(&FuzzHost);
            }
            break;
        }
        case 2:
            Effect->setParameter(Effect, In.Take<std::int8_t>(), In.Take<float>());
            break;
        case 3:
            (void)Effect->getParameter(Effect, In.Take<std::int8_t>());
            break;
        case 4:
        {
            auto* Module = static_cast<TFuzzModule*>(Effect->object);
            const auto Choice = In.Take<std::uint8_t>();
            Module->SetProcessingMode(static_cast<TProcessingMode>(Choice % 4));
            Module->SetBlockModeSize(In.Take<std::int16_t>() % 700);
            Module->SetBlockModeOverlap(In.Take<std::int16_t>() % 700);
            if (Choice & 0x10)
                Module->SetNumOutputs(1 + (Choice >> 5) % 4);
            break;
        }
        case 5:
        {
            const std::int32_t Frames = In.Take<std::int16_t>() % 600;
            Effect->processReplacing(Effect, Channels, Channels, Frames);
            Effect->process(Effect, Channels, Channels, Frames);
            break;
        }
        }
    }
    Effect->dispatcher(Effect, effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
