// X11 window probe: this process's windows as the X server reports them (top-level windows carry our
// _NET_WM_PID), the screen's pixels (XGetImage on the root window), synthetic input through XTest, the
// cursor that the user sees (XFixes' cursor image: the blank cursor that hides it is all transparent), and
// the server's count of our connections' resources (X-Resource). Everything goes through the shared
// connection, never a window thread's own, so any thread may probe. XTest and XFixes are loaded when first
// needed: only tests use them, and the plug-in library does not depend on them.
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/Exceptions.h"
#include "platform/WindowProbe.h"
#include "platform/posix/ProcessMemory.h"
#include "platform/x11/X11Driver.h"
#include "platform/x11/X11Internal.h"

using namespace X11;

namespace
{

// The few entries of XTest and XFixes that the probe uses.
struct TExtensions
{
    decltype(&XTestFakeMotionEvent) FakeMotion = nullptr;
    decltype(&XTestFakeButtonEvent) FakeButton = nullptr;
    decltype(&XTestFakeKeyEvent) FakeKey = nullptr;
    decltype(&XFixesGetCursorImage) GetCursorImage = nullptr;

    TExtensions()
    {
        if (void* Tst = ::dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL))
        {
            FakeMotion = reinterpret_cast<decltype(FakeMotion)>(::dlsym(Tst, "XTestFakeMotionEvent"));
            FakeButton = reinterpret_cast<decltype(FakeButton)>(::dlsym(Tst, "XTestFakeButtonEvent"));
            FakeKey = reinterpret_cast<decltype(FakeKey)>(::dlsym(Tst, "XTestFakeKeyEvent"));
        }
        if (void* Fixes = ::dlopen("libXfixes.so.3", RTLD_NOW | RTLD_LOCAL))
            GetCursorImage = reinterpret_cast<decltype(GetCursorImage)>(::dlsym(Fixes, "XFixesGetCursorImage"));
    }
};

// The libraries stay loaded for the process's life (a probe may run until the end).
const TExtensions& Extensions()
{
    static const TExtensions E;
    return E;
}

Display* Require(Display* D)
{
    if (!D)
        throw EMarvoError("no X display");
    return D;
}

template <class T>
bool ReadCardinals(Display* D, ::Window W, Atom Property, Atom Type, std::vector<T>& Out)
{
    Atom ActualType = 0;
    int Format = 0;
    unsigned long Count = 0, After = 0;
    unsigned char* Data = nullptr;
    if (XGetWindowProperty(D, W, Property, 0, 64, False, Type, &ActualType, &Format, &Count, &After, &Data) != Success)
        return false;
    const bool Ok = Data && ActualType == Type && Format == 32;
    if (Ok)
        for (unsigned long I = 0; I < Count; ++I)
            Out.push_back(static_cast<T>(reinterpret_cast<const long*>(Data)[I]));
    if (Data)
        XFree(Data);
    return Ok;
}

std::string CaptionOf(Display* D, ::Window W)
{
    const Atom NetWmName = XInternAtom(D, "_NET_WM_NAME", False), Utf8 = XInternAtom(D, "UTF8_STRING", False);
    Atom Type = 0;
    int Format = 0;
    unsigned long Count = 0, After = 0;
    unsigned char* Data = nullptr;
    std::string Caption;
    if (XGetWindowProperty(D, W, NetWmName, 0, 4096, False, Utf8, &Type, &Format, &Count, &After, &Data) == Success &&
        Data && Type == Utf8 && Format == 8)
        Caption.assign(reinterpret_cast<const char*>(Data), Count);
    else
    {
        char* Name = nullptr;
        if (XFetchName(D, W, &Name) && Name)
        {
            Caption = Name;
            XFree(Name);
        }
    }
    if (Data)
        XFree(Data);
    return Caption;
}

bool IsOurs(Display* D, ::Window W)
{
    std::vector<long> Pid;
    return ReadCardinals(D, W, XInternAtom(D, "_NET_WM_PID", False), XA_CARDINAL, Pid) && !Pid.empty() &&
           Pid[0] == static_cast<long>(::getpid());
}

std::optional<TWindowProbe> Probe(Display* D, ::Window W)
{
    XWindowAttributes A{};
    if (!W || !XGetWindowAttributes(D, W, &A))
        return std::nullopt;
    TWindowProbe P;
    P.Handle = reinterpret_cast<TNativeHandle>(static_cast<std::uintptr_t>(W));
    P.Caption = CaptionOf(D, W);
    XClassHint Class{};
    if (XGetClassHint(D, W, &Class))
    {
        P.ClassName = Class.res_class ? Class.res_class : "";
        XFree(Class.res_name);
        XFree(Class.res_class);
    }
    ::Window Owner = 0;
    if (XGetTransientForHint(D, W, &Owner))
        P.Owner = reinterpret_cast<TNativeHandle>(static_cast<std::uintptr_t>(Owner));
    P.Visible = A.map_state != IsUnmapped;
    int X = 0, Y = 0;
    ::Window Child = 0;
    XTranslateCoordinates(D, W, A.root, 0, 0, &X, &Y, &Child);
    P.Client = {X, Y, X + A.width, Y + A.height};
    std::vector<int> Frame; // left, right, top, bottom
    if (ReadCardinals(D, W, XInternAtom(D, "_NET_FRAME_EXTENTS", False), XA_CARDINAL, Frame) && Frame.size() == 4)
        P.Bounds = {X - Frame[0], Y - Frame[2], X + A.width + Frame[1], Y + A.height + Frame[3]};
    else
        P.Bounds = P.Client;
    return P;
}

std::vector<::Window> Children(Display* D, ::Window W)
{
    ::Window Root = 0, Parent = 0, *List = nullptr;
    unsigned N = 0;
    std::vector<::Window> Result;
    if (XQueryTree(D, W, &Root, &Parent, &List, &N) && List)
    {
        Result.assign(List, List + N);
        XFree(List);
    }
    return Result;
}

// Whether a window manager manages the window (ICCCM's WM_STATE): a top-level window inside its frame.
bool IsManaged(Display* D, ::Window W)
{
    const Atom WmState = XInternAtom(D, "WM_STATE", False);
    Atom Type = 0;
    int Format = 0;
    unsigned long Count = 0, After = 0;
    unsigned char* Data = nullptr;
    const bool Has =
        XGetWindowProperty(D, W, WmState, 0, 2, False, WmState, &Type, &Format, &Count, &After, &Data) == Success &&
        Type == WmState;
    if (Data)
        XFree(Data);
    return Has;
}

// This process's top-level windows: children of the root window that carry our process id, or managed
// windows of ours inside a window manager's frames (not windows of ours embedded in another program's).
std::vector<::Window> OwnTopLevelWindows(Display* D)
{
    std::vector<::Window> Own;
    for (::Window W : Children(D, DefaultRootWindow(D)))
    {
        if (IsOurs(D, W))
            Own.push_back(W);
        else
            for (::Window Inner : Children(D, W))
                if (IsOurs(D, Inner) && IsManaged(D, Inner))
                    Own.push_back(Inner);
    }
    return Own;
}

int CountTree(Display* D, ::Window W)
{
    int N = 1;
    for (::Window Child : Children(D, W))
        N += CountTree(D, Child);
    return N;
}

} // namespace

// [any]
std::vector<TWindowProbe> TopLevelWindows()
{
    std::unique_lock<std::mutex> Lock;
    Display* D = SharedDisplay(Lock);
    std::vector<TWindowProbe> Result;
    if (!D)
        return Result;
    XSync(D, False);
    for (::Window W : OwnTopLevelWindows(D))
        if (auto P = Probe(D, W))
            Result.push_back(*P);
    return Result;
}

// [any]
std::optional<TWindowProbe> ProbeWindow(TNativeHandle Handle)
{
    std::unique_lock<std::mutex> Lock;
    Display* D = SharedDisplay(Lock);
    if (!D || !Handle)
        return std::nullopt;
    XSync(D, False);
    auto P = Probe(D, static_cast<::Window>(reinterpret_cast<std::uintptr_t>(Handle)));
    XSync(D, False);
    TakeLastError(D);
    return P;
}

// [any] Outside the screen the pixels are 0xFF000000.
std::vector<std::uint32_t> CaptureScreen(const TRect& ScreenRect)
{
    const int W = ScreenRect.Width(), H = ScreenRect.Height();
    if (W <= 0 || H <= 0)
        return {};
    std::vector<std::uint32_t> Pixels(static_cast<std::size_t>(W) * H, 0xFF000000u);
    std::unique_lock<std::mutex> Lock;
    Display* D = SharedDisplay(Lock);
    if (!D)
        return Pixels;
    XSync(D, False);
    const int S = DefaultScreen(D);
    const int L = std::max(0, ScreenRect.Left), T = std::max(0, ScreenRect.Top),
              R = std::min(DisplayWidth(D, S), ScreenRect.Right), B = std::min(DisplayHeight(D, S), ScreenRect.Bottom);
    if (L >= R || T >= B)
        return Pixels;
    XImage* Image = XGetImage(D, RootWindow(D, S), L, T, static_cast<unsigned>(R - L), static_cast<unsigned>(B - T),
                              AllPlanes, ZPixmap);
    if (!Image)
        return Pixels;
    const TPixelFormat Format = FormatOf(*DefaultVisual(D, S));
    for (int Y = T; Y < B; ++Y)
        for (int X = L; X < R; ++X)
            Pixels[static_cast<std::size_t>(Y - ScreenRect.Top) * W + (X - ScreenRect.Left)] =
                Format.Decode(XGetPixel(Image, X - L, Y - T));
    XDestroyImage(Image);
    return Pixels;
}

// [any] Each injected event is processed by the server before this returns; the windows see it when
// their thread processes its events.
void InjectPointerMove(int ScreenX, int ScreenY)
{
    std::unique_lock<std::mutex> Lock;
    Display* D = Require(SharedDisplay(Lock));
    if (!Extensions().FakeMotion)
        throw EMarvoError("XTest is not available");
    const int S = DefaultScreen(D);
    Extensions().FakeMotion(D, S, std::clamp(ScreenX, 0, DisplayWidth(D, S) - 1),
                            std::clamp(ScreenY, 0, DisplayHeight(D, S) - 1), CurrentTime);
    XSync(D, False);
}

// [any]
void InjectMouseButton(TMouseButton Button, bool Down)
{
    std::unique_lock<std::mutex> Lock;
    Display* D = Require(SharedDisplay(Lock));
    if (!Extensions().FakeButton)
        throw EMarvoError("XTest is not available");
    const unsigned Number = Button == TMouseButton::mbLeft ? 1 : Button == TMouseButton::mbMiddle ? 2 : 3;
    Extensions().FakeButton(D, Number, Down ? True : False, CurrentTime);
    XSync(D, False);
}

// [any] A press and a release of button 4 (away from the user) or 5 (towards) per notch.
void InjectWheel(int Notches)
{
    std::unique_lock<std::mutex> Lock;
    Display* D = Require(SharedDisplay(Lock));
    if (!Extensions().FakeButton)
        throw EMarvoError("XTest is not available");
    const unsigned Button = Notches > 0 ? Button4 : Button5;
    for (int I = 0; I < std::abs(Notches); ++I)
    {
        Extensions().FakeButton(D, Button, True, CurrentTime);
        Extensions().FakeButton(D, Button, False, CurrentTime);
    }
    XSync(D, False);
}

void InjectKey(TInjectedKey Key, bool Down)
{
    std::unique_lock<std::mutex> Lock;
    Display* D = Require(SharedDisplay(Lock));
    if (!Extensions().FakeKey)
        throw EMarvoError("XTest is not available");
    const KeyCode Code = XKeysymToKeycode(D, Key == TInjectedKey::ikShift ? XK_Shift_L : XK_Control_L);
    Extensions().FakeKey(D, Code, Down ? True : False, CurrentTime);
    XSync(D, False);
}

// [any]
void InjectText(const std::string& /*Text*/)
{
    throw EMarvoError("no window takes typed text on the X11 backend");
}

// [any]
void X11Driver::PressKey(const std::string& KeyName)
{
    std::unique_lock<std::mutex> Lock;
    Display* D = Require(SharedDisplay(Lock));
    const KeySym Sym = XStringToKeysym(KeyName.c_str());
    if (!Extensions().FakeKey || Sym == NoSymbol)
        throw EMarvoError("cannot press " + KeyName);
    const KeyCode Code = XKeysymToKeycode(D, Sym);
    Extensions().FakeKey(D, Code, True, CurrentTime);
    Extensions().FakeKey(D, Code, False, CurrentTime);
    XSync(D, False);
}

// [any]
std::optional<std::string> X11Driver::ResourceManager()
{
    std::unique_lock<std::mutex> Lock;
    return ResourceManagerString(Require(SharedDisplay(Lock)));
}

// [any]
void X11Driver::SetResourceManager(const std::optional<std::string>& Resources)
{
    std::unique_lock<std::mutex> Lock;
    Display* D = Require(SharedDisplay(Lock));
    if (Resources)
        XChangeProperty(D, RootWindow(D, 0), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(Resources->data()),
                        static_cast<int>(Resources->size()));
    else
        XDeleteProperty(D, RootWindow(D, 0), XA_RESOURCE_MANAGER);
    XSync(D, False);
}

// [editor] The server has processed this thread's requests and sent it every event due so far (input
// injected before included); those events are dispatched, and the server has taken what their handlers did.
void X11Driver::Settle()
{
    TContext* C = CurrentContext();
    for (int Pass = 0; Pass < 2; ++Pass)
    {
        if (C && C->Dpy)
            XSync(C->Dpy, False);
        Application().ProcessMessages();
    }
    if (C && C->Dpy)
        XSync(C->Dpy, False);
}

// [any] The server's current cursor image: hidden means every pixel transparent (our blank cursor).
// Without XFixes the answer is Application().Cursor() is not crNone.
bool CursorShowing()
{
    std::unique_lock<std::mutex> Lock;
    Display* D = SharedDisplay(Lock);
    if (!D || !Extensions().GetCursorImage)
        return Application().Cursor() != TCursor::crNone;
    XSync(D, False);
    XFixesCursorImage* Image = Extensions().GetCursorImage(D);
    if (!Image)
        return true;
    bool Any = false;
    for (int I = 0; I < Image->width * Image->height && !Any; ++I)
        Any = (Image->pixels[I] >> 24) != 0;
    XFree(Image);
    return Any;
}

// [any] Windows: the windows of this process's connections; UserObjects: all their resources;
// GdiObjects: their pixmaps, graphics contexts and fonts (X-Resource). Without that extension, the windows
// in the trees of this process's top-level windows, and 0 for the rest.
TProcessResources ProcessResources()
{
    TProcessResources R;
    {
        std::unique_lock<std::mutex> Lock;
        if (Display* D = SharedDisplay(Lock))
        {
            XSync(D, False);
            bool Counted = true;
            for (XID Client : ClientResourceIds())
            {
                TResourceCounts N;
                if (!QueryClientResources(D, Client, N))
                {
                    Counted = false;
                    break;
                }
                R.Windows += N.Windows;
                R.UserObjects += N.Total;
                R.GdiObjects += N.Pixmaps + N.GraphicsContexts + N.Fonts;
            }
            if (!Counted)
            {
                R = TProcessResources();
                for (::Window W : OwnTopLevelWindows(D))
                    R.Windows += CountTree(D, W);
            }
            TakeLastError(D);
        }
    }
    R.PrivateBytes = PrivateDataBytes();
    return R;
}

struct TMessageBoxAnswerer::TImpl
{
    std::size_t First = 0;
};

// [editor] Message boxes are not modal here (ShowMessageBox writes a line); the answerer records the
// boxes shown after its construction.
TMessageBoxAnswerer::TMessageBoxAnswerer() : FImpl(std::make_unique<TImpl>())
{
    FImpl->First = AddMessageBoxAnswerer();
}

TMessageBoxAnswerer::~TMessageBoxAnswerer()
{
    RemoveMessageBoxAnswerer();
}

// [editor]
std::vector<TMessageBoxRecord> TMessageBoxAnswerer::Records() const
{
    const std::vector<TMessageBoxRecord> All = MessageBoxRecords();
    return {All.begin() + static_cast<std::ptrdiff_t>(std::min(FImpl->First, All.size())), All.end()};
}
