#include "adapter/WADSPVST.h"

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

// [any thread] Answers module 0; null for every other index.
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
    try
    {
        // A second Init without Quit keeps the lock that a block in progress may hold.
        TCriticalSection& Lock = AdapterLockObject();
        Lock.Enter();
        AdapterLock.store(&Lock, std::memory_order_release);
        try
        {
            if (!FmWinAmpVST)
            {
                FmWinAmpVST = new TFmWinAmpVST(&Application(), Module ? Module->hwndParent : nullptr);
                if (Module)
                    Module->userData = &FmWinAmpVST;
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
        Lock.Leave();
    }
    catch (...)
    {
    }
    return 0;
}

void WADSPCALL Quit(TWinampDSPModule* Module)
{
    TCriticalSection* Lock = AdapterLock.load(std::memory_order_acquire);
    if (!Lock)
        return;
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
            catch (...)
            {
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
}
