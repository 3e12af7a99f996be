// The six entries of the effect record, as the host calls them: each finds its module through
// AEffect::object, answers nothing (0) for a record without one, and lets no exception reach the host.
#include <thread>

#include "vstplugin/DVSTModule.h"
#include "vstplugin/DVSTWindowThread.h"

namespace
{
// [any] The opcodes that work on the editor's window.
bool IsEditorOpcode(VstInt32 Opcode)
{
    switch (Opcode)
    {
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
    case effEditTop:
    case effEditSleep:
    case effEditKeyDown:
    case effEditKeyUp: return true;
    default: return false;
    }
}

// [audio] Runs Method on the module behind Effect, if there is one; nothing escapes to the host.
template <class TSample>
void RunProcessing(AEffect* Effect, void (TCustomVSTModule::*Method)(TSample**, TSample**, std::int32_t),
                   TSample** Inputs, TSample** Outputs, VstInt32 SampleFrames)
{
    if (!Effect || !Effect->object)
        return;
    try
    {
        (static_cast<TCustomVSTModule*>(Effect->object)->*Method)(Inputs, Outputs, SampleFrames);
    }
    catch (...)
    {
    }
}
} // namespace

// [any] effClose (low byte 1) destroys the module after the dispatcher ran and answers 1. The editor's
// opcodes, and the closing of a module whose editor is open, run on the window thread for the caller
// (RunOnWindowThread: the caller's own, unless the installed policy hands a foreign host's call to a window
// thread of the toolkit's own), so that the editor and its windows belong to one thread whichever thread the
// host calls from. When that thread is not the caller's, it is the module's own window thread from then on:
// its requests to the host are queued (CallAudioMaster) and sent here, on the host's thread, before and after
// each call except effProcessEvents (which hosts send from their audio thread).
VstIntPtr VSTCALL TCustomVSTModule::DispatcherEntry(AEffect* Effect, VstInt32 Opcode, VstInt32 Index,
                                                    VstIntPtr Value, void* Ptr, float Opt)
{
    if (!Effect || !Effect->object)
        return 0;
    auto* Module = static_cast<TCustomVSTModule*>(Effect->object);
    try
    {
        const bool Closing = (Opcode & 0xFF) == effClose;
        const bool Delivers = (Opcode & 0xFF) != effProcessEvents;
        if (Delivers)
            Module->DeliverDeferredRequests();
        VstIntPtr Answer = 0;
        const std::uintptr_t Caller = CurrentThreadKey();
        const auto Dispatch = [&] {
            if (Caller != CurrentThreadKey())
                Module->QueueRequestsOfThisThread();
            if (Closing)
            {
                Module->Dispatcher(Opcode, Index, Value, Ptr, Opt);
                Module->BeforeDestruction();
                delete Module;
                Answer = 1;
            }
            else
                Answer = Module->Dispatcher(Opcode, Index, Value, Ptr, Opt);
        };
        if (IsEditorOpcode(Opcode) || (Closing && Module->EditorForm()))
            RunOnWindowThread(Dispatch);
        else
            Dispatch();
        if (Delivers && !Closing)
            Module->DeliverDeferredRequests();
        return Answer;
    }
    catch (...)
    {
        return 0;
    }
}

// [audio]
void VSTCALL TCustomVSTModule::ProcessEntry(AEffect* Effect, float** Inputs, float** Outputs, VstInt32 SampleFrames)
{
    RunProcessing(Effect, &TCustomVSTModule::Process, Inputs, Outputs, SampleFrames);
}

// [audio]
void VSTCALL TCustomVSTModule::ProcessReplacingEntry(AEffect* Effect, float** Inputs, float** Outputs,
                                                     VstInt32 SampleFrames)
{
    RunProcessing(Effect, &TCustomVSTModule::ProcessReplacing, Inputs, Outputs, SampleFrames);
}

// [audio]
void VSTCALL TCustomVSTModule::ProcessDoubleReplacingEntry(AEffect* Effect, double** Inputs, double** Outputs,
                                                           VstInt32 SampleFrames)
{
    RunProcessing(Effect, &TCustomVSTModule::ProcessDoubleReplacing, Inputs, Outputs, SampleFrames);
}

// [thread-safe] Host write of a normalised value (SetParameterFromHost).
void VSTCALL TCustomVSTModule::SetParameterEntry(AEffect* Effect, VstInt32 Index, float Value)
{
    if (!Effect || !Effect->object)
        return;
    try
    {
        static_cast<TCustomVSTModule*>(Effect->object)->SetParameterFromHost(Index, Value);
    }
    catch (...)
    {
    }
}

// [thread-safe] Normalised value of a parameter; 0 outside the declarations.
float VSTCALL TCustomVSTModule::GetParameterEntry(AEffect* Effect, VstInt32 Index)
{
    if (!Effect || !Effect->object)
        return 0.0f;
    auto* Module = static_cast<TCustomVSTModule*>(Effect->object);
    try
    {
        if (Index >= 0 && Index < Module->numParams() && Index < Module->FParameterProperties->Count())
            return Module->ParameterToNormalized(Index, Module->Parameter(Index));
    }
    catch (...)
    {
    }
    return 0.0f;
}
