// X11 window toolkit: a form is an X window for its client area (the frame is the window manager's; its size
// is modelled as on the headless backend, so that geometry reads the same with or without a window manager);
// a form embedded by native handle is a child of that window, whoever made it. Bitmaps are put with
// XPutImage on the default TrueColor visual. The standard controls have no windows of their own here: they
// keep their state and fire their events as on the headless backend, and nothing draws them.
// Every function here runs on the thread that owns the windows ([editor]) unless it is tagged otherwise.
#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iostream>
#include <mutex>

#include "platform/Exceptions.h"
#include "platform/System.h"
#include "platform/x11/X11Internal.h"

namespace X11
{

// [any]
std::u32string CodePoints(const std::string& Utf8)
{
    std::u32string Out;
    for (std::size_t I = 0; I < Utf8.size();)
    {
        const auto B = static_cast<unsigned char>(Utf8[I]);
        const int Length = B < 0x80 ? 1 : (B >> 5) == 6 ? 2 : (B >> 4) == 14 ? 3 : (B >> 3) == 30 ? 4 : 0;
        char32_t C = Length == 1 ? B : Length == 2 ? B & 0x1F : Length == 3 ? B & 0x0F : B & 0x07;
        bool Valid = Length > 0 && I + Length <= Utf8.size();
        for (int K = 1; Valid && K < Length; ++K)
        {
            const auto Next = static_cast<unsigned char>(Utf8[I + K]);
            Valid = (Next >> 6) == 2;
            C = C << 6 | (Next & 0x3F);
        }
        Out.push_back(Valid ? C : U'\uFFFD');
        I += Valid ? Length : 1;
    }
    return Out;
}

TShiftState ShiftOf(unsigned State)
{
    static constexpr struct
    {
        unsigned Mask;
        TShiftFlag Flag;
    } kFlags[] = {{ShiftMask, ssShift},   {ControlMask, ssCtrl},   {Mod1Mask, ssAlt},
                  {Button1Mask, ssLeft}, {Button2Mask, ssMiddle}, {Button3Mask, ssRight}};
    TShiftState S = 0;
    for (const auto& F : kFlags)
        if (State & F.Mask)
            S |= F.Flag;
    return S;
}

// [any, on a connection the caller holds]
std::optional<std::string> ResourceManagerString(Display* D)
{
    Atom Type = 0;
    int Format = 0;
    unsigned long Count = 0, After = 0;
    unsigned char* Data = nullptr;
    std::optional<std::string> Text;
    if (XGetWindowProperty(D, RootWindow(D, 0), XA_RESOURCE_MANAGER, 0, 1L << 24, False, XA_STRING, &Type, &Format,
                           &Count, &After, &Data) == Success &&
        Data && Type == XA_STRING && Format == 8)
        Text.emplace(reinterpret_cast<const char*>(Data), Count);
    if (Data)
        XFree(Data);
    return Text;
}

} // namespace X11

using namespace X11;

namespace
{

constexpr long kFormEvents =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
constexpr unsigned kGrabEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
// The labels' font size in points.
constexpr int kLabelPoints = 8;
// A notch of the wheel in WheelDelta.
constexpr int kWheelNotch = 120;
::Window XWindowOf(TNativeHandle H)
{
    return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(H));
}

bool IsTopLevel(const TControl& C)
{
    return !C.Parent() && !C.Impl()->ParentWindow;
}

::Window XParentOf(const TControl& C)
{
    const TControl::TImpl& I = *C.Impl();
    if (C.Parent())
        return C.Parent()->Impl()->Win;
    if (I.ParentWindow)
        return XWindowOf(I.ParentWindow);
    return I.Context->Root;
}

int ClientW(const TControl::TImpl& I) { return ModelledClientWidth(I); }
int ClientH(const TControl::TImpl& I) { return ModelledClientHeight(I); }

void SetUtf8Property(TContext& C, ::Window W, Atom Property, const std::string& Value)
{
    XChangeProperty(C.Dpy, W, Property, C.Utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(Value.data()), static_cast<int>(Value.size()));
}

void ApplyCaption(TControl::TImpl& I)
{
    if (!I.Win)
        return;
    TContext& C = *I.Context;
    SetUtf8Property(C, I.Win, C.NetWmName, I.Caption);
    SetUtf8Property(C, I.Win, XA_WM_NAME, I.Caption);
}

// The window manager's view of a top-level form: where it goes, whether it can be resized, its decorations
// and the frame that the toolkit models (_NET_FRAME_EXTENTS, which a window manager replaces with its own).
void ApplyWindowManagerHints(TControl& Control)
{
    TControl::TImpl& I = *Control.Impl();
    if (!I.Win)
        return;
    TContext& C = *I.Context;
    XSizeHints* Size = XAllocSizeHints();
    if (Size)
    {
        Size->flags = PPosition | USPosition;
        Size->x = I.Left + BorderOf(I);
        Size->y = I.Top + BorderOf(I) + CaptionOf(I);
        const bool Fixed = I.FixedOpaque || I.BorderStyle == TFormBorderStyle::bsSingle ||
                           I.BorderStyle == TFormBorderStyle::bsToolWindow || I.BorderStyle == TFormBorderStyle::bsNone;
        if (Fixed)
        {
            Size->flags |= PMinSize | PMaxSize;
            Size->min_width = Size->max_width = std::max(1, ClientW(I));
            Size->min_height = Size->max_height = std::max(1, ClientH(I));
        }
        XSetWMNormalHints(C.Dpy, I.Win, Size);
        XFree(Size);
    }
    const long B = BorderOf(I), Cap = CaptionOf(I);
    const long Extents[4] = {B, B, B + Cap, B};
    XChangeProperty(C.Dpy, I.Win, C.NetFrameExtents, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(Extents), 4);
    // Motif hints: flags = decorations, decorations = all or none.
    const long Motif[5] = {2, 0, I.BorderStyle == TFormBorderStyle::bsNone ? 0 : 1, 0, 0};
    XChangeProperty(C.Dpy, I.Win, C.MotifWmHints, C.MotifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(Motif), 5);
    const bool Tool =
        I.BorderStyle == TFormBorderStyle::bsToolWindow || I.BorderStyle == TFormBorderStyle::bsSizeToolWin;
    if (Tool)
        XChangeProperty(C.Dpy, I.Win, C.NetWmWindowType, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&C.NetWmWindowTypeUtility), 1);
    else
        XDeleteProperty(C.Dpy, I.Win, C.NetWmWindowType);
    if (I.OwnerWindow)
        XSetTransientForHint(C.Dpy, I.Win, XWindowOf(I.OwnerWindow));
    else
        XDeleteProperty(C.Dpy, I.Win, XA_WM_TRANSIENT_FOR);
    XFlush(C.Dpy);
}

// Moves and sizes the client area's window to the modelled geometry.
void PushGeometry(TControl& Control)
{
    TControl::TImpl& I = *Control.Impl();
    if (!I.Win)
        return;
    const int W = std::max(1, ClientW(I)), H = std::max(1, ClientH(I));
    XMoveResizeWindow(I.Context->Dpy, I.Win, I.Left + BorderOf(I), I.Top + BorderOf(I) + CaptionOf(I),
                      static_cast<unsigned>(W), static_cast<unsigned>(H));
    if (IsTopLevel(Control))
    {
        I.RequestedSizes.emplace_back(W, H);
        if (I.RequestedSizes.size() > 16)
            I.RequestedSizes.erase(I.RequestedSizes.begin());
        ApplyWindowManagerHints(Control);
    }
    XFlush(I.Context->Dpy); // other connections (a host's, the window probe's) see the change at once
}

// TopLevel: whether the window is (or was, when it is withdrawn before a reparent) a top-level window.
void MapOrUnmap(TControl& Control, bool Map, bool TopLevel)
{
    TControl::TImpl& I = *Control.Impl();
    if (!I.Win)
        return;
    if (Map)
        XMapRaised(I.Context->Dpy, I.Win);
    else if (TopLevel)
        XWithdrawWindow(I.Context->Dpy, I.Win, I.Context->Screen);
    else
        XUnmapWindow(I.Context->Dpy, I.Win);
}

// A configuration of a top-level form's window: the window manager placed it, or the user resized it.
void Configured(TForm& F, const XConfigureEvent& E)
{
    TControl::TImpl& I = *F.Impl();
    if (!IsTopLevel(F))
        return;
    auto& Requests = I.RequestedSizes;
    const auto Own = std::find(Requests.begin(), Requests.end(), std::make_pair(E.width, E.height));
    const bool Confirmation = Own != Requests.end();
    if (Confirmation)
        Requests.erase(Requests.begin(), Own + 1);
    if (E.send_event) // the window manager's report, in root coordinates
    {
        I.Left = E.x - BorderOf(I);
        I.Top = E.y - BorderOf(I) - CaptionOf(I);
    }
    if (Confirmation || !Requests.empty())
        return;
    const int W = E.width + 2 * BorderOf(I), H = E.height + 2 * BorderOf(I) + CaptionOf(I);
    if (W == I.Width && H == I.Height)
        return;
    I.Width = W;
    I.Height = H;
    I.Invalid = true;
    F.DoClientResized();
}

TMouseButton ButtonOf(unsigned Button)
{
    return Button == Button1   ? TMouseButton::mbLeft
           : Button == Button2 ? TMouseButton::mbMiddle
                               : TMouseButton::mbRight;
}

TShiftState ButtonFlag(unsigned Button)
{
    return Button == Button1 ? ssLeft : Button == Button2 ? ssMiddle : ssRight;
}

unsigned ButtonMask(unsigned Button)
{
    return Button == Button1 ? Button1Mask : Button == Button2 ? Button2Mask : Button3Mask;
}

} // namespace

namespace X11
{

void Forget(TControl* Control)
{
    TContext& C = *Control->Impl()->Context;
    C.Controls.erase(std::remove(C.Controls.begin(), C.Controls.end(), Control), C.Controls.end());
    if (C.Capture == Control)
        EndCapture(C);
    for (TControl* Other : C.Controls)
        if (Other->Impl()->ActiveControl == Control)
            Other->Impl()->ActiveControl = nullptr;
}

void BeginCapture(TContext& C, TForm& Form, Time At)
{
    if (C.Capture == &Form)
        return;
    C.Capture = &Form;
    const Cursor Shape = Application().Cursor() == TCursor::crNone ? C.BlankCursor : 0;
    XGrabPointer(C.Dpy, Form.Impl()->Win, False, kGrabEvents, GrabModeAsync, GrabModeAsync, 0, Shape, At);
}

void EndCapture(TContext& C)
{
    if (!C.Capture)
        return;
    C.Capture = nullptr;
    if (C.Dpy)
    {
        XUngrabPointer(C.Dpy, CurrentTime);
        XFlush(C.Dpy);
    }
}

// [editor] Pixels that are 0x00RRGGBB already for the visual are put in place; others are converted.
void PutPixels(TContext& C, ::Window W, const std::uint32_t* Pixels, int Width, int Height, int Stride)
{
    if (!W || !C.Dpy || Width <= 0 || Height <= 0)
        return;
    std::vector<std::uint32_t> Converted;
    const std::uint32_t* Source = Pixels;
    int SourceStride = Stride;
    if (!C.Format.Direct || C.Depth == 32)
    {
        Converted.resize(static_cast<std::size_t>(Width) * Height);
        const std::uint32_t Opaque = C.Depth == 32 ? 0xFF000000u : 0u;
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X)
                Converted[static_cast<std::size_t>(Y) * Width + X] =
                    static_cast<std::uint32_t>(C.Format.Encode(Pixels[static_cast<std::size_t>(Y) * Stride + X])) |
                    Opaque;
        Source = Converted.data();
        SourceStride = Width;
    }
    XImage* Image = XCreateImage(C.Dpy, C.Vis, static_cast<unsigned>(C.Depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(const_cast<std::uint32_t*>(Source)),
                                 static_cast<unsigned>(Width), static_cast<unsigned>(Height), 32, SourceStride * 4);
    if (!Image)
        return;
    // The pixels are in this machine's order; Xlib converts for the server.
    Image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    if (Image->bits_per_pixel == 32)
        XPutImage(C.Dpy, W, C.Gc, Image, 0, 0, 0, 0, static_cast<unsigned>(Width), static_cast<unsigned>(Height));
    Image->data = nullptr; // the pixels are not Xlib's to free
    XDestroyImage(Image);
    XFlush(C.Dpy);
}

void ApplyCursor(TContext& C)
{
    if (!C.Dpy)
        return;
    const bool Hidden = Application().Cursor() == TCursor::crNone;
    for (TControl* Control : C.Controls)
        if (Control->Impl()->Kind == TControlKind::ckForm && Control->Impl()->Win)
        {
            if (Hidden)
                XDefineCursor(C.Dpy, Control->Impl()->Win, C.BlankCursor);
            else
                XUndefineCursor(C.Dpy, Control->Impl()->Win);
        }
    if (C.Capture)
        XChangeActivePointerGrab(C.Dpy, kGrabEvents, Hidden ? C.BlankCursor : 0, CurrentTime);
    XFlush(C.Dpy);
}

// [editor] Handlers may free the form (or the whole window tree) on the way: nothing is touched after
// a handler ran. Consecutive pointer motions are merged into the last one, as the user sees the pointer.
void DispatchEvent(TContext& C, XEvent& E)
{
    if (C.Menu && (E.type == ButtonPress || E.type == ButtonRelease || E.type == MotionNotify ||
                   E.type == KeyPress || IsMenuWindow(C, E.xany.window)))
    {
        DispatchMenuEvent(C, E);
        return;
    }
    TControl* Control = C.ControlOf(E.xany.window);
    auto* F = dynamic_cast<TForm*>(Control);
    if (!F)
        return;
    TControl::TImpl& I = *F->Impl();
    switch (E.type)
    {
    case Expose:
        I.Invalid = true;
        break;
    case ConfigureNotify:
        if (E.xconfigure.window == I.Win)
            Configured(*F, E.xconfigure);
        break;
    case DestroyNotify:
        if (E.xdestroywindow.window == I.Win) // destroyed with a parent that went first
        {
            if (C.Capture == F)
                EndCapture(C);
            I.Win = 0;
        }
        break;
    case ClientMessage:
        if (E.xclient.message_type == C.WmProtocols && static_cast<Atom>(E.xclient.data.l[0]) == C.WmDeleteWindow)
            F->DoClose();
        break;
    case ButtonPress:
    {
        const unsigned B = E.xbutton.button;
        if (B == Button4 || B == Button5) // a notch of the wheel, never a click: no capture either
            F->DoMouseWheel(ShiftOf(E.xbutton.state), B == Button4 ? kWheelNotch : -kWheelNotch, E.xbutton.x,
                            E.xbutton.y);
        if (B < Button1 || B > Button3)
            break; // the wheel, and the horizontal wheel's buttons 6 and 7
        BeginCapture(C, *F, E.xbutton.time);
        F->DoMouseDown(ButtonOf(B), ShiftOf(E.xbutton.state) | ButtonFlag(B), E.xbutton.x, E.xbutton.y);
        break;
    }
    case ButtonRelease:
    {
        const unsigned B = E.xbutton.button;
        if (B < Button1 || B > Button3)
            break; // the wheel's press was its notch
        const unsigned Held = E.xbutton.state & (Button1Mask | Button2Mask | Button3Mask) & ~ButtonMask(B);
        if (!Held && C.Capture == F)
            EndCapture(C);
        F->DoMouseUp(ButtonOf(B), ShiftOf(E.xbutton.state) & ~ButtonFlag(B), E.xbutton.x, E.xbutton.y);
        break;
    }
    case MotionNotify:
    {
        XEvent Next;
        while (XEventsQueued(C.Dpy, QueuedAfterReading) > 0)
        {
            XPeekEvent(C.Dpy, &Next);
            if (Next.type != MotionNotify || Next.xmotion.window != E.xmotion.window)
                break;
            XNextEvent(C.Dpy, &E);
        }
        // A warp onto the pointer's own position is reported as a motion too; like Windows, a motion that
        // moves nothing is not passed on (the editor's drag warps the pointer after every move).
        const TContext::TMotion M{E.xmotion.window, E.xmotion.x_root, E.xmotion.y_root, E.xmotion.state};
        if (M == C.LastMotion)
            break;
        C.LastMotion = M;
        F->DoMouseMove(ShiftOf(E.xmotion.state), E.xmotion.x, E.xmotion.y);
        break;
    }
    default: break;
    }
}

} // namespace X11

// [editor] The form of this thread that a native handle stands for, when it is one of ours.
TControl* NativeParent(const TControl& Form)
{
    const TControl::TImpl& I = *Form.Impl();
    return I.ParentWindow ? I.Context->ControlOf(XWindowOf(I.ParentWindow)) : nullptr;
}

// ---- TControl ---------------------------------------------------------------------------------------------

// [editor]
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_unique<TImpl>())
{
    FImpl->Self = this;
    FImpl->Context = &ThisContext();
    FImpl->Context->Controls.push_back(this);
}

// [editor] The window goes with the control.
TControl::~TControl()
{
    ReleaseChildren(*this);
    if (FParent) // unlinked by hand: the derived parts of this object are already gone
        MoveToParent(nullptr);
    Forget(this);
    TContext& C = *FImpl->Context;
    if (FImpl->Win && C.Dpy)
    {
        XDestroyWindow(C.Dpy, FImpl->Win);
        XFlush(C.Dpy);
    }
}

TControlState& TControl::ControlState() const { return *FImpl; }
TNativeHandle TControl::Handle() const
{
    return reinterpret_cast<TNativeHandle>(static_cast<std::uintptr_t>(FImpl->Win));
}

// ---- Native hooks of the modelled controls: X windows -----------------------------------------------------

// [editor] Without a display there is no form: EMarvoError (a host's effEditOpen then answers 0).
void NativeOpenWindowSystem()
{
    if (!ThisContext().EnsureDisplay())
        throw EMarvoError("no X display: cannot open a window");
}

// [editor] The client area's window, at the modelled place, on the root window.
void NativeCreateForm(TForm& Form)
{
    TControl::TImpl& I = *Form.Impl();
    TContext& C = *I.Context;
    XSetWindowAttributes A{};
    unsigned long Mask = CWBorderPixel | CWColormap | CWEventMask | CWBitGravity;
    A.border_pixel = 0;
    A.colormap = DefaultColormap(C.Dpy, C.Screen);
    A.event_mask = kFormEvents;
    A.bit_gravity = NorthWestGravity;
    if (I.FixedOpaque)
    {
        A.background_pixmap = 0; // the form paints every pixel: no erase, no flicker
        Mask |= CWBackPixmap;
    }
    else
    {
        A.background_pixel = C.Format.Encode(I.Color);
        Mask |= CWBackPixel;
    }
    I.Win = XCreateWindow(C.Dpy, C.Root, I.Left + BorderOf(I), I.Top + BorderOf(I) + CaptionOf(I),
                          static_cast<unsigned>(std::max(1, ClientW(I))),
                          static_cast<unsigned>(std::max(1, ClientH(I))), 0, C.Depth, InputOutput, C.Vis, Mask, &A);
    if (!I.Win)
        throw EMarvoError("cannot create a window");
    XClassHint Class{const_cast<char*>("marvo"), const_cast<char*>("MarvoForm")};
    XSetClassHint(C.Dpy, I.Win, &Class);
    Atom Protocols[] = {C.WmDeleteWindow};
    XSetWMProtocols(C.Dpy, I.Win, Protocols, 1);
    const long Pid = static_cast<long>(::getpid());
    XChangeProperty(C.Dpy, I.Win, C.NetWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&Pid), 1);
    ApplyCaption(I);
    ApplyWindowManagerHints(Form);
    if (Application().Cursor() == TCursor::crNone)
        XDefineCursor(C.Dpy, I.Win, C.BlankCursor);
    // The server has made the window before its handle can reach another connection (an editor's).
    XSync(C.Dpy, False);
}

void NativeGeometry(TControl& Control)
{
    PushGeometry(Control);
}

void NativeCaption(TForm& Form)
{
    ApplyCaption(*Form.Impl());
    XFlush(Form.Impl()->Context->Dpy);
}

void NativeColor(TForm& Form)
{
    TControl::TImpl& I = *Form.Impl();
    if (I.Win && !I.FixedOpaque)
    {
        XSetWindowBackground(I.Context->Dpy, I.Win, I.Context->Format.Encode(I.Color));
        XFlush(I.Context->Dpy);
    }
}

void NativeOwner(TForm& Form)
{
    if (IsTopLevel(Form))
        ApplyWindowManagerHints(Form);
}

// [editor] A form hidden loses the pointer grab.
void NativeVisibility(TForm& Form, bool Visible)
{
    TContext& C = *Form.Impl()->Context;
    if (!Visible && C.Capture == &Form)
        EndCapture(C);
    MapOrUnmap(Form, Visible, IsTopLevel(Form));
    if (C.Dpy)
        XFlush(C.Dpy);
}

// Reparenting attempts before a parent window is taken to be missing.
constexpr int kParentAttempts = 50;

// [editor] The window moves into the parent window (any client's) at the modelled position; a mapped
// top-level window is withdrawn from the window manager first and mapped again inside.
void NativeReparent(TForm& Form, TNativeHandle Previous)
{
    TControl::TImpl& I = *Form.Impl();
    const TNativeHandle ParentHandle = I.ParentWindow;
    const bool WasVisible = I.Visible;
    if (WasVisible)
        MapOrUnmap(Form, false, !Form.Parent() && !Previous);
    I.RequestedSizes.clear();
    if (!I.Win)
        return;
    Display* D = I.Context->Dpy;
    TakeLastError(D);
    // X orders requests per connection only: a host may hand over a window that it has made and flushed
    // but that the server has not made yet. A parent reported missing is asked for again after the round
    // trip, a bounded number of times.
    int Error = 0;
    for (int Attempt = 0; Attempt < kParentAttempts; ++Attempt)
    {
        XReparentWindow(D, I.Win, XParentOf(Form), I.Left + BorderOf(I), I.Top + BorderOf(I) + CaptionOf(I));
        XSync(D, False);
        Error = TakeLastError(D);
        if (!ParentHandle || Error != BadWindow)
            break;
    }
    if (ParentHandle && Error != 0)
    {
        // No such window (a host's mistake): the form stays hidden rather than appear on its own.
        I.ParentWindow = nullptr;
        I.Visible = false;
        throw EMarvoError("the parent window does not exist");
    }
    if (!ParentHandle)
        ApplyWindowManagerHints(Form);
    if (WasVisible)
        MapOrUnmap(Form, true, IsTopLevel(Form));
    XFlush(D);
}

// [editor]
void NativeRaise(TForm& Form)
{
    TControl::TImpl& I = *Form.Impl();
    if (I.Win)
    {
        XRaiseWindow(I.Context->Dpy, I.Win);
        XFlush(I.Context->Dpy);
    }
}

// [editor] The visible part of the bitmap goes to the window at once.
void NativePresent(TForm& Form, const std::uint32_t* Pixels, int Width, int Height, int Stride)
{
    TControl::TImpl& I = *Form.Impl();
    if (!I.Win || !I.Context->Dpy || !Pixels || Width <= 0 || Height <= 0 || Stride < Width)
        return;
    const int W = std::min(Width, Form.ClientWidth()), H = std::min(Height, Form.ClientHeight());
    if (W > 0 && H > 0)
        PutPixels(*I.Context, I.Win, Pixels, W, H, Stride);
}

// [editor] From the server's view of the window when it exists (a window manager may have placed a
// top-level form elsewhere).
bool NativeClientToScreen(const TControl& Control, TPoint P, TPoint& Screen)
{
    const TControl::TImpl& I = *Control.Impl();
    TContext& C = *I.Context;
    if (!I.Win || !C.Dpy)
        return false;
    int X = 0, Y = 0;
    ::Window Child = 0;
    if (!XTranslateCoordinates(C.Dpy, I.Win, C.Root, P.X, P.Y, &X, &Y, &Child))
        return false;
    Screen = {X, Y};
    return true;
}

// [editor] The labels' font, FreeType's measure of the interface face.
int NativeTextWidth(const TControl& Label, const std::string& Text)
{
    TTextRaster& T = Label.Impl()->Context->TextRaster();
    T.SetSize(kLabelPoints);
    return T.TextWidth(CodePoints(Text));
}

int NativeTextHeight(const TControl& Label)
{
    TTextRaster& T = Label.Impl()->Context->TextRaster();
    T.SetSize(kLabelPoints);
    return std::max(13, T.TextHeight());
}
