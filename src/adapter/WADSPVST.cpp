#include "adapter/WADSPVST.h"

#include <exception>
#include <string>

#include "adapter/FmWinAmpVST.h"
#include "platform/Forms.h"
#include "platform/System.h"

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
// the system shuts down): the window goes before the application object, which owns the equaliser that the
// window's hosted instance still refers to. Only memory and windows of our own are released: no setting or
// registry is written, nothing is shown, nothing waits but for a block in progress.
struct TLibraryTeardown
{
    ~TLibraryTeardown()
    {
        if (!FmWinAmpVST)
            return;
        TCriticalSection* Lock = AdapterLock.exchange(nullptr, std::memory_order_acq_rel);
        if (Lock)
            Lock->Enter();
        try
        {
            ReleaseHostWindow(FmWinAmpVST);
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

TFmWinAmpVST* WindowOf(const TWinampDSPModule* Module)
{
    if (!Module || !Module->userData)
        return nullptr;
    return *static_cast<TFmWinAmpVST* const*>(Module->userData);
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
        if (!FmWinAmpVST)
        {
            // Built without the lock: no block reaches the window before it is published below, and its
            // exchange of the hosted effect takes the lock itself. So a message box or a slow start never
            // holds up the playback thread.
            auto* Window = new TFmWinAmpVST(&Application(), Module ? Module->hwndParent : nullptr);
            CreationError = Window->TakeCreationError();
            {
                TAdapterLockHold Hold;
                FmWinAmpVST = Window;
                if (Module)
                    Module->userData = &FmWinAmpVST;
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
        if (Module && Module->userData)
        {
            auto& Window = *static_cast<TFmWinAmpVST**>(Module->userData);
            try
            {
                CloseHostWindow(Window);
            }
            catch (const std::exception& E)
            {
                ShutdownError = E.what();
            }
            catch (...)
            {
                ShutdownError = "Unknown error";
            }
            delete Window;
            Window = nullptr;
        }
    }
    catch (...)
    {
    }
    AdapterLock.store(nullptr, std::memory_order_release);
    Lock->Leave();
    ShowErrorOnce(ShutdownError);
}
