// The X11 test driver's foreign window: plain Xlib on a connection of its own, registered with the backend's
// error handler so that asking after a window that is gone fails quietly. [any thread, one at a time per
// window]
#include "platform/x11/X11Driver.h"

#include "platform/Exceptions.h"
#include "platform/x11/X11Internal.h"

namespace X11Driver
{

struct TForeignWindow::TImpl
{
    Display* Dpy = nullptr;
    ::Window Win = 0;
};

namespace
{

::Window XWindowOf(TNativeHandle H)
{
    return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(H));
}

TNativeHandle HandleOf(::Window W)
{
    return reinterpret_cast<TNativeHandle>(static_cast<std::uintptr_t>(W));
}

} // namespace

TForeignWindow::TForeignWindow(int Left, int Top, int Width, int Height, bool Synced)
    : FImpl(std::make_unique<TImpl>())
{
    FImpl->Dpy = X11::OpenDisplay();
    if (!FImpl->Dpy)
        throw EMarvoError("no X display");
    Display* D = FImpl->Dpy;
    XSetWindowAttributes A{};
    A.background_pixel = 0x202020;
    FImpl->Win = XCreateWindow(D, DefaultRootWindow(D), Left, Top, static_cast<unsigned>(Width),
                               static_cast<unsigned>(Height), 0, CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixel, &A);
    XMapWindow(D, FImpl->Win);
    if (Synced)
        XSync(D, False);
    else
        XFlush(D);
}

TForeignWindow::~TForeignWindow()
{
    Destroy();
    X11::CloseDisplay(FImpl->Dpy);
}

TNativeHandle TForeignWindow::Handle() const
{
    return HandleOf(FImpl->Win);
}

void TForeignWindow::Destroy()
{
    if (FImpl->Win)
        XDestroyWindow(FImpl->Dpy, FImpl->Win);
    FImpl->Win = 0;
    XSync(FImpl->Dpy, False);
}

std::vector<TNativeHandle> TForeignWindow::Children() const
{
    Display* D = FImpl->Dpy;
    XSync(D, False);
    ::Window Root = 0, Parent = 0, *List = nullptr;
    unsigned N = 0;
    std::vector<TNativeHandle> Result;
    if (FImpl->Win && XQueryTree(D, FImpl->Win, &Root, &Parent, &List, &N) && List)
    {
        for (unsigned I = 0; I < N; ++I)
            Result.push_back(HandleOf(List[I]));
        XFree(List);
    }
    return Result;
}

TRect TForeignWindow::ScreenRect(TNativeHandle Window) const
{
    Display* D = FImpl->Dpy;
    XWindowAttributes A{};
    int X = 0, Y = 0;
    ::Window Child = 0;
    if (!XGetWindowAttributes(D, XWindowOf(Window), &A) ||
        !XTranslateCoordinates(D, XWindowOf(Window), DefaultRootWindow(D), 0, 0, &X, &Y, &Child))
        return {};
    return {X, Y, X + A.width, Y + A.height};
}

std::size_t KeptMessageBoxes()
{
    return X11::MessageBoxRecords().size();
}

} // namespace X11Driver
