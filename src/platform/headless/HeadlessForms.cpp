// Headless window toolkit: deterministic in-memory windows for the native build. Nothing is drawn on a
// screen; PaintBitmap fills an in-memory client surface that tests read back through HeadlessDriver.
// Every function here runs on the thread that owns the windows ([editor]) unless it is tagged otherwise.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <utility>

#include "platform/Forms.h"
#include "platform/System.h"
#include "platform/headless/HeadlessState.h"

namespace Headless
{

namespace
{

TState* GState = nullptr;

// Frees the state when the program ends or the library unloads. A namespace-scope object is made while the
// module loads, before any function-local static (the application object and the forms it owns), so it is
// destroyed after all of them.
struct TStateRelease
{
    ~TStateRelease()
    {
        delete GState;
        GState = nullptr;
    }
} StateRelease;

} // namespace

// [editor]
TState& State()
{
    if (!GState)
        GState = new TState();
    return *GState;
}

// [any] Advance widths of a proportional 8-point interface font (13 pixels high).
int TextWidth(const std::string& Text)
{
    int W = 0;
    for (unsigned char Ch : Text)
    {
        if (Ch == ' ' || Ch == 'i' || Ch == 'l' || Ch == 'j' || Ch == '.' || Ch == ',' || Ch == ':' || Ch == ';' ||
            Ch == '\'' || Ch == '|' || Ch == '!' || Ch == 'I')
            W += 3;
        else if (Ch == 'f' || Ch == 't' || Ch == 'r' || Ch == '(' || Ch == ')' || Ch == '-')
            W += 4;
        else if (Ch == 'm' || Ch == 'w' || Ch == 'M' || Ch == 'W' || Ch == '@' || Ch == '%')
            W += 9;
        else if (std::isupper(Ch) || Ch == '#' || Ch == '&' || Ch == '_')
            W += 7;
        else
            W += 6;
    }
    return W;
}

// [editor]
TControl* ControlOf(TNativeHandle Handle)
{
    for (TControl* C : State().Controls)
        if (C->Handle() == Handle)
            return C;
    return nullptr;
}

// [editor]
void Forget(TControl* C)
{
    TState& S = State();
    S.Controls.erase(std::remove(S.Controls.begin(), S.Controls.end(), C), S.Controls.end());
    if (S.Capture == C)
        S.Capture = nullptr;
    for (TControl* Other : S.Controls)
        if (Other->Impl()->ActiveControl == C)
            Other->Impl()->ActiveControl = nullptr;
}

} // namespace Headless

using namespace Headless;

namespace
{

bool IsAlive(const TControl* C)
{
    const auto& L = State().Controls;
    return std::find(L.begin(), L.end(), C) != L.end();
}

int Depth(const TControl* C)
{
    int D = 0;
    while (C)
    {
        ++D;
        C = C->Parent() ? C->Parent() : NativeParent(*C->Impl());
    }
    return D;
}

void CentreIfRequested(TControl::TImpl& I)
{
    if (I.Kind != TControlKind::ckForm || I.Position != TFormPosition::poScreenCenter || I.ParentWindow)
        return;
    I.Left = (kScreenWidth - I.Width) / 2;
    I.Top = (kScreenHeight - I.Height) / 2;
}

} // namespace

// [editor]
TForm* Headless::FormAt(TPoint P)
{
    TForm* Best = nullptr;
    int BestDepth = -1, BestZ = -1;
    for (TControl* C : State().Controls)
    {
        auto* F = dynamic_cast<TForm*>(C);
        if (!F || !F->Showing())
            continue;
        const TPoint O = F->ClientToScreen({0, 0});
        if (P.X < O.X || P.Y < O.Y || P.X >= O.X + F->ClientWidth() || P.Y >= O.Y + F->ClientHeight())
            continue;
        const int D = Depth(F), Z = F->Impl()->ZOrder;
        if (D > BestDepth || (D == BestDepth && Z > BestZ))
        {
            Best = F;
            BestDepth = D;
            BestZ = Z;
        }
    }
    return Best;
}

// [editor]
TControl* NativeParent(const TModelledControlState& S)
{
    return S.ParentWindow ? ControlOf(S.ParentWindow) : nullptr;
}

// ---- TControl ---------------------------------------------------------------------------------------------

// [editor]
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_unique<TImpl>())
{
    FImpl->Self = this;
    State().Controls.push_back(this);
}

// [editor] Children stay alive (their owner frees them) but lose this parent.
TControl::~TControl()
{
    while (!FControls.empty())
        FControls.back()->SetParent(nullptr);
    if (FParent) // unlinked by hand: the derived parts of this object are already gone
        MoveToParent(nullptr);
    Forget(this);
}

TControlState& TControl::ControlState() const { return *FImpl; }
TNativeHandle TControl::Handle() const { return FImpl.get(); }

// [editor] Moving a screen-centred form ends its centring; a size change keeps it centred.
void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TImpl& I = *FImpl;
    const bool Moved = ALeft != I.Left || ATop != I.Top;
    I.Left = ALeft;
    I.Top = ATop;
    I.Width = std::max(0, AWidth);
    I.Height = std::max(0, AHeight);
    if (Moved)
        I.Position = TFormPosition::poDesigned;
    CentreIfRequested(I);
    I.Invalid = true;
    if (auto* F = dynamic_cast<TForm*>(this))
        F->DoClientResized();
}

int TControl::ClientWidth() const { return std::max(0, FImpl->Width - 2 * BorderOf(*FImpl)); }
int TControl::ClientHeight() const { return std::max(0, FImpl->Height - 2 * BorderOf(*FImpl) - CaptionOf(*FImpl)); }

// [editor] Showing a form the first time gives it OnCreate (if still due) and its first OnResize.
void TControl::SetVisible(bool V)
{
    if (V == FImpl->Visible)
        return;
    FImpl->Visible = V;
    if (FImpl->Kind == TControlKind::ckForm)
    {
        if (V)
        {
            FImpl->ZOrder = State().NextZOrder++;
            FImpl->Invalid = true;
            static_cast<TForm*>(this)->DoShowing();
            if (FImpl->Position == TFormPosition::poScreenCenter)
                FImpl->Position = TFormPosition::poDesigned; // placed once; the user may move it from here
        }
        else if (State().Capture == this)
            State().Capture = nullptr;
    }
}

// [editor] Paints at once when the form is showing; a hidden form paints nothing.
void TControl::Repaint()
{
    auto* F = dynamic_cast<TForm*>(this);
    if (!F)
    {
        if (FParent)
            FParent->Repaint();
        return;
    }
    if (!Showing())
    {
        FImpl->Invalid = true;
        return;
    }
    FImpl->Invalid = false;
    ++FImpl->PaintCount;
    F->DoPaint();
}

// [editor]
TPoint TControl::ClientToScreen(TPoint P) const
{
    TPoint Origin;
    if (FParent)
        Origin = FParent->ClientToScreen({0, 0});
    else if (TControl* NP = NativeParent(*FImpl))
        Origin = NP->ClientToScreen({0, 0});
    return {P.X + Origin.X + FImpl->Left + BorderOf(*FImpl), P.Y + Origin.Y + FImpl->Top + BorderOf(*FImpl) + CaptionOf(*FImpl)};
}

// ---- TForm ------------------------------------------------------------------------------------------------

// [editor]
TForm::TForm(TComponent* AOwner, const TFormDeclaration& D) : TControl(AOwner)
{
    TImpl& I = *FImpl;
    LoadFormDeclaration(I, D);
    SetName(D.Name);
    I.OwnerWindow = D.OwnerWindow;
    I.Width = D.ClientWidth + 2 * FrameBorder(D.BorderStyle);
    I.Height = D.ClientHeight + 2 * FrameBorder(D.BorderStyle) + FrameCaption(D.BorderStyle);
    CentreIfRequested(I);
    DoClientResized();
}

void TForm::SetCaption(const std::string& V) { FImpl->Caption = V; }

// [editor] The outer size stays; the client area changes with the frame.
void TForm::SetBorderStyle(TFormBorderStyle V)
{
    FImpl->BorderStyle = V;
    FImpl->Invalid = true;
    DoClientResized();
}

void TForm::SetColor(std::uint32_t ARGB)
{
    FImpl->Color = ARGB;
    Invalidate();
}
void TForm::SetBorderIcons(unsigned V) { FImpl->BorderIcons = V; }
void TForm::SetPosition(TFormPosition V)
{
    FImpl->Position = V;
    CentreIfRequested(*FImpl);
}
TNativeHandle TForm::OwnerWindow() const { return FImpl->OwnerWindow; }
void TForm::SetOwnerWindow(TNativeHandle Owner) { FImpl->OwnerWindow = Owner; }
TNativeHandle TForm::ParentWindow() const { return FImpl->ParentWindow; }

// [editor]
void TForm::SetParentWindow(TNativeHandle ParentHandle)
{
    if (ParentHandle == Handle())
        return;
    FImpl->ParentWindow = ParentHandle;
    FImpl->Invalid = true;
    if (ParentHandle)
        DoShowing();
}

// [editor]
void TForm::BringToFront()
{
    FImpl->ZOrder = State().NextZOrder++;
}

void TForm::SetActiveControl(TControl* C) { FImpl->ActiveControl = C; }

// [editor]
void TForm::PaintBitmap(const std::uint32_t* Pixels, int Width, int Height, int Stride)
{
    TImpl& I = *FImpl;
    const int CW = ClientWidth(), CH = ClientHeight();
    if (I.SurfaceWidth != CW || I.SurfaceHeight != CH)
    {
        I.SurfaceWidth = CW;
        I.SurfaceHeight = CH;
        I.Surface.assign(static_cast<std::size_t>(CW) * CH, 0);
    }
    if (!Pixels || Width <= 0 || Height <= 0 || Stride < Width)
        return;
    const int W = std::min(Width, CW), H = std::min(Height, CH);
    for (int Y = 0; Y < H; ++Y)
        std::copy_n(Pixels + static_cast<std::size_t>(Y) * Stride, W, I.Surface.begin() + static_cast<std::size_t>(Y) * CW);
}

// ---- Standard controls ------------------------------------------------------------------------------------

// [editor]
TLabel::TLabel(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckLabel;
    FImpl->Height = kFontHeight;
    FImpl->Visible = true;
}

// [editor]
void TLabel::SetCaption(const std::string& V)
{
    FImpl->Caption = V;
    if (FImpl->AutoSize)
        SetBounds(Left(), Top(), TextWidth(V), kFontHeight);
    Invalidate();
}

void TLabel::SetAutoSize(bool V)
{
    FImpl->AutoSize = V;
    if (V)
        SetBounds(Left(), Top(), TextWidth(FImpl->Caption), kFontHeight);
}
void TLabel::SetCentered(bool V) { FImpl->Centered = V; }
int TLabel::TextWidth(const std::string& Text) const { return Headless::TextWidth(Text); }

// ---- Pop-up menus, timers, application --------------------------------------------------------------------

// [editor] Records the pop-up and runs the item that the test chose for it, if any.
void TPopupMenu::Popup(int ScreenX, int ScreenY)
{
    TState& S = State();
    TPopupRecord R{this, ScreenX, ScreenY, Name(), {}};
    const std::string Choice = S.NextPopupChoice;
    S.NextPopupChoice.clear();
    TMenuItem* Chosen = nullptr;
    if (!Choice.empty())
        Chosen = dynamic_cast<TMenuItem*>(FindComponent(Choice));
    if (Chosen && (!Chosen->Enabled() || Chosen->IsSeparator()))
        Chosen = nullptr;
    if (Chosen)
        R.ChosenItemName = Chosen->Name();
    S.Popups.push_back(R);
    if (Chosen)
        FireEvent([Chosen] { Chosen->Click(); });
}

// [editor]
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_unique<TImpl>())
{
    State().Timers.push_back(this);
}

// [editor]
TTimer::~TTimer()
{
    auto& L = State().Timers;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
}

unsigned TTimer::Interval() const { return FImpl->Interval; }
void TTimer::SetInterval(unsigned Milliseconds)
{
    FImpl->Interval = Milliseconds;
    FImpl->Elapsed = 0;
    FImpl->Pending = false;
}
bool TTimer::Enabled() const { return FImpl->Enabled; }
void TTimer::SetEnabled(bool V)
{
    FImpl->Enabled = V;
    FImpl->Elapsed = 0;
    FImpl->Pending = false;
}

// [editor] Delivers the queued pointer move, then due timer ticks, then paints of invalidated showing
// forms. Handlers may free windows and timers on the way; freed ones are skipped.
void TApplication::ProcessMessages()
{
    TState& S = State();
    if (S.PendingPointerMoves > 0)
    {
        S.PendingPointerMoves = 0;
        TForm* Target = S.Capture ? S.Capture : FormAt(S.Pointer);
        if (Target)
        {
            const TPoint P = Target->ScreenToClient(S.Pointer);
            Target->DoMouseMove(S.QueuedMoveShift, P.X, P.Y);
        }
    }
    const std::vector<TTimer*> Timers = S.Timers;
    for (TTimer* T : Timers)
    {
        if (std::find(S.Timers.begin(), S.Timers.end(), T) == S.Timers.end())
            continue;
        if (T->Enabled())
            if (auto* I = T->Impl(); I->Pending)
            {
                I->Pending = false;
                if (TNotifyEvent H = T->OnTimer) // the handler may free its timer
                    FireEvent([&] { H(T); });
            }
    }
    const std::vector<TControl*> Controls = S.Controls;
    for (TControl* C : Controls)
    {
        if (!IsAlive(C) || C->Impl()->Kind != TControlKind::ckForm || !C->Impl()->Invalid || !C->Showing())
            continue;
        C->Repaint();
    }
}

// [any] Windows belong to the thread that makes them: the caller's.
void RunInWindowThread(const std::function<void()>& Call)
{
    Call();
}

// [editor] Nothing but the test driver queues messages here, so there is nothing to wait for.
bool TApplication::HandleMessage()
{
    ProcessMessages();
    return true;
}

void TApplication::SetCursor(TCursor C) { FCursor = C; }

// ---- System services that belong to the window system ----------------------------------------------------

// [editor]
void ShowMessageBox(const std::string& Text, const std::string& Caption)
{
    const std::string Title = Caption.empty() ? Application().Title() : Caption;
    State().MessageBoxes.push_back({Text, Title});
    std::string Line = Title + ": " + Text;
    std::replace(Line.begin(), Line.end(), '\n', ' ');
    std::replace(Line.begin(), Line.end(), '\r', ' ');
    std::cerr << "[message box] " << Line << std::endl;
    if (const auto Hook = State().WhileMessageBoxShows)
        Hook(TMessageBoxRecord(State().MessageBoxes.back()));
}

// [editor]
std::optional<std::string> RunFileDialog(bool Save, const std::string& Title, const std::string& InitialDir,
                                         const std::string& Filter)
{
    TState& S = State();
    TDialogRecord R{Save, Title, InitialDir, Filter, S.NextDialogAnswer};
    S.NextDialogAnswer.reset();
    S.Dialogs.push_back(R);
    return R.Answer;
}

// [editor]
TPoint GetPointerPos()
{
    return State().Pointer;
}

// [editor] Like the real pointer, the warp reaches the window under it as a mouse move, later.
void SetPointerPos(int ScreenX, int ScreenY)
{
    State().Pointer = {ScreenX, ScreenY};
    State().PendingPointerMoves = 1;
}

int ScreenWidth() { return kScreenWidth; }
int ScreenHeight() { return kScreenHeight; }
