// Win32 window toolkit: forms are windows of our own class; the standard controls are the system's
// (static, scroll bar, common-controls track bar, combo box). Every window procedure catches everything:
// an exception must not unwind through Windows frames.
// Every function here runs on the thread that owns the windows ([editor]) unless it is tagged otherwise.
#include "platform/win32/Win32Internal.h"

#include <windowsx.h>

#include <algorithm>
#include <map>
#include <new>

#include "platform/System.h"

namespace Win32
{

// [any]
std::wstring Widen(const std::string& S)
{
    if (S.empty())
        return {};
    const int N = MultiByteToWideChar(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
    std::wstring W(static_cast<std::size_t>(N), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), W.data(), N);
    return W;
}

// [any]
std::string Narrow(const std::wstring& W)
{
    if (W.empty())
        return {};
    const int N = WideCharToMultiByte(CP_UTF8, 0, W.data(), static_cast<int>(W.size()), nullptr, 0, nullptr, nullptr);
    std::string S(static_cast<std::size_t>(N), '\0');
    WideCharToMultiByte(CP_UTF8, 0, W.data(), static_cast<int>(W.size()), S.data(), N, nullptr, nullptr);
    return S;
}

} // namespace Win32

using namespace Win32;

namespace
{

constexpr wchar_t kFormClass[] = L"MarvoForm";
constexpr wchar_t kControlProp[] = L"MarvoControl";
constexpr int kComboDropHeight = 200;

LRESULT CALLBACK FormWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// The live timers by identifier. Built in the library's own storage and never destroyed, so a timer freed
// during static destruction still finds it; it owns no memory once the last timer is gone, so unloading the
// library leaves nothing behind (a heap-allocated map would be lost at every unload).
using TTimerMap = std::map<UINT_PTR, TTimer*>;
TTimerMap& TimerMap()
{
    alignas(TTimerMap) static unsigned char Storage[sizeof(TTimerMap)];
    static TTimerMap* M = new (Storage) TTimerMap();
    return *M;
}

bool ClassesRegistered = false;
HWND ParkingWnd = nullptr;

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

bool IsToolWindow(TFormBorderStyle S)
{
    return S == TFormBorderStyle::bsToolWindow || S == TFormBorderStyle::bsSizeToolWin;
}

DWORD FormStyle(const TControl::TImpl& I, bool Visible)
{
    DWORD S = WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (I.ParentWindow ? WS_CHILD : WS_POPUP);
    switch (I.BorderStyle)
    {
    case TFormBorderStyle::bsNone: break;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsToolWindow: S |= WS_CAPTION; break;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin: S |= WS_CAPTION | WS_THICKFRAME; break;
    }
    if (I.BorderStyle != TFormBorderStyle::bsNone && (I.BorderIcons & biSystemMenu))
    {
        S |= WS_SYSMENU;
        if (!IsToolWindow(I.BorderStyle))
        {
            if (I.BorderIcons & biMinimize)
                S |= WS_MINIMIZEBOX;
            if (I.BorderIcons & biMaximize)
                S |= WS_MAXIMIZEBOX;
        }
    }
    if (Visible)
        S |= WS_VISIBLE;
    return S;
}

DWORD FormExStyle(const TControl::TImpl& I)
{
    return IsToolWindow(I.BorderStyle) ? WS_EX_TOOLWINDOW : 0;
}

// The window's outer rectangle in its parent's client coordinates (screen coordinates at top level).
RECT RectInParent(HWND Wnd)
{
    RECT R{};
    GetWindowRect(Wnd, &R);
    if (GetWindowLongW(Wnd, GWL_STYLE) & WS_CHILD)
        if (HWND P = GetParent(Wnd))
            MapWindowPoints(HWND_DESKTOP, P, reinterpret_cast<POINT*>(&R), 2);
    return R;
}

void CentreIfRequested(TControl::TImpl& I)
{
    if (I.Kind != TControlKind::ckForm || I.Position != TFormPosition::poScreenCenter || I.ParentWindow)
        return;
    const RECT R = RectInParent(I.Wnd);
    const int W = R.right - R.left, H = R.bottom - R.top;
    SetWindowPos(I.Wnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - W) / 2, (GetSystemMetrics(SM_CYSCREEN) - H) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TControl* ControlOf(HWND Wnd)
{
    return Wnd ? static_cast<TControl*>(GetPropW(Wnd, kControlProp)) : nullptr;
}

void FireChange(TComponent* Sender, TNotifyEvent Handler)
{
    if (Handler)
        FireEvent([&] { Handler(Sender); });
}

TShiftState ShiftOf(WPARAM WParam)
{
    TShiftState S = 0;
    if (WParam & MK_SHIFT)
        S |= ssShift;
    if (WParam & MK_CONTROL)
        S |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0)
        S |= ssAlt;
    if (WParam & MK_LBUTTON)
        S |= ssLeft;
    if (WParam & MK_RBUTTON)
        S |= ssRight;
    if (WParam & MK_MBUTTON)
        S |= ssMiddle;
    return S;
}

// The MK_* state of the keys and buttons now, for input that does not carry it.
WPARAM KeyStateNow()
{
    WPARAM K = 0;
    const std::pair<int, WPARAM> Keys[] = {{VK_SHIFT, MK_SHIFT}, {VK_CONTROL, MK_CONTROL}, {VK_LBUTTON, MK_LBUTTON},
                                           {VK_RBUTTON, MK_RBUTTON}, {VK_MBUTTON, MK_MBUTTON}};
    for (const auto& [Key, Bit] : Keys)
        if (GetKeyState(Key) < 0)
            K |= Bit;
    return K;
}

// The form of this library and this thread that Wnd is, or null (another module's or thread's window, a
// control, the parking window).
TForm* OwnFormOf(HWND Wnd)
{
    if (!Wnd || GetWindowThreadProcessId(Wnd, nullptr) != GetCurrentThreadId() ||
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(Wnd, GWLP_HINSTANCE)) != ModuleInstance())
        return nullptr;
    wchar_t Class[32] = {};
    if (!GetClassNameW(Wnd, Class, 32) || lstrcmpW(Class, kFormClass) != 0)
        return nullptr;
    return reinterpret_cast<TForm*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
}

// The innermost of our forms that is Wnd or holds it as a child at any depth, or null.
TForm* OwnFormAround(HWND Wnd)
{
    for (HWND W = Wnd; W; W = (GetWindowLongW(W, GWL_STYLE) & WS_CHILD) ? GetParent(W) : nullptr)
        if (TForm* F = OwnFormOf(W))
            return F;
    return nullptr;
}

// Where a turn of the wheel at a screen point belongs: the form holding the mouse capture, else the
// innermost of our forms under the point (a control's form included); null when the point is over no form
// of ours.
TForm* WheelTarget(POINT Screen)
{
    if (TForm* F = OwnFormOf(GetCapture()))
        return F;
    return OwnFormAround(WindowFromPoint(Screen));
}

void DeliverWheel(TForm& F, POINT Screen, WPARAM KeyState, int Delta)
{
    ScreenToClient(F.Impl()->Wnd, &Screen);
    F.DoMouseWheel(ShiftOf(KeyState), Delta, Screen.x, Screen.y);
}

// Wheel messages go to the focus window (Windows 10 on: by default to the window under the pointer), which
// inside a host is often the host's. A mouse hook on each thread with forms takes those sent to a window
// that is not ours, nor inside a form of ours, and that turn over one of our forms (or while one holds the
// capture) to that form; the rest go on as they came. Our forms' own wheel messages are routed in their
// window procedure, our controls' are theirs.
struct TWheelHook
{
    DWORD Thread = 0;
    HHOOK Hook = nullptr;
    int Forms = 0;
};
using TWheelHooks = std::vector<TWheelHook>;
// Forms may be made on several threads: the list is changed under this lock (never held by the hook itself).
SRWLOCK WheelHooksLock = SRWLOCK_INIT;
class TWheelHooksHeld
{
public:
    TWheelHooksHeld() { AcquireSRWLockExclusive(&WheelHooksLock); }
    ~TWheelHooksHeld() { ReleaseSRWLockExclusive(&WheelHooksLock); }
    TWheelHooksHeld(const TWheelHooksHeld&) = delete;
    TWheelHooksHeld& operator=(const TWheelHooksHeld&) = delete;
};
TWheelHooks& WheelHooks() // built in place and never destroyed, like the timer map
{
    alignas(TWheelHooks) static unsigned char Storage[sizeof(TWheelHooks)];
    static TWheelHooks* V = new (Storage) TWheelHooks();
    return *V;
}

// [editor] Called inside the message retrieval of the hook's thread, whoever's loop it is.
LRESULT CALLBACK WheelHookProc(int Code, WPARAM Msg, LPARAM LParam)
{
    try
    {
        if (Code == HC_ACTION && Msg == WM_MOUSEWHEEL)
        {
            const auto* M = reinterpret_cast<const MOUSEHOOKSTRUCTEX*>(LParam);
            if (!OwnFormAround(M->hwnd))
                if (TForm* F = WheelTarget(M->pt))
                {
                    DeliverWheel(*F, M->pt, KeyStateNow(), static_cast<short>(HIWORD(M->mouseData)));
                    return 1; // taken
                }
        }
    }
    catch (...)
    {
    }
    return CallNextHookEx(nullptr, Code, Msg, LParam);
}

// A form was made on this thread (Delta 1) or destroyed (-1): the hook lives while the thread has forms.
void CountFormForWheel(int Delta)
{
    const TWheelHooksHeld Held;
    TWheelHooks& Hooks = WheelHooks();
    const DWORD Thread = GetCurrentThreadId();
    auto It = std::find_if(Hooks.begin(), Hooks.end(), [&](const TWheelHook& H) { return H.Thread == Thread; });
    if (It == Hooks.end())
    {
        if (Delta <= 0)
            return;
        Hooks.push_back({Thread, SetWindowsHookExW(WH_MOUSE, WheelHookProc, nullptr, Thread), 0});
        It = Hooks.end() - 1;
    }
    It->Forms += Delta;
    if (It->Forms <= 0)
    {
        if (It->Hook)
            UnhookWindowsHookEx(It->Hook);
        Hooks.erase(It);
        if (Hooks.empty())
            TWheelHooks().swap(Hooks); // no memory left behind at an unload
    }
}

void ScrollBarScrolled(TScrollBar& S, int Code)
{
    int P = S.Position();
    switch (Code)
    {
    case SB_LINELEFT: --P; break;
    case SB_LINERIGHT: ++P; break;
    case SB_PAGELEFT: P -= S.LargeChange(); break;
    case SB_PAGERIGHT: P += S.LargeChange(); break;
    case SB_LEFT: P = S.Min(); break;
    case SB_RIGHT: P = S.Max(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
    {
        SCROLLINFO Info{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(S.Impl()->Wnd, SB_CTL, &Info);
        P = Info.nTrackPos;
        break;
    }
    default: return;
    }
    S.SetPosition(P);
}

// Notifications that standard controls send to their parent window, handed back to the control.
bool ReflectToControl(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    TControl* C = ControlOf(reinterpret_cast<HWND>(LParam));
    if (!C)
        return false;
    switch (Msg)
    {
    case WM_HSCROLL:
        if (auto* S = dynamic_cast<TScrollBar*>(C))
            ScrollBarScrolled(*S, LOWORD(WParam));
        else if (auto* T = dynamic_cast<TTrackBar*>(C))
        {
            const int P = static_cast<int>(::SendMessageW(T->Impl()->Wnd, TBM_GETPOS, 0, 0));
            if (P != T->Impl()->Position_)
            {
                T->Impl()->Position_ = P;
                FireChange(T, T->OnChange);
            }
        }
        Result = 0;
        return true;
    case WM_COMMAND:
        if (auto* B = dynamic_cast<TComboBox*>(C); B && HIWORD(WParam) == CBN_SELCHANGE)
        {
            const int I = static_cast<int>(::SendMessageW(B->Impl()->Wnd, CB_GETCURSEL, 0, 0));
            if (I != B->Impl()->ItemIndex)
            {
                B->Impl()->ItemIndex = I;
                FireChange(B, B->OnChange);
            }
            Result = 0;
            return true;
        }
        return false;
    default: return false;
    }
}

LRESULT FormMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_NCCREATE)
    {
        auto* CS = reinterpret_cast<CREATESTRUCTW*>(LParam);
        auto* F = static_cast<TForm*>(CS->lpCreateParams);
        SetWindowLongPtrW(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(F));
        if (F)
            F->Impl()->Wnd = Wnd;
    }
    LRESULT Result = 0;
    switch (Msg)
    {
    case WM_HSCROLL:
    case WM_COMMAND:
        if (LParam && ReflectToControl(Msg, WParam, LParam, Result))
            return Result;
        break;
    case WM_TIMER:
    {
        const auto It = TimerMap().find(WParam);
        if (It != TimerMap().end())
        {
            TTimer* T = It->second;
            if (TNotifyEvent H = T->OnTimer) // the handler may free its timer
                FireEvent([&] { H(T); });
            return 0;
        }
        break;
    }
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
    {
        HWND Child = reinterpret_cast<HWND>(LParam);
        TControl* C = ControlOf(Child);
        if (!C)
            C = ControlOf(GetParent(Child));
        if (auto* B = dynamic_cast<TComboBox*>(C))
        {
            const LRESULT Brush = DefWindowProcW(Wnd, Msg, WParam, LParam);
            SetTextColor(reinterpret_cast<HDC>(WParam), ToColorRef(B->FontColor()));
            return Brush;
        }
        break;
    }
    default: break;
    }

    auto* F = reinterpret_cast<TForm*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
    if (!F)
        return DefWindowProcW(Wnd, Msg, WParam, LParam);
    TControl::TImpl& I = *F->Impl();
    switch (Msg)
    {
    case WM_PAINT:
    {
        PAINTSTRUCT PS;
        I.PaintDC = BeginPaint(Wnd, &PS);
        F->DoPaint();
        I.PaintDC = nullptr;
        EndPaint(Wnd, &PS);
        return 0;
    }
    case WM_ERASEBKGND:
        if (!I.FixedOpaque)
        {
            RECT R;
            GetClientRect(Wnd, &R);
            FillRect(reinterpret_cast<HDC>(WParam), &R, I.Brush);
        }
        return 1;
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(WParam), ToColorRef(I.Color));
        return reinterpret_cast<LRESULT>(I.Brush);
    case WM_SIZE: F->DoClientResized(); return 0;
    case WM_SIZING:
        if (I.FixedOpaque)
        {
            RECT Now;
            GetWindowRect(Wnd, &Now);
            *reinterpret_cast<RECT*>(LParam) = Now;
            return TRUE;
        }
        break;
    case WM_CLOSE: F->DoClose(); return 0;
    case WM_SETCURSOR:
        if (LOWORD(LParam) == HTCLIENT && Application().Cursor() == TCursor::crNone)
        {
            ::SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    {
        const TMouseButton B = Msg == WM_LBUTTONDOWN   ? TMouseButton::mbLeft
                               : Msg == WM_RBUTTONDOWN ? TMouseButton::mbRight
                                                       : TMouseButton::mbMiddle;
        SetCapture(Wnd);
        F->DoMouseDown(B, ShiftOf(WParam), GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam));
        return 0;
    }
    case WM_MOUSEMOVE: F->DoMouseMove(ShiftOf(WParam), GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)); return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    {
        const TMouseButton B = Msg == WM_LBUTTONUP   ? TMouseButton::mbLeft
                               : Msg == WM_RBUTTONUP ? TMouseButton::mbRight
                                                     : TMouseButton::mbMiddle;
        if (!(WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
            ReleaseCapture();
        F->DoMouseUp(B, ShiftOf(WParam), GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam));
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    {
        const TShiftState Shift = (GetKeyState(VK_SHIFT) < 0 ? ssShift : 0u) |
                                  (GetKeyState(VK_CONTROL) < 0 ? ssCtrl : 0u) | (GetKeyState(VK_MENU) < 0 ? ssAlt : 0u);
        if (F->DoKeyDown(static_cast<std::uint16_t>(WParam), Shift))
            return 0;
        break;
    }
    case WM_MOUSEWHEEL:
    {
        const POINT P{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
        if (TForm* Target = WheelTarget(P))
        {
            DeliverWheel(*Target, P, GET_KEYSTATE_WPARAM(WParam), GET_WHEEL_DELTA_WPARAM(WParam));
            return 0;
        }
        break; // to the parent window
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(Wnd, GWLP_USERDATA, 0);
        I.Wnd = nullptr;
        break;
    default: break;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

// [editor]
LRESULT CALLBACK FormWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    try
    {
        return FormMessage(Wnd, Msg, WParam, LParam);
    }
    catch (...)
    {
        return DefWindowProcW(Wnd, Msg, WParam, LParam);
    }
}

HWND CreateControlWindow(TControl* Self, const wchar_t* Class, DWORD Style, int Width, int Height)
{
    RegisterClasses();
    HWND W = CreateWindowExW(0, Class, L"", WS_CHILD | WS_VISIBLE | Style, 0, 0, Width, Height, ParkingWindow(),
                             nullptr, ModuleInstance(), nullptr);
    if (W)
    {
        SetPropW(W, kControlProp, Self);
        ::SendMessageW(W, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
    }
    return W;
}

void SetStyleBit(HWND W, DWORD Bit, bool On)
{
    const DWORD S = GetWindowLongW(W, GWL_STYLE);
    SetWindowLongW(W, GWL_STYLE, On ? (S | Bit) : (S & ~Bit));
    InvalidateRect(W, nullptr, TRUE);
}

SIZE TextExtent(HWND W, const std::string& Text)
{
    SIZE Size{0, 0};
    HDC DC = GetDC(W);
    HGDIOBJ Old = SelectObject(DC, ControlFont());
    const std::wstring T = Widen(Text);
    GetTextExtentPoint32W(DC, T.c_str(), static_cast<int>(T.size()), &Size);
    if (T.empty())
    {
        TEXTMETRICW TM;
        GetTextMetricsW(DC, &TM);
        Size.cy = TM.tmHeight;
    }
    SelectObject(DC, Old);
    ReleaseDC(W, DC);
    return Size;
}

} // namespace

namespace Win32
{

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
        const TWheelHooksHeld Held;
        for (const TWheelHook& H : WheelHooks()) // forms left alive: their hooks must not outlive the code
            if (H.Hook)
                UnhookWindowsHookEx(H.Hook);
        TWheelHooks().swap(WheelHooks());
        if (ClassesRegistered)
            UnregisterClassW(kFormClass, ModuleInstance());
        ClassesRegistered = false;
    }
} ClassRelease;

} // namespace

} // namespace Win32

// ---- TControl ---------------------------------------------------------------------------------------------

// [editor]
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_unique<TImpl>())
{
    FImpl->Self = this;
}

// [editor] Children stay alive (their owner frees them) but are parked away from this window.
TControl::~TControl()
{
    while (!FControls.empty())
        FControls.back()->SetParent(nullptr);
    if (FParent) // unlinked by hand: the derived parts of this object are already gone
        MoveToParent(nullptr);
    if (FImpl->Wnd)
    {
        RemovePropW(FImpl->Wnd, kControlProp);
        SetWindowLongPtrW(FImpl->Wnd, GWLP_USERDATA, 0);
        if (IsWindow(FImpl->Wnd))
            DestroyWindow(FImpl->Wnd);
    }
    if (FImpl->Brush)
        DeleteObject(FImpl->Brush);
    if (FImpl->WheelCounted)
        CountFormForWheel(-1);
}

TControlState& TControl::ControlState() const { return *FImpl; }
TNativeHandle TControl::Handle() const { return FImpl->Wnd; }

// [editor]
void TControl::SetParent(TControl* AParent)
{
    if (AParent == FParent)
        return;
    MoveToParent(AParent);
    if (FImpl->Kind == TControlKind::ckForm)
        static_cast<TForm*>(this)->SetParentWindow(FParent ? FParent->Handle() : nullptr);
    else if (FImpl->Wnd)
        ::SetParent(FImpl->Wnd, FParent ? FParent->FImpl->Wnd : ParkingWindow());
}

int TControl::Left() const { return RectInParent(FImpl->Wnd).left; }
int TControl::Top() const { return RectInParent(FImpl->Wnd).top; }
int TControl::Width() const
{
    const RECT R = RectInParent(FImpl->Wnd);
    return R.right - R.left;
}
int TControl::Height() const
{
    const RECT R = RectInParent(FImpl->Wnd);
    return R.bottom - R.top;
}

// [editor] Moving a screen-centred form ends its centring; a size change keeps it centred.
void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TImpl& I = *FImpl;
    if (!I.Wnd)
        return;
    if (ALeft != Left() || ATop != Top())
        I.Position = TFormPosition::poDesigned;
    const int H = I.Kind == TControlKind::ckComboBox ? AHeight + kComboDropHeight : AHeight;
    SetWindowPos(I.Wnd, nullptr, ALeft, ATop, std::max(0, AWidth), std::max(0, H), SWP_NOZORDER | SWP_NOACTIVATE);
    CentreIfRequested(I);
    if (auto* F = dynamic_cast<TForm*>(this))
        F->DoClientResized();
}

int TControl::ClientWidth() const
{
    RECT R{};
    GetClientRect(FImpl->Wnd, &R);
    return R.right;
}
int TControl::ClientHeight() const
{
    RECT R{};
    GetClientRect(FImpl->Wnd, &R);
    return R.bottom;
}
void TControl::SetClientWidth(int V) { SetWidth(V + Width() - ClientWidth()); }
void TControl::SetClientHeight(int V) { SetHeight(V + Height() - ClientHeight()); }

bool TControl::Visible() const { return FImpl->Wnd && (GetWindowLongW(FImpl->Wnd, GWL_STYLE) & WS_VISIBLE); }

// [editor] Showing a form the first time gives it OnCreate (if still due) and its first OnResize.
void TControl::SetVisible(bool V)
{
    if (!FImpl->Wnd || V == Visible())
        return;
    auto* F = dynamic_cast<TForm*>(this);
    if (F && V)
        F->DoShowing();
    ShowWindow(FImpl->Wnd, V ? (F && !FImpl->ParentWindow ? SW_SHOW : SW_SHOWNA) : SW_HIDE);
    if (F && V && FImpl->Position == TFormPosition::poScreenCenter)
        FImpl->Position = TFormPosition::poDesigned; // placed once; the user may move it from here
}

bool TControl::Enabled() const { return FImpl->Wnd && IsWindowEnabled(FImpl->Wnd); }
void TControl::SetEnabled(bool V)
{
    if (FImpl->Wnd)
        EnableWindow(FImpl->Wnd, V);
}

// [editor] Windows tabs through siblings in z-order, so the siblings are restacked by tab order.
void TControl::SetTabOrder(int V)
{
    FImpl->TabOrder = V;
    if (!FImpl->Wnd)
        return;
    if (FImpl->Kind != TControlKind::ckLabel)
        SetStyleBit(FImpl->Wnd, WS_TABSTOP, true);
    if (!FParent)
        return;
    std::vector<TControl*> Order = FParent->FControls;
    std::stable_sort(Order.begin(), Order.end(), [](TControl* A, TControl* B) { return A->TabOrder() < B->TabOrder(); });
    HWND After = HWND_TOP;
    for (TControl* C : Order)
    {
        SetWindowPos(C->FImpl->Wnd, After, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        After = C->FImpl->Wnd;
    }
}

bool TControl::Showing() const { return FImpl->Wnd && IsWindowVisible(FImpl->Wnd); }

void TControl::Invalidate()
{
    if (FImpl->Wnd)
        InvalidateRect(FImpl->Wnd, nullptr, FALSE);
}

void TControl::Repaint()
{
    if (!FImpl->Wnd)
        return;
    InvalidateRect(FImpl->Wnd, nullptr, FALSE);
    UpdateWindow(FImpl->Wnd);
}

TPoint TControl::ClientToScreen(TPoint P) const
{
    POINT Q{P.X, P.Y};
    ::ClientToScreen(FImpl->Wnd, &Q);
    return {Q.x, Q.y};
}

TPoint TControl::ScreenToClient(TPoint P) const
{
    POINT Q{P.X, P.Y};
    ::ScreenToClient(FImpl->Wnd, &Q);
    return {Q.x, Q.y};
}

// [editor]
std::intptr_t TControl::SendMessage(unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam)
{
    return FImpl->Wnd ? ::SendMessageW(FImpl->Wnd, Msg, WParam, LParam) : 0;
}

// ---- TForm ------------------------------------------------------------------------------------------------

// [editor]
TForm::TForm(TComponent* AOwner, const TFormDeclaration& D) : TControl(AOwner)
{
    RegisterClasses();
    TImpl& I = *FImpl;
    LoadFormDeclaration(I, D);
    SetName(D.Name);
    I.Brush = CreateSolidBrush(ToColorRef(D.Color));
    I.OwnerWindow = static_cast<HWND>(D.OwnerWindow);
    const DWORD Style = FormStyle(I, false), ExStyle = FormExStyle(I);
    RECT R{0, 0, D.ClientWidth, D.ClientHeight};
    AdjustWindowRectEx(&R, Style, FALSE, ExStyle);
    CreateWindowExW(ExStyle, kFormClass, Widen(D.Caption).c_str(), Style, 0, 0, R.right - R.left, R.bottom - R.top,
                    I.OwnerWindow, nullptr, ModuleInstance(), this);
    CountFormForWheel(1);
    I.WheelCounted = true;
    CentreIfRequested(I);
    DoClientResized();
}

void TForm::SetCaption(const std::string& V)
{
    FImpl->Caption = V;
    SetWindowTextW(FImpl->Wnd, Widen(V).c_str());
}

namespace
{

// Applies the style bits of the form's state; the outer rectangle stays, the client area follows the frame.
void ApplyFormStyle(TControl::TImpl& I, bool Visible)
{
    SetWindowLongW(I.Wnd, GWL_STYLE, static_cast<LONG>(FormStyle(I, Visible)));
    SetWindowLongW(I.Wnd, GWL_EXSTYLE, static_cast<LONG>(FormExStyle(I)));
    SetWindowPos(I.Wnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

// [editor]
void TForm::SetBorderStyle(TFormBorderStyle V)
{
    FImpl->BorderStyle = V;
    ApplyFormStyle(*FImpl, Visible());
    DoClientResized();
}

void TForm::SetColor(std::uint32_t ARGB)
{
    FImpl->Color = ARGB;
    if (FImpl->Brush)
        DeleteObject(FImpl->Brush);
    FImpl->Brush = CreateSolidBrush(ToColorRef(ARGB));
    InvalidateRect(FImpl->Wnd, nullptr, TRUE);
}

void TForm::SetBorderIcons(unsigned V)
{
    FImpl->BorderIcons = V;
    ApplyFormStyle(*FImpl, Visible());
}
void TForm::SetPosition(TFormPosition V)
{
    FImpl->Position = V;
    CentreIfRequested(*FImpl);
}
TNativeHandle TForm::OwnerWindow() const { return FImpl->OwnerWindow; }

// [editor] The owner of a top-level window is kept in its parent slot (GWLP_HWNDPARENT).
void TForm::SetOwnerWindow(TNativeHandle Owner)
{
    FImpl->OwnerWindow = static_cast<HWND>(Owner);
    if (!FImpl->ParentWindow)
        SetWindowLongPtrW(FImpl->Wnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(Owner));
}
TNativeHandle TForm::ParentWindow() const { return FImpl->ParentWindow; }

// [editor] The style changes to a child window before it moves into the parent (and back after it
// leaves), as Windows asks.
void TForm::SetParentWindow(TNativeHandle ParentHandle)
{
    TImpl& I = *FImpl;
    HWND P = static_cast<HWND>(ParentHandle);
    if (P == I.ParentWindow || P == I.Wnd)
        return;
    const bool WasVisible = Visible();
    I.ParentWindow = P;
    if (P)
    {
        ApplyFormStyle(I, WasVisible);
        ::SetParent(I.Wnd, P);
        DoShowing();
    }
    else
    {
        ::SetParent(I.Wnd, nullptr);
        ApplyFormStyle(I, WasVisible);
        if (I.OwnerWindow)
            SetWindowLongPtrW(I.Wnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(I.OwnerWindow));
    }
    DoClientResized();
}

// [editor]
void TForm::BringToFront()
{
    SetWindowPos(FImpl->Wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (Visible() ? 0 : SWP_NOACTIVATE));
}

// [editor]
void TForm::SetActiveControl(TControl* C)
{
    FImpl->ActiveControl = C;
    if (C && C->Impl()->Wnd && Showing())
        SetFocus(C->Impl()->Wnd);
}

// [editor] Drawn into the paint DC inside WM_PAINT, else straight into the window.
void TForm::PaintBitmap(const std::uint32_t* Pixels, int Width, int Height, int Stride)
{
    if (!FImpl->Wnd || !Pixels || Width <= 0 || Height <= 0 || Stride < Width)
        return;
    const int W = std::min(Width, ClientWidth()), H = std::min(Height, ClientHeight());
    if (W <= 0 || H <= 0)
        return;
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = Stride;
    Info.bmiHeader.biHeight = -Height; // top-down rows
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    HDC DC = FImpl->PaintDC ? FImpl->PaintDC : GetDC(FImpl->Wnd);
    // The whole bitmap height is addressed and only the visible part copied, so the row order is unambiguous.
    SetDIBitsToDevice(DC, 0, 0, static_cast<DWORD>(W), static_cast<DWORD>(H), 0, 0, 0, static_cast<UINT>(Height),
                      Pixels, &Info, DIB_RGB_COLORS);
    if (!FImpl->PaintDC)
        ReleaseDC(FImpl->Wnd, DC);
}

// ---- Standard controls ------------------------------------------------------------------------------------

// [editor]
TLabel::TLabel(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckLabel;
    FImpl->Wnd = CreateControlWindow(this, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, 0);
    SetBounds(0, 0, 0, TextExtent(FImpl->Wnd, "").cy);
}

// [editor]
void TLabel::SetCaption(const std::string& V)
{
    FImpl->Caption = V;
    SetWindowTextW(FImpl->Wnd, Widen(V).c_str());
    if (FImpl->AutoSize)
    {
        const SIZE S = TextExtent(FImpl->Wnd, V);
        SetBounds(Left(), Top(), S.cx, TextExtent(FImpl->Wnd, "").cy);
    }
}

void TLabel::SetAutoSize(bool V)
{
    FImpl->AutoSize = V;
    if (V)
        SetCaption(FImpl->Caption);
}
void TLabel::SetCentered(bool V)
{
    FImpl->Centered = V;
    SetStyleBit(FImpl->Wnd, SS_CENTER, V);
}
int TLabel::TextWidth(const std::string& Text) const { return TextExtent(FImpl->Wnd, Text).cx; }

// [editor]
TScrollBar::TScrollBar(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckScrollBar;
    FImpl->Wnd = CreateControlWindow(this, L"SCROLLBAR", SBS_HORZ, 121, 16);
    SetScrollRange(FImpl->Wnd, SB_CTL, FImpl->Min, FImpl->Max, TRUE);
}

// [editor] A range given backwards becomes the single value AMin; the position is kept inside it.
void TScrollBar::SetRange(int AMin, int AMax)
{
    FImpl->Min = AMin;
    FImpl->Max = std::max(AMin, AMax);
    SetScrollRange(FImpl->Wnd, SB_CTL, FImpl->Min, FImpl->Max, TRUE);
    SetPosition(FImpl->Position_);
}

// [editor]
void TScrollBar::SetPosition(int V)
{
    V = std::clamp(V, FImpl->Min, FImpl->Max);
    if (V == FImpl->Position_)
        return;
    FImpl->Position_ = V;
    SetScrollPos(FImpl->Wnd, SB_CTL, V, TRUE);
    FireChange(this, OnChange);
}

// [editor]
TTrackBar::TTrackBar(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckTrackBar;
    FImpl->Max = 10;
    FImpl->Wnd = CreateControlWindow(this, TRACKBAR_CLASSW, TBS_HORZ | TBS_AUTOTICKS | TBS_ENABLESELRANGE, 150, 45);
    ::SendMessageW(FImpl->Wnd, TBM_SETRANGEMIN, FALSE, FImpl->Min);
    ::SendMessageW(FImpl->Wnd, TBM_SETRANGEMAX, TRUE, FImpl->Max);
}

// [editor]
void TTrackBar::SetRange(int AMin, int AMax)
{
    FImpl->Min = AMin;
    FImpl->Max = std::max(AMin, AMax);
    ::SendMessageW(FImpl->Wnd, TBM_SETRANGEMIN, FALSE, FImpl->Min);
    ::SendMessageW(FImpl->Wnd, TBM_SETRANGEMAX, TRUE, FImpl->Max);
    SetPosition(FImpl->Position_);
}

// [editor]
void TTrackBar::SetPosition(int V)
{
    V = std::clamp(V, FImpl->Min, FImpl->Max);
    ::SendMessageW(FImpl->Wnd, TBM_SETPOS, TRUE, V);
    if (V == FImpl->Position_)
        return;
    FImpl->Position_ = V;
    FireChange(this, OnChange);
}

void TTrackBar::SetFrequency(int V)
{
    FImpl->Frequency = std::max(1, V);
    ::SendMessageW(FImpl->Wnd, TBM_SETTICFREQ, static_cast<WPARAM>(FImpl->Frequency), 0);
}
void TTrackBar::SetTickMarksNone(bool V)
{
    FImpl->NoTicks = V;
    SetStyleBit(FImpl->Wnd, TBS_NOTICKS, V);
}
void TTrackBar::SetSelection(int AStart, int AEnd)
{
    FImpl->SelStart = AStart;
    FImpl->SelEnd = AEnd;
    ::SendMessageW(FImpl->Wnd, TBM_SETSELSTART, FALSE, AStart);
    ::SendMessageW(FImpl->Wnd, TBM_SETSELEND, TRUE, AEnd);
}

// [editor]
TComboBox::TComboBox(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckComboBox;
    FImpl->Wnd = CreateControlWindow(this, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 145, 21 + kComboDropHeight);
}

void TComboBox::AddItem(const std::string& Item)
{
    FImpl->Items.push_back(Item);
    ::SendMessageW(FImpl->Wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(Item).c_str()));
}

void TComboBox::ClearItems()
{
    FImpl->Items.clear();
    FImpl->ItemIndex = -1;
    ::SendMessageW(FImpl->Wnd, CB_RESETCONTENT, 0, 0);
}

// [editor] An index outside the list selects nothing (-1).
void TComboBox::SetItemIndex(int V)
{
    if (V < 0 || V >= ItemCount())
        V = -1;
    ::SendMessageW(FImpl->Wnd, CB_SETCURSEL, static_cast<WPARAM>(V), 0);
    if (V == FImpl->ItemIndex)
        return;
    FImpl->ItemIndex = V;
    FireChange(this, OnChange);
}

void TComboBox::SetItemHeight(int V)
{
    FImpl->ItemHeight = std::max(1, V);
    ::SendMessageW(FImpl->Wnd, CB_SETITEMHEIGHT, 0, FImpl->ItemHeight);
}

void TComboBox::SetText(const std::string& V)
{
    const auto It = std::find(FImpl->Items.begin(), FImpl->Items.end(), V);
    FImpl->ItemIndex = It == FImpl->Items.end() ? -1 : static_cast<int>(It - FImpl->Items.begin());
    ::SendMessageW(FImpl->Wnd, CB_SETCURSEL, static_cast<WPARAM>(FImpl->ItemIndex), 0);
}

void TComboBox::SetFontColor(std::uint32_t ARGB)
{
    FImpl->FontColor = ARGB;
    InvalidateRect(FImpl->Wnd, nullptr, TRUE);
}

// ---- Pop-up menus, timers, application --------------------------------------------------------------------

namespace
{

// Every item of the menu and of its submenus, depth first: an item's command identifier is its index + 1.
void CollectMenuItems(const std::vector<TMenuItem*>& Items, std::vector<TMenuItem*>& All)
{
    for (TMenuItem* Item : Items)
    {
        All.push_back(Item);
        CollectMenuItems(Item->Items(), All);
    }
}

// Appends Items to Menu; an item with sub-items becomes a submenu built the same way. Destroying Menu
// destroys its submenus. Identifiers follow CollectMenuItems' order, from Next on.
void AppendMenuItems(HMENU Menu, const std::vector<TMenuItem*>& Items, UINT& Next)
{
    UINT Position = 0;
    for (TMenuItem* Item : Items)
    {
        const UINT Id = Next++;
        if (Item->IsSeparator())
        {
            AppendMenuW(Menu, MF_SEPARATOR, 0, nullptr);
            ++Position;
            continue;
        }
        HMENU Sub = nullptr;
        if (!Item->Items().empty())
        {
            Sub = CreatePopupMenu();
            if (!Sub)
            {
                std::vector<TMenuItem*> Skipped; // their identifiers stay taken
                CollectMenuItems(Item->Items(), Skipped);
                Next += static_cast<UINT>(Skipped.size());
                continue;
            }
            AppendMenuItems(Sub, Item->Items(), Next);
        }
        const std::wstring Caption = Widen(Item->Caption());
        MENUITEMINFOW Info{};
        Info.cbSize = sizeof Info;
        Info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | (Sub ? MIIM_SUBMENU : 0);
        Info.fType = MFT_STRING | (Item->RadioItem() ? MFT_RADIOCHECK : 0);
        Info.fState = (Item->Checked() ? MFS_CHECKED : 0) | (Item->Enabled() ? 0 : MFS_DISABLED);
        Info.wID = Id;
        Info.hSubMenu = Sub;
        Info.dwTypeData = const_cast<wchar_t*>(Caption.c_str());
        if (InsertMenuItemW(Menu, Position, TRUE, &Info))
            ++Position;
        else if (Sub)
            DestroyMenu(Sub);
    }
}

} // namespace

// [editor] Modal until the menu closes; then the chosen item's Click runs, unless the menu changed meanwhile
// so that the chosen identifier no longer names the same item.
void NativePopup(TPopupMenu& Popup, int ScreenX, int ScreenY)
{
    HMENU Menu = CreatePopupMenu();
    if (!Menu)
        return;
    std::vector<TMenuItem*> Items;
    CollectMenuItems(Popup.Items(), Items);
    UINT Next = 1;
    AppendMenuItems(Menu, Popup.Items(), Next);
    HWND Owner = ParkingWindow();
    SetForegroundWindow(Owner);
    const UINT Chosen = static_cast<UINT>(TrackPopupMenu(Menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                        ScreenX, ScreenY, 0, Owner, nullptr));
    PostMessageW(Owner, WM_NULL, 0, 0);
    DestroyMenu(Menu);
    std::vector<TMenuItem*> Now;
    CollectMenuItems(Popup.Items(), Now);
    if (Chosen >= 1 && Chosen <= Now.size() && Chosen <= Items.size() && Now[Chosen - 1] == Items[Chosen - 1])
    {
        TMenuItem* Item = Items[Chosen - 1];
        FireEvent([Item] { Item->Click(); });
    }
}

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

int NativeScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int NativeScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
