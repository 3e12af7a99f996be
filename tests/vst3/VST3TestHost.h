#pragma once
// A minimal VST 3 host for the tests: it loads a bundle's library with the platform's loader, makes the
// plug-in through its factory and drives it as hosts do, with its own streams and parameter queues.
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/System.h"
#include "vst3/VST3Interfaces.h"

namespace VST3Test
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

// A loaded plug-in library and its factory.
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

    // [audio] One process call on planar buffers (In and Out may be the same), with these changes.
    tresult Process(float* const* In, float* const* Out, int32 Channels, int32 Frames, TChanges* Changes = nullptr);
    // Processes a whole signal in blocks of Block frames; Setting goes in the first block at offset 0.
    std::vector<std::vector<float>> Run(const std::vector<std::vector<float>>& In, int32 Block,
                                        const std::vector<std::pair<ParamID, double>>& Setting = {});
    std::vector<char> State();

    IComponent* Component = nullptr;
    IAudioProcessor* Processor = nullptr;
    IEditController* Controller = nullptr;
};

// [any] A path relative to the test program's folder, with the platform's separators.
std::string BesideTests(const std::string& Relative);

// The test signal: deterministic noise of amplitude 0.5 on each channel.
std::vector<std::vector<float>> Noise(int Channels, int Frames, unsigned Seed);

} // namespace VST3Test
