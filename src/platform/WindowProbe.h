#pragma once
// Inspection of this process's real windows and resources, for tests and the soak test: what a user (or a
// tool like Spy++) would see, read from the window system rather than from the toolkit's own state.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Forms.h"

struct TWindowProbe
{
    TNativeHandle Handle = nullptr;
    std::string Caption;
    std::string ClassName;         // Win32 window class; X11: WM_CLASS ("MarvoForm", "MarvoMenu"); headless: "TForm"
                                   // or the control's class ("TLabel", ...)
    TNativeHandle Owner = nullptr; // Win32: GetWindow(GW_OWNER); X11: WM_TRANSIENT_FOR; headless: OwnerWindow()
    bool Visible = false;          // the window's own visibility flag
    TRect Bounds;                  // outer rectangle, screen coordinates (X11: the client with _NET_FRAME_EXTENTS)
    TRect Client;                  // client area in screen coordinates
};

// [editor] Top-level windows of this process, visible or not (Win32: every thread's, including the
// system's own helper windows; X11: every thread's windows on the root (or in a window manager's frame) that
// carry this process's _NET_WM_PID, menus included; headless: every form that is neither a child control nor
// embedded).
std::vector<TWindowProbe> TopLevelWindows();
// [editor] One window; nothing for an invalid handle.
std::optional<TWindowProbe> ProbeWindow(TNativeHandle Handle);

// [editor] What the screen shows in a rectangle (screen coordinates): Width × Height opaque
// 0xFFRRGGBB pixels, row by row from the top; empty for an empty rectangle. Win32 and X11: read back from
// the display (X11: 0xFF000000 outside the screen). Headless: composed of the showing forms' client areas as
// PaintBitmap last wrote them, each pixel from the form that mouse input there would reach (an embedded form
// covers its parent); 0xFF000000 elsewhere, frames and captions included.
std::vector<std::uint32_t> CaptureScreen(const TRect& ScreenRect);

// Synthetic input, as a user's mouse and keyboard. [editor]
// Win32: SendInput; X11: XTest, the server having taken each event when the call returns. The events reach
// the windows through the normal message processing (Application().ProcessMessages() on the windows' thread),
// and the window system's capture and key state apply. Headless: delivered at once through HeadlessDriver's
// mouse input, with the shift state of the keys and buttons held by injected input; moves and buttons go to
// the capturing form, else to the form under the pointer (none: the pointer just moves).
enum class TInjectedKey { ikShift, ikCtrl };
// The pointer onto exactly that pixel of the primary screen (clamped to the screen).
void InjectPointerMove(int ScreenX, int ScreenY);
// A press or release of a button at the pointer's position.
void InjectMouseButton(TMouseButton Button, bool Down);
void InjectKey(TInjectedKey Key, bool Down);
// The wheel turns by Notches at the pointer's position (positive: away from the user; 120 of WheelDelta each).
void InjectWheel(int Notches);
// Types Text (UTF-8) into whatever has the keyboard focus, '\n' as the Return key. Win32: SendInput's Unicode
// key events, so it reaches any thread's window, the system's dialogs included. Headless and X11: no window
// takes text there; raises EMarvoError.
void InjectText(const std::string& Text);

// [editor] Whether the user sees the mouse cursor: false while it is hidden (TCursor::crNone over our
// windows, or during our mouse capture). Win32: the foreground thread's cursor (under Wine: also where the
// pointer is over no window of ours, and none before that thread set one). X11: the server's current cursor
// image (XFixes) has a visible pixel; the hidden cursor is a blank one. Headless: Application().Cursor() is
// not crNone.
bool CursorShowing();

// [any] Asks a window, of this program or another, to close, as the window manager's close button
// does: Win32 WM_CLOSE (posted); X11 the WM_DELETE_WINDOW message of the window-manager protocol; headless
// the form's close box. False when there is no such window (or no display).
bool RequestWindowClose(TNativeHandle Window);

struct TProcessResources
{
    int Windows = 0;             // Win32: top-level and child windows of this process; X11: windows of this
                                 // process's connections (X-Resource); headless: live controls
    int UserObjects = 0;         // Win32: GetGuiResources(GR_USEROBJECTS); X11: all those connections'
                                 // resources; headless 0
    int GdiObjects = 0;          // Win32: GetGuiResources(GR_GDIOBJECTS); X11: their pixmaps, graphics contexts
                                 // and fonts; headless 0
    std::uint64_t PrivateBytes = 0; // Win32: private usage (else page-file usage); headless: data size (statm)
};
// [any]
TProcessResources ProcessResources();

struct TMessageBoxRecord
{
    std::string Text;
    std::string Caption;
};

// Answers the message boxes of this process while it lives, as a user would. Win32: a background thread
// finds every message box (a visible "#32770" dialog with only static controls and buttons) of this process,
// records its caption and text and presses OK. Headless and X11: message boxes are not modal there; the
// answerer records the boxes that appeared after its construction (headless: HeadlessDriver::MessageBoxes()).
// [editor: construct, destroy and read]
class TMessageBoxAnswerer
{
public:
    TMessageBoxAnswerer();
    ~TMessageBoxAnswerer();
    TMessageBoxAnswerer(const TMessageBoxAnswerer&) = delete;
    TMessageBoxAnswerer& operator=(const TMessageBoxAnswerer&) = delete;

    // The boxes answered so far, oldest first.
    std::vector<TMessageBoxRecord> Records() const;

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};
