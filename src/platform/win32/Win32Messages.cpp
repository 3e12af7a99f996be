// Win32 window toolkit, the window procedure of forms: a table from message to handler, the notifications
// that standard controls send their parent, mouse input and the wheel hooks that route the wheel to the form
// under the pointer. Every window procedure and hook catches everything: an exception must not unwind through
// Windows frames.
// Every function here runs on the thread that owns the windows ([editor]) unless it is tagged otherwise.
#include "platform/win32/Win32Internal.h"

#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <optional>

using namespace Win32;

namespace
{

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


// ---- The messages of a form's window --------------------------------------------------------------------------

// One message to a window of the form class. Form is null before WM_NCCREATE attached it, for the parking
// window and after WM_NCDESTROY.
struct TFormMessageArgs
{
    HWND Wnd;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    TForm* Form;
};
// The answer to the message, or nothing: then DefWindowProc answers it.
using TFormMessageHandler = std::optional<LRESULT> (*)(const TFormMessageArgs& M);

// Scroll bars, track bars and combo boxes report to their parent window; the control is told.
std::optional<LRESULT> OnControlNotification(const TFormMessageArgs& M)
{
    LRESULT Result = 0;
    if (M.LParam && ReflectToControl(M.Msg, M.WParam, M.LParam, Result))
        return Result;
    return std::nullopt;
}

// Every timer is set on the parking window, which is of the form class.
std::optional<LRESULT> OnTimer(const TFormMessageArgs& M)
{
    const auto It = TimerMap().find(M.WParam);
    if (It == TimerMap().end())
        return std::nullopt;
    TTimer* T = It->second;
    if (TNotifyEvent H = T->OnTimer) // the handler may free its timer
        FireEvent([&] { H(T); });
    return 0;
}

// A combo box's text colour, in its edit field and its list.
std::optional<LRESULT> OnComboColour(const TFormMessageArgs& M)
{
    HWND Child = reinterpret_cast<HWND>(M.LParam);
    TControl* C = ControlOf(Child);
    if (!C)
        C = ControlOf(GetParent(Child));
    auto* B = dynamic_cast<TComboBox*>(C);
    if (!B)
        return std::nullopt;
    const LRESULT Brush = DefWindowProcW(M.Wnd, M.Msg, M.WParam, M.LParam);
    SetTextColor(reinterpret_cast<HDC>(M.WParam), ToColorRef(B->FontColor()));
    return Brush;
}

std::optional<LRESULT> OnPaint(const TFormMessageArgs& M)
{
    TControl::TImpl& I = *M.Form->Impl();
    PAINTSTRUCT PS;
    I.PaintDC = BeginPaint(M.Wnd, &PS);
    M.Form->DoPaint();
    I.PaintDC = nullptr;
    EndPaint(M.Wnd, &PS);
    return 0;
}

// A form that paints all of its client area is not erased first.
std::optional<LRESULT> OnEraseBackground(const TFormMessageArgs& M)
{
    const TControl::TImpl& I = *M.Form->Impl();
    if (!I.FixedOpaque)
    {
        RECT R;
        GetClientRect(M.Wnd, &R);
        FillRect(reinterpret_cast<HDC>(M.WParam), &R, I.Brush);
    }
    return 1;
}

// Labels on the form's colour.
std::optional<LRESULT> OnStaticColour(const TFormMessageArgs& M)
{
    const TControl::TImpl& I = *M.Form->Impl();
    SetBkColor(reinterpret_cast<HDC>(M.WParam), ToColorRef(I.Color));
    return reinterpret_cast<LRESULT>(I.Brush);
}

std::optional<LRESULT> OnSize(const TFormMessageArgs& M)
{
    M.Form->DoClientResized();
    return 0;
}

// A form of fixed size keeps its rectangle while the user drags its frame.
std::optional<LRESULT> OnSizing(const TFormMessageArgs& M)
{
    if (!M.Form->Impl()->FixedOpaque)
        return std::nullopt;
    RECT Now;
    GetWindowRect(M.Wnd, &Now);
    *reinterpret_cast<RECT*>(M.LParam) = Now;
    return TRUE;
}

std::optional<LRESULT> OnClose(const TFormMessageArgs& M)
{
    M.Form->DoClose();
    return 0;
}

// The application's invisible cursor over the client area.
std::optional<LRESULT> OnSetCursor(const TFormMessageArgs& M)
{
    if (LOWORD(M.LParam) != HTCLIENT || Application().Cursor() != TCursor::crNone)
        return std::nullopt;
    ::SetCursor(nullptr);
    return TRUE;
}

TMouseButton ButtonOf(UINT Msg)
{
    switch (Msg)
    {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return TMouseButton::mbLeft;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return TMouseButton::mbRight;
    default: return TMouseButton::mbMiddle;
    }
}

// A pressed button captures the mouse until the last button is released.
std::optional<LRESULT> OnMouseDown(const TFormMessageArgs& M)
{
    SetCapture(M.Wnd);
    M.Form->DoMouseDown(ButtonOf(M.Msg), ShiftOf(M.WParam), GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
    return 0;
}

std::optional<LRESULT> OnMouseMove(const TFormMessageArgs& M)
{
    M.Form->DoMouseMove(ShiftOf(M.WParam), GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
    return 0;
}

std::optional<LRESULT> OnMouseUp(const TFormMessageArgs& M)
{
    if (!(M.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
        ReleaseCapture();
    M.Form->DoMouseUp(ButtonOf(M.Msg), ShiftOf(M.WParam), GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
    return 0;
}

// To the form the wheel turns over (or that holds the capture); else on to the parent window.
std::optional<LRESULT> OnMouseWheel(const TFormMessageArgs& M)
{
    const POINT P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    TForm* Target = WheelTarget(P);
    if (!Target)
        return std::nullopt;
    DeliverWheel(*Target, P, GET_KEYSTATE_WPARAM(M.WParam), GET_WHEEL_DELTA_WPARAM(M.WParam));
    return 0;
}

// A key while the form has the keyboard: to the form's OnKeyDown; a key it takes goes no further.
std::optional<LRESULT> OnKeyDown(const TFormMessageArgs& M)
{
    const TShiftState Shift = (GetKeyState(VK_SHIFT) < 0 ? ssShift : 0u) |
                              (GetKeyState(VK_CONTROL) < 0 ? ssCtrl : 0u) | (GetKeyState(VK_MENU) < 0 ? ssAlt : 0u);
    if (M.Form->DoKeyDown(static_cast<std::uint16_t>(M.WParam), Shift))
        return 0;
    return std::nullopt;
}

// The window is gone: the form forgets it (DefWindowProc still runs).
std::optional<LRESULT> OnNcDestroy(const TFormMessageArgs& M)
{
    SetWindowLongPtrW(M.Wnd, GWLP_USERDATA, 0);
    M.Form->Impl()->Wnd = nullptr;
    return std::nullopt;
}

struct TFormMessageEntry
{
    UINT Msg;
    bool NeedsForm; // handled only by a window that belongs to a form
    TFormMessageHandler Handle;
};

constexpr TFormMessageEntry FormMessages[] = {
    {WM_HSCROLL, false, OnControlNotification},
    {WM_COMMAND, false, OnControlNotification},
    {WM_TIMER, false, OnTimer},
    {WM_CTLCOLORLISTBOX, false, OnComboColour},
    {WM_CTLCOLOREDIT, false, OnComboColour},
    {WM_PAINT, true, OnPaint},
    {WM_ERASEBKGND, true, OnEraseBackground},
    {WM_CTLCOLORSTATIC, true, OnStaticColour},
    {WM_SIZE, true, OnSize},
    {WM_SIZING, true, OnSizing},
    {WM_CLOSE, true, OnClose},
    {WM_SETCURSOR, true, OnSetCursor},
    {WM_LBUTTONDOWN, true, OnMouseDown},
    {WM_RBUTTONDOWN, true, OnMouseDown},
    {WM_MBUTTONDOWN, true, OnMouseDown},
    {WM_MOUSEMOVE, true, OnMouseMove},
    {WM_LBUTTONUP, true, OnMouseUp},
    {WM_RBUTTONUP, true, OnMouseUp},
    {WM_MBUTTONUP, true, OnMouseUp},
    {WM_MOUSEWHEEL, true, OnMouseWheel},
    {WM_KEYDOWN, true, OnKeyDown},
    {WM_SYSKEYDOWN, true, OnKeyDown},
    {WM_NCDESTROY, true, OnNcDestroy},
};

// The form travels in the creation parameters; from WM_NCCREATE on the window knows its form.
LRESULT FormMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_NCCREATE)
    {
        auto* F = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
        SetWindowLongPtrW(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(F));
        if (F)
            F->Impl()->Wnd = Wnd;
    }
    const auto Entry = std::find_if(std::begin(FormMessages), std::end(FormMessages),
                                    [Msg](const TFormMessageEntry& E) { return E.Msg == Msg; });
    if (Entry != std::end(FormMessages))
    {
        auto* F = reinterpret_cast<TForm*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
        if (F || !Entry->NeedsForm)
            if (const std::optional<LRESULT> Answer = Entry->Handle({Wnd, Msg, WParam, LParam, F}))
                return *Answer;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

} // namespace

namespace Win32
{

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


// [editor]
TControl* ControlOf(HWND Wnd)
{
    return Wnd ? static_cast<TControl*>(GetPropW(Wnd, kControlProp)) : nullptr;
}

// [editor]
void FireChange(TComponent* Sender, TNotifyEvent Handler)
{
    if (Handler)
        FireEvent([&] { Handler(Sender); });
}

// [editor]
void ReleaseWheelHooks()
{
    const TWheelHooksHeld Held;
    for (const TWheelHook& H : WheelHooks())
        if (H.Hook)
            UnhookWindowsHookEx(H.Hook);
    TWheelHooks().swap(WheelHooks());
}

} // namespace Win32

// [editor]
void Win32::CountFormForWheel(int Delta)
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

