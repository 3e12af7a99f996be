// Under Wine, with real input (SendInput): a submenu of a pop-up menu chosen with the mouse, the wheel over an
// embedded form wherever the keyboard focus is, and the screen's scale at Wine's default 96 dpi.
#ifdef MARVO_WIN32

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/WindowProbe.h"

namespace
{

// [driver thread] A visible top-level window of this process that Match accepts, waited for up to a minute
// (the window thread may run under an emulator).
template <class F>
std::optional<TWindowProbe> Await(F Match)
{
    for (int i = 0; i < 6000; ++i)
    {
        for (const TWindowProbe& W : TopLevelWindows())
            if (W.Visible && Match(W))
                return W;
        SystemSleep(10);
    }
    return std::nullopt;
}

// [driver thread] A left click on the last item of a shown menu window.
void ClickLastItem(const TWindowProbe& Menu)
{
    InjectPointerMove((Menu.Client.Left + Menu.Client.Right) / 2, Menu.Client.Bottom - 6);
    InjectMouseButton(TMouseButton::mbLeft, true);
    InjectMouseButton(TMouseButton::mbLeft, false);
}

// [driver thread] Opens the submenu that is the menu's last item and chooses the submenu's last item;
// what went wrong, or "". On failure a click far away closes whatever menu is open.
std::string ChooseLastOfLastSubmenu()
{
    std::string Failure;
    const auto IsMenu = [](const TWindowProbe& W) { return W.ClassName == "#32768"; };
    if (const auto Menu = Await(IsMenu); !Menu)
        Failure = "no pop-up menu appeared";
    else
    {
        ClickLastItem(*Menu);
        const auto Sub = Await([&](const TWindowProbe& W) { return IsMenu(W) && W.Handle != Menu->Handle; });
        if (!Sub)
            Failure = "no submenu appeared";
        else
            ClickLastItem(*Sub);
    }
    if (!Failure.empty())
    {
        InjectPointerMove(1000, 760);
        InjectMouseButton(TMouseButton::mbLeft, true);
        InjectMouseButton(TMouseButton::mbLeft, false);
    }
    return Failure;
}

TEST(Win32Menus, ASubmenuItemChosenWithTheMouseRunsItsHandlerAndMovesTheRadioCheck)
{
    TPopupMenu Menu(nullptr);
    Menu.SetName("PUMeter");
    TMenuItem* Off = Menu.Add("MIMeterOff", "Off");
    Menu.Add("N1", "-");
    TMenuItem* Zoom = Menu.Add("MIZoom", "Zoom");
    TMenuItem* Z1 = Zoom->Add("MIZoom1", "1\u00D7");
    TMenuItem* Z2 = Zoom->Add("MIZoom2", "2\u00D7");
    Zoom->Add("N2", "-");
    TMenuItem* Z4 = Zoom->Add("MIZoom4", "4\u00D7");
    Z2->SetEnabled(false);
    std::vector<std::string> Clicked;
    for (TMenuItem* I : {Off, Zoom, Z1, Z2, Z4})
    {
        I->SetRadioItem(I != Off && I != Zoom);
        I->SetAutoCheck(true);
        I->OnClick = [&Clicked](TComponent* S) { Clicked.push_back(S->Name()); };
    }
    Z1->SetChecked(true);

    std::atomic<bool> Done{false};
    std::string Failure;
    std::thread Driver([&] {
        Failure = ChooseLastOfLastSubmenu();
        Done = true;
    });
    Menu.Popup(200, 150); // modal: the driver's clicks choose inside
    while (!Done)
        LetTimePass(10);
    Driver.join();
    LetTimePass(20);

    ASSERT_EQ(Failure, "");
    EXPECT_EQ(Clicked, std::vector<std::string>{"MIZoom4"});
    EXPECT_TRUE(Z4->Checked());
    EXPECT_FALSE(Z1->Checked());
    EXPECT_FALSE(Off->Checked());
}

// The wheel turned over an editor embedded in a window: it reaches the editor in its client coordinates
// whether the focus is on the host's window (a form of ours) or on a control of it (a system window that
// is not), and the host sees none of it.
TEST(Win32Wheel, TheWheelOverAnEmbeddedFormReachesItWhereverTheFocusIs)
{
    TForm Host(nullptr, Declaration(TFormBorderStyle::bsToolWindow, 300, 80));
    TForm Editor(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35));
    TTrackBar Track(&Host); // takes the wheel itself when it has the focus
    Track.SetParent(&Host);
    Track.SetBounds(150, 10, 120, 30);
    Track.SetRange(0, 100);
    Track.SetPosition(50);
    std::vector<std::string> EditorLog, HostLog;
    const auto Recorder = [](std::vector<std::string>& Log) {
        return [&Log](TComponent*, TShiftState S, int Delta, int X, int Y) {
            Log.push_back(std::to_string(Delta) + " " + std::to_string(S & (ssShift | ssCtrl)) + " " +
                          std::to_string(X) + "," + std::to_string(Y));
        };
    };
    Editor.OnMouseWheel = Recorder(EditorLog);
    Host.OnMouseWheel = Recorder(HostLog);
    Editor.SetParentWindow(Host.Handle());
    Editor.SetBounds(0, 40, 131, 35);
    Editor.Show();
    Host.SetBounds(200, 160, Host.Width(), Host.Height());
    Host.Show();
    Host.BringToFront();
    LetTimePass(200);

    // Real input; Capture: the left button went down on the editor at (5, 5) first and stays down.
    struct TCase
    {
        bool FocusOnControl;
        bool Capture;
        int Notches;
        bool Shift;
        TPoint At;
        std::string Expected;
    };
    const TCase Cases[] = {
        {false, false, 2, false, {17, 9}, "240 0 17,9"},
        {false, false, -1, true, {130, 0}, "-120 1 130,0"},
        {true, false, 1, false, {60, 20}, "120 0 60,20"},
        {true, false, -3, true, {0, 34}, "-360 1 0,34"},
        {false, true, 1, false, {40, -20}, "120 0 40,-20"}, // over the host's own area
    };
    for (const TCase& C : Cases)
    {
        Host.SetActiveControl(C.FocusOnControl ? &Track : nullptr);
        LetTimePass(20);
        if (C.Capture)
        {
            const TPoint Down = Editor.ClientToScreen({5, 5});
            InjectPointerMove(Down.X, Down.Y);
            InjectMouseButton(TMouseButton::mbLeft, true);
            LetTimePass(20);
        }
        const TPoint P = Editor.ClientToScreen(C.At);
        InjectPointerMove(P.X, P.Y);
        if (C.Shift)
            InjectKey(TInjectedKey::ikShift, true);
        LetTimePass(20);
        EditorLog.clear();
        InjectWheel(C.Notches);
        LetTimePass(50);
        if (C.Shift)
            InjectKey(TInjectedKey::ikShift, false);
        if (C.Capture)
            InjectMouseButton(TMouseButton::mbLeft, false);
        LetTimePass(20);
        EXPECT_EQ(EditorLog, std::vector<std::string>{C.Expected})
            << "focus on the control: " << C.FocusOnControl << ", capture: " << C.Capture;
    }
    EXPECT_EQ(HostLog, std::vector<std::string>{});
    EXPECT_EQ(Track.Position(), 50);

    // Where the system gives the wheel to the focus window: a wheel message (screen coordinates, the delta in
    // the high word, the keys' MK_* bits in the low one) reaching the host goes to the form under its point.
    constexpr unsigned kWheelMessage = 0x020A, kControlKey = 0x0008;
    const auto WheelMessageAt = [&](TPoint Screen, int Delta) {
        Host.SendMessage(kWheelMessage, (static_cast<std::uintptr_t>(Delta) & 0xFFFF) << 16 | kControlKey,
                         static_cast<std::intptr_t>((Screen.Y & 0xFFFF) << 16 | (Screen.X & 0xFFFF)));
    };
    EditorLog.clear();
    WheelMessageAt(Editor.ClientToScreen({3, 4}), -240);
    WheelMessageAt(Host.ClientToScreen({20, 10}), 120);
    EXPECT_EQ(EditorLog, std::vector<std::string>{"-240 4 3,4"});
    EXPECT_EQ(HostLog, std::vector<std::string>{"120 4 20,10"});
}

TEST(Win32Scale, AFormOnWinesDefault96DpiScreenHasScaleOne)
{
    TForm Form(nullptr, Declaration(TFormBorderStyle::bsToolWindow, 131, 35));
    EXPECT_EQ(Form.DisplayScale(), 1.0);
    Form.Show();
    LetTimePass(20);
    EXPECT_EQ(Form.DisplayScale(), 1.0);
}

} // namespace

#endif
