// X11 pop-up menus, drawn by the toolkit: an override-redirect window at the pointer with the captions
// (the accelerator underlined), check and radio marks, greyed disabled items and separators. The menu holds
// the pointer and the keyboard while it is open: the item under a released button is chosen once the pointer
// moved or a button was pressed in the menu (so the release of the click that opened it chooses nothing); a
// press outside the menu or Escape closes it; Up, Down and Return choose with the keyboard.
//
// Popup returns at once and the choice runs later from the event processing, so that nothing waits in a
// loop of its own while a host calls the editor. A watch component that the menu owns while it is open closes
// it when the menu goes away (with its form, say).
// Every function here runs on the thread that owns the windows ([editor]).
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>

#include "platform/System.h"
#include "platform/x11/X11Internal.h"
#include "platform/x11/X11MenuLayout.h"

using namespace X11MenuLayout;

namespace X11
{

namespace
{

constexpr int kColorMenu = 4, kColorMenuText = 7, kColorHighlight = 13, kColorHighlightText = 14,
              kColorShadow = 16, kColorGrayText = 17;
constexpr unsigned kMenuGrabEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;

// Owned by the menu while it is open: the menu's destruction closes it.
class TMenuWatch : public TComponent
{
public:
    TMenuWatch(TPopupMenu* Menu, TContext& C) : TComponent(Menu), FContext(C) {}
    ~TMenuWatch() override;

private:
    TContext& FContext;
};

} // namespace

struct TMenuSession
{
    TPopupMenu* Menu = nullptr;
    TMenuWatch* Watch = nullptr;
    ::Window Win = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    std::vector<TMenuItem*> Items; // as when the menu opened
    int Hot = -1;
    bool Armed = false;
    std::vector<std::uint32_t> Pixels;
};

namespace
{

TMenuWatch::~TMenuWatch()
{
    if (FContext.Menu && FContext.Menu->Watch == this)
    {
        FContext.Menu->Watch = nullptr; // going already
        CloseMenu(FContext);
    }
}

bool Selectable(const TMenuItem* Item)
{
    return Item->Enabled() && !Item->IsSeparator();
}

std::uint32_t Blend(std::uint32_t Under, std::uint32_t Over, unsigned Alpha)
{
    const auto Channel = [&](int Shift) {
        const unsigned U = (Under >> Shift) & 0xFF, O = (Over >> Shift) & 0xFF;
        return ((U * (255 - Alpha) + O * Alpha + 127) / 255) << Shift;
    };
    return 0xFF000000u | Channel(16) | Channel(8) | Channel(0);
}

struct TCanvas
{
    std::vector<std::uint32_t>& Pixels;
    int Width, Height;

    void Fill(int L, int T, int R, int B, std::uint32_t Color)
    {
        for (int Y = std::max(0, T); Y < std::min(Height, B); ++Y)
            for (int X = std::max(0, L); X < std::min(Width, R); ++X)
                Pixels[static_cast<std::size_t>(Y) * Width + X] = Color;
    }
    void Text(TTextRaster& Raster, int X, int Y, const std::u32string& Shown, std::uint32_t Color)
    {
        TTextMask M;
        Raster.Render(Shown, M);
        for (int y = 0; y < M.Height; ++y)
            for (int x = 0; x < M.Width; ++x)
            {
                const int PX = X + M.Left + x, PY = Y + M.Top + y;
                const unsigned A = M.Coverage[static_cast<std::size_t>(y) * M.Width + x];
                if (A && PX >= 0 && PY >= 0 && PX < Width && PY < Height)
                {
                    std::uint32_t& P = Pixels[static_cast<std::size_t>(PY) * Width + PX];
                    P = Blend(P, Color, A);
                }
            }
    }
};

// The row under a screen point, or -1.
int ItemAt(const TMenuSession& S, int ScreenX, int ScreenY)
{
    const int X = ScreenX - S.X, Y = ScreenY - S.Y;
    for (int I = 0; I < static_cast<int>(S.Items.size()); ++I)
    {
        const TRect R = ItemRow(S.Items, I, S.Width);
        if (X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom)
            return I;
    }
    return -1;
}

void Draw(TContext& C, TMenuSession& S)
{
    TTextRaster& Raster = C.TextRaster();
    Raster.SetSize(kTextPoints);
    TCanvas Canvas{S.Pixels, S.Width, S.Height};
    const std::uint32_t Face = SystemColorARGB(kColorMenu), Shadow = SystemColorARGB(kColorShadow);
    Canvas.Fill(0, 0, S.Width, S.Height, Shadow);
    Canvas.Fill(1, 1, S.Width - 1, S.Height - 1, Face);
    // The baseline: the bottom of a flat-bottomed letter.
    TTextMask X;
    Raster.Render(U"x", X);
    const int TextTop = (kItemHeight - Raster.TextHeight()) / 2, Baseline = TextTop + X.Top + X.Height;
    for (int I = 0; I < static_cast<int>(S.Items.size()); ++I)
    {
        const TMenuItem* Item = S.Items[static_cast<std::size_t>(I)];
        const TRect R = ItemRow(S.Items, I, S.Width);
        if (Item->IsSeparator())
        {
            const int Y = (R.Top + R.Bottom) / 2;
            Canvas.Fill(R.Left + 1, Y, R.Right - 1, Y + 1, Shadow);
            continue;
        }
        const bool Hot = I == S.Hot;
        if (Hot)
            Canvas.Fill(R.Left, R.Top, R.Right, R.Bottom, SystemColorARGB(kColorHighlight));
        const std::uint32_t Ink = !Item->Enabled() ? SystemColorARGB(kColorGrayText)
                                  : Hot             ? SystemColorARGB(kColorHighlightText)
                                                    : SystemColorARGB(kColorMenuText);
        const int MidX = R.Left + kGutter / 2, MidY = (R.Top + R.Bottom) / 2;
        if (Item->Checked() && Item->RadioItem())
        {
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx)
                    if (dx * dx + dy * dy <= 10)
                        Canvas.Fill(MidX + dx, MidY + dy, MidX + dx + 1, MidY + dy + 1, Ink);
        }
        else if (Item->Checked())
        {
            // A tick: down to the right for three pixels, then up for five, two pixels thick.
            for (int K = 0; K < 3; ++K)
                Canvas.Fill(MidX - 4 + K, MidY - 1 + K, MidX - 3 + K, MidY + 1 + K, Ink);
            for (int K = 0; K < 5; ++K)
                Canvas.Fill(MidX - 1 + K, MidY + 1 - K, MidX + K, MidY + 3 - K, Ink);
        }
        int Underline = -1;
        const std::string Shown = ShownCaption(Item->Caption(), Underline);
        const int TextX = R.Left + kGutter, TextY = R.Top + TextTop;
        Canvas.Text(Raster, TextX, TextY, CodePoints(Shown), Ink);
        if (Underline >= 0)
        {
            std::size_t End = static_cast<std::size_t>(Underline) + 1;
            while (End < Shown.size() && (static_cast<unsigned char>(Shown[End]) >> 6) == 2)
                ++End; // the whole character, in UTF-8
            const int From = Raster.TextWidth(CodePoints(Shown.substr(0, static_cast<std::size_t>(Underline))));
            const int To = Raster.TextWidth(CodePoints(Shown.substr(0, End)));
            Canvas.Fill(TextX + From, R.Top + Baseline + 1, TextX + std::max(From + 1, To), R.Top + Baseline + 2, Ink);
        }
    }
    PutPixels(C, S.Win, S.Pixels.data(), S.Width, S.Height, S.Width);
}

void SetHot(TContext& C, TMenuSession& S, int Index)
{
    if (Index >= 0 && !Selectable(S.Items[static_cast<std::size_t>(Index)]))
        Index = -1;
    if (Index == S.Hot)
        return;
    S.Hot = Index;
    Draw(C, S);
}

// The next selectable item from the hot one in Direction (1 down, -1 up), wrapping around.
void StepHot(TContext& C, TMenuSession& S, int Direction)
{
    const int N = static_cast<int>(S.Items.size());
    int I = S.Hot;
    for (int K = 0; K < N; ++K)
    {
        I = I < 0 ? (Direction > 0 ? 0 : N - 1) : (I + Direction + N) % N;
        if (Selectable(S.Items[static_cast<std::size_t>(I)]))
        {
            SetHot(C, S, I);
            return;
        }
    }
}

// Closes the menu, then runs the item's Click when it is still in the menu and can be chosen.
void Choose(TContext& C, int Index)
{
    TMenuSession& S = *C.Menu;
    if (Index < 0 || Index >= static_cast<int>(S.Items.size()))
        return;
    TMenuItem* Item = S.Items[static_cast<std::size_t>(Index)];
    const auto& Now = S.Menu->Items();
    if (std::find(Now.begin(), Now.end(), Item) == Now.end() || !Selectable(Item))
        return;
    CloseMenu(C);
    FireEvent([Item] { Item->Click(); });
}

} // namespace

void TMenuSessionDeleter::operator()(TMenuSession* S) const
{
    delete S;
}

bool IsMenuWindow(const TContext& C, ::Window W)
{
    return C.Menu && C.Menu->Win == W;
}

void CloseMenu(TContext& C)
{
    TMenuSessionPtr S = std::move(C.Menu);
    if (!S)
        return;
    if (C.Dpy)
    {
        XUngrabPointer(C.Dpy, CurrentTime);
        XUngrabKeyboard(C.Dpy, CurrentTime);
        if (S->Win)
            XDestroyWindow(C.Dpy, S->Win);
        XFlush(C.Dpy);
    }
    delete S->Watch; // leaves the menu's components
}

void DispatchMenuEvent(TContext& C, XEvent& E)
{
    TMenuSession& S = *C.Menu;
    const auto Inside = [&](int RootX, int RootY) {
        return RootX >= S.X && RootY >= S.Y && RootX < S.X + S.Width && RootY < S.Y + S.Height;
    };
    switch (E.type)
    {
    case Expose:
        if (E.xexpose.count == 0)
            Draw(C, S);
        break;
    case MotionNotify:
        if (E.xmotion.x_root != S.X || E.xmotion.y_root != S.Y)
            S.Armed = true;
        SetHot(C, S, ItemAt(S, E.xmotion.x_root, E.xmotion.y_root));
        break;
    case ButtonPress:
        if (!Inside(E.xbutton.x_root, E.xbutton.y_root))
        {
            CloseMenu(C);
            break;
        }
        S.Armed = true;
        SetHot(C, S, ItemAt(S, E.xbutton.x_root, E.xbutton.y_root));
        break;
    case ButtonRelease:
        if (S.Armed && Inside(E.xbutton.x_root, E.xbutton.y_root))
            Choose(C, ItemAt(S, E.xbutton.x_root, E.xbutton.y_root));
        break;
    case KeyPress:
        switch (XLookupKeysym(&E.xkey, 0))
        {
        case XK_Escape: CloseMenu(C); break;
        case XK_Up: StepHot(C, S, -1); break;
        case XK_Down: StepHot(C, S, 1); break;
        case XK_Return:
        case XK_KP_Enter: Choose(C, S.Hot); break;
        default: break;
        }
        break;
    default: break;
    }
}

} // namespace X11

using namespace X11;

// [editor] Shows the menu with its top-left corner at the point (moved to stay on the screen) and
// returns; the chosen item's Click runs when the user chooses it. A menu still open closes first.
void NativePopup(TPopupMenu& Menu, int ScreenX, int ScreenY)
{
    TContext& C = ThisContext();
    CloseMenu(C);
    if (Menu.Items().empty() || !C.EnsureDisplay())
        return;
    TMenuSessionPtr S(new TMenuSession());
    S->Menu = &Menu;
    S->Items = Menu.Items();
    TTextRaster& Raster = C.TextRaster();
    Raster.SetSize(kTextPoints);
    int Widest = 0;
    for (const TMenuItem* Item : S->Items)
    {
        int Underline = -1;
        if (!Item->IsSeparator())
            Widest = std::max(Widest, Raster.TextWidth(CodePoints(ShownCaption(Item->Caption(), Underline))));
    }
    S->Width = std::max(kMinimumWidth, kFrame + kGutter + Widest + kRightMargin + kFrame);
    S->Height = ItemRow(S->Items, static_cast<int>(S->Items.size()), S->Width).Top + kFrame;
    const int SW = ScreenWidth(), SH = ScreenHeight();
    S->X = ScreenX + S->Width > SW ? std::max(0, SW - S->Width) : ScreenX;
    S->Y = ScreenY + S->Height > SH ? std::max(0, ScreenY - S->Height) : ScreenY;
    S->Pixels.assign(static_cast<std::size_t>(S->Width) * S->Height, 0);

    XSetWindowAttributes A{};
    A.override_redirect = True;
    A.save_under = True;
    A.border_pixel = 0;
    A.background_pixel = C.Format.Encode(SystemColorARGB(kColorMenu));
    A.colormap = DefaultColormap(C.Dpy, C.Screen);
    A.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    S->Win =
        XCreateWindow(C.Dpy, C.Root, S->X, S->Y, static_cast<unsigned>(S->Width), static_cast<unsigned>(S->Height), 0,
                      C.Depth, InputOutput, C.Vis,
                      CWOverrideRedirect | CWSaveUnder | CWBorderPixel | CWBackPixel | CWColormap | CWEventMask, &A);
    if (!S->Win)
        return;
    XClassHint Class{const_cast<char*>("marvo"), const_cast<char*>("MarvoMenu")};
    XSetClassHint(C.Dpy, S->Win, &Class);
    XStoreName(C.Dpy, S->Win, Menu.Name().c_str());
    XChangeProperty(C.Dpy, S->Win, C.NetWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&C.NetWmWindowTypePopupMenu), 1);
    const long Pid = static_cast<long>(::getpid());
    XChangeProperty(C.Dpy, S->Win, C.NetWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&Pid), 1);
    XMapRaised(C.Dpy, S->Win);

    // The click that opened the menu held a form's grab; the menu's grab replaces it.
    C.Capture = nullptr;
    XGrabPointer(C.Dpy, S->Win, True, kMenuGrabEvents, GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime);
    XGrabKeyboard(C.Dpy, S->Win, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    S->Watch = new TMenuWatch(&Menu, C);
    C.Menu = std::move(S);
    Draw(C, *C.Menu);
    XFlush(C.Dpy);
}
