#include "adapter/WADSPVST.h"

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "adapter/AdapterEngine.h"
#include "adapter/FmWinAmpVST.h"
#include "adapter/IgnoringErrors.h"
#include "platform/Exceptions.h"
#include "platform/Forms.h"
#include "platform/System.h"

TAdapterEngine* MarvoEngine = nullptr;
TFmWinAmpVST* FmWinAmpVST = nullptr;
std::atomic<TCriticalSection*> AdapterLock{nullptr};

namespace
{

char ModuleDescription[] = "Marvo for WinAmp";
char HeaderDescription[] = "Marvo for WinAmp";

TWinampDSPModule* WADSPCALL GetModule(std::int32_t Index);

TWinampDSPModule Module0 = {ModuleDescription, nullptr, nullptr, &Config, &Init, &ModifySamples, &Quit, nullptr};
TWinampDSPHeader Header = {kWinampDSPVersion, HeaderDescription, &GetModule};

// [any] Answers module 0; null for every other index.
TWinampDSPModule* WADSPCALL GetModule(std::int32_t Index)
{
    return Index == 0 ? &Module0 : nullptr;
}

// The lock object behind AdapterLock, created at the first Init and kept while the library is loaded.
TCriticalSection& AdapterLockObject()
{
    static TCriticalSection Lock;
    return Lock;
}

// [host-main] Shows a failure of Init or Quit to the listener in the application's message box, with no
// lock held; nothing for an empty message.
void ShowErrorOnce(const std::string& Message)
{
    if (Message.empty())
        return;
    try
    {
        Application().ShowException(Message);
    }
    catch (...)
    {
    }
}

// The adapter's part of the library's end when the player never called Quit (it was ended abnormally, or
// the system shuts down): the engine and the window go before the application object and the platform
// layer's own objects, which the window and the equaliser's editor in it still refer to. Only memory and
// windows of our own are released: no setting or registry is written, nothing is shown, nothing waits but for
// a block in progress.
struct TLibraryTeardown
{
    ~TLibraryTeardown()
    {
        if (!MarvoEngine && !FmWinAmpVST)
            return;
        TCriticalSection* Lock = AdapterLock.exchange(nullptr, std::memory_order_acq_rel);
        if (Lock)
            Lock->Enter();
        try
        {
            ReleaseAdapter();
        }
        catch (...)
        {
        }
        if (Lock)
            Lock->Leave();
    }
};

// [host-main] Makes sure the teardown runs before the application object and the platform layer's own
// objects are destroyed: statics are destroyed in the reverse order of their construction, and this one is
// constructed after the application object, the lock and the first window.
void ArmLibraryTeardown()
{
    Application();
    AdapterLockObject();
    static TLibraryTeardown Teardown;
}

} // namespace

TAdapterEngine* EngineOf(const TWinampDSPModule* Module)
{
    if (!Module || !Module->userData)
        return nullptr;
    return *static_cast<TAdapterEngine* const*>(Module->userData);
}

TFmWinAmpVST* WindowOf(const TWinampDSPModule* Module)
{
    return EngineOf(Module) ? FmWinAmpVST : nullptr;
}

void CloseAdapter()
{
    if (!MarvoEngine && !FmWinAmpVST)
        return;
    if (TFmWinAmpVST* Window = FmWinAmpVST)
    {
        IgnoringErrors([&] { Window->StoreWindowState(); });
        IgnoringErrors([&] { Window->Hide(); });
        IgnoringErrors([&] { Window->Timer->SetEnabled(false); });
    }

    // Saving may fail (a folder nobody may write to, a full disk); the teardown runs regardless so that the
    // editor, the instance and the window never outlive the adapter.
    std::string SaveError;
    try
    {
        if (MarvoEngine)
            MarvoEngine->SaveSetting();
    }
    catch (const std::exception& E)
    {
        SaveError = E.what();
    }
    catch (...)
    {
        SaveError = "cannot write preset file";
    }
    ReleaseAdapter();
    if (!SaveError.empty())
        throw EMarvoError(SaveError);
}

void ReleaseAdapter()
{
    TFmWinAmpVST* Window = std::exchange(FmWinAmpVST, nullptr);
    TAdapterEngine* Engine = std::exchange(MarvoEngine, nullptr);
    if (Engine)
        Engine->Release();
    delete Window;
    delete Engine;
}

TWinampDSPHeader* WinampDSPHeader()
{
    return &Header;
}

TAdapterLockHold::TAdapterLockHold() : FLock(AdapterLock.load(std::memory_order_acquire))
{
    if (FLock)
        FLock->Enter();
}

TAdapterLockHold::~TAdapterLockHold()
{
    if (FLock)
        FLock->Leave();
}

void WADSPCALL Config(TWinampDSPModule* Module)
{
    try
    {
        if (TFmWinAmpVST* Window = WindowOf(Module))
        {
            Window->Show();
            Window->BringToFront();
        }
    }
    catch (...)
    {
    }
}

std::int32_t WADSPCALL Init(TWinampDSPModule* Module)
{
    std::string CreationError;
    try
    {
        // A second Init without Quit keeps the lock that a block in progress may hold.
        AdapterLock.store(&AdapterLockObject(), std::memory_order_release);
        if (!MarvoEngine)
        {
            // Built without the lock: no block reaches the engine before it is published below, and its
            // exchange of the hosted effect takes the lock itself. So a message box or a slow start never
            // holds up the playback thread.
            auto Engine = std::make_unique<TAdapterEngine>();
            auto* Window = new TFmWinAmpVST(&Application(), Module ? Module->hwndParent : nullptr, *Engine);
            CreationError = Window->TakeCreationError();
            {
                TAdapterLockHold Hold;
                MarvoEngine = Engine.release();
                FmWinAmpVST = Window;
                if (Module)
                    Module->userData = &MarvoEngine;
            }
            // After the window, so that what the platform layer set up for it outlives the teardown.
            ArmLibraryTeardown();
        }
        else if (TFmWinAmpVST* Window = WindowOf(Module))
        {
            Window->Timer->OnTimer = [Window](TComponent* Sender) { Window->TimerTimer(Sender); };
            Application().ProcessMessages();
            SystemSleep(10);
            Window->Show();
        }
    }
    catch (...)
    {
    }
    ShowErrorOnce(CreationError);
    return 0;
}

void WADSPCALL Quit(TWinampDSPModule* Module)
{
    TCriticalSection* Lock = AdapterLock.load(std::memory_order_acquire);
    if (!Lock)
        return;
    std::string ShutdownError;
    Lock->Enter();
    try
    {
        if (EngineOf(Module))
        {
            try
            {
                CloseAdapter();
            }
            catch (const std::exception& E)
            {
                ShutdownError = E.what();
            }
            catch (...)
            {
                ShutdownError = "Unknown error";
            }
        }
    }
    catch (...)
    {
    }
    AdapterLock.store(nullptr, std::memory_order_release);
    Lock->Leave();
    ShowErrorOnce(ShutdownError);
}
