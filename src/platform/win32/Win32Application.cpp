// Win32 window toolkit, the application's part: the form window class and the parking window (released when
// the library unloads), timers, the message loop, the cursor, the display scale and the system services that
// belong to the window system (message boxes, file dialogs, the pointer, the screen).
// Every function here runs on the thread that owns the windows ([editor]) unless it is tagged otherwise.
#include "platform/win32/Win32Internal.h"

#include <algorithm>
#include <new>

using namespace Win32;

namespace
{

bool ClassesRegistered = false;
HWND ParkingWnd = nullptr;

} // namespace

namespace Win32
{

// The live timers by identifier. Built in the library's own storage and never destroyed, so a timer freed
// during static destruction still finds it; it owns no memory once the last timer is gone, so unloading the
// library leaves nothing behind (a heap-allocated map would be lost at every unload).
TTimerMap& TimerMap()
{
    alignas(TTimerMap) static unsigned char Storage[sizeof(TTimerMap)];
    static TTimerMap* M = new (Storage) TTimerMap();
    return *M;
}

void RegisterClasses()
{
    if (ClassesRegistered)
        return;
    ClassesRegistered = true;
    INITCOMMONCONTROLSEX Icc{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&Icc);
    WNDCLASSEXW C{};
    C.cbSize = sizeof C;
    C.style = CS_HREDRAW | CS_VREDRAW;
    C.lpfnWndProc = FormWndProc;
    C.hInstance = ModuleInstance();
    C.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    C.lpszClassName = kFormClass;
    RegisterClassExW(&C);
}

COLORREF ToColorRef(std::uint32_t ARGB)
{
    return RGB((ARGB >> 16) & 0xFF, (ARGB >> 8) & 0xFF, ARGB & 0xFF);
}

HFONT ControlFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// [any]
HINSTANCE ModuleInstance()
{
    HMODULE M = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&FormWndProc), &M);
    return M;
}

// [editor]
HWND ParkingWindow()
{
    HWND& W = ParkingWnd;
    if (!W || !IsWindow(W))
    {
        RegisterClasses();
        W = CreateWindowExW(WS_EX_TOOLWINDOW, kFormClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            ModuleInstance(), nullptr);
    }
    return W;
}

namespace
{

// When the library is unloaded its window procedure goes with it: a window of our class left behind (the
// parking window outlives every form) would call into freed code at the next message anyone sends it, a
// broadcast of the system's settings for one. Made when the library loads, so it is destroyed after the
// application object and its forms. Only the thread that made the window may destroy it; at the unload the
// player's window thread is the one that runs this.
struct TClassRelease
{
    TClassRelease() = default;
    TClassRelease(const TClassRelease&) = delete;
    TClassRelease& operator=(const TClassRelease&) = delete;
    ~TClassRelease()
    {
        if (ParkingWnd && IsWindow(ParkingWnd) && GetWindowThreadProcessId(ParkingWnd, nullptr) == GetCurrentThreadId())
            DestroyWindow(ParkingWnd);
        ParkingWnd = nullptr;
        ReleaseWheelHooks(); // forms left alive: their hooks must not outlive the code
        if (ClassesRegistered)
            UnregisterClassW(kFormClass, ModuleInstance());
        ClassesRegistered = false;
    }
} ClassRelease;

} // namespace

} // namespace Win32

// ---- Timers and the message loop ----------------------------------------------------------------------------

struct TTimer::TImpl
{
    UINT_PTR Id = 0;
    unsigned Interval = 1000;
    bool Enabled = true;
};

namespace
{

void UpdateTimer(TTimer* T)
{
    auto* I = T->Impl();
    HWND W = ParkingWindow();
    KillTimer(W, I->Id);
    if (I->Enabled && I->Interval > 0)
        SetTimer(W, I->Id, I->Interval, nullptr);
}

} // namespace

// [editor]
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_unique<TImpl>())
{
    static UINT_PTR NextId = 0x4D00;
    FImpl->Id = ++NextId;
    TimerMap()[FImpl->Id] = this;
    UpdateTimer(this);
}

// [editor]
TTimer::~TTimer()
{
    KillTimer(ParkingWindow(), FImpl->Id);
    TimerMap().erase(FImpl->Id);
}

unsigned TTimer::Interval() const { return FImpl->Interval; }
void TTimer::SetInterval(unsigned Milliseconds)
{
    FImpl->Interval = Milliseconds;
    UpdateTimer(this);
}
bool TTimer::Enabled() const { return FImpl->Enabled; }
void TTimer::SetEnabled(bool V)
{
    FImpl->Enabled = V;
    UpdateTimer(this);
}

// [editor] Dispatches every waiting message of this thread once; a quit request is left queued.
void NativeProcessMessages()
{
    MSG M;
    while (PeekMessageW(&M, nullptr, 0, 0, PM_REMOVE))
    {
        if (M.message == WM_QUIT)
        {
            PostQuitMessage(static_cast<int>(M.wParam));
            break;
        }
        TranslateMessage(&M);
        DispatchMessageW(&M);
    }
}

// [any] Windows belong to the thread that makes them: the caller's.
void NativeRunInWindowThread(const std::function<void()>& Call)
{
    Call();
}

// [editor]
bool NativeHandleMessage()
{
    MSG M;
    if (!PeekMessageW(&M, nullptr, 0, 0, PM_NOREMOVE))
        WaitMessage();
    NativeProcessMessages();
    return !PeekMessageW(&M, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}

// [editor] The invisible cursor stays while the pointer is over our windows (WM_SETCURSOR).
void NativeCursor(TCursor C)
{
    ::SetCursor(C == TCursor::crNone ? nullptr : LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
}

// [editor] The window's DPI / 96 where user32 knows it (Windows 10 1607 on: per monitor for a thread aware
// of it, the system DPI for a system-aware one, 96 for an unaware one, which the system scales itself);
// looked up at run time so that the library still loads on Windows 7. Else the system DPI.
double NativeDisplayScale(const TForm& Form)
{
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto GetDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT Dpi = 0;
    if (GetDpiForWindow && Form.Impl()->Wnd)
        Dpi = GetDpiForWindow(Form.Impl()->Wnd);
    if (Dpi == 0)
        if (HDC Screen = GetDC(nullptr))
        {
            Dpi = static_cast<UINT>(std::max(0, GetDeviceCaps(Screen, LOGPIXELSX)));
            ReleaseDC(nullptr, Screen);
        }
    return Dpi > 0 ? Dpi / 96.0 : 1.0;
}

// ---- System services that belong to the window system ----------------------------------------------------

// [editor]
void NativeMessageBox(const std::string& Text, const std::string& Title)
{
    MessageBoxW(GetActiveWindow(), Widen(Text).c_str(), Widen(Title).c_str(), MB_OK);
}

// [any]
bool NativeHasFileDialog()
{
    return true;
}

// [editor]
std::optional<std::string> NativeFileDialog(bool Save, const std::string& Title, const std::string& InitialDir,
                                            const std::string& Filter)
{
    std::wstring F = Widen(Filter);
    std::replace(F.begin(), F.end(), L'|', L'\0');
    F.push_back(L'\0');
    F.push_back(L'\0');
    const std::wstring T = Widen(Title), D = Widen(InitialDir);
    std::vector<wchar_t> Path(32768, L'\0');
    OPENFILENAMEW O{};
    O.lStructSize = sizeof O;
    O.hwndOwner = GetActiveWindow();
    O.lpstrFilter = Filter.empty() ? nullptr : F.c_str();
    O.nFilterIndex = 1;
    O.lpstrFile = Path.data();
    O.nMaxFile = static_cast<DWORD>(Path.size());
    O.lpstrInitialDir = D.empty() ? nullptr : D.c_str();
    O.lpstrTitle = T.empty() ? nullptr : T.c_str();
    O.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
    const BOOL Ok = Save ? GetSaveFileNameW(&O) : GetOpenFileNameW(&O);
    if (!Ok)
        return std::nullopt;
    return Narrow(Path.data());
}

// [editor]
TPoint NativePointerPos()
{
    POINT P{0, 0};
    GetCursorPos(&P);
    return {P.x, P.y};
}

// [editor]
void NativeWarpPointer(int ScreenX, int ScreenY)
{
    SetCursorPos(ScreenX, ScreenY);
}

// [any] A Windows session always has its desktop.
std::optional<std::string> NativeDisplayUnavailable()
{
    return std::nullopt;
}

int NativeScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int NativeScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
