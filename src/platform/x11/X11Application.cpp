// X11 backend: display connections, the window threads and their event processing, timers.
//
// Threads. Every thread that makes windows or timers gets a context of its own: its own display connection,
// its windows and timers; only that thread makes X calls on the connection, and its events are processed
// when it calls Application().ProcessMessages() or HandleMessage(), as a Win32 thread's messages are. Our own
// programs (marvo-vst edit, marvo-play, the tests) work that way: the host window and the plug-in's editor
// live on the program's main thread and its loop drives them.
//
// A foreign VST host is different: it calls effEditOpen with the X window id of its own window from a thread
// that owns nothing of ours, and it calls effEditIdle when it likes (some hosts rarely, some only while the
// editor has the focus). Processing our events in effEditIdle would leave the editor frozen (no paint, no
// drag, no meter) between such calls. So the editor gets a window thread of its own, started with the first
// such call: it waits on its connection and the next timer, and processes events, timers and paints as they
// come, whatever the host does. The module's editor opcodes reach it through RunInWindowThread, the window-
// thread policy that the editor library installs in the framework (the dispatcher's entry runs them there and
// waits; a call that the thread does not take up within
// kStartTimeout is withdrawn and fails, and what the thread calls into the host while the host waits is
// queued by the module for the host's next call, so neither side waits on the other for ever), so the
// editor, its windows and its timers belong to that
// thread alone, which makes the equaliser's handling of "a window thread different from the thread that sets
// parameters" apply: a host's setParameter only marks what to redraw, and the editor's update timer draws it.
// The audio thread never reaches this code. The thread ends when the library unloads.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <mutex>

#include "platform/Exceptions.h"
#include "platform/System.h"
#include "platform/x11/X11Internal.h"

namespace X11
{

namespace
{

using TClock = std::chrono::steady_clock;

// ---- Connections and the error handler --------------------------------------------------------------------

struct TConnections
{
    std::mutex Lock;
    std::vector<Display*> Displays;
    std::vector<std::pair<Display*, int>> LastErrors;
    XErrorHandler Previous = nullptr;
    bool Installed = false;
};

TConnections& Connections();

int OnXError(Display* D, XErrorEvent* E)
{
    TConnections& C = Connections();
    XErrorHandler Previous = nullptr;
    {
        std::lock_guard<std::mutex> G(C.Lock);
        if (std::find(C.Displays.begin(), C.Displays.end(), D) != C.Displays.end())
        {
            for (auto& [Dpy, Code] : C.LastErrors)
                if (Dpy == D)
                {
                    Code = E->error_code;
                    return 0;
                }
            C.LastErrors.emplace_back(D, E->error_code);
            return 0;
        }
        Previous = C.Previous;
    }
    return Previous ? Previous(D, E) : 0;
}

// ---- Contexts -----------------------------------------------------------------------------------------------

thread_local TContext* GCurrent = nullptr;

// Every context made, freed at unload after the application object (and the forms it owns) went.
struct TContexts
{
    std::mutex Lock;
    std::vector<TContext*> All;
};

TContexts& Contexts();

// ---- The editor's window thread ---------------------------------------------------------------------------

struct TPostedCall
{
    const std::function<void()>* Call = nullptr;
    std::exception_ptr Error;
    bool Started = false;
    bool Done = false;
};

// How long a caller waits for the window thread to take up its call. The thread takes calls up between
// events and never waits on a host, so only a thread stuck in foreign code (a driver, the X server gone
// quiet) reaches it.
constexpr std::chrono::seconds kStartTimeout{10};

class TWindowThread
{
public:
    // [any] Runs Call on the thread (started on first use) and waits for it. A call not taken up
    // within kStartTimeout is withdrawn: EMarvoError, and Call never runs. A call taken up runs our own code
    // only (the module queues what it sends the host from there), so its end is waited for.
    void Run(const std::function<void()>& Call)
    {
        TPostedCall Posted;
        Posted.Call = &Call;
        {
            std::unique_lock<std::mutex> G(FLock);
            if (FStopped)
                throw EMarvoError("the window thread has ended");
            if (!FThread.joinable())
                Start();
            FQueue.push_back(&Posted);
        }
        Wake();
        {
            std::unique_lock<std::mutex> G(FLock);
            if (!FFinished.wait_for(G, kStartTimeout, [&] { return Posted.Started; }))
            {
                FQueue.erase(std::remove(FQueue.begin(), FQueue.end(), &Posted), FQueue.end());
                throw EMarvoError("the window thread does not answer");
            }
            FFinished.wait(G, [&] { return Posted.Done; });
        }
        if (Posted.Error)
            std::rethrow_exception(Posted.Error);
    }

    // [any]
    bool IsCurrent() const { return FId.load() == std::this_thread::get_id(); }

    // [unload] Stops the loop; calls still queued fail.
    void Stop()
    {
        {
            std::lock_guard<std::mutex> G(FLock);
            FStopped = true;
        }
        Wake();
        if (FThread.joinable() && !IsCurrent())
            FThread.join();
        else if (FThread.joinable())
            FThread.detach();
        for (int& Fd : FWake)
            if (Fd >= 0)
            {
                ::close(Fd);
                Fd = -1;
            }
    }

private:
    // [any, FLock held]
    void Start()
    {
        if (::pipe2(FWake, O_NONBLOCK | O_CLOEXEC) != 0)
            throw EMarvoError("cannot start the window thread");
        FThread = std::thread([this] { Loop(); });
    }

    void Wake()
    {
        if (FWake[1] >= 0)
        {
            const char Byte = 0;
            [[maybe_unused]] const ssize_t Ignored = ::write(FWake[1], &Byte, 1);
        }
    }

    // [editor] Runs posted calls and processes the context's events until stopped. Posted calls run
    // only here, never inside a handler's own ProcessMessages, so a call that closes the editor never pulls
    // a window away under a running handler.
    void Loop()
    {
        FId.store(std::this_thread::get_id());
        TContext& C = ThisContext();
        C.EnsureDisplay();
        for (;;)
        {
            bool Stopping;
            for (;;)
            {
                TPostedCall* P = nullptr;
                {
                    std::lock_guard<std::mutex> G(FLock);
                    Stopping = FStopped;
                    if (FQueue.empty())
                        break;
                    // Taken up one at a time, so that a caller whose wait ends withdraws a call not yet run.
                    P = FQueue.front();
                    FQueue.pop_front();
                    P->Started = true;
                    FFinished.notify_all();
                }
                if (Stopping)
                    P->Error = std::make_exception_ptr(EMarvoError("the window thread has ended"));
                else
                    try
                    {
                        (*P->Call)();
                    }
                    catch (...)
                    {
                        P->Error = std::current_exception();
                    }
                std::lock_guard<std::mutex> G(FLock);
                P->Done = true;
                FFinished.notify_all();
            }
            if (Stopping)
                break;
            try
            {
                Application().ProcessMessages();
            }
            catch (...)
            {
            }
            WaitForWork(C, FWake[0]);
            char Drain[64];
            while (::read(FWake[0], Drain, sizeof Drain) > 0)
            {
            }
        }
    }

    std::mutex FLock;
    std::condition_variable FFinished;
    std::deque<TPostedCall*> FQueue;
    bool FStopped = false;
    int FWake[2] = {-1, -1};
    std::thread FThread;
    std::atomic<std::thread::id> FId{};
};

TWindowThread& WindowThread();
void ReleaseBackend();

struct TShared
{
    std::mutex Lock;
    Display* Dpy = nullptr;
    bool Tried = false;
};

// Everything the backend shares between threads. A namespace-scope object is made while the module loads,
// before the application object (a function-local static), so it is destroyed after it and after the forms
// that the application owns: then the window thread ends and every connection closes.
struct TBackend
{
    TConnections Connections;
    TContexts Contexts;
    TShared Shared;
    TWindowThread Thread;
    ~TBackend() { ReleaseBackend(); }
} Backend;

TConnections& Connections() { return Backend.Connections; }
TContexts& Contexts() { return Backend.Contexts; }
TWindowThread& WindowThread() { return Backend.Thread; }
TShared& Shared() { return Backend.Shared; }

// [unload]
void ReleaseBackend()
{
    WindowThread().Stop();
    std::vector<TContext*> All;
    {
        std::lock_guard<std::mutex> G(Contexts().Lock);
        All.swap(Contexts().All);
    }
    for (TContext* C : All)
        delete C;
    ReleaseSharedDisplay();
    TConnections& Conn = Connections();
    std::lock_guard<std::mutex> G(Conn.Lock);
    if (Conn.Installed)
    {
        // Our handler goes; one that a host installed after it stays.
        const XErrorHandler Now = XSetErrorHandler(Conn.Previous);
        if (Now != &OnXError)
            XSetErrorHandler(Now);
        Conn.Installed = false;
    }
}

// The next timer due among the context's enabled ones; false when none is.
bool NextTimer(const TContext& C, TClock::time_point& Due)
{
    bool Any = false;
    for (const TTimer* T : C.Timers)
    {
        const TTimer::TImpl& I = *T->Impl();
        if (!I.Enabled || I.Interval == 0)
            continue;
        if (!Any || I.Due < Due)
            Due = I.Due;
        Any = true;
    }
    return Any;
}

void FireDueTimers(TContext& C)
{
    const TClock::time_point Now = TClock::now();
    std::vector<TTimer*> Due;
    for (TTimer* T : C.Timers)
        if (T->Impl()->Enabled && T->Impl()->Interval > 0 && T->Impl()->Due <= Now)
            Due.push_back(T);
    for (TTimer* T : Due)
    {
        if (std::find(C.Timers.begin(), C.Timers.end(), T) == C.Timers.end() || !T->Impl()->Enabled)
            continue;
        T->Impl()->Due = Now + std::chrono::milliseconds(T->Impl()->Interval); // ticks do not pile up
        if (TNotifyEvent H = T->OnTimer) // the handler may free its timer
            FireEvent([&] { H(T); });
    }
}

bool IsAlive(const TContext& C, const TControl* Control)
{
    return std::find(C.Controls.begin(), C.Controls.end(), Control) != C.Controls.end();
}

void PaintInvalidForms(TContext& C)
{
    const std::vector<TControl*> Controls = C.Controls;
    for (TControl* Control : Controls)
    {
        if (!IsAlive(C, Control) || Control->Impl()->Kind != TControlKind::ckForm || !Control->Impl()->Invalid ||
            !Control->Showing())
            continue;
        Control->Repaint();
    }
}

bool PaintsPending(const TContext& C)
{
    for (const TControl* Control : C.Controls)
        if (Control->Impl()->Kind == TControlKind::ckForm && Control->Impl()->Invalid && Control->Showing())
            return true;
    return false;
}

} // namespace

// ---- Pixel format -----------------------------------------------------------------------------------------

unsigned long TPixelFormat::Encode(std::uint32_t ARGB) const
{
    if (Direct)
        return ARGB & 0xFFFFFFu;
    const auto Part = [](std::uint32_t V, int Bits, int Shift) {
        return static_cast<unsigned long>(V >> (8 - Bits)) << Shift;
    };
    return Part((ARGB >> 16) & 0xFF, RedBits, RedShift) | Part((ARGB >> 8) & 0xFF, GreenBits, GreenShift) |
           Part(ARGB & 0xFF, BlueBits, BlueShift);
}

std::uint32_t TPixelFormat::Decode(unsigned long Pixel) const
{
    if (Direct)
        return 0xFF000000u | static_cast<std::uint32_t>(Pixel & 0xFFFFFFu);
    const auto Part = [](unsigned long P, int Bits, int Shift) {
        const unsigned long V = (P >> Shift) & ((1ul << Bits) - 1);
        return static_cast<std::uint32_t>(Bits >= 8 ? V >> (Bits - 8) : V * 255 / ((1ul << Bits) - 1));
    };
    return 0xFF000000u | Part(Pixel, RedBits, RedShift) << 16 | Part(Pixel, GreenBits, GreenShift) << 8 |
           Part(Pixel, BlueBits, BlueShift);
}

// [any]
TPixelFormat FormatOf(const Visual& V)
{
    const auto ShiftAndBits = [](unsigned long Mask, int& Shift, int& Count) {
        Shift = 0;
        Count = 0;
        while (Mask && !(Mask & 1))
        {
            Mask >>= 1;
            ++Shift;
        }
        while (Mask & 1)
        {
            Mask >>= 1;
            ++Count;
        }
        Count = std::clamp(Count, 1, 8);
    };
    TPixelFormat F;
    ShiftAndBits(V.red_mask, F.RedShift, F.RedBits);
    ShiftAndBits(V.green_mask, F.GreenShift, F.GreenBits);
    ShiftAndBits(V.blue_mask, F.BlueShift, F.BlueBits);
    F.Direct = V.red_mask == 0xFF0000 && V.green_mask == 0xFF00 && V.blue_mask == 0xFF;
    return F;
}

// ---- Connections --------------------------------------------------------------------------------------------

// [any]
Display* OpenDisplay()
{
    static std::once_flag Once;
    std::call_once(Once, [] { XInitThreads(); });
    Display* D = XOpenDisplay(nullptr);
    if (!D)
        return nullptr;
    TConnections& C = Connections();
    std::lock_guard<std::mutex> G(C.Lock);
    if (!C.Installed)
    {
        C.Previous = XSetErrorHandler(&OnXError);
        C.Installed = true;
    }
    C.Displays.push_back(D);
    return D;
}

// [any]
void CloseDisplay(Display* D)
{
    if (!D)
        return;
    XCloseDisplay(D);
    TConnections& C = Connections();
    std::lock_guard<std::mutex> G(C.Lock);
    C.Displays.erase(std::remove(C.Displays.begin(), C.Displays.end(), D), C.Displays.end());
    C.LastErrors.erase(
        std::remove_if(C.LastErrors.begin(), C.LastErrors.end(), [D](const auto& E) { return E.first == D; }),
        C.LastErrors.end());
}

// [any]
int TakeLastError(Display* D)
{
    TConnections& C = Connections();
    std::lock_guard<std::mutex> G(C.Lock);
    for (auto& [Dpy, Code] : C.LastErrors)
        if (Dpy == D)
        {
            const int Last = Code;
            Code = 0;
            return Last;
        }
    return 0;
}

// [any] Opened on first use; a failed attempt is not repeated (the environment does not change).
Display* SharedDisplay(std::unique_lock<std::mutex>& Lock)
{
    TShared& S = Shared();
    Lock = std::unique_lock<std::mutex>(S.Lock);
    if (!S.Dpy && !S.Tried)
    {
        S.Tried = true;
        S.Dpy = OpenDisplay();
    }
    return S.Dpy;
}

// [unload]
void ReleaseSharedDisplay()
{
    TShared& S = Shared();
    std::lock_guard<std::mutex> G(S.Lock);
    CloseDisplay(S.Dpy);
    S.Dpy = nullptr;
}

// [any]
std::vector<XID> ClientResourceIds()
{
    std::vector<XID> Ids;
    std::lock_guard<std::mutex> G(Contexts().Lock);
    for (const TContext* C : Contexts().All)
        if (C->Dpy && C->BlankCursor)
            Ids.push_back(C->BlankCursor);
    return Ids;
}

// ---- TContext ---------------------------------------------------------------------------------------------

TContext::TContext() = default;

// [unload] The connection goes, and with it every window and resource of it on the server.
TContext::~TContext()
{
    Text.reset();
    if (Dpy)
    {
        XFreeGC(Dpy, Gc); // its client-side part is not the connection's to free
        XFreeCursor(Dpy, BlankCursor);
    }
    CloseDisplay(Dpy);
    Dpy = nullptr;
}

// [editor] A 24- or 32-bit TrueColor default visual is required (every X server of today has one).
bool TContext::EnsureDisplay()
{
    if (Dpy)
        return true;
    Display* D = OpenDisplay();
    if (!D)
        return false;
    const int S = DefaultScreen(D);
    Visual* V = DefaultVisual(D, S);
    const int Bits = DefaultDepth(D, S);
    if (V->c_class != TrueColor || (Bits != 24 && Bits != 32))
    {
        CloseDisplay(D);
        return false;
    }
    Format = FormatOf(*V);
    Dpy = D;
    Screen = S;
    Root = RootWindow(D, S);
    Vis = V;
    Depth = Bits;
    Gc = XCreateGC(D, Root, 0, nullptr);
    const Pixmap Empty = XCreatePixmap(D, Root, 1, 1, 1);
    XColor Black{};
    BlankCursor = XCreatePixmapCursor(D, Empty, Empty, &Black, &Black, 0, 0);
    XFreePixmap(D, Empty);
    const auto Intern = [D](const char* Name) { return XInternAtom(D, Name, False); };
    WmProtocols = Intern("WM_PROTOCOLS");
    WmDeleteWindow = Intern("WM_DELETE_WINDOW");
    NetWmName = Intern("_NET_WM_NAME");
    Utf8String = Intern("UTF8_STRING");
    NetFrameExtents = Intern("_NET_FRAME_EXTENTS");
    MotifWmHints = Intern("_MOTIF_WM_HINTS");
    NetWmWindowType = Intern("_NET_WM_WINDOW_TYPE");
    NetWmWindowTypeUtility = Intern("_NET_WM_WINDOW_TYPE_UTILITY");
    NetWmWindowTypePopupMenu = Intern("_NET_WM_WINDOW_TYPE_POPUP_MENU");
    NetWmPid = Intern("_NET_WM_PID");
    XFlush(D);
    return true;
}

TControl* TContext::ControlOf(::Window W) const
{
    if (!W)
        return nullptr;
    for (TControl* C : Controls)
        if (C->Impl()->Win == W)
            return C;
    return nullptr;
}

TTextRaster& TContext::TextRaster()
{
    if (!Text)
        Text = std::make_unique<TTextRaster>();
    return *Text;
}

// [any]
TContext* CurrentContext()
{
    return GCurrent;
}

// [editor]
TContext& ThisContext()
{
    if (!GCurrent)
    {
        auto* C = new TContext();
        {
            std::lock_guard<std::mutex> G(Contexts().Lock);
            Contexts().All.push_back(C);
        }
        GCurrent = C;
    }
    return *GCurrent;
}

// [editor] Waits until the connection has input, the wake descriptor (if any) is readable or the next
// timer is due. Returns at once when events are already queued or paints are pending.
void WaitForWork(TContext& C, int WakeFd)
{
    if (C.Dpy && XEventsQueued(C.Dpy, QueuedAfterFlush) > 0)
        return;
    if (PaintsPending(C))
        return;
    int Timeout = -1;
    TClock::time_point Due;
    if (NextTimer(C, Due))
    {
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Due - TClock::now()).count();
        if (Left <= 0)
            return;
        Timeout = static_cast<int>(std::min<long long>(Left + 1, 1000 * 60));
    }
    pollfd Fds[2];
    nfds_t N = 0;
    if (C.Dpy)
        Fds[N++] = {ConnectionNumber(C.Dpy), POLLIN, 0};
    if (WakeFd >= 0)
        Fds[N++] = {WakeFd, POLLIN, 0};
    if (N == 0 && Timeout < 0)
        return; // nothing could ever arrive
    ::poll(Fds, N, Timeout);
}

} // namespace X11

using namespace X11;

// [any] Without a display named, no connection can be opened.
std::optional<std::string> NativeDisplayUnavailable()
{
    const char* Name = std::getenv("DISPLAY");
    if (!Name || !*Name)
        return "no display (DISPLAY is not set)";
    return std::nullopt;
}

// ---- Running on the window thread ---------------------------------------------------------------------------

// [any]
void NativeRunInWindowThread(const std::function<void()>& Call)
{
    const TContext* C = CurrentContext();
    if ((C && C->OwnsObjects()) || WindowThread().IsCurrent())
    {
        Call();
        return;
    }
    WindowThread().Run(Call);
}

// ---- Timers -------------------------------------------------------------------------------------------------

// [editor]
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FImpl(std::make_unique<TImpl>())
{
    FImpl->Context = &ThisContext();
    FImpl->Due = TClock::now() + std::chrono::milliseconds(FImpl->Interval);
    FImpl->Context->Timers.push_back(this);
}

// [editor]
TTimer::~TTimer()
{
    auto& L = FImpl->Context->Timers;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
}

unsigned TTimer::Interval() const { return FImpl->Interval; }

void TTimer::SetInterval(unsigned Milliseconds)
{
    FImpl->Interval = Milliseconds;
    FImpl->Due = TClock::now() + std::chrono::milliseconds(Milliseconds);
}

bool TTimer::Enabled() const { return FImpl->Enabled; }

void TTimer::SetEnabled(bool V)
{
    FImpl->Enabled = V;
    FImpl->Due = TClock::now() + std::chrono::milliseconds(FImpl->Interval);
}

// ---- Application --------------------------------------------------------------------------------------------

// [editor] Dispatches the events that arrived on this thread's connection, then runs the due timers,
// then paints the invalidated showing forms. Handlers may free windows and timers on the way.
void NativeProcessMessages()
{
    TContext* C = CurrentContext();
    if (!C)
        return;
    if (C->Dpy)
        while (XEventsQueued(C->Dpy, QueuedAfterFlush) > 0)
        {
            XEvent E;
            XNextEvent(C->Dpy, &E);
            DispatchEvent(*C, E);
        }
    FireDueTimers(*C);
    PaintInvalidForms(*C);
    if (C->Dpy)
        XFlush(C->Dpy);
}

// [editor] Waits for an event or the next timer, then processes what is pending. There is no quit
// request on this backend.
bool NativeHandleMessage()
{
    if (TContext* C = CurrentContext())
        WaitForWork(*C, -1);
    NativeProcessMessages();
    return true;
}
