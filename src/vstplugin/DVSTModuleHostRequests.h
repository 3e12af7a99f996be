#pragma once
// The requests a module sends to its host (plug-in to host), the counterpart of the dispatcher. A module is
// a TVSTModuleHostRequests: one operation per audioMaster opcode, each answering the stated default while no
// callback is installed. Two requests change the module's own state and live with it (DVSTModule.h):
// HostGetSampleRate and HostGetBlockSize.
//
// Requests sent from a window thread of the toolkit's own (our X11 thread in a foreign host) without a
// pointer argument are queued and sent on the host's next dispatcher call, so that the editor never waits on
// a host that waits in our dispatcher; such a request answers 0 (a queued size request answers true).
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/System.h"
#include "vstplugin/DVSTEffect.h"

class TVSTModuleHostRequests
{
public:
    TVSTModuleHostRequests(const TVSTModuleHostRequests&) = delete;
    TVSTModuleHostRequests& operator=(const TVSTModuleHostRequests&) = delete;

    // [any] The installed callback; null before SetAudioMaster.
    TAudioMasterCallbackFunc AudioMaster() const { return FAudioMaster; }

    std::string HostProduct();                           // [host-main] asked once, "Unknown" without an answer
    virtual std::int32_t HostVersion();                  // [any] 1 when the host answers 0
    virtual std::int32_t HostCurrentId();                // [any]
    virtual void HostIdle();                             // [host-main, editor]
    virtual bool IsInputConnected(std::int32_t Input);   // [any] true when the host answers 0
    virtual bool IsOutputConnected(std::int32_t Output); // [any] likewise
    void HostWantMidi();                                 // [host-main, editor]
    virtual VstTimeInfo* HostGetTime(std::int32_t Filter);            // [any]
    virtual bool HostProcessEvents(VstEvents* Events);                // [audio]
    virtual void HostSetTime(std::int32_t Filter, VstTimeInfo* Info); // [any]
    virtual std::int32_t HostTempoAt(std::int32_t SamplePos);         // [any]
    virtual std::int32_t HostGetNumAutomatableParameters();           // [any]
    virtual std::int32_t HostGetParameterQuantization();              // [any]
    virtual bool HostIOChanged();                                     // [host-main, editor]
    virtual bool HostNeedIdle();                                      // [host-main, editor]
    // [host-main, editor] A queued request reaches the host only at its next call, so its answer cannot come
    // back: it answers true.
    virtual bool HostSizeWindow(std::int32_t Width, std::int32_t Height);
    virtual std::int32_t HostGetInputLatency();               // [any]
    virtual std::int32_t HostGetOutputLatency();              // [any]
    virtual AEffect* HostGetPreviousPlug(std::int32_t Input); // [any]
    virtual AEffect* HostGetNextPlug(std::int32_t Output);    // [any]
    virtual std::int32_t HostWillReplaceOrAccumulate();       // [any]
    virtual std::int32_t HostGetCurrentProcessLevel();        // [any]
    virtual std::int32_t HostGetAutomationState();            // [any]
    // [host-main, editor]
    virtual bool HostOfflineStart(TVstAudioFile* AudioFiles, std::int32_t numAudioFiles, std::int32_t numNewAudioFiles);
    virtual bool HostOfflineRead(TVstOfflineTask* Offline, std::int32_t Option, bool ReadSource); // [host-main, editor]
    virtual bool HostOfflineWrite(TVstOfflineTask* Offline, std::int32_t Option); // [host-main, editor]
    virtual bool HostOfflineGetCurrentPass();                                     // [host-main, editor]
    virtual bool HostOfflineGetCurrentMetaPass();                                 // [host-main, editor]
    virtual void HostSetOutputSampleRate(float SampleRate);                       // [host-main, editor]
    virtual VstSpeakerArrangement* HostGetInputSpeakerArrangement();              // [host-main, editor]
    virtual VstSpeakerArrangement* HostGetOutputSpeakerArrangement();             // [host-main, editor]
    virtual bool HostGetVendorString(char* Text);  // [host-main, editor] Text: at least 64 bytes
    virtual bool HostGetProductString(char* Text); // [host-main, editor] Text: at least 64 bytes
    virtual std::int32_t HostGetVendorVersion();   // [host-main, editor]
    // [any]
    virtual std::intptr_t HostVendorSpecific(std::int32_t Index, std::intptr_t Value, void* Ptr, float Opt);
    virtual std::int32_t HostCanDo(const char* Text);      // [host-main, editor] 1 yes, -1 no, 0 unknown
    virtual std::int32_t HostGetLanguage();                // [host-main, editor]
    virtual std::intptr_t HostOpenWindow(void* Window);    // [host-main, editor]
    virtual bool HostCloseWindow(void* Window);            // [host-main, editor]
    virtual void* HostGetDirectory();                      // [host-main, editor]
    virtual bool HostUpdateDisplay();                      // [host-main, editor]
    virtual bool HostBeginEdit(std::int32_t Index);        // [host-main, editor]
    virtual bool HostEndEdit(std::int32_t Index);          // [host-main, editor]
    virtual bool HostOpenFileSelector(void* Selector);     // [host-main, editor] nothing is sent for a null one

protected:
    // [host-main] Effect is the record every request names as its sender; it outlives these requests.
    explicit TVSTModuleHostRequests(AEffect& Effect) : FSender(Effect) {}
    virtual ~TVSTModuleHostRequests() = default;

    // [host-main]
    void SetCallback(TAudioMasterCallbackFunc Callback) { FAudioMaster = Callback; }

    // [any] Sends one request through the installed callback; Answered is false without one. On a window
    // thread of the toolkit's own the requests without a pointer argument (automation, beginEdit, endEdit,
    // sizeWindow, updateDisplay, ...) are queued for the host's next dispatcher call and answer 0 with
    // Answered true; the others answer 0 with Answered false.
    VstIntPtr CallAudioMaster(TAudioMasterOpcode Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr, float Opt,
                              bool& Answered);
    // [any] CallAudioMaster for a request whose caller does not ask whether it was answered.
    VstIntPtr SendToHost(TAudioMasterOpcode Opcode, VstInt32 Index = 0, VstIntPtr Value = 0, void* Ptr = nullptr,
                         float Opt = 0.0f);
    // [any] Whether requests from this thread are queued (see CallAudioMaster).
    bool DefersHostRequests() const;
    // [editor] The calling thread is a window thread of the toolkit's own: its requests are queued from now on.
    void QueueRequestsOfThisThread() { FOwnWindowThread.store(CurrentThreadKey()); }
    // [any] Sends the queued requests, in order, on the calling thread; does nothing on the own window
    // thread or while another thread sends them.
    void DeliverDeferredRequests();

private:
    struct TDeferredRequest
    {
        TAudioMasterOpcode Opcode;
        VstInt32 Index;
        VstIntPtr Value;
        float Opt;
    };

    AEffect& FSender;
    TAudioMasterCallbackFunc FAudioMaster = nullptr;
    std::mutex FDeferredLock;
    std::vector<TDeferredRequest> FDeferred;
    std::atomic<bool> FDeferredPending{false};
    // The window thread's key (CurrentThreadKey: read on the audio thread too, so never a std::thread::id,
    // whose first reading on a foreign thread may allocate under mingw); 0: none.
    std::atomic<std::uintptr_t> FOwnWindowThread{0};
    std::string FHostProduct;
};
