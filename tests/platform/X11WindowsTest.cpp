// What the X11 backend adds to the shared behaviour: forms embedded in another program's window by its id,
// the window manager's close request, the pop-up menus that the toolkit draws itself (and their submenus), the
// wheel, the screen's scale, and the window thread that runs a foreign host's editor calls.
#ifdef MARVO_X11

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/Exceptions.h"
#include "platform/TextRaster.h"
#include "platform/WindowProbe.h"
#include "platform/x11/X11Driver.h"
#include "platform/x11/X11MenuLayout.h"

namespace
{

using X11Driver::Settle;
using X11Driver::TForeignWindow;

TEST(X11Forms, AFormEmbeddedByIdSitsInTheForeignWindowAndOutlivesIt)
{
    TForeignWindow Host(200, 150, 300, 200);
    TForm F(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35));
    F.SetParentWindow(Host.Handle());
    F.Show();
    F.SetBounds(10, 20, 131, 35);
    LetTimePass(30);
    const std::vector<TNativeHandle> Inside = Host.Children();
    ASSERT_EQ(Inside.size(), 1u);
    EXPECT_EQ(Inside[0], F.Handle());
    const TRect R = Host.ScreenRect(Inside[0]);
    EXPECT_EQ(R.Left, 210);
    EXPECT_EQ(R.Top, 170);
    EXPECT_EQ(R.Width(), 131);
    EXPECT_EQ(R.Height(), 35);
    EXPECT_EQ(F.ClientToScreen({0, 0}).X, 210);
    EXPECT_EQ(F.ClientToScreen({0, 0}).Y, 170);

    Host.Destroy(); // the host closes its window before the plug-in's: the form's window goes with it
    LetTimePass(30);
    F.SetBounds(0, 0, 140, 40);
    std::vector<std::uint32_t> Pixels(140 * 40, 0xFF123456u);
    F.PaintBitmap(Pixels.data(), 140, 40, 140);
    F.Hide();
    LetTimePass(30);
    EXPECT_EQ(F.ClientWidth(), 140);
}

// A host may hand over its window as soon as it has flushed its requests; another connection's reparenting
// can reach the server first.
TEST(X11Forms, AFormIsEmbeddedInAForeignWindowTheServerHasNotMadeYet)
{
    constexpr int kHosts = 400;
    int Embedded = 0;
    for (int N = 0; N < kHosts; ++N)
    {
        TForm F(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35));
        TForeignWindow Host(0, 0, 200, 100, false);
        EXPECT_NO_THROW(F.SetParentWindow(Host.Handle()));
        Embedded += Host.Children() == std::vector<TNativeHandle>{F.Handle()} ? 1 : 0;
    }
    EXPECT_EQ(Embedded, kHosts);
}

TEST(X11Forms, AWindowIdThatNamesNoWindowIsRefusedAndTheFormStaysHidden)
{
    TForm F(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35));
    TForeignWindow Gone(0, 0, 10, 10);
    const TNativeHandle Stale = Gone.Handle();
    Gone.Destroy();
    EXPECT_THROW(F.SetParentWindow(Stale), EMarvoError);
    EXPECT_EQ(F.ParentWindow(), nullptr);
    EXPECT_FALSE(ProbeWindow(F.Handle())->Visible);
}

TEST(X11Forms, TheWindowManagersCloseRequestRunsTheCloseBox)
{
    TForm F(nullptr, Declaration(TFormBorderStyle::bsSingle, 100, 50));
    int Closes = 0;
    F.OnClose = [&](TComponent*) { ++Closes; };
    F.Show();
    LetTimePass(30);
    EXPECT_TRUE(RequestWindowClose(F.Handle())); // as the window manager's close button asks
    LetTimePass(50);
    EXPECT_EQ(Closes, 1);
    EXPECT_FALSE(F.Visible());
}

TEST(X11MenuCaptions, AnAmpersandMarksTheNextCharacterAndTwoShowOne)
{
    const struct
    {
        const char* Caption;
        const char* Shown;
        int Underline;
    } Cases[] = {{"&Frequency", "Frequency", 0},
                 {"Filter &3", "Filter 3", 7},
                 {"&Black && White Scheme", "Black & White Scheme", 0},
                 {"Off", "Off", -1},
                 {"A && B&", "A & B", -1},
                 {"&&&x", "&x", 1}};
    for (const auto& C : Cases)
    {
        int Underline = -2;
        EXPECT_EQ(X11MenuLayout::ShownCaption(C.Caption, Underline), C.Shown) << C.Caption;
        EXPECT_EQ(Underline, C.Underline) << C.Caption;
    }
}

class X11Menu : public ::testing::Test
{
protected:
    X11Menu() : Menu(nullptr)
    {
        Menu.SetName("PUMeter");
        Input = Radio("Input1", "&Input");
        Input->SetEnabled(false);
        Output = Radio("MIOutput", "&Output");
        Output->SetChecked(true);
        Menu.Add("N2", "-");
        Off = Radio("MIMeterOff", "O&ff");
        Scheme = Menu.Add("MIScheme", "&Scheme");
        Scheme->SetChecked(true);
        for (TMenuItem* I : Menu.Items())
            I->OnClick = [this](TComponent* S) { Chosen.push_back(S->Name()); };
    }
    TMenuItem* Radio(const char* Name, const char* Caption)
    {
        TMenuItem* I = Menu.Add(Name, Caption);
        I->SetRadioItem(true);
        I->SetAutoCheck(true);
        return I;
    }
    // Opens the menu at (300, 200) and answers its window.
    TWindowProbe Open()
    {
        InjectPointerMove(300, 200);
        Menu.Popup(300, 200);
        LetTimePass(30);
        std::vector<TWindowProbe> Found;
        for (const TWindowProbe& W : TopLevelWindows())
            if (W.ClassName == "MarvoMenu" && W.Visible)
                Found.push_back(W);
        if (Found.size() != 1)
            throw EMarvoError("expected one menu window, found " + std::to_string(Found.size()));
        return Found[0];
    }
    TPoint RowCentre(const TWindowProbe& W, int Index) const
    {
        const TRect R = X11MenuLayout::ItemRow(Menu.Items(), Index, W.Client.Width());
        return {W.Client.Left + 60, W.Client.Top + (R.Top + R.Bottom) / 2};
    }
    void Click(TPoint P)
    {
        InjectPointerMove(P.X, P.Y);
        LetTimePass(20);
        InjectMouseButton(TMouseButton::mbLeft, true);
        InjectMouseButton(TMouseButton::mbLeft, false);
        LetTimePass(30);
    }
    void PressKey(const char* Name)
    {
        X11Driver::PressKey(Name);
        LetTimePass(30);
    }
    bool MenuShown() const
    {
        for (const TWindowProbe& W : TopLevelWindows())
            if (W.ClassName == "MarvoMenu")
                return true;
        return false;
    }

    TPopupMenu Menu;
    TMenuItem *Input, *Output, *Off, *Scheme;
    std::vector<std::string> Chosen;
};

TEST_F(X11Menu, ItemsShowTheirMarksStateAndAcceleratorUnderline)
{
    const TWindowProbe W = Open();
    const std::vector<std::uint32_t> Shot = CaptureScreen(W.Client);
    const int Width = W.Client.Width();
    const auto Darkest = [&](int Index, int FromX, int ToX) {
        const TRect R = X11MenuLayout::ItemRow(Menu.Items(), Index, Width);
        unsigned Min = 255;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = FromX; x < ToX; ++x)
                Min = std::min(Min, Shot[static_cast<std::size_t>(y) * Width + x] & 0xFF);
        return Min;
    };
    const int Gutter = X11MenuLayout::kFrame + X11MenuLayout::kGutter, Right = Width - X11MenuLayout::kFrame;
    EXPECT_LT(Darkest(1, Gutter, Right), 0x30u) << "an enabled caption is black";
    EXPECT_GT(Darkest(0, Gutter, Right), 0x50u) << "a disabled caption is grey";
    EXPECT_LT(Darkest(1, X11MenuLayout::kFrame, Gutter), 0x30u) << "the checked radio item has its mark";
    EXPECT_LT(Darkest(4, X11MenuLayout::kFrame, Gutter), 0x30u) << "the checked plain item has its mark";
    EXPECT_EQ(Darkest(3, X11MenuLayout::kFrame, Gutter), 0xF0u) << "an unchecked item has none";
    const TRect Line = X11MenuLayout::ItemRow(Menu.Items(), 2, Width);
    EXPECT_EQ(Shot[static_cast<std::size_t>((Line.Top + Line.Bottom) / 2) * Width + Width / 2], SystemColorARGB(16))
        << "the separator's line";

    // "O&ff": one pixel row under the caption is dark exactly below the first "f".
    TTextRaster Raster;
    Raster.SetSize(X11MenuLayout::kTextPoints);
    const int From = Gutter + Raster.TextWidth(U"O"), To = Gutter + Raster.TextWidth(U"Of");
    const TRect R = X11MenuLayout::ItemRow(Menu.Items(), 3, Width);
    bool Underlined = false;
    for (int y = R.Top; y < R.Bottom && !Underlined; ++y)
    {
        const auto Ink = [&](int x) { return (Shot[static_cast<std::size_t>(y) * Width + x] & 0xFF) < 0x80; };
        bool Covered = true, Elsewhere = false;
        for (int x = From; x < To; ++x)
            Covered = Covered && Ink(x);
        for (int x = Gutter; x < From - 1; ++x)
            Elsewhere = Elsewhere || Ink(x);
        Underlined = Covered && !Elsewhere;
    }
    EXPECT_TRUE(Underlined);
    PressKey("Escape");
}

TEST_F(X11Menu, TheMouseChoosesEnabledItemsAndEscapeOrAClickOutsideClosesWithoutAChoice)
{
    const struct
    {
        const char* Way;
        int Row; // clicked, or -1 for Escape, -2 for a click outside
        bool StaysOpen;
        std::vector<std::string> Chosen;
    } Cases[] = {
        {"Escape", -1, false, {}},
        {"outside", -2, false, {}},
        {"disabled item", 0, true, {}},
        {"separator", 2, true, {}},
        {"enabled item", 3, false, {"MIMeterOff"}},
    };
    for (const auto& C : Cases)
    {
        SCOPED_TRACE(C.Way);
        Chosen.clear();
        const TWindowProbe W = Open();
        if (C.Row == -1)
            PressKey("Escape");
        else if (C.Row == -2)
            Click({W.Bounds.Left - 50, W.Bounds.Top - 50});
        else
            Click(RowCentre(W, C.Row));
        EXPECT_EQ(MenuShown(), C.StaysOpen);
        EXPECT_EQ(Chosen, C.Chosen);
        if (C.StaysOpen)
            PressKey("Escape");
        EXPECT_FALSE(MenuShown());
    }
    EXPECT_TRUE(Off->Checked());
    EXPECT_FALSE(Output->Checked());
}

TEST_F(X11Menu, AMenuFreedWhileOpenCloses)
{
    auto* Owner = new TForm(nullptr, Declaration(TFormBorderStyle::bsNone, 50, 20));
    auto* Owned = new TPopupMenu(Owner);
    Owned->Add("Only", "&Only")->OnClick = [this](TComponent*) { Chosen.push_back("Only"); };
    Owned->Popup(300, 200);
    LetTimePass(30);
    ASSERT_TRUE(MenuShown());
    const TPoint Item{300 + 60, 200 + X11MenuLayout::kFrame + X11MenuLayout::kItemHeight / 2};
    delete Owner; // with its menu
    LetTimePass(30);
    EXPECT_FALSE(MenuShown());
    Click(Item);
    EXPECT_TRUE(Chosen.empty());
}

// A menu with a "Zoom" item whose four radio sub-items open as a second window.
class X11Submenu : public ::testing::Test
{
protected:
    X11Submenu() : Menu(nullptr)
    {
        Menu.SetName("PUMeter");
        Menu.Add("MIOutput", "&Output");
        Zoom = Menu.Add("MIZoom", "&Zoom");
        Menu.Add("MIScheme", "&Scheme");
        for (int N = 1; N <= 4; ++N)
        {
            TMenuItem* I = Zoom->Add("MIZoom" + std::to_string(N), std::to_string(N) + "\u00d7");
            I->SetRadioItem(true);
            I->SetAutoCheck(true);
            I->OnClick = [this](TComponent* S) { Chosen.push_back(S->Name()); };
        }
        Zoom->Items()[0]->SetChecked(true);
    }
    static void Key(const char* Name) { X11Driver::PressKey(Name); Settle(); }
    static void MoveTo(TPoint P) { InjectPointerMove(P.X, P.Y); Settle(); }
    static void Click(TPoint P)
    {
        MoveTo(P);
        InjectMouseButton(TMouseButton::mbLeft, true);
        InjectMouseButton(TMouseButton::mbLeft, false);
        Settle();
    }
    // The menu window of that caption (the menu's name, or for a submenu its item's).
    static std::optional<TWindowProbe> Window(const std::string& Caption)
    {
        for (const TWindowProbe& W : TopLevelWindows())
            if (W.ClassName == "MarvoMenu" && W.Caption == Caption && W.Visible)
                return W;
        return std::nullopt;
    }
    static bool Shown(const std::string& Caption) { return Window(Caption).has_value(); }
    TWindowProbe Open(int X, int Y)
    {
        InjectPointerMove(X, Y);
        Menu.Popup(X, Y);
        Settle();
        return Window("PUMeter").value();
    }
    // An item's row on the screen, and a point on its caption.
    static TRect Row(const TWindowProbe& W, const std::vector<TMenuItem*>& Items, int Index)
    {
        const TRect R = X11MenuLayout::ItemRow(Items, Index, W.Client.Width());
        return {W.Client.Left + R.Left, W.Client.Top + R.Top, W.Client.Left + R.Right, W.Client.Top + R.Bottom};
    }
    static TPoint Centre(const TRect& R) { return {R.Left + 40, (R.Top + R.Bottom) / 2}; }

    TPopupMenu Menu;
    TMenuItem* Zoom;
    std::vector<std::string> Chosen;
};

TEST_F(X11Submenu, ASubItemChosenWithThePointerRunsItsHandlerMovesTheRadioCheckAndClosesBoth)
{
    const TWindowProbe W = Open(300, 200);
    const auto Dark = [&](int Index) {
        const std::vector<std::uint32_t> Shot = CaptureScreen(X11MenuLayout::ArrowBox(Row(W, Menu.Items(), Index)));
        return std::any_of(Shot.begin(), Shot.end(), [](std::uint32_t P) { return (P & 0xFF) < 0x40; });
    };
    EXPECT_TRUE(Dark(1)) << "the arrow of the item with sub-items";
    EXPECT_FALSE(Dark(0));

    MoveTo(Centre(Row(W, Menu.Items(), 1)));
    std::optional<TWindowProbe> Sub = Window("MIZoom");
    ASSERT_TRUE(Sub) << "pointing at the item opens its submenu";
    EXPECT_EQ(Sub->Client.Left, W.Client.Right);
    EXPECT_EQ(Sub->Client.Top, Row(W, Menu.Items(), 1).Top - X11MenuLayout::kFrame);
    MoveTo(Centre(Row(W, Menu.Items(), 2)));
    EXPECT_FALSE(Shown("MIZoom")) << "pointing at another item closes it";
    Click(Centre(Row(W, Menu.Items(), 1)));
    ASSERT_TRUE(Shown("MIZoom")) << "clicking the item opens it and chooses nothing";
    EXPECT_TRUE(Chosen.empty());

    Click(Centre(Row(*Sub, Zoom->Items(), 2)));
    EXPECT_EQ(Chosen, std::vector<std::string>{"MIZoom3"});
    EXPECT_FALSE(Shown("MIZoom"));
    EXPECT_FALSE(Shown("PUMeter"));
    EXPECT_TRUE(Zoom->Items()[2]->Checked());
    EXPECT_FALSE(Zoom->Items()[0]->Checked());
}

TEST_F(X11Submenu, LeftOrEscapeClosesTheSubmenuAloneAndAPressOutsideClosesBoth)
{
    const struct
    {
        const char* Way;
        bool MenuStays, SubmenuStays;
    } Cases[] = {
        {"Left", true, false},
        {"Escape", true, false},
        {"press outside", false, false},
        {"wheel outside", true, true},
    };
    for (const auto& C : Cases)
    {
        SCOPED_TRACE(C.Way);
        const TWindowProbe W = Open(300, 200);
        MoveTo(Centre(Row(W, Menu.Items(), 1)));
        ASSERT_TRUE(Shown("MIZoom"));
        const std::string Way = C.Way;
        if (Way == "press outside")
            Click({W.Client.Left - 50, W.Client.Top - 50});
        else if (Way == "wheel outside")
        {
            MoveTo({W.Client.Left - 50, W.Client.Top - 50});
            InjectWheel(1);
            Settle();
        }
        else
            Key(C.Way);
        EXPECT_EQ(Shown("PUMeter"), C.MenuStays);
        EXPECT_EQ(Shown("MIZoom"), C.SubmenuStays);
        EXPECT_TRUE(Chosen.empty());
        for (int I = 0; I < 3 && Shown("PUMeter"); ++I)
            Key("Escape");
    }
}

// In the screen's bottom-right corner the menu moves to fit, and its submenu opens left of it and higher.
TEST_F(X11Submenu, TheKeyboardOpensTheSubmenuAtItsFirstItemAndTheScreensEdgeMovesIt)
{
    for (const char* Opener : {"Right", "Return"})
    {
        SCOPED_TRACE(Opener);
        Chosen.clear();
        const TWindowProbe W = Open(ScreenWidth() - 10, ScreenHeight() - 10);
        Key("Down");
        Key("Down");
        Key(Opener);
        const std::optional<TWindowProbe> Sub = Window("MIZoom");
        ASSERT_TRUE(Sub);
        EXPECT_EQ(Sub->Client.Right, W.Client.Left);
        EXPECT_EQ(Sub->Client.Bottom, ScreenHeight());
        Key("Down");
        Key("Return");
        EXPECT_EQ(Chosen, std::vector<std::string>{"MIZoom2"});
        EXPECT_FALSE(Shown("PUMeter"));
    }
}

// The wheel reaches the form under the pointer (or the one that holds the capture) as notches of 120 with the
// shift state, and is never a click: no mouse down or up, and a capture goes on through it.
TEST(X11Input, TheWheelTurnsNotchesAtThePointerWithoutClicks)
{
    TForeignWindow Host(200, 150, 300, 200);
    TForm F(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35));
    F.SetParentWindow(Host.Handle());
    F.Show();
    F.SetBounds(10, 20, 131, 35);
    std::vector<std::string> Events;
    const auto Record = [&](const std::string& What, TShiftState Shift, int X, int Y) {
        Events.push_back(What + " " + std::to_string(X) + "," + std::to_string(Y) + (Shift & ssShift ? " shift" : "") +
                         (Shift & ssLeft ? " left" : ""));
    };
    F.OnMouseWheel = [&](TComponent*, TShiftState S, int Delta, int X, int Y) {
        Record("wheel " + std::to_string(Delta), S, X, Y);
    };
    F.OnMouseDown = [&](TComponent*, TMouseButton, TShiftState S, int X, int Y) { Record("down", S, X, Y); };
    F.OnMouseUp = [&](TComponent*, TMouseButton, TShiftState S, int X, int Y) { Record("up", S, X, Y); };
    Settle();

    InjectPointerMove(240, 180);
    InjectWheel(2);
    InjectKey(TInjectedKey::ikShift, true);
    InjectWheel(-1);
    InjectKey(TInjectedKey::ikShift, false);
    Settle();
    EXPECT_EQ(Events, (std::vector<std::string>{"wheel 120 30,10", "wheel 120 30,10", "wheel -120 30,10 shift"}));

    Events.clear();
    InjectMouseButton(TMouseButton::mbLeft, true);
    InjectWheel(1);
    InjectPointerMove(400, 180);
    InjectMouseButton(TMouseButton::mbLeft, false);
    Settle();
    EXPECT_EQ(Events, (std::vector<std::string>{"down 30,10 left", "wheel 120 30,10 left", "up 190,10"}));
}

// The screen's scale is the Xft.dpi resource as the server has it when asked: a change applies to the next
// editor without a new connection.
TEST(X11Screen, TheDisplayScaleIsTheXftDpiResourceOver96)
{
    struct TRestore
    {
        std::optional<std::string> Saved = X11Driver::ResourceManager();
        ~TRestore() { X11Driver::SetResourceManager(Saved); }
    } Restore;
    TForm F(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35));
    const struct
    {
        std::optional<std::string> Resources;
        double Scale;
    } Cases[] = {
        {"Xft.dpi:\t192\n", 2.0},
        {std::nullopt, 1.0},
        {"Xft.antialias:\t1\nXft.dpi:\t144 \nXft.hinting:\t1\n", 1.5},
        {"Xft.dpi:\t72\n", 1.0},
        {"Xft.dpi:\t192dpi\n", 1.0},
        {"Xcursor.size:\t48\n", 1.0},
    };
    for (const auto& C : Cases)
    {
        SCOPED_TRACE(C.Resources.value_or("(none)"));
        X11Driver::SetResourceManager(C.Resources);
        EXPECT_EQ(F.DisplayScale(), C.Scale);
    }
}

// Message boxes are kept only for an answerer that lives: a program that shows many keeps none of them.
TEST(X11MessageBoxes, AreKeptOnlyWhileAnAnswererLives)
{
    for (int I = 0; I < 100; ++I)
        ShowMessageBox("no answerer", "Unkept");
    EXPECT_EQ(X11Driver::KeptMessageBoxes(), 0u);
    {
        TMessageBoxAnswerer Answerer;
        ShowMessageBox("answered", "Kept");
        ASSERT_EQ(Answerer.Records().size(), 1u);
        EXPECT_EQ(Answerer.Records()[0].Text, "answered");
    }
    EXPECT_EQ(X11Driver::KeptMessageBoxes(), 0u);
}

// A foreign host's thread owns no windows of ours: its editor calls run on the toolkit's own window thread,
// whose timers and events go on while the host does nothing; a thread with windows of its own runs them itself.
TEST(X11WindowThread, RunsTheCallsOfThreadsWithoutWindowsAndKeepsTheirTimersGoing)
{
    std::thread::id Host, RanOn, Owner, OwnerRanOn;
    std::atomic<int> Ticks{0};
    bool Rethrown = false;
    std::thread([&] {
        Host = std::this_thread::get_id();
        TTimer* T = nullptr;
        RunInWindowThread([&] {
            RanOn = std::this_thread::get_id();
            T = new TTimer(nullptr);
            T->SetInterval(10);
            T->OnTimer = [&](TComponent*) { ++Ticks; };
        });
        SystemSleep(200); // no idle calls, no message processing here
        RunInWindowThread([&] { delete T; });
        try
        {
            RunInWindowThread([] { throw EMarvoError("not allowed"); });
        }
        catch (const EMarvoError&)
        {
            Rethrown = true;
        }
    }).join();
    std::thread([&] {
        TTimer Mine(nullptr); // this thread has a timer of ours: it is a window thread itself
        Owner = std::this_thread::get_id();
        RunInWindowThread([&] { OwnerRanOn = std::this_thread::get_id(); });
    }).join();
    EXPECT_NE(RanOn, Host);
    EXPECT_GE(Ticks.load(), 5);
    EXPECT_TRUE(Rethrown);
    EXPECT_EQ(OwnerRanOn, Owner);
}

// A caller whose call the window thread does not take up in time gets an error instead of waiting for ever,
// and its call never runs; the thread takes up later calls again once it is free.
TEST(X11WindowThread, ACallNotTakenUpInTimeFailsAndNeverRuns)
{
    std::atomic<bool> Busy{false}, Release{false}, LateRan{false};
    std::thread Holder([&] {
        RunInWindowThread([&] {
            Busy.store(true);
            Busy.notify_all();
            Release.wait(false);
        });
    });
    Busy.wait(false);
    bool Failed = false;
    std::thread([&] {
        try
        {
            RunInWindowThread([&] { LateRan.store(true); });
        }
        catch (const EMarvoError&)
        {
            Failed = true;
        }
    }).join();
    Release.store(true);
    Release.notify_all();
    Holder.join();
    bool Ran = false;
    std::thread([&] { RunInWindowThread([&] { Ran = true; }); }).join();
    EXPECT_TRUE(Failed);
    EXPECT_FALSE(LateRan.load());
    EXPECT_TRUE(Ran);
}

} // namespace

#endif // MARVO_X11
