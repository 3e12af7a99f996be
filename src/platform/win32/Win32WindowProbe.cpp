// Win32 window probe: this process's windows as the window system reports them, its GUI resources and
// memory, and the answerer that presses OK on its message boxes from a thread of its own.
#include "platform/win32/Win32Internal.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/WindowProbe.h"

using namespace Win32;

namespace
{

// The window's text without sending it a message (a busy or blocked thread does not stall the caller).
std::string TextOf(HWND Wnd)
{
    wchar_t Buffer[4096] = {};
    const int N = InternalGetWindowText(Wnd, Buffer, static_cast<int>(sizeof Buffer / sizeof Buffer[0]));
    return Narrow(std::wstring(Buffer, N > 0 ? static_cast<std::size_t>(N) : 0));
}

std::wstring ClassOf(HWND Wnd)
{
    wchar_t Buffer[256] = {};
    const int N = GetClassNameW(Wnd, Buffer, static_cast<int>(sizeof Buffer / sizeof Buffer[0]));
    return std::wstring(Buffer, N > 0 ? static_cast<std::size_t>(N) : 0);
}

TWindowProbe Probe(HWND Wnd)
{
    TWindowProbe P;
    P.Handle = Wnd;
    P.Caption = TextOf(Wnd);
    P.ClassName = Narrow(ClassOf(Wnd));
    P.Owner = GetWindow(Wnd, GW_OWNER);
    P.Visible = (GetWindowLongW(Wnd, GWL_STYLE) & WS_VISIBLE) != 0;
    RECT R{};
    GetWindowRect(Wnd, &R);
    P.Bounds = {R.left, R.top, R.right, R.bottom};
    RECT C{};
    GetClientRect(Wnd, &C);
    MapWindowPoints(Wnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&C), 2);
    P.Client = {C.left, C.top, C.right, C.bottom};
    return P;
}

// [any thread] Enumeration callbacks: HWNDs into the vector at Param. Nothing may unwind out of them.
BOOL CALLBACK CollectOwnWindow(HWND Wnd, LPARAM Param)
{
    try
    {
        DWORD Process = 0;
        GetWindowThreadProcessId(Wnd, &Process);
        if (Process == GetCurrentProcessId())
            reinterpret_cast<std::vector<HWND>*>(Param)->push_back(Wnd);
        return TRUE;
    }
    catch (...)
    {
        return FALSE;
    }
}

BOOL CALLBACK CollectWindow(HWND Wnd, LPARAM Param)
{
    try
    {
        reinterpret_cast<std::vector<HWND>*>(Param)->push_back(Wnd);
        return TRUE;
    }
    catch (...)
    {
        return FALSE;
    }
}

// This process's top-level windows, of every thread. [any thread]
std::vector<HWND> ProcessTopLevelWindows()
{
    std::vector<HWND> Result;
    EnumWindows(CollectOwnWindow, reinterpret_cast<LPARAM>(&Result));
    return Result;
}

// Every child window below Wnd, at any depth. [any thread]
std::vector<HWND> Descendants(HWND Wnd)
{
    std::vector<HWND> Result;
    EnumChildWindows(Wnd, CollectWindow, reinterpret_cast<LPARAM>(&Result));
    return Result;
}

} // namespace

// [window thread]
std::vector<TWindowProbe> TopLevelWindows()
{
    std::vector<TWindowProbe> Result;
    for (HWND Wnd : ProcessTopLevelWindows())
        Result.push_back(Probe(Wnd));
    return Result;
}

// [window thread]
std::optional<TWindowProbe> ProbeWindow(TNativeHandle Handle)
{
    HWND Wnd = static_cast<HWND>(Handle);
    if (!Wnd || !IsWindow(Wnd))
        return std::nullopt;
    return Probe(Wnd);
}

// [any thread] K32GetProcessMemoryInfo (kernel32 since Windows 7) or psapi's GetProcessMemoryInfo, looked up
// at run time so that the library imports nothing more.
TProcessResources ProcessResources()
{
    TProcessResources R;
    for (HWND Wnd : ProcessTopLevelWindows())
        R.Windows += 1 + static_cast<int>(Descendants(Wnd).size());
    R.UserObjects = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    R.GdiObjects = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));

    using TGetMemoryInfo = BOOL(WINAPI*)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);
    auto Get = reinterpret_cast<TGetMemoryInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "K32GetProcessMemoryInfo")));
    if (!Get)
        if (HMODULE Psapi = LoadLibraryW(L"psapi.dll")) // kept loaded: it is a system library
            Get = reinterpret_cast<TGetMemoryInfo>(
                reinterpret_cast<void*>(GetProcAddress(Psapi, "GetProcessMemoryInfo")));
    PROCESS_MEMORY_COUNTERS_EX Counters{};
    Counters.cb = sizeof Counters;
    if (Get && Get(GetCurrentProcess(), reinterpret_cast<PPROCESS_MEMORY_COUNTERS>(&Counters), sizeof Counters))
        R.PrivateBytes = Counters.PrivateUsage ? Counters.PrivateUsage : Counters.PagefileUsage;
    return R;
}

// ---- TMessageBoxAnswerer ----------------------------------------------------------------------------------

namespace
{

constexpr unsigned kAnswerPollMilliseconds = 10;

// A message box: a visible dialog whose children are only static controls (the icon and the text) and
// buttons, which tells it from the file dialogs, also "#32770".
bool IsMessageBox(HWND Wnd)
{
    if (!IsWindowVisible(Wnd) || ClassOf(Wnd) != L"#32770")
        return false;
    for (HWND Child : Descendants(Wnd))
    {
        const std::wstring C = ClassOf(Child);
        if (lstrcmpiW(C.c_str(), L"Static") != 0 && lstrcmpiW(C.c_str(), L"Button") != 0)
            return false;
    }
    return true;
}

// The text of the static control that is not the icon (the longest, should there be several).
std::string MessageBoxText(HWND Box)
{
    std::string Text;
    for (HWND Child : Descendants(Box))
    {
        if (lstrcmpiW(ClassOf(Child).c_str(), L"Static") != 0 || (GetWindowLongW(Child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        std::string T = TextOf(Child);
        if (T.size() > Text.size())
            Text = std::move(T);
    }
    return Text;
}

} // namespace

struct TMessageBoxAnswerer::TImpl
{
    mutable std::mutex Lock;
    std::vector<TMessageBoxRecord> Records;
    std::vector<HWND> Answered; // boxes that were sent OK and may still be closing
    std::atomic<bool> Stop{false};
    std::thread Thread;

    // [answerer thread] Presses OK on every new message box; each box is answered once.
    void Poll()
    {
        std::vector<HWND> StillThere;
        for (HWND Wnd : Answered)
            if (IsWindow(Wnd))
                StillThere.push_back(Wnd);
        Answered.swap(StillThere);
        for (HWND Box : ProcessTopLevelWindows())
        {
            if (std::find(Answered.begin(), Answered.end(), Box) != Answered.end() || !IsMessageBox(Box))
                continue;
            TMessageBoxRecord R{MessageBoxText(Box), TextOf(Box)};
            {
                std::lock_guard<std::mutex> G(Lock);
                Records.push_back(std::move(R));
            }
            Answered.push_back(Box);
            PostMessageW(Box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Box, IDOK)));
        }
    }

    // [answerer thread]
    void Run()
    {
        while (!Stop.load())
        {
            try
            {
                Poll();
            }
            catch (...)
            {
            }
            Sleep(kAnswerPollMilliseconds);
        }
    }
};

// [window thread]
TMessageBoxAnswerer::TMessageBoxAnswerer() : FImpl(std::make_unique<TImpl>())
{
    FImpl->Thread = std::thread([I = FImpl.get()] { I->Run(); });
}

// [window thread] The thread sends no message to this one, so joining it cannot deadlock.
TMessageBoxAnswerer::~TMessageBoxAnswerer()
{
    FImpl->Stop = true;
    if (FImpl->Thread.joinable())
        FImpl->Thread.join();
}

// [window thread]
std::vector<TMessageBoxRecord> TMessageBoxAnswerer::Records() const
{
    std::lock_guard<std::mutex> G(FImpl->Lock);
    return FImpl->Records;
}
