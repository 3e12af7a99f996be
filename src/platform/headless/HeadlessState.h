#pragma once
// Internal state of the headless backend: the in-memory windows, timers and records. [window thread]
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/headless/HeadlessDriver.h"

enum class TControlKind { ckForm, ckLabel, ckScrollBar, ckTrackBar, ckComboBox };

struct TControl::TImpl
{
    TControl* Self = nullptr;
    TControlKind Kind = TControlKind::ckForm;
    // Outer geometry, in the parent's client coordinates (screen coordinates at top level).
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = false;
    bool Enabled = true;
    unsigned Anchors = akLeft | akTop;
    int TabOrder = 0;
    bool Invalid = false;
    std::vector<TSentMessage> Messages;

    // Forms.
    std::string Caption;
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    unsigned BorderIcons = 0;
    std::uint32_t Color = 0;
    TFormPosition Position = TFormPosition::poDesigned;
    TNativeHandle OwnerWindow = nullptr;
    TNativeHandle ParentWindow = nullptr;
    bool FixedOpaque = false;
    TControl* ActiveControl = nullptr;
    int PaintCount = 0;
    int ZOrder = 0;
    int SurfaceWidth = 0, SurfaceHeight = 0;
    std::vector<std::uint32_t> Surface;

    // Labels.
    bool AutoSize = true;
    bool Centered = false;

    // Scroll bars and track bars.
    int Min = 0, Max = 100, Position_ = 0, LargeChange = 1, Frequency = 1, SelStart = 0, SelEnd = 0;
    bool NoTicks = false;

    // Combo boxes.
    std::vector<std::string> Items;
    int ItemIndex = -1;
    int ItemHeight = 13;
    std::uint32_t FontColor = 0xFF000000;
};

struct TTimer::TImpl
{
    unsigned Interval = 1000;
    bool Enabled = true;
    unsigned Elapsed = 0;
    bool Pending = false;
};

namespace Headless
{

struct TState
{
    std::vector<TControl*> Controls;
    std::vector<TTimer*> Timers;
    int NextZOrder = 1;
    TPoint Pointer;
    int PendingPointerMoves = 0;
    TShiftState QueuedMoveShift = 0;
    TForm* Capture = nullptr;
    std::vector<TPopupRecord> Popups;
    std::string NextPopupChoice;
    std::vector<TMessageBoxRecord> MessageBoxes;
    std::vector<TDialogRecord> Dialogs;
    std::optional<std::string> NextDialogAnswer;
};

// The one state of the backend; never freed, so that it outlives the application object.
TState& State();

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
// The label font: 13 pixels high.
constexpr int kFontHeight = 13;
int TextWidth(const std::string& Text);

// Removes a form from the mouse capture and the timers' view when it goes away.
void Forget(TControl* C);

} // namespace Headless
