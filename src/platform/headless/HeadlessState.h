#pragma once
// Internal state of the headless backend: the in-memory windows, timers and records. [editor]
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/FormsBackend.h"
#include "platform/headless/HeadlessDriver.h" // the records kept
#include "platform/model/ModelledControl.h"

struct TControl::TImpl : TModelledControlState
{
    // Forms.
    int ZOrder = 0;
    int SurfaceWidth = 0, SurfaceHeight = 0;
    std::vector<std::uint32_t> Surface;
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
    TShiftState InjectedShift = 0; // keys and buttons held by injected input (WindowProbe.h)
    std::vector<TPopupRecord> Popups;
    std::string NextPopupChoice;
    std::vector<TMessageBoxRecord> MessageBoxes;
    std::function<void(const TMessageBoxRecord&)> WhileMessageBoxShows;
    std::vector<TDialogRecord> Dialogs;
    std::optional<std::string> NextDialogAnswer;
    double DisplayScale = 1.0;
};

// The one state of the backend; never freed, so that it outlives the application object.
TState& State();

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
// The label font: 13 pixels high.
constexpr int kFontHeight = 13;
int TextWidth(const std::string& Text);

// The control whose native handle this is, or null (a foreign handle).
TControl* ControlOf(TNativeHandle Handle);

// Removes a form from the mouse capture and the timers' view when it goes away.
void Forget(TControl* C);

// The showing form whose client area contains the screen point, the most deeply embedded one first, then the
// frontmost; null where there is none. Mouse input and the screen's picture both follow it.
TForm* FormAt(TPoint P);

} // namespace Headless
