// Under Wine, with real input (SendInput): a submenu chosen with the mouse, and the wheel over an embedded form.
#ifdef MARVO_WIN32

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "PlatformTestSupport.h"
#include "platform/WindowProbe.h"

namespace
{

// [driver thread] Clicks the last item of a shown menu window other than Except, waited for up to a minute
// (the window thread may run under an emulator); the menu's handle, or null.
TNativeHandle ClickLastItemOfMenu(TNativeHandle Except)
{
    for (int i = 0; i < 6000; ++i, SystemSleep(10))
        for (const TWindowProbe& M : TopLevelWindows())
            if (M.Visible && M.ClassName == "#32768" && M.Handle != Except)
            {
                InjectPointerMove((M.Client.Left + M.Client.Right) / 2, M.Client.Bottom - 6);
                InjectMouseButton(TMouseButton::mbLeft, true);
                InjectMouseButton(TMouseButton::mbLeft, false);
                return M.Handle;
            }
    InjectPointerMove(1000, 760); // a click far away closes whatever is open
    InjectMouseButton(TMouseButton::mbLeft, true);
    InjectMouseButton(TMouseButton::mbLeft, false);
    return nullptr;
}

TEST(Win32Menus, ASubmenuItemChosenWithTheMouseRunsItsHandlerAndMovesTheRadioCheck)
{
    TPopupMenu Menu(nullptr);
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
        I->SetRadioItem(I != Off);
        I->SetAutoCheck(true);
        I->OnClick = [&Clicked](TComponent* S) { Clicked.push_back(S->Name()); };
    }
    Z1->SetChecked(true);

    std::atomic<bool> Done{false};
    bool Chosen = false;
    std::thread Driver([&] {
        const TNativeHandle Top = ClickLastItemOfMenu(nullptr);
        Chosen = Top && ClickLastItemOfMenu(Top);
        Done = true;
    });
    Menu.Popup(200, 150); // modal: the driver's clicks choose inside
    while (!Done)
        LetTimePass(10);
    Driver.join();
    LetTimePass(20);
    ASSERT_TRUE(Chosen) << "no menu or no submenu appeared";
    EXPECT_EQ(Clicked, std::vector<std::string>{"MIZoom4"});
    EXPECT_TRUE(Z4->Checked());
    EXPECT_FALSE(Z1->Checked());
}

// The editor gets the wheel in its client coordinates, also while it holds the capture with the pointer
// outside it; a wheel message reaching the host (where the system gives it to the focus window) goes to the
// form under its point.
TEST(Win32Wheel, TheWheelReachesTheFormUnderThePointerOrHoldingTheCapture)
{
    TForm Host(nullptr, Declaration(TFormBorderStyle::bsToolWindow, 300, 80));
    TForm Editor(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35));
    std::vector<std::string> Log; // "form delta shift x,y"
    for (TForm* F : {&Host, &Editor})
        F->OnMouseWheel = [&Log, F, &Host](TComponent*, TShiftState S, int Delta, int X, int Y) {
            Log.push_back(std::string(F == &Host ? "host " : "editor ") + std::to_string(Delta) + " " +
                          std::to_string(S & (ssShift | ssCtrl)) + " " + std::to_string(X) + "," + std::to_string(Y));
        };
    Editor.SetParentWindow(Host.Handle());
    Editor.SetBounds(0, 40, 131, 35);
    Editor.Show();
    Host.SetBounds(200, 160, Host.Width(), Host.Height());
    Host.Show();
    LetTimePass(200);

    // Capture: the left button went down on the editor at (5, 5) first.
    const struct { bool Capture; int Notches; TPoint At; } Cases[] = {{false, 2, {17, 9}}, {false, -3, {130, 34}},
                                                                      {true, 1, {40, -20}}};
    for (const auto& C : Cases)
    {
        const TPoint Down = Editor.ClientToScreen({5, 5}), P = Editor.ClientToScreen(C.At);
        InjectPointerMove(Down.X, Down.Y);
        if (C.Capture)
            InjectMouseButton(TMouseButton::mbLeft, true);
        InjectPointerMove(P.X, P.Y);
        LetTimePass(20);
        InjectWheel(C.Notches);
        LetTimePass(50);
        if (C.Capture)
            InjectMouseButton(TMouseButton::mbLeft, false);
        LetTimePass(20);
    }
    // Wheel messages sent to the host: the delta in the high word, the MK_* keys (here Ctrl) in the low one.
    for (const TPoint P : {Editor.ClientToScreen({3, 4}), Host.ClientToScreen({20, 10})})
        Host.SendMessage(0x020A, static_cast<std::uintptr_t>(-240 & 0xFFFF) << 16 | 0x0008,
                         static_cast<std::intptr_t>((P.Y & 0xFFFF) << 16 | (P.X & 0xFFFF)));
    EXPECT_EQ(Log, (std::vector<std::string>{"editor 240 0 17,9", "editor -360 0 130,34", "editor 120 0 40,-20",
                                             "editor -240 4 3,4", "host -240 4 20,10"}));
}

// Wine's default 96 dpi, or what the run that sets the prefix's LogPixels expects.
TEST(Win32Scale, AFormAnswersTheScreensDpiOver96)
{
    const char* Expected = std::getenv("MARVO_EXPECTED_DISPLAY_SCALE");
    TForm Form(nullptr, Declaration(TFormBorderStyle::bsToolWindow, 131, 35));
    EXPECT_EQ(Form.DisplayScale(), Expected ? std::atof(Expected) : 1.0);
}

} // namespace

#endif
