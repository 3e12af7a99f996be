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
        C = C->Parent() ? C->Parent() : NativeParent(*C);
    }
    return D;
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
TControl* NativeParent(const TControl& Form)
{
    const TNativeHandle Parent = Form.Impl()->ParentWindow;
    return Parent ? ControlOf(Parent) : nullptr;
}

// ---- TControl ---------------------------------------------------------------------------------------------

// [editor]
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_unique<TImpl>())
{
    FImpl->Self = this;
    State().Controls.push_back(this);
}

// [editor]
TControl::~TControl()
{
    ReleaseChildren(*this);
    if (FParent) // unlinked by hand: the derived parts of this object are already gone
        MoveToParent(nullptr);
    Forget(this);
}

TControlState& TControl::ControlState() const { return *FImpl; }
TNativeHandle TControl::Handle() const { return FImpl.get(); }

// ---- Native hooks of the modelled controls: in-memory windows ---------------------------------------------

void NativeOpenWindowSystem() {}
void NativeCreateForm(TForm&) {}
void NativeGeometry(TControl&) {}
void NativeCaption(TForm&) {}
void NativeColor(TForm&) {}
void NativeOwner(TForm&) {}

// [editor] A form shown goes in front; a form hidden loses the mouse capture.
void NativeVisibility(TForm& Form, bool Visible)
{
    if (Visible)
        Form.Impl()->ZOrder = State().NextZOrder++;
    else if (State().Capture == &Form)
        State().Capture = nullptr;
}

void NativeReparent(TForm&, TNativeHandle) {}

// [editor]
void NativeRaise(TForm& Form)
{
    Form.Impl()->ZOrder = State().NextZOrder++;
}

// [editor] The client surface follows the client size; the visible part of the bitmap is copied into it.
void NativePresent(TForm& Form, const std::uint32_t* Pixels, int Width, int Height, int Stride)
{
    TControl::TImpl& I = *Form.Impl();
    const int CW = Form.ClientWidth(), CH = Form.ClientHeight();
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

bool NativeClientToScreen(const TControl&, TPoint, TPoint&)
{
    return false;
}

int NativeTextWidth(const TControl&, const std::string& Text) { return Headless::TextWidth(Text); }
int NativeTextHeight(const TControl&) { return kFontHeight; }

// ---- Pop-up menus, timers, application --------------------------------------------------------------------

// [editor] Records the pop-up and runs the item that the test chose for it, if any.
void NativePopup(TPopupMenu& Menu, int ScreenX, int ScreenY)
{
    TState& S = State();
    TPopupRecord R{&Menu, ScreenX, ScreenY, Menu.Name(), {}};
    const std::string Choice = S.NextPopupChoice;
    S.NextPopupChoice.clear();
    TMenuItem* Chosen = nullptr;
    if (!Choice.empty())
        Chosen = Menu.FindItem(Choice); // an item of a submenu is chosen through its parent item
    if (Chosen && (!Chosen->Enabled() || Chosen->IsSeparator() || !Chosen->Items().empty()))
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
void NativeProcessMessages()
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
void NativeRunInWindowThread(const std::function<void()>& Call)
{
    Call();
}

// [editor] Nothing but the test driver queues messages here, so there is nothing to wait for.
bool NativeHandleMessage()
{
    NativeProcessMessages();
    return true;
}

// [editor] The cursor is only recorded (Application().Cursor()).
void NativeCursor(TCursor) {}

// [editor]
double NativeDisplayScale(const TForm&)
{
    return State().DisplayScale;
}

// ---- System services that belong to the window system ----------------------------------------------------

// [editor]
void NativeMessageBox(const std::string& Text, const std::string& Title)
{
    State().MessageBoxes.push_back({Text, Title});
    std::string Line = Title + ": " + Text;
    std::replace(Line.begin(), Line.end(), '\n', ' ');
    std::replace(Line.begin(), Line.end(), '\r', ' ');
    std::cerr << "[message box] " << Line << std::endl;
    if (const auto Hook = State().WhileMessageBoxShows)
        Hook(TMessageBoxRecord(State().MessageBoxes.back()));
}

// [any] The test driver answers the file dialogs.
bool NativeHasFileDialog()
{
    return true;
}

// [editor]
std::optional<std::string> NativeFileDialog(bool Save, const std::string& Title, const std::string& InitialDir,
                                            const std::string& Filter)
{
    TState& S = State();
    TDialogRecord R{Save, Title, InitialDir, Filter, S.NextDialogAnswer};
    S.NextDialogAnswer.reset();
    S.Dialogs.push_back(R);
    return R.Answer;
}

// [editor]
TPoint NativePointerPos()
{
    return State().Pointer;
}

// [editor] Like the real pointer, the warp reaches the window under it as a mouse move, later.
void NativeWarpPointer(int ScreenX, int ScreenY)
{
    State().Pointer = {ScreenX, ScreenY};
    State().PendingPointerMoves = 1;
}

// [any] Modelled windows need no display.
std::optional<std::string> NativeDisplayUnavailable()
{
    return std::nullopt;
}

int NativeScreenWidth() { return kScreenWidth; }
int NativeScreenHeight() { return kScreenHeight; }
