// Win32 window probe: this process's windows as the window system reports them, the screen's pixels,
// synthetic input through SendInput, its GUI resources and memory, and the answerer that presses OK on its
// message boxes from a thread of its own.
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

// [any] Enumeration callbacks: HWNDs into the vector at Param. Nothing may unwind out of them.
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

// This process's top-level windows, of every thread. [any]
std::vector<HWND> ProcessTopLevelWindows()
{
    std::vector<HWND> Result;
    EnumWindows(CollectOwnWindow, reinterpret_cast<LPARAM>(&Result));
    return Result;
}

// Every child window below Wnd, at any depth. [any]
std::vector<HWND> Descendants(HWND Wnd)
{
    std::vector<HWND> Result;
    EnumChildWindows(Wnd, CollectWindow, reinterpret_cast<LPARAM>(&Result));
    return Result;
}

} // namespace

// [editor]
std::vector<TWindowProbe> TopLevelWindows()
{
    std::vector<TWindowProbe> Result;
    for (HWND Wnd : ProcessTopLevelWindows())
        Result.push_back(Probe(Wnd));
    return Result;
}

// [editor]
std::optional<TWindowProbe> ProbeWindow(TNativeHandle Handle)
{
    HWND Wnd = static_cast<HWND>(Handle);
    if (!Wnd || !IsWindow(Wnd))
        return std::nullopt;
    return Probe(Wnd);
}

// [editor] BitBlt from the screen into a 32-bit top-down DIB section; its bytes are 0x00RRGGBB.
std::vector<std::uint32_t> CaptureScreen(const TRect& ScreenRect)
{
    const int W = ScreenRect.Width(), H = ScreenRect.Height();
    if (W <= 0 || H <= 0)
        return {};
    std::vector<std::uint32_t> Pixels(static_cast<std::size_t>(W) * H, 0xFF000000u);
    HDC Screen = GetDC(nullptr);
    HDC Memory = CreateCompatibleDC(Screen);
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = W;
    Info.bmiHeader.biHeight = -H;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    HBITMAP Bitmap = CreateDIBSection(Screen, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    if (Bitmap && Bits)
    {
        HGDIOBJ Old = SelectObject(Memory, Bitmap);
        BitBlt(Memory, 0, 0, W, H, Screen, ScreenRect.Left, ScreenRect.Top, SRCCOPY);
        GdiFlush();
        const auto* From = static_cast<const std::uint32_t*>(Bits);
        std::transform(From, From + Pixels.size(), Pixels.begin(), [](std::uint32_t P) { return 0xFF000000u | P; });
        SelectObject(Memory, Old);
        DeleteObject(Bitmap);
    }
    DeleteDC(Memory);
    ReleaseDC(nullptr, Screen);
    return Pixels;
}

namespace
{

void Send(INPUT& In)
{
    SendInput(1, &In, sizeof(INPUT));
}

void SendKey(WORD VirtualKey, bool Down)
{
    INPUT In{};
    In.type = INPUT_KEYBOARD;
    In.ki.wVk = VirtualKey;
    In.ki.wScan = static_cast<WORD>(MapVirtualKeyW(VirtualKey, MAPVK_VK_TO_VSC));
    In.ki.dwFlags = Down ? 0 : KEYEVENTF_KEYUP;
    Send(In);
}

// The keys that InjectKey holds down. [editor]
bool HeldShift = false, HeldCtrl = false;

// Wine's X11 driver sets the modifier keys to the X keyboard's state whenever the pointer enters one of its
// windows, and every pointer warp (so every injected move) grabs and releases the pointer, which counts as
// entering: the keys that only SendInput pressed come up again. Before each injected event, a held key that
// the system sees released is pressed again; on Windows the keys stay down and nothing is sent.
void PressHeldKeysAgain()
{
    if (HeldShift && GetAsyncKeyState(VK_SHIFT) >= 0)
        SendKey(VK_SHIFT, true);
    if (HeldCtrl && GetAsyncKeyState(VK_CONTROL) >= 0)
        SendKey(VK_CONTROL, true);
}

// The absolute coordinate (0..65535 over the primary screen's Size pixels) that lands on Pixel: the system
// maps A to floor(A * Size / 65536), so the smallest A at or above Pixel * 65536 / Size is the one.
LONG Normalised(int Pixel, int Size)
{
    if (Size <= 1)
        return 0;
    const long long P = std::clamp(Pixel, 0, Size - 1);
    return static_cast<LONG>((P * 65536 + Size - 1) / Size);
}

} // namespace

// [editor]
void InjectPointerMove(int ScreenX, int ScreenY)
{
    PressHeldKeysAgain();
    INPUT In{};
    In.type = INPUT_MOUSE;
    In.mi.dx = Normalised(ScreenX, GetSystemMetrics(SM_CXSCREEN));
    In.mi.dy = Normalised(ScreenY, GetSystemMetrics(SM_CYSCREEN));
    In.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(In);
}

// [editor]
void InjectMouseButton(TMouseButton Button, bool Down)
{
    PressHeldKeysAgain();
    INPUT In{};
    In.type = INPUT_MOUSE;
    switch (Button)
    {
    case TMouseButton::mbLeft: In.mi.dwFlags = Down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP; break;
    case TMouseButton::mbRight: In.mi.dwFlags = Down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP; break;
    case TMouseButton::mbMiddle: In.mi.dwFlags = Down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP; break;
    }
    Send(In);
}

// [editor]
void InjectWheel(int Notches)
{
    PressHeldKeysAgain();
    INPUT In{};
    In.type = INPUT_MOUSE;
    In.mi.mouseData = static_cast<DWORD>(WHEEL_DELTA * Notches);
    In.mi.dwFlags = MOUSEEVENTF_WHEEL;
    Send(In);
}

void InjectKey(TInjectedKey Key, bool Down)
{
    (Key == TInjectedKey::ikShift ? HeldShift : HeldCtrl) = Down;
    SendKey(Key == TInjectedKey::ikShift ? VK_SHIFT : VK_CONTROL, Down);
}

// [any] Keys held with InjectKey are not pressed again: typed text carries no modifiers.
void InjectText(const std::string& Text)
{
    for (const wchar_t C : Widen(Text))
    {
        if (C == L'\n')
        {
            SendKey(VK_RETURN, true);
            SendKey(VK_RETURN, false);
            continue;
        }
        for (const bool Down : {true, false})
        {
            INPUT In{};
            In.type = INPUT_KEYBOARD;
            In.ki.wScan = C;
            In.ki.dwFlags = KEYEVENTF_UNICODE | (Down ? 0 : KEYEVENTF_KEYUP);
            Send(In);
        }
    }
}

// [editor] Wine answers the foreground thread's cursor: null after SetCursor(nullptr), also during
// mouse capture, while CURSOR_SHOWING stays set; and null before any window of that thread set one.
bool CursorShowing()
{
    CURSORINFO Info{};
    Info.cbSize = sizeof Info;
    return GetCursorInfo(&Info) && (Info.flags & CURSOR_SHOWING) && Info.hCursor;
}

// [any] K32GetProcessMemoryInfo (kernel32 since Windows 7) or psapi's GetProcessMemoryInfo, looked up
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

    // [answerer] Presses OK on every new message box; each box is answered once.
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

    // [answerer]
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

// [editor]
TMessageBoxAnswerer::TMessageBoxAnswerer() : FImpl(std::make_unique<TImpl>())
{
    FImpl->Thread = std::thread([I = FImpl.get()] { I->Run(); });
}

// [editor] The thread sends no message to this one, so joining it cannot deadlock.
TMessageBoxAnswerer::~TMessageBoxAnswerer()
{
    FImpl->Stop = true;
    if (FImpl->Thread.joinable())
        FImpl->Thread.join();
}

// [editor]
std::vector<TMessageBoxRecord> TMessageBoxAnswerer::Records() const
{
    std::lock_guard<std::mutex> G(FImpl->Lock);
    return FImpl->Records;
}

// [any]
bool RequestWindowClose(TNativeHandle Window)
{
    HWND Wnd = static_cast<HWND>(Window);
    return IsWindow(Wnd) && PostMessageW(Wnd, WM_CLOSE, 0, 0);
}
