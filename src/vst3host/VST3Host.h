#pragma once
// The host side of VST 3 as our tools and tests drive a plug-in: a library loaded through the platform layer,
// instances made through its factory and set up as hosts do, memory streams for state, parameter queues and a
// component handler that records what the plug-in asks. Used by marvo-vst validate and the VST 3 tests.
// Everything here runs on the calling thread: [host-main], and Process on whichever thread calls it [audio].
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/System.h"
#include "vst3/VST3Interfaces.h"

namespace VST3Host
{

using namespace VST3Marvo;

// A stream over a byte vector: reads may be cut short to imitate hosts that hand data over in pieces.
class TMemoryStream final : public IBStream
{
public:
    std::vector<char> Data;
    std::size_t Pos = 0;
    int32 MaxRead = 1 << 30;

    tresult VST3CALL queryInterface(const TUID Iid, void** Object) override
    {
        *Object = SameId(Iid, kIBStreamIid) || SameId(Iid, kFUnknownIid) ? this : nullptr;
        return *Object ? kResultOk : kNoInterface;
    }
    uint32 VST3CALL addRef() override { return 1; }
    uint32 VST3CALL release() override { return 1; }
    tresult VST3CALL read(void* Buffer, int32 NumBytes, int32* NumBytesRead) override
    {
        const std::size_t N = std::min<std::size_t>({static_cast<std::size_t>(NumBytes), Data.size() - Pos,
                                                      static_cast<std::size_t>(MaxRead)});
        if (N > 0)
            std::memcpy(Buffer, Data.data() + Pos, N);
        Pos += N;
        if (NumBytesRead)
            *NumBytesRead = static_cast<int32>(N);
        return kResultOk;
    }
    tresult VST3CALL write(void* Buffer, int32 NumBytes, int32* NumBytesWritten) override
    {
        Data.insert(Data.begin() + static_cast<std::ptrdiff_t>(Pos), static_cast<char*>(Buffer),
                    static_cast<char*>(Buffer) + NumBytes);
        Pos += static_cast<std::size_t>(NumBytes);
        if (NumBytesWritten)
            *NumBytesWritten = NumBytes;
        return kResultOk;
    }
    tresult VST3CALL seek(int64 To, int32 Mode, int64* Result) override
    {
        const int64 Base = Mode == kIBSeekSet ? 0 : (Mode == kIBSeekCur ? static_cast<int64>(Pos) : static_cast<int64>(Data.size()));
        Pos = static_cast<std::size_t>(Base + To);
        if (Result)
            *Result = static_cast<int64>(Pos);
        return kResultOk;
    }
    tresult VST3CALL tell(int64* At) override
    {
        *At = static_cast<int64>(Pos);
        return kResultOk;
    }
};

// One parameter's points inside a block.
class TQueue final : public IParamValueQueue
{
public:
    ParamID Id = 0;
    std::vector<std::pair<int32, ParamValue>> Points;

    tresult VST3CALL queryInterface(const TUID, void** Object) override { *Object = nullptr; return kNoInterface; }
    uint32 VST3CALL addRef() override { return 1; }
    uint32 VST3CALL release() override { return 1; }
    ParamID VST3CALL getParameterId() override { return Id; }
    int32 VST3CALL getPointCount() override { return static_cast<int32>(Points.size()); }
    tresult VST3CALL getPoint(int32 Index, int32& Offset, ParamValue& Value) override
    {
        if (Index < 0 || Index >= getPointCount())
            return kInvalidArgument;
        Offset = Points[static_cast<std::size_t>(Index)].first;
        Value = Points[static_cast<std::size_t>(Index)].second;
        return kResultOk;
    }
    tresult VST3CALL addPoint(int32 Offset, ParamValue Value, int32& Index) override
    {
        Index = getPointCount();
        Points.emplace_back(Offset, Value);
        return kResultOk;
    }
};

// A host's parameter changes for one process call: one queue per parameter, points in the order added.
class TChanges final : public IParameterChanges
{
public:
    std::vector<TQueue> Queues;

    // [any] Adds a point, making the parameter's queue when it has none.
    void Add(ParamID Id, int32 Offset, ParamValue Value)
    {
        for (TQueue& Q : Queues)
            if (Q.Id == Id)
            {
                Q.Points.emplace_back(Offset, Value);
                return;
            }
        Queues.emplace_back();
        Queues.back().Id = Id;
        Queues.back().Points.emplace_back(Offset, Value);
    }
    tresult VST3CALL queryInterface(const TUID, void** Object) override { *Object = nullptr; return kNoInterface; }
    uint32 VST3CALL addRef() override { return 1; }
    uint32 VST3CALL release() override { return 1; }
    int32 VST3CALL getParameterCount() override { return static_cast<int32>(Queues.size()); }
    IParamValueQueue* VST3CALL getParameterData(int32 Index) override
    {
        return Index >= 0 && Index < getParameterCount() ? &Queues[static_cast<std::size_t>(Index)] : nullptr;
    }
    IParamValueQueue* VST3CALL addParameterData(const ParamID& Id, int32& Index) override
    {
        Index = getParameterCount();
        Queues.emplace_back();
        Queues.back().Id = Id;
        return &Queues.back();
    }
};

// A component handler that keeps what the plug-in asked of it: its edits as texts ("begin 5", "perform 5
// 0.250000", "end 5") and every restartComponent's flags, in order.
class TRecordingHandler final : public IComponentHandler
{
public:
    std::vector<std::string> Calls;
    std::vector<int32> Restarts;
    int References = 0;

    tresult VST3CALL queryInterface(const TUID Iid, void** Object) override
    {
        *Object = SameId(Iid, kIComponentHandlerIid) || SameId(Iid, kFUnknownIid) ? this : nullptr;
        return *Object ? kResultOk : kNoInterface;
    }
    uint32 VST3CALL addRef() override { return static_cast<uint32>(++References); }
    uint32 VST3CALL release() override { return static_cast<uint32>(--References); }
    tresult VST3CALL beginEdit(ParamID Id) override { return Record("begin " + std::to_string(Id)); }
    tresult VST3CALL performEdit(ParamID Id, ParamValue V) override
    {
        return Record("perform " + std::to_string(Id) + " " + std::to_string(V));
    }
    tresult VST3CALL endEdit(ParamID Id) override { return Record("end " + std::to_string(Id)); }
    tresult VST3CALL restartComponent(int32 Flags) override
    {
        Restarts.push_back(Flags);
        return kResultOk;
    }

private:
    tresult Record(const std::string& Call)
    {
        Calls.push_back(Call);
        return kResultOk;
    }
};

// The library of a bundle given as the bundle's folder (".../Name.vst3", its library found under
// Contents/<this build's architecture>/), or the library's own path, returned as it is.
std::string VST3ModulePath(const std::string& Path);

// A loaded plug-in library and its factory; Path as VST3ModulePath takes it. Raises when the library does not
// load or lacks the entries.
class TModule
{
public:
    explicit TModule(const std::string& Path);
    ~TModule();
    TModule(const TModule&) = delete;
    TModule& operator=(const TModule&) = delete;
    IPluginFactory* Factory = nullptr;
    IPluginFactory2* Factory2 = nullptr;
    IPluginFactory3* Factory3 = nullptr;

private:
    TLibraryHandle FLibrary = 0;
};

// One plug-in instance, set up for processing (stereo or mono, 32 or 64 bits) and active.
class TInstance
{
public:
    TInstance(TModule& Module, SpeakerArrangement Arrangement = kSpeakerArrStereo, int32 SampleSize = kSample32,
              int32 MaxFrames = 4096, double SampleRate = 44100.0, bool Activate = true);
    ~TInstance();
    TInstance(const TInstance&) = delete;
    TInstance& operator=(const TInstance&) = delete;

    // [host-main] Raises when the factory makes no component, or it is no processor and controller, or it
    // refuses Arrangement.
    // [audio] One process call on planar buffers (In and Out may be the same; null hands the plug-in null
    // buffers), with these changes; Channels is what the bus buffers say, whatever the arrangement.
    tresult Process(float* const* In, float* const* Out, int32 Channels, int32 Frames, TChanges* Changes = nullptr);
    // Processes a whole signal in blocks of Block frames; Setting goes in the first block at offset 0.
    std::vector<std::vector<float>> Run(const std::vector<std::vector<float>>& In, int32 Block,
                                        const std::vector<std::pair<ParamID, double>>& Setting = {});
    std::vector<char> State();

    IComponent* Component = nullptr;
    IAudioProcessor* Processor = nullptr;
    IEditController* Controller = nullptr;
};

} // namespace VST3Host
