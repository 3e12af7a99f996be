// Win32 window toolkit, the windows: controls' common part and forms, which are windows of our own class
// (Win32Messages.cpp holds their window procedure). An exception must not unwind through Windows frames: every
// window procedure catches everything.
// Every function here runs on the thread that owns the windows ([editor]) unless it is tagged otherwise.
#include "platform/win32/Win32Internal.h"

#include <algorithm>

using namespace Win32;

namespace
{

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

} // namespace

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

