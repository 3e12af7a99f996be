// A close request to any top-level window of the display, as a window manager sends it when the user clicks
// the window's close button: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW. It goes through the
// shared connection, so any thread (and a program without windows of its own) may send it.
#include <cstdint>
#include <mutex>

#include "platform/x11/X11Internal.h"

// [any]
bool RequestWindowClose(TNativeHandle Window)
{
    std::unique_lock<std::mutex> Lock;
    Display* D = X11::SharedDisplay(Lock);
    if (!D)
        return false;
    const auto W = static_cast<::Window>(reinterpret_cast<std::uintptr_t>(Window));
    XWindowAttributes A;
    bool Sent = false;
    if (XGetWindowAttributes(D, W, &A))
    {
        XEvent E{};
        E.xclient.type = ClientMessage;
        E.xclient.window = W;
        E.xclient.message_type = XInternAtom(D, "WM_PROTOCOLS", False);
        E.xclient.format = 32;
        E.xclient.data.l[0] = static_cast<long>(XInternAtom(D, "WM_DELETE_WINDOW", False));
        E.xclient.data.l[1] = CurrentTime;
        Sent = XSendEvent(D, W, False, NoEventMask, &E) != 0;
    }
    XSync(D, False);
    // A window that vanished meanwhile fails the requests above; the error is this call's answer.
    return X11::TakeLastError(D) == 0 && Sent;
}
