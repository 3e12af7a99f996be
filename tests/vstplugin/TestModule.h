#pragma once
// A small module declared with the framework's tables, and a host callback that records every request.
#include <cstring>
#include <string>
#include <vector>

#include "vstplugin/DVSTModule.h"

struct THostCall
{
    VstInt32 Opcode;
    VstInt32 Index;
    VstIntPtr Value;
    float Opt;
    bool NullEffect;
};

// The recording host: answers configurable per request, keeps the calls in order.
struct TRecordingHost
{
    std::vector<THostCall> Calls;
    VstIntPtr VersionAnswer = 2400;
    std::string Product = "Test Host";
    VstIntPtr ShellCanDo = 0;
    VstIntPtr CurrentId = 0;
    VstIntPtr SampleRateAnswer = 0;
    VstIntPtr BlockSizeAnswer = 0;

    static inline TRecordingHost* Current = nullptr;

    static VstIntPtr VSTCALL Callback(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                      float Opt)
    {
        TRecordingHost& H = *Current;
        H.Calls.push_back({Opcode, Index, Value, Opt, Effect == nullptr});
        switch (Opcode)
        {
        case audioMasterVersion:
            return H.VersionAnswer;
        case audioMasterGetProductString:
            std::strcpy(static_cast<char*>(Ptr), H.Product.c_str());
            return 1;
        case audioMasterCanDo:
            return std::strcmp(static_cast<const char*>(Ptr), "shellCategory") == 0 ? H.ShellCanDo : 0;
        case audioMasterCurrentId:
            return H.CurrentId;
        case audioMasterGetSampleRate:
            return H.SampleRateAnswer;
        case audioMasterGetBlockSize:
            return H.BlockSizeAnswer;
        default:
            return 0;
        }
    }

    int Count(VstInt32 Opcode) const
    {
        int N = 0;
        for (const THostCall& C : Calls)
            N += C.Opcode == Opcode;
        return N;
    }
    std::vector<THostCall> Only(VstInt32 Opcode) const
    {
        std::vector<THostCall> R;
        for (const THostCall& C : Calls)
            if (C.Opcode == Opcode)
                R.push_back(C);
        return R;
    }
};

// Three programs and four parameters (programs declared first, so each program holds four values); every
// event it fires is appended to Log.
class TTestModule : public TVSTModule
{
public:
    explicit TTestModule(TComponent* AOwner = nullptr) : TVSTModule(AOwner) { LoadDeclaration(Declaration); }

    std::vector<std::string> Log;
    int* ClosedFlag = nullptr;
    bool WriteOtherInHandler = false;
    std::string CustomDisplay;

    void ParameterChanged(TComponent*, std::int32_t Index, float& Value)
    {
        Log.push_back("P" + std::to_string(Index) + "=" + std::to_string(Value));
        if (WriteOtherInHandler)
            SetParameter(Index == 0 ? 1 : 0, 99.0f);
    }
    void ModuleParameterChanged(TComponent*, std::int32_t Index, float&) { Log.push_back("M" + std::to_string(Index)); }
    void Display(TComponent*, std::int32_t, std::string& Text)
    {
        if (!CustomDisplay.empty())
            Text = CustomDisplay;
    }
    void Before(TComponent*) { Log.push_back("before"); }
    void After(TComponent*) { Log.push_back("after"); }
    void Initialized(TComponent*) { Log.push_back("initialize"); }
    void Created(TComponent*) { Log.push_back("create"); }
    void Closed(TComponent*)
    {
        Log.push_back("close");
        if (ClosedFlag)
            *ClosedFlag += 1;
    }
    void ProgramInitialized(TCustomVstProgram* Sender) { Log.push_back("program" + std::to_string(Sender->Index())); }
    void Halve(float** Inputs, float** Outputs, std::int32_t SampleFrames)
    {
        for (std::int32_t C = 0; C < numOutputs(); ++C)
            for (std::int32_t I = 0; I < SampleFrames; ++I)
                Outputs[C][I] = Inputs[C][I] * 0.5f;
    }

    static const TVSTModuleDeclaration<TTestModule> Declaration;
};

// A module without declaration: the framework's defaults.
class TBareModule : public TVSTModule
{
public:
    TBareModule() : TVSTModule(nullptr) {}
};
