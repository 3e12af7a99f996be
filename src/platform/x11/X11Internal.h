#pragma once
// Internal to the X11 backend: the Xlib headers, the per-thread window context (display connection, windows,
// timers, capture, open menu), and the backend state of controls and timers. See X11Application.cpp for the
// threads that run it. [editor] unless a function says otherwise.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Forms.h"
#include "platform/FormsBackend.h"
#include "platform/TextRaster.h"
#include "platform/WindowProbe.h"
#include "platform/model/ModelledControl.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>


namespace X11
{

// How 0xAARRGGBB pixels map to the visual's pixel values (24- or 32-bit TrueColor).
struct TPixelFormat
{
    int RedShift = 16, GreenShift = 8, BlueShift = 0;
    int RedBits = 8, GreenBits = 8, BlueBits = 8;
    // The visual's pixels are 0x00RRGGBB in 32 bits: painted and read back without conversion.
    bool Direct = true;
    unsigned long Encode(std::uint32_t ARGB) const;
    std::uint32_t Decode(unsigned long Pixel) const;
};

// The pixel format of a TrueColor visual.
TPixelFormat FormatOf(const Visual& V);

struct TMenuSession;
struct TMenuSessionDeleter
{
    void operator()(TMenuSession* S) const;
};
using TMenuSessionPtr = std::unique_ptr<TMenuSession, TMenuSessionDeleter>;

// Everything one thread's windows share. A thread gets its context when it makes its first control or timer;
// the context (and its display connection) stays until the library unloads, so that a thread that makes
// windows again reuses it.
struct TContext
{
    Display* Dpy = nullptr; // null while no display could be opened: timers still run, forms cannot be made
    int Screen = 0;
    ::Window Root = 0;
    Visual* Vis = nullptr;
    int Depth = 0;
    TPixelFormat Format;
    GC Gc = nullptr;
    Cursor BlankCursor = 0;
    Atom WmProtocols = 0, WmDeleteWindow = 0, NetWmName = 0, Utf8String = 0, NetFrameExtents = 0,
         MotifWmHints = 0, NetWmWindowType = 0, NetWmWindowTypeUtility = 0, NetWmWindowTypePopupMenu = 0,
         NetWmPid = 0;

    std::vector<TControl*> Controls; // live controls made on this thread, in creation order
    std::vector<TTimer*> Timers;
    struct TMotion
    {
        ::Window Win = 0;
        int RootX = 0, RootY = 0;
        unsigned State = 0;
        bool operator==(const TMotion&) const = default;
    };
    TMotion LastMotion; // the last pointer motion passed on
    TForm* Capture = nullptr; // the form that holds the pointer grab while a button is down
    TMenuSessionPtr Menu; // the pop-up menu on the screen, if any
    std::unique_ptr<TTextRaster> Text; // labels' measurements and menu captions

    TContext();
    ~TContext();
    // Opens the display connection if it is not open yet; false when there is none to open.
    bool EnsureDisplay();
    // Whether this thread owns live windows or timers: it is then a window thread of a program of ours.
    bool OwnsObjects() const { return !Controls.empty() || !Timers.empty(); }
    TControl* ControlOf(::Window W) const;
    TTextRaster& TextRaster();
};

// [any] This thread's context, or null when it never made a control or timer.
TContext* CurrentContext();
// This thread's context, made on first use.
TContext& ThisContext();

// [any] A display connection of ours: registered for the error handler, which swallows errors on our
// own connections (a window that the host destroyed with its own) and passes the others on. Null when there
// is no display.
Display* OpenDisplay();
void CloseDisplay(Display* D);
// [any] The connection of callers that have no context of their own (the window probe; the pointer
// and screen functions on such a thread). Valid while Lock (which it locks) is held; null without a display.
Display* SharedDisplay(std::unique_lock<std::mutex>& Lock);
void ReleaseSharedDisplay();
// [any] One resource id of each context's connection (its blank cursor), which names that client in
// the X-Resource extension's queries.
std::vector<XID> ClientResourceIds();
// [editor] Waits until the context's connection has input, WakeFd (if not negative) is readable or
// the next timer is due; returns at once when events are queued or paints are pending.
void WaitForWork(TContext& C, int WakeFd);

// [any] The X error code of the last failed request on one of our connections since the last call
// (0 when none); Xlib reports failures asynchronously, so call after XSync.
int TakeLastError(Display* D);

// The shift state of an X event's state mask: the keys and buttons held before the event.
TShiftState ShiftOf(unsigned State);

// [any, on a connection the caller holds] The resource database that xrdb keeps on the server now (the first
// screen's root window's RESOURCE_MANAGER property), or nothing.
std::optional<std::string> ResourceManagerString(Display* D);

// Delivers one event to the window (form or menu) it is for. [editor]
void DispatchEvent(TContext& C, XEvent& E);
// The pointer grab of a press on Form (so that its release is seen anywhere); ended when no button is down.
void BeginCapture(TContext& C, TForm& Form, Time At);
void EndCapture(TContext& C);
// Applies Application().Cursor() to every form of the context and to an active grab.
void ApplyCursor(TContext& C);

// Puts Width x Height ARGB pixels (Stride per row) at the window's top-left corner, now.
void PutPixels(TContext& C, ::Window W, const std::uint32_t* Pixels, int Width, int Height, int Stride);

// Menus (X11Menus.cpp).
void DispatchMenuEvent(TContext& C, XEvent& E);
bool IsMenuWindow(const TContext& C, ::Window W);
void CloseMenu(TContext& C);

// Removes a control from the context's bookkeeping when it goes away.
void Forget(TControl* Control);

// [any] The message boxes shown while an answerer lived, oldest first; kept only while one lives.
std::vector<TMessageBoxRecord> MessageBoxRecords();
// [any] Counts an answerer in (answers the number of boxes kept so far) and out (the last one out
// drops the records).
std::size_t AddMessageBoxAnswerer();
void RemoveMessageBoxAnswerer();

struct TResourceCounts
{
    int Windows = 0, Pixmaps = 0, GraphicsContexts = 0, Cursors = 0, Fonts = 0, Total = 0;
};
// [any, on a connection the caller holds] The server's count of the resources of the client that
// owns the resource id Client (X-Resource extension); false when the server cannot tell.
bool QueryClientResources(Display* D, XID Client, TResourceCounts& Counts);

// The UTF-8 text's code points (invalid bytes become U+FFFD).
std::u32string CodePoints(const std::string& Utf8);

} // namespace X11

struct TControl::TImpl : TModelledControlState
{
    X11::TContext* Context = nullptr;
    // Forms: the client area's window inside the modelled frame (the frame is modelled as the headless
    // backend does, so that geometry is the same with or without a window manager); 0 for the windowless
    // standard controls.
    ::Window Win = 0;
    // Forms: client sizes of own requests that ConfigureNotify has not confirmed yet: a top-level form takes a
    // configuration as the window manager's or the user's only when it is none of them, so that a late
    // confirmation does not undo a newer request.
    std::vector<std::pair<int, int>> RequestedSizes;
};

struct TTimer::TImpl
{
    X11::TContext* Context = nullptr;
    unsigned Interval = 1000;
    bool Enabled = true;
    std::chrono::steady_clock::time_point Due;
};
