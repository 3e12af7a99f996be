#pragma once
// Test driver of the headless backend: delivers input, fires timers, reads back every window's state and the
// recorded pop-up menus, message boxes and dialogs. Only the native build has it. [editor]
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/WindowProbe.h" // TMessageBoxRecord
#include "platform/model/ModelledControl.h" // TSentMessage

struct TPopupRecord
{
    TPopupMenu* Menu = nullptr;
    int X = 0, Y = 0;
    std::string MenuName;      // kept: the menu may be gone when the record is read
    std::string ChosenItemName; // empty when nothing was chosen
};

struct TDialogRecord
{
    bool Save = false;
    std::string Title;
    std::string InitialDir;
    std::string Filter;
    std::optional<std::string> Answer;
};

namespace HeadlessDriver
{

// Every live control (forms and standard controls), in creation order.
std::vector<TControl*> Windows();
// The control whose native handle this is, or null (for a foreign handle).
TControl* FromHandle(TNativeHandle Handle);

// Frame of a form's border style: the border on each side and the caption bar height, in pixels.
int BorderWidth(TFormBorderStyle Style);
int CaptionHeight(TFormBorderStyle Style);

// Window state beyond the public toolkit interface.
bool IsInvalidated(const TControl& C);
int PaintCount(const TForm& F);
// Stacking order of top-level forms: a higher number is further in front.
int ZOrder(const TForm& F);
// The client-area pixel that PaintBitmap last wrote (0 where nothing was painted).
std::uint32_t Pixel(const TForm& F, int X, int Y);
const std::vector<TSentMessage>& SentMessages(const TControl& C);

// Input. Mouse events go to the form at client coordinates (X, Y); the pointer follows them. A button pressed
// captures the mouse for that form until it is released. The shift state is the caller's.
void MouseDown(TForm& F, TMouseButton Button, TShiftState Shift, int X, int Y);
void MouseMove(TForm& F, TShiftState Shift, int X, int Y);
void MouseUp(TForm& F, TMouseButton Button, TShiftState Shift, int X, int Y);
// The wheel turns by Delta (120 a notch, positive away from the user) over the form at (X, Y).
void MouseWheel(TForm& F, TShiftState Shift, int Delta, int X, int Y);
// The screen's scale that TForm::DisplayScale answers (1 after Reset).
void SetDisplayScale(double Scale);
// Presses the form's close box.
void PressCloseBox(TForm& F);
// A user moves a control (as if dragging its thumb or choosing from its list): fires OnChange when changed.
void UserSetPosition(TScrollBar& S, int Position);
void UserSetPosition(TTrackBar& T, int Position);
void UserSelect(TComboBox& C, int Index);

// Messages waiting for Application().ProcessMessages (paints, timers, pointer moves).
int PendingMessages();
// The pointer moves caused by SetPointerPos are queued as mouse moves (with ShiftOfQueuedMoves) and reach the
// form under the pointer at the next ProcessMessages, as on Windows.
void SetShiftOfQueuedMoves(TShiftState Shift);

// Timers. Time is virtual: AdvanceTime queues one tick for every enabled timer whose interval elapsed (ticks
// of one timer do not pile up), and ProcessMessages runs them. FireTimer runs one timer's handler at once
// when it is enabled and answers whether it ran.
void AdvanceTime(unsigned Milliseconds);
bool FireTimer(TTimer& T);
std::vector<TTimer*> Timers();

// Pop-up menus shown with Popup, oldest first. The next Popup chooses the item named here (any case; an item
// of a submenu too), as a user would: a disabled item, a separator or an item that opens a submenu is not
// chosen. Without a choice the menu is dismissed.
const std::vector<TPopupRecord>& Popups();
void ChooseInNextPopup(const std::string& ItemName);

// Message boxes (also written to standard error as one line each) and file dialogs, oldest first. The next
// dialog answers with the preset answer (nothing = cancelled, the default).
const std::vector<TMessageBoxRecord>& MessageBoxes();
// While set, every message box runs Hook (on the thread that shows the box, after recording it) before it
// returns, as a box that stays up until the listener answers it.
void SetWhileMessageBoxShows(std::function<void(const TMessageBoxRecord&)> Hook);
const std::vector<TDialogRecord>& Dialogs();
void PresetNextDialogAnswer(std::optional<std::string> Path);

// Clears the records, queued messages and presets and resets the pointer and the virtual clock.
void Reset();

} // namespace HeadlessDriver
