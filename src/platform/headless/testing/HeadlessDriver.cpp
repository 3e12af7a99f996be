// The headless backend's test driver (HeadlessDriver.h): input, virtual time and the recorded pop-ups, boxes
// and dialogs, read from and written to the backend's state. [editor]
#include <utility>

#include "platform/Forms.h"
#include "platform/headless/HeadlessDriver.h"
#include "platform/headless/HeadlessState.h"

using namespace Headless;

namespace HeadlessDriver
{

std::vector<TControl*> Windows() { return State().Controls; }

TControl* FromHandle(TNativeHandle Handle) { return ControlOf(Handle); }

int BorderWidth(TFormBorderStyle Style) { return FrameBorder(Style); }
int CaptionHeight(TFormBorderStyle Style) { return FrameCaption(Style); }
bool IsInvalidated(const TControl& C) { return C.Impl()->Invalid; }
int PaintCount(const TForm& F) { return F.Impl()->PaintCount; }
int ZOrder(const TForm& F) { return F.Impl()->ZOrder; }

std::uint32_t Pixel(const TForm& F, int X, int Y)
{
    const auto* I = F.Impl();
    if (X < 0 || Y < 0 || X >= I->SurfaceWidth || Y >= I->SurfaceHeight)
        return 0;
    return I->Surface[static_cast<std::size_t>(Y) * I->SurfaceWidth + X];
}

const std::vector<TSentMessage>& SentMessages(const TControl& C) { return C.Impl()->Messages; }

void MouseDown(TForm& F, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    State().Pointer = F.ClientToScreen({X, Y});
    State().Capture = &F;
    F.DoMouseDown(Button, Shift, X, Y);
}

void MouseMove(TForm& F, TShiftState Shift, int X, int Y)
{
    State().Pointer = F.ClientToScreen({X, Y});
    F.DoMouseMove(Shift, X, Y);
}

void MouseUp(TForm& F, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    State().Pointer = F.ClientToScreen({X, Y});
    State().Capture = nullptr;
    F.DoMouseUp(Button, Shift, X, Y);
}

void MouseWheel(TForm& F, TShiftState Shift, int Delta, int X, int Y)
{
    State().Pointer = F.ClientToScreen({X, Y});
    F.DoMouseWheel(Shift, Delta, X, Y);
}

void SetDisplayScale(double Scale) { State().DisplayScale = Scale; }

void PressCloseBox(TForm& F) { F.DoClose(); }
void UserSetPosition(TScrollBar& S, int Position) { S.SetPosition(Position); }
void UserSetPosition(TTrackBar& T, int Position) { T.SetPosition(Position); }
void UserSelect(TComboBox& C, int Index) { C.SetItemIndex(Index); }

int PendingMessages()
{
    const TState& S = State();
    int N = S.PendingPointerMoves;
    for (TTimer* T : S.Timers)
        N += T->Enabled() && T->Impl()->Pending;
    for (TControl* C : S.Controls)
        N += C->Impl()->Kind == TControlKind::ckForm && C->Impl()->Invalid && C->Showing();
    return N;
}

void SetShiftOfQueuedMoves(TShiftState Shift) { State().QueuedMoveShift = Shift; }

void AdvanceTime(unsigned Milliseconds)
{
    for (TTimer* T : State().Timers)
    {
        auto* I = T->Impl();
        if (!T->Enabled() || I->Interval == 0)
            continue;
        I->Elapsed += Milliseconds;
        if (I->Elapsed >= I->Interval)
        {
            I->Pending = true;
            I->Elapsed %= I->Interval;
        }
    }
}

bool FireTimer(TTimer& T)
{
    if (!T.Enabled())
        return false;
    if (TNotifyEvent H = T.OnTimer)
        FireEvent([&] { H(&T); });
    return true;
}

std::vector<TTimer*> Timers() { return State().Timers; }
const std::vector<TPopupRecord>& Popups() { return State().Popups; }
void ChooseInNextPopup(const std::string& ItemName) { State().NextPopupChoice = ItemName; }
const std::vector<TMessageBoxRecord>& MessageBoxes() { return State().MessageBoxes; }
void SetWhileMessageBoxShows(std::function<void(const TMessageBoxRecord&)> Hook)
{
    State().WhileMessageBoxShows = std::move(Hook);
}
const std::vector<TDialogRecord>& Dialogs() { return State().Dialogs; }
void PresetNextDialogAnswer(std::optional<std::string> Path) { State().NextDialogAnswer = std::move(Path); }

void Reset()
{
    TState& S = State();
    S.Popups.clear();
    S.NextPopupChoice.clear();
    S.MessageBoxes.clear();
    S.WhileMessageBoxShows = nullptr;
    S.Dialogs.clear();
    S.NextDialogAnswer.reset();
    S.Pointer = {};
    S.PendingPointerMoves = 0;
    S.QueuedMoveShift = 0;
    S.Capture = nullptr;
    S.InjectedShift = 0;
    S.DisplayScale = 1.0;
    for (TTimer* T : S.Timers)
    {
        T->Impl()->Elapsed = 0;
        T->Impl()->Pending = false;
    }
    Application().SetCursor(TCursor::crDefault);
}

} // namespace HeadlessDriver
