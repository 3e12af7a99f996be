// X11 pop-up menus, drawn by the toolkit: an override-redirect window at the pointer with the captions
// (the accelerator underlined), check and radio marks, greyed disabled items and separators. The menu holds
// the pointer and the keyboard while it is open: the item under a released button is chosen once the pointer
// moved or a button was pressed in the menu (so the release of the click that opened it chooses nothing); a
// press outside the menu or Escape closes it; Up, Down and Return choose with the keyboard; the wheel does
// nothing.
//
// An item with sub-items has an arrow and is never chosen: pointing at it, clicking it, or Right or Return on
// it opens its submenu as another window beside it (the keyboard then moves in the submenu, from its first
// item). Pointing at another item of the same menu closes the submenu; Left or Escape closes the innermost
// submenu; choosing an item closes every window of the menu, and so does a press outside all of them.
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

struct TMenuLevel
{
    TMenuItem* Owner = nullptr; // the item whose sub-items this window shows; null for the menu's own items
    ::Window Win = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    std::vector<TMenuItem*> Items; // as when the window opened
    int Hot = -1;
    std::vector<std::uint32_t> Pixels;

    bool Contains(int RootX, int RootY) const
    {
        return RootX >= X && RootY >= Y && RootX < X + Width && RootY < Y + Height;
    }
};

struct TMenuSession
{
    TPopupMenu* Menu = nullptr;
    TMenuWatch* Watch = nullptr;
    // The menu's window, then each open submenu's, each opened from an item of the one before.
    std::vector<std::unique_ptr<TMenuLevel>> Levels;
    bool Armed = false;
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

bool OpensSubmenu(const TMenuItem* Item)
{
    return Selectable(Item) && !Item->Items().empty();
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

// The row of a window under a screen point, or -1.
int ItemAt(const TMenuLevel& L, int ScreenX, int ScreenY)
{
    const int X = ScreenX - L.X, Y = ScreenY - L.Y;
    for (int I = 0; I < static_cast<int>(L.Items.size()); ++I)
    {
        const TRect R = ItemRow(L.Items, I, L.Width);
        if (X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom)
            return I;
    }
    return -1;
}

// The innermost window of the menu under a screen point, or -1.
int LevelAt(const TMenuSession& S, int ScreenX, int ScreenY)
{
    for (int L = static_cast<int>(S.Levels.size()) - 1; L >= 0; --L)
        if (S.Levels[static_cast<std::size_t>(L)]->Contains(ScreenX, ScreenY))
            return L;
    return -1;
}

// The items that the window at Level shows as they are now, or null when an item that opened it (or one
// before) has left its menu since. Nothing that may have gone is touched before it is found in a live list.
const std::vector<TMenuItem*>* LiveItems(const TMenuSession& S, std::size_t Level)
{
    const std::vector<TMenuItem*>* Items = &S.Menu->Items();
    for (std::size_t L = 1; L <= Level && L < S.Levels.size(); ++L)
    {
        TMenuItem* Owner = S.Levels[L]->Owner;
        if (std::find(Items->begin(), Items->end(), Owner) == Items->end())
            return nullptr;
        Items = &Owner->Items();
    }
    return Items;
}

void Draw(TContext& C, TMenuLevel& S)
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
        if (!Item->Items().empty())
        {
            // The arrow: columns shorter by a pixel at each end towards the tip.
            const TRect A = ArrowBox(R);
            for (int K = 0; K < A.Width(); ++K)
                Canvas.Fill(A.Left + K, A.Top + K, A.Left + K + 1, A.Bottom - K, Ink);
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

void SetHot(TContext& C, TMenuLevel& S, int Index)
{
    if (Index >= 0 && !Selectable(S.Items[static_cast<std::size_t>(Index)]))
        Index = -1;
    if (Index == S.Hot)
        return;
    S.Hot = Index;
    Draw(C, S);
}

// The next selectable item from the hot one in Direction (1 down, -1 up), wrapping around.
void StepHot(TContext& C, TMenuLevel& S, int Direction)
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

// A new window's size for Items: wide enough for the widest caption.
void Measure(TContext& C, TMenuLevel& L)
{
    TTextRaster& Raster = C.TextRaster();
    Raster.SetSize(kTextPoints);
    int Widest = 0;
    for (const TMenuItem* Item : L.Items)
    {
        int Underline = -1;
        if (!Item->IsSeparator())
            Widest = std::max(Widest, Raster.TextWidth(CodePoints(ShownCaption(Item->Caption(), Underline))));
    }
    L.Width = std::max(kMinimumWidth, kFrame + kGutter + Widest + kRightMargin + kFrame);
    L.Height = ItemRow(L.Items, static_cast<int>(L.Items.size()), L.Width).Top + kFrame;
    L.Pixels.assign(static_cast<std::size_t>(L.Width) * L.Height, 0);
}

// Makes and maps the window of a measured and placed level; false when the server made none.
bool MakeWindow(TContext& C, TMenuLevel& L, const std::string& Name)
{
    XSetWindowAttributes A{};
    A.override_redirect = True;
    A.save_under = True;
    A.border_pixel = 0;
    A.background_pixel = C.Format.Encode(SystemColorARGB(kColorMenu));
    A.colormap = DefaultColormap(C.Dpy, C.Screen);
    A.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    L.Win = XCreateWindow(C.Dpy, C.Root, L.X, L.Y, static_cast<unsigned>(L.Width), static_cast<unsigned>(L.Height), 0,
                          C.Depth, InputOutput, C.Vis,
                          CWOverrideRedirect | CWSaveUnder | CWBorderPixel | CWBackPixel | CWColormap | CWEventMask, &A);
    if (!L.Win)
        return false;
    XClassHint Class{const_cast<char*>("marvo"), const_cast<char*>("MarvoMenu")};
    XSetClassHint(C.Dpy, L.Win, &Class);
    XStoreName(C.Dpy, L.Win, Name.c_str());
    XChangeProperty(C.Dpy, L.Win, C.NetWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&C.NetWmWindowTypePopupMenu), 1);
    const long Pid = static_cast<long>(::getpid());
    XChangeProperty(C.Dpy, L.Win, C.NetWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&Pid), 1);
    XMapRaised(C.Dpy, L.Win);
    return true;
}

// Closes the submenus inside the window at Level.
void CloseSubmenus(TContext& C, TMenuSession& S, std::size_t Level)
{
    while (S.Levels.size() > Level + 1)
    {
        if (C.Dpy && S.Levels.back()->Win)
            XDestroyWindow(C.Dpy, S.Levels.back()->Win);
        S.Levels.pop_back();
    }
    if (C.Dpy)
        XFlush(C.Dpy);
}

// Opens the submenu of the item at Index of the window at Level, unless it is open already; the submenus
// of other items (and those inside it) close. FromKeyboard: its first selectable item becomes the hot one.
void OpenSubmenu(TContext& C, TMenuSession& S, std::size_t Level, int Index, bool FromKeyboard)
{
    TMenuLevel& Parent = *S.Levels[Level];
    TMenuItem* Item = Parent.Items[static_cast<std::size_t>(Index)];
    const bool Open = S.Levels.size() > Level + 1 && S.Levels[Level + 1]->Owner == Item;
    CloseSubmenus(C, S, Open ? Level + 1 : Level);
    if (!Open)
    {
        const std::vector<TMenuItem*>* Live = LiveItems(S, Level);
        if (!Live || std::find(Live->begin(), Live->end(), Item) == Live->end() || !OpensSubmenu(Item))
            return;
        auto Sub = std::make_unique<TMenuLevel>();
        Sub->Owner = Item;
        Sub->Items = Item->Items();
        Measure(C, *Sub);
        const TRect R = SubmenuRect({Parent.X, Parent.Y, Parent.X + Parent.Width, Parent.Y + Parent.Height},
                                    ItemRow(Parent.Items, Index, Parent.Width), Sub->Width, Sub->Height,
                                    ScreenWidth(), ScreenHeight());
        Sub->X = R.Left;
        Sub->Y = R.Top;
        if (!MakeWindow(C, *Sub, Item->Name()))
            return;
        S.Levels.push_back(std::move(Sub));
        Draw(C, *S.Levels.back());
    }
    if (FromKeyboard && S.Levels.back()->Hot < 0)
        StepHot(C, *S.Levels.back(), 1);
    XFlush(C.Dpy);
}

// Closes the menu, then runs the item's Click when it is still in the menu and can be chosen.
void Choose(TContext& C, std::size_t Level, int Index)
{
    TMenuSession& S = *C.Menu;
    const TMenuLevel& L = *S.Levels[Level];
    if (Index < 0 || Index >= static_cast<int>(L.Items.size()))
        return;
    TMenuItem* Item = L.Items[static_cast<std::size_t>(Index)];
    const std::vector<TMenuItem*>* Now = LiveItems(S, Level);
    if (!Now || std::find(Now->begin(), Now->end(), Item) == Now->end() || !Selectable(Item))
        return;
    if (!Item->Items().empty())
    {
        OpenSubmenu(C, S, Level, Index, false);
        return;
    }
    CloseMenu(C);
    FireEvent([Item] { Item->Click(); });
}

// The pointer at a screen point: the item under it becomes its window's hot item and opens its submenu, if
// any; other submenus of that window close (over a separator or a disabled item they stay). Outside every
// window the innermost has no hot item.
void Point(TContext& C, TMenuSession& S, int RootX, int RootY)
{
    const int L = LevelAt(S, RootX, RootY);
    if (L < 0)
    {
        SetHot(C, *S.Levels.back(), -1);
        return;
    }
    const auto Level = static_cast<std::size_t>(L);
    TMenuLevel& W = *S.Levels[Level];
    SetHot(C, W, ItemAt(W, RootX, RootY));
    if (W.Hot < 0)
        return; // a separator or a disabled item: an open submenu stays
    if (OpensSubmenu(W.Items[static_cast<std::size_t>(W.Hot)]))
        OpenSubmenu(C, S, Level, W.Hot, false);
    else
        CloseSubmenus(C, S, Level);
}

} // namespace

void TMenuSessionDeleter::operator()(TMenuSession* S) const
{
    delete S;
}

bool IsMenuWindow(const TContext& C, ::Window W)
{
    if (!C.Menu || !W)
        return false;
    for (const auto& L : C.Menu->Levels)
        if (L->Win == W)
            return true;
    return false;
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
        for (const auto& L : S->Levels)
            if (L->Win)
                XDestroyWindow(C.Dpy, L->Win);
        XFlush(C.Dpy);
    }
    delete S->Watch; // leaves the menu's components
}

void DispatchMenuEvent(TContext& C, XEvent& E)
{
    TMenuSession& S = *C.Menu;
    const TMenuLevel& First = *S.Levels.front();
    TMenuLevel& Inner = *S.Levels.back();
    const std::size_t InnerLevel = S.Levels.size() - 1;
    switch (E.type)
    {
    case Expose:
        if (E.xexpose.count == 0)
            for (const auto& L : S.Levels)
                if (L->Win == E.xexpose.window)
                    Draw(C, *L);
        break;
    case MotionNotify:
        if (E.xmotion.x_root != First.X || E.xmotion.y_root != First.Y)
            S.Armed = true;
        Point(C, S, E.xmotion.x_root, E.xmotion.y_root);
        break;
    case ButtonPress:
        if (E.xbutton.button > Button3)
            break; // the wheel
        if (LevelAt(S, E.xbutton.x_root, E.xbutton.y_root) < 0)
        {
            CloseMenu(C);
            break;
        }
        S.Armed = true;
        Point(C, S, E.xbutton.x_root, E.xbutton.y_root);
        break;
    case ButtonRelease:
    {
        const int L = LevelAt(S, E.xbutton.x_root, E.xbutton.y_root);
        if (E.xbutton.button <= Button3 && S.Armed && L >= 0)
            Choose(C, static_cast<std::size_t>(L),
                   ItemAt(*S.Levels[static_cast<std::size_t>(L)], E.xbutton.x_root, E.xbutton.y_root));
        break;
    }
    case KeyPress:
        switch (XLookupKeysym(&E.xkey, 0))
        {
        case XK_Escape:
            if (InnerLevel == 0)
                CloseMenu(C);
            else
                CloseSubmenus(C, S, InnerLevel - 1);
            break;
        case XK_Left:
            if (InnerLevel > 0)
                CloseSubmenus(C, S, InnerLevel - 1);
            break;
        case XK_Right:
            if (Inner.Hot >= 0 && OpensSubmenu(Inner.Items[static_cast<std::size_t>(Inner.Hot)]))
                OpenSubmenu(C, S, InnerLevel, Inner.Hot, true);
            break;
        case XK_Up: StepHot(C, Inner, -1); break;
        case XK_Down: StepHot(C, Inner, 1); break;
        case XK_Return:
        case XK_KP_Enter:
            if (Inner.Hot >= 0 && OpensSubmenu(Inner.Items[static_cast<std::size_t>(Inner.Hot)]))
                OpenSubmenu(C, S, InnerLevel, Inner.Hot, true);
            else
                Choose(C, InnerLevel, Inner.Hot);
            break;
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
    auto L = std::make_unique<TMenuLevel>();
    L->Items = Menu.Items();
    Measure(C, *L);
    const int SW = ScreenWidth(), SH = ScreenHeight();
    L->X = ScreenX + L->Width > SW ? std::max(0, SW - L->Width) : ScreenX;
    L->Y = ScreenY + L->Height > SH ? std::max(0, ScreenY - L->Height) : ScreenY;
    if (!MakeWindow(C, *L, Menu.Name()))
        return;
    const ::Window Win = L->Win;
    S->Levels.push_back(std::move(L));

    // The click that opened the menu held a form's grab; the menu's grab replaces it. Pointer events over
    // the submenus' windows reach them as their own.
    C.Capture = nullptr;
    XGrabPointer(C.Dpy, Win, True, kMenuGrabEvents, GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime);
    XGrabKeyboard(C.Dpy, Win, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    S->Watch = new TMenuWatch(&Menu, C);
    C.Menu = std::move(S);
    Draw(C, *C.Menu->Levels.front());
    XFlush(C.Dpy);
}
