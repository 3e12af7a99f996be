// X11 desktop services of the window toolkit: the display scale (Xft.dpi), the cursor, message boxes (written
// to standard error, kept for a window probe's answerer), the pointer and the screen.
// Every function here runs on the thread that owns the windows ([editor]) unless it is tagged otherwise.
#include <X11/Xresource.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <mutex>

#include "platform/x11/X11Internal.h"

using namespace X11;

namespace
{

// The resolution that Xft.dpi is relative to.
constexpr double kReferenceDpi = 96.0;

// [any] The Xft.dpi resource of a resource database's text: false without it or when it is no positive
// number (read in the C locale, whatever the host's locale is).
bool ParseXftDpi(const std::string& Resources, double& Dpi)
{
    static std::once_flag Once;
    std::call_once(Once, [] { XrmInitialize(); });
    XrmDatabase Db = XrmGetStringDatabase(Resources.c_str());
    if (!Db)
        return false;
    char* Type = nullptr;
    XrmValue Value{};
    std::string Text;
    if (XrmGetResource(Db, "Xft.dpi", "Xft.Dpi", &Type, &Value) && Value.addr)
        Text = Value.addr;
    XrmDestroyDatabase(Db);
    const auto First = Text.find_first_not_of(" \t"), Last = Text.find_last_not_of(" \t");
    if (First == std::string::npos)
        return false;
    double V = 0.0;
    const char* End = Text.data() + Last + 1;
    const auto [Ptr, Error] = std::from_chars(Text.data() + First, End, V);
    if (Error != std::errc() || Ptr != End || !std::isfinite(V) || V <= 0.0)
        return false;
    Dpi = V;
    return true;
}

// [any] The message boxes shown while a window probe's answerer lives (it reads them); none are kept
// while no answerer lives, so a program that runs for long keeps nothing.
struct TMessageBoxes
{
    std::mutex Lock;
    std::vector<TMessageBoxRecord> Records;
    int Answerers = 0;
};

// Made at load, so it outlives the application object (whose forms may still show a message as they go).
TMessageBoxes GMessageBoxes;

TMessageBoxes& MessageBoxes()
{
    return GMessageBoxes;
}

} // namespace

namespace X11
{

// [any]
std::vector<TMessageBoxRecord> MessageBoxRecords()
{
    std::lock_guard<std::mutex> G(MessageBoxes().Lock);
    return MessageBoxes().Records;
}

// [any]
std::size_t AddMessageBoxAnswerer()
{
    std::lock_guard<std::mutex> G(MessageBoxes().Lock);
    ++MessageBoxes().Answerers;
    return MessageBoxes().Records.size();
}

// [any]
void RemoveMessageBoxAnswerer()
{
    std::lock_guard<std::mutex> G(MessageBoxes().Lock);
    if (--MessageBoxes().Answerers <= 0)
    {
        MessageBoxes().Answerers = 0;
        MessageBoxes().Records.clear();
        MessageBoxes().Records.shrink_to_fit();
    }
}

} // namespace X11

// ---- Application and system services that belong to the window system -----------------------------------

namespace
{

// Runs Use with this thread's connection, or the shared one when this thread has none.
template <class F>
void WithDisplay(F&& Use)
{
    TContext* C = CurrentContext();
    if (C && C->Dpy)
    {
        Use(C->Dpy);
        return;
    }
    std::unique_lock<std::mutex> Lock;
    if (Display* D = SharedDisplay(Lock))
        Use(D);
}

} // namespace

// [editor] The hidden cursor is a blank one on every form of this thread and on its pointer grab, so
// it stays hidden wherever the pointer goes during a drag, and nowhere else.
void NativeCursor(TCursor)
{
    if (TContext* Context = CurrentContext())
        ApplyCursor(*Context);
}

// [editor] The Xft.dpi resource / 96, read from the server each time (the root window's RESOURCE_MANAGER, as
// xrdb sets it now; the copy Xlib took when the connection opened would not follow a change); 1 without the
// resource or when it is no positive number.
double NativeDisplayScale(const TForm&)
{
    double Scale = 1.0;
    WithDisplay([&](Display* D) {
        const std::optional<std::string> Resources = ResourceManagerString(D);
        double Dpi = 0.0;
        if (Resources && ParseXftDpi(*Resources, Dpi))
            Scale = Dpi / kReferenceDpi;
    });
    return Scale;
}

// [editor] No modal box on this backend: the text goes to standard error as one line (and to the
// window probe's answerer).
void NativeMessageBox(const std::string& Text, const std::string& Title)
{
    {
        std::lock_guard<std::mutex> G(MessageBoxes().Lock);
        if (MessageBoxes().Answerers > 0)
            MessageBoxes().Records.push_back({Text, Title});
    }
    std::string Line = Title + ": " + Text;
    std::replace(Line.begin(), Line.end(), '\n', ' ');
    std::replace(Line.begin(), Line.end(), '\r', ' ');
    std::cerr << "[message box] " << Line << std::endl;
}

// [any] There is no file dialog on this backend: every dialog is cancelled.
bool NativeHasFileDialog()
{
    return false;
}

// [editor]
std::optional<std::string> NativeFileDialog(bool /*Save*/, const std::string& /*Title*/,
                                            const std::string& /*InitialDir*/, const std::string& /*Filter*/)
{
    return std::nullopt;
}


// [editor]
TPoint NativePointerPos()
{
    TPoint P;
    WithDisplay([&](Display* D) {
        ::Window Root = 0, Child = 0;
        int RX = 0, RY = 0, WX = 0, WY = 0;
        unsigned Mask = 0;
        if (XQueryPointer(D, DefaultRootWindow(D), &Root, &Child, &RX, &RY, &WX, &WY, &Mask))
            P = {RX, RY};
    });
    return P;
}

// [editor] The warp reaches the window under the pointer as a pointer motion, later.
void NativeWarpPointer(int ScreenX, int ScreenY)
{
    WithDisplay([&](Display* D) {
        XWarpPointer(D, 0, DefaultRootWindow(D), 0, 0, 0, 0, ScreenX, ScreenY);
        XFlush(D);
    });
}

// [editor] 1024 x 768 without a display.
int NativeScreenWidth()
{
    int W = 1024;
    WithDisplay([&](Display* D) { W = DisplayWidth(D, DefaultScreen(D)); });
    return W;
}

int NativeScreenHeight()
{
    int H = 768;
    WithDisplay([&](Display* D) { H = DisplayHeight(D, DefaultScreen(D)); });
    return H;
}
