#pragma once
// The events of a module, listed once. MARVO_VST_MODULE_EVENTS is the one list: it makes the module's
// event members (DVSTModule.h), the handler fields of a declaration and their binding
// (DVSTModuleDeclaration.h). Each event is optional: an unassigned one is skipped. Sender is the module;
// reference arguments are in-out. The comment beside each event names the thread it fires on.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Component.h"
#include "platform/EditorWindow.h"
#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTModuleItems.h"

using TGetEditorEvent = std::function<void(TComponent* Sender, TEditorWindow*& GUI)>;
using TVSTKeyEvent = std::function<void(TComponent* Sender, TVstKeyCode& KeyCode)>;
using TSetKnobModeEvent = std::function<void(TComponent* Sender, std::int32_t Val)>;
using TBlockSizeChangeEvent = std::function<void(TComponent* Sender, std::int32_t BlockSize)>;
using TSampleRateChangeEvent = std::function<void(TComponent* Sender, float SampleRate)>;
using TGetVUEvent = std::function<void(float& VU)>;
// Inputs and Outputs are arrays of channel pointers (numInputs and numOutputs of them), SampleFrames long.
using TProcessAudioEvent = std::function<void(float** Inputs, float** Outputs, std::int32_t SampleFrames)>;
using TProcessDoubleEvent = std::function<void(double** Inputs, double** Outputs, std::int32_t SampleFrames)>;
using TSoftBypassEvent = std::function<void(TComponent* Sender, bool onOff)>;
using TProcessMidiEvent = std::function<void(TComponent* Sender, const TVstMidiEvent& MidiEvent)>;
using TInOutConnectedEvent = std::function<void(TComponent* Sender, std::int32_t Index, bool State)>;
using TOfflineNotifyEvent =
    std::function<void(TComponent* Sender, TVstAudioFile* AudioFile, std::int32_t numAudioFiles, bool start)>;
using TOfflinePrepareEvent = std::function<void(TComponent* Sender, TVstOfflineTask* OfflineTask, std::int32_t count)>;
using TOfflineRunEvent = TOfflinePrepareEvent;
using TProcessVarIOEvent = std::function<void(TComponent* Sender, TVstVariableIo* varIo)>;
using TOnSetPanLawEvent = std::function<void(TComponent* Sender, std::int32_t& vType, float& val)>;
using TOnBeginLoadBankEvent = std::function<void(TComponent* Sender, const TVstPatchChunkInfo& PatchChunkInfo)>;
using TOnBeginLoadProgramEvent = TOnBeginLoadBankEvent;
using TOnDispatcherEvent = std::function<void(TComponent* Sender, TDispatcherOpcode opCode)>;
using TOnVendorSpecificEvent = std::function<std::int32_t(TComponent* Sender, std::int32_t lArg1,
                                                          std::intptr_t lArg2, void* ptrArg, float floatArg)>;
using TOnCanDoEvent = std::function<std::int32_t(TComponent* Sender, const std::string& CanDoText)>;
using TOnGetChannelPropertiesEvent =
    std::function<std::int32_t(TComponent* Sender, std::string& vLabel, std::string& shortLabel,
                               std::int32_t& SpeakerArrangement, TChannelPropertyFlags& Flags)>;
using TOnCheckKey = std::function<bool(TComponent* Sender, char Key)>;
using TGetChunkParameterEvent = std::function<float(TComponent* Sender, std::int32_t Index)>;

// EVENT(Name, Type) is a public member of the module; ROUTED(Name, Type) is kept privately and assigned with
// SetName, which recomputes the processing routes. The order is the order of a declaration's fields
// (designated initialisers follow it).
#define MARVO_VST_MODULE_EVENTS(EVENT, ROUTED)                                                                   \
    EVENT(OnCreate, TNotifyEvent)                           /* [host-main] at construction */                    \
    EVENT(OnDestroy, TNotifyEvent)                          /* [host-main, or editor with the editor open] */    \
    EVENT(OnInitialize, TNotifyEvent)                       /* [host-main] at construction */                    \
    EVENT(OnOpen, TNotifyEvent)                             /* [host-main] */                                    \
    EVENT(OnClose, TNotifyEvent)                            /* [host-main]; editor with the editor open */       \
    EVENT(OnEditOpen, TGetEditorEvent)                      /* [editor] the handler creates the editor window */ \
    EVENT(OnEditClose, TNotifyEvent)                        /* [editor] */                                       \
    EVENT(OnEditIdle, TNotifyEvent)                         /* [editor] */                                       \
    EVENT(OnEditTop, TNotifyEvent)                          /* [editor] */                                       \
    EVENT(OnEditSleep, TNotifyEvent)                        /* [editor] */                                       \
    EVENT(OnEditorKeyDown, TVSTKeyEvent)                    /* [editor] */                                       \
    EVENT(OnEditorKeyUp, TVSTKeyEvent)                      /* [editor] */                                       \
    EVENT(OnEditorKnobMode, TSetKnobModeEvent)              /* [host-main] */                                    \
    EVENT(OnParameterChange, TParameterChangeEvent)         /* [thread-safe] after every parameter write */      \
    EVENT(OnParameterSizeFailed, TNotifyEvent)              /* [thread-safe] the host's setParameter */          \
    EVENT(OnResume, TNotifyEvent)                           /* [host-main] */                                    \
    EVENT(OnSuspend, TNotifyEvent)                          /* [host-main] */                                    \
    EVENT(OnBlockSizeChange, TBlockSizeChangeEvent)         /* [any, audio in the player] */                     \
    EVENT(OnSampleRateChange, TSampleRateChangeEvent)       /* [any, audio in the player] */                     \
    EVENT(OnGetVU, TGetVUEvent)                             /* [host-main] */                                    \
    ROUTED(OnProcess, TProcessAudioEvent)                   /* [audio] */                                        \
    ROUTED(OnProcessReplacing, TProcessAudioEvent)          /* [audio] */                                        \
    ROUTED(OnProcessDoubleReplacing, TProcessDoubleEvent)   /* [audio] */                                        \
    EVENT(OnSoftBypass, TSoftBypassEvent)                   /* [host-main] */                                    \
    EVENT(OnProcessMidi, TProcessMidiEvent)                 /* [audio] once per MIDI event */                    \
    EVENT(OnInConnected, TInOutConnectedEvent)              /* [host-main] */                                    \
    EVENT(OnOutConnected, TInOutConnectedEvent)             /* [host-main] */                                    \
    EVENT(OnStartProcess, TNotifyEvent)                     /* [host-main] */                                    \
    EVENT(OnStopProcess, TNotifyEvent)                      /* [host-main] */                                    \
    EVENT(OnOfflineNotify, TOfflineNotifyEvent)             /* [host-main] */                                    \
    EVENT(OnOfflinePrepare, TOfflinePrepareEvent)           /* [host-main] */                                    \
    EVENT(OnOfflineRun, TOfflineRunEvent)                   /* [host-main] */                                    \
    EVENT(OnProcessVarIO, TProcessVarIOEvent)               /* [host-main] */                                    \
    EVENT(OnSetPanLaw, TOnSetPanLawEvent)                   /* [host-main] */                                    \
    EVENT(OnBeginLoadBank, TOnBeginLoadBankEvent)           /* [host-main] */                                    \
    EVENT(OnBeginLoadProgram, TOnBeginLoadProgramEvent)     /* [host-main] */                                    \
    EVENT(OnBeginSetProgram, TNotifyEvent)                  /* [host-main] */                                    \
    EVENT(OnEndSetProgram, TNotifyEvent)                    /* [host-main] */                                    \
    EVENT(OnBeforeProgramChange, TNotifyEvent)              /* [host-main] before a program switch */            \
    EVENT(OnAfterProgramChange, TNotifyEvent)               /* [host-main] after a program switch */             \
    EVENT(OnDispatcher, TOnDispatcherEvent)                 /* [any; editor opcodes: editor] before each one */  \
    EVENT(OnVendorSpecific, TOnVendorSpecificEvent)         /* [host-main] */                                    \
    EVENT(OnCanDo, TOnCanDoEvent)                           /* [host-main] */                                    \
    EVENT(OnInputProperties, TOnGetChannelPropertiesEvent)  /* [host-main] */                                    \
    EVENT(OnOutputProperties, TOnGetChannelPropertiesEvent) /* [host-main] */                                    \
    EVENT(OnCheckKey, TOnCheckKey)                          /* [editor] after a forwarded key */                 \
    EVENT(OnGetChunkParameter, TGetChunkParameterEvent)     /* [thread-safe] values under effFlagsProgramChunks */

namespace VSTModuleDetail
{
// The member function of TModule that handles an event of type TEvent.
template <class TModule, class TEvent>
struct THandlerOf;
template <class TModule, class R, class... A>
struct THandlerOf<TModule, std::function<R(A...)>>
{
    using Type = R (TModule::*)(A...);
};
} // namespace VSTModuleDetail
