#pragma once
// The seam between the window toolkit (Forms.h) and a backend. Forms.cpp defines what no backend changes
// (ownership, menus, the order of a form's events, the public functions behind the hooks below); model/
// defines the controls of backends whose native windows are only client areas (ModelledControl.h). A backend
// is a folder that defines its state (TControl::TImpl, extending TModelledControlState for a modelled
// backend, with TControl's constructor, destructor, ControlState() and Handle(); TTimer::TImpl with TTimer's
// members) and the hooks listed here: those of every backend, then those of the modelled controls. Win32's
// controls are native windows that keep their own state, so it defines the control members of Forms.h itself
// instead of the modelled hooks.
// Every hook runs on the thread that owns the windows ([editor]) unless it says otherwise.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Forms.h"

enum class TControlKind { ckForm, ckLabel, ckScrollBar, ckTrackBar, ckComboBox };

struct TControlState
{
    TControl* Self = nullptr;
    TControlKind Kind = TControlKind::ckForm;
    unsigned Anchors = akLeft | akTop;
    int TabOrder = 0;

    // Forms (and label captions).
    std::string Caption;
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    unsigned BorderIcons = 0;
    std::uint32_t Color = 0;
    TFormPosition Position = TFormPosition::poDesigned;
    bool FixedOpaque = false;
    TControl* ActiveControl = nullptr;

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

// [editor] A new form's state from its declaration (everything but its name, owner and size).
inline void LoadFormDeclaration(TControlState& S, const TFormDeclaration& D)
{
    S.Kind = TControlKind::ckForm;
    S.Caption = D.Caption;
    S.BorderStyle = D.BorderStyle;
    S.BorderIcons = D.BorderIcons;
    S.Color = D.Color;
    S.FixedOpaque = D.FixedOpaque;
    S.Position = D.Position;
}

// ---- Hooks of every backend ------------------------------------------------------------------------------

// Message box: shows Text under Title (the caller has put the application's title in for an empty caption).
// Modal where the window system has modal boxes.
void NativeMessageBox(const std::string& Text, const std::string& Title);
// File dialog: whether the backend has one, and running the open (Save false) or save dialog; the chosen
// path, or nothing when cancelled.
bool NativeHasFileDialog();
std::optional<std::string> NativeFileDialog(bool Save, const std::string& Title, const std::string& InitialDir,
                                            const std::string& Filter);
// Why windows cannot be shown now (X11: no display named), or nothing when they can.
std::optional<std::string> NativeDisplayUnavailable();
// Screen size in pixels, and the pointer: where it is on the screen, and a warp onto a screen point (which
// reaches the window under it as a mouse move, later).
int NativeScreenWidth();
int NativeScreenHeight();
TPoint NativePointerPos();
void NativeWarpPointer(int ScreenX, int ScreenY);
// The screen's pixels per 96-dpi pixel where the form is (TForm::DisplayScale, which limits it to 1 and up).
double NativeDisplayScale(const TForm& Form);
// Cursor: shows Cursor over this toolkit's windows (and during its mouse capture).
void NativeCursor(TCursor Cursor);
// Pop-up menu: shows Menu at a screen point; the chosen item's Click runs through FireEvent, before the hook
// returns (modal) or later from the event loop.
void NativePopup(TPopupMenu& Menu, int ScreenX, int ScreenY);
// Event loop: dispatches every pending event once (TApplication::ProcessMessages); waits for one first and
// answers false once a quit request is queued (TApplication::HandleMessage).
void NativeProcessMessages();
bool NativeHandleMessage();
// [any] Window-thread policy: runs Call on the window thread that windows made for the caller belong to and
// waits for it; an exception that Call throws reaches the caller (RunInWindowThread).
void NativeRunInWindowThread(const std::function<void()>& Call);
// Timers belong to the event loop: each backend defines TTimer::TImpl and TTimer's members.

// ---- Hooks of the modelled backends (model/) --------------------------------------------------------------
// The model keeps each control's geometry, visibility and properties (TModelledControlState) and calls these
// after it stored the new value.

// Opens the connection to the window system if it is not open yet, before a form is made; EMarvoError when
// there is none (the form is then not made).
void NativeOpenWindowSystem();
// A new form's native window, made from the modelled state (declaration loaded, geometry set).
void NativeCreateForm(TForm& Form);
// Geometry: the control's outer rectangle or a form's frame changed (a form's position or border style).
void NativeGeometry(TControl& Control);
// Caption, colour and owner window of a form changed.
void NativeCaption(TForm& Form);
void NativeColor(TForm& Form);
void NativeOwner(TForm& Form);
// Visibility: a form was shown (after its OnCreate and first OnResize) or hidden.
void NativeVisibility(TForm& Form, bool Visible);
// Reparent: the form's native parent window changed from Previous to the one now stored (null: top level).
// EMarvoError when that window does not exist; the form is then top level and hidden.
void NativeReparent(TForm& Form, TNativeHandle Previous);
// Raise: the form goes in front of its siblings.
void NativeRaise(TForm& Form);
// Present pixels: a Width x Height block of ARGB pixels (Stride per row) at the client area's top left, now.
void NativePresent(TForm& Form, const std::uint32_t* Pixels, int Width, int Height, int Stride);
// Where a client point is on the screen as the window system has it; false where it has no say (the model
// then adds up the modelled geometry).
bool NativeClientToScreen(const TControl& Control, TPoint P, TPoint& Screen);
// The labels' font: the width of a text, and the height of a line.
int NativeTextWidth(const TControl& Label, const std::string& Text);
int NativeTextHeight(const TControl& Label);
// The control of this backend that a form's native parent window is, when it is one of ours; else null.
TControl* NativeParent(const TControl& Form);
