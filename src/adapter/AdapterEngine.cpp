#include "adapter/AdapterEngine.h"

#include "adapter/IgnoringErrors.h"
#include "adapter/WADSPVST.h"
#include "equaliser/SmallEQEntry.h"
#include "platform/Exceptions.h"
#include "platform/System.h"
#include "vsthost/DVSTHost.h"

TAdapterEngine::TAdapterEngine() : FHost(new TVstHost(nullptr))
{
    FHost->SetName("VstHost");
    FHost->VstPlugIns().Add();
    FHost->ParameterQuantization = 0;
    TVstHost::SetCanDos({hcdSendVstEvents, hcdSendVstMidiEvent, hcdSendVstTimeInfo, hcdReceiveVstEvents,
                         hcdReceiveVstMidiEvent, hcdReceiveVstTimeInfo, hcdSizeWindow, hcdAsyncProcessing,
                         hcdOffline, hcdSupplyIdle, hcdEditFile, hcdStartStopProcess});
    FHost->ManageIdleAutomaticly = false;
    FHost->SetTempo(120.0f);
    TVstHost::SetVstVersion(2400);
    FHost->VendorVersion = 0;
    FHost->PlugInDir = "C:\\Programme\\Audio\\Plugins\\VST";
    FHost->VstTimeInfo().SetSampleRate(44100.0);
    FHost->VstTimeInfo().SetTempo(120.0);
    FHost->VstTimeInfo().SetFlags({vtiNanosValid, vtiPpqPosValid, vtiTempoValid, vtiBarsValid, vtiCyclePosValid,
                                   vtiTimeSigValid, vtiSmpteValid, vtiClockValid});
    FHost->Loaded();
    SamplePlanes.Reserve(2, kReservedFrames);
}

TAdapterEngine::~TAdapterEngine()
{
    Release();
    delete FHost;
}

TVstPlugIn& TAdapterEngine::Instance() const
{
    return *FHost->VstPlugIns().Items(0);
}

void TAdapterEngine::StartEqualiser()
{
    TVstPlugIn& Plugin = Instance();
    // A block sees the instance either inactive or complete; the pauses for the plug-in leave the lock free.
    {
        TAdapterLockHold Hold;
        IgnoringErrors([&] { Plugin.CloseEdit(); });
        Plugin.SetActive(false);
    }
    SystemSleep(10);
    {
        TAdapterLockHold Hold;
        IgnoringErrors([&] { Plugin.Unload(); });
    }
    SystemSleep(10);
    AEffect* Effect = SmallEQMain(&AudioMasterCallback);
    if (!Effect)
        throw EMarvoError("Loading failed!");
    FEffect = Effect;
    {
        TAdapterLockHold Hold;
        Plugin.VstEffect = Effect;
        Plugin.SetActive(true);
    }
}

void TAdapterEngine::Release()
{
    TVstPlugIn& Plugin = Instance();
    IgnoringErrors([&] { Plugin.CloseEdit(); });
    IgnoringErrors([&] { Plugin.SetActive(false); });
    FEffect = nullptr;
    IgnoringErrors([&] { Plugin.Unload(); });
}
