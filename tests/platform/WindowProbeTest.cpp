// The window probe and the message box answerer on both backends: what the window system itself reports.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/WindowProbe.h"

namespace
{

std::optional<TWindowProbe> FindTopLevel(TNativeHandle Handle)
{
    for (const TWindowProbe& P : TopLevelWindows())
        if (P.Handle == Handle)
            return P;
    return std::nullopt;
}

TEST(WindowProbe, SeesAFormsCaptionOwnerVisibilityAndScreenRectangles)
{
    TForm Owner(nullptr, Declaration(TFormBorderStyle::bsSingle, 200, 100));
    TFormDeclaration D = Declaration(TFormBorderStyle::bsToolWindow, 131, 35);
    D.Caption = "Probe \xC3\x84";
    D.OwnerWindow = Owner.Handle();
    const TProcessResources Before = ProcessResources();
    auto F = std::make_unique<TForm>(nullptr, D);
    F->SetBounds(40, 50, F->Width(), F->Height());
    const TProcessResources After = ProcessResources();
    EXPECT_GE(After.Windows, Before.Windows + 1);
    EXPECT_GT(After.PrivateBytes, 0u);

    const auto Hidden = FindTopLevel(F->Handle());
    ASSERT_TRUE(Hidden) << "a hidden form is a top-level window too";
    EXPECT_EQ(Hidden->Caption, "Probe \xC3\x84");
#ifdef MARVO_HEADLESS
    EXPECT_EQ(Hidden->ClassName, "TForm");
#else
    EXPECT_EQ(Hidden->ClassName, "MarvoForm");
#endif
    EXPECT_EQ(Hidden->Owner, Owner.Handle());
    EXPECT_FALSE(Hidden->Visible);

    F->Show();
    F->SetCaption("Renamed");
    const auto Shown = ProbeWindow(F->Handle());
    ASSERT_TRUE(Shown);
    EXPECT_TRUE(Shown->Visible);
    EXPECT_EQ(Shown->Caption, "Renamed");
    EXPECT_EQ(Shown->Bounds.Left, F->Left());
    EXPECT_EQ(Shown->Bounds.Top, F->Top());
    EXPECT_EQ(Shown->Bounds.Width(), F->Width());
    EXPECT_EQ(Shown->Bounds.Height(), F->Height());
    const TPoint Origin = F->ClientToScreen({0, 0});
    EXPECT_EQ(Shown->Client.Left, Origin.X);
    EXPECT_EQ(Shown->Client.Top, Origin.Y);
    EXPECT_EQ(Shown->Client.Width(), 131);
    EXPECT_EQ(Shown->Client.Height(), 35);

    const TNativeHandle Gone = F->Handle();
    F.reset();
    EXPECT_FALSE(ProbeWindow(Gone));
    EXPECT_FALSE(FindTopLevel(Gone));
    EXPECT_FALSE(ProbeWindow(nullptr));
}

TEST(MessageBoxAnswerer, AnswersTheBoxesShownInItsLifeAndRecordsTheirTexts)
{
#ifdef MARVO_HEADLESS
    ShowMessageBox("before the answerer", "Not recorded");
#endif
    TMessageBoxAnswerer Answerer;
    ShowMessageBox("preset file not for this plugin!", "Marvo"); // on Win32 returns once answered
    ShowMessageBox("Index out of bounds", "Second box");
    const auto Records = Answerer.Records();
    ASSERT_EQ(Records.size(), 2u);
    EXPECT_EQ(Records[0].Text, "preset file not for this plugin!");
    EXPECT_EQ(Records[0].Caption, "Marvo");
    EXPECT_EQ(Records[1].Text, "Index out of bounds");
    EXPECT_EQ(Records[1].Caption, "Second box");
}

// The whole road of a user's click: the window system routes the injected events to the form under the
// pointer in client coordinates, with the held key and button, and the press captures the mouse.
TEST(SyntheticInput, AClickReachesTheFormUnderThePointerAndTheCursorHidesOverIt)
{
    TForm Form(nullptr, Declaration(TFormBorderStyle::bsToolWindow, 131, 35));
    std::vector<std::string> Log;
    auto Record = [&](const char* What, TShiftState S, int X, int Y) {
        Log.push_back(std::string(What) + " " + std::to_string(S & (ssShift | ssCtrl | ssLeft)) + " " +
                      std::to_string(X) + "," + std::to_string(Y));
    };
    Form.OnMouseDown = [&](TComponent*, TMouseButton B, TShiftState S, int X, int Y) {
        Record(B == TMouseButton::mbLeft ? "left down" : "other down", S, X, Y);
    };
    Form.OnMouseUp = [&](TComponent*, TMouseButton B, TShiftState S, int X, int Y) {
        Record(B == TMouseButton::mbLeft ? "left up" : "other up", S, X, Y);
    };
    Form.SetBounds(120, 140, Form.Width(), Form.Height());
    Form.Show();
    Form.BringToFront();
    LetTimePass(200);

    const TPoint Press = Form.ClientToScreen({17, 9}), Within = Form.ClientToScreen({60, 20}),
                 Release = Form.ClientToScreen({150, 9});
    InjectPointerMove(Press.X, Press.Y);
    LetTimePass(50);
    const TPoint Pointer = GetPointerPos();
    InjectKey(TInjectedKey::ikShift, true);
    InjectMouseButton(TMouseButton::mbLeft, true);
    LetTimePass(50);
    Application().SetCursor(TCursor::crNone);
    InjectPointerMove(Within.X, Within.Y); // the key stays held through moves
    LetTimePass(50);
    InjectPointerMove(Release.X, Release.Y); // outside the form: the capture keeps it
    LetTimePass(50);
    const bool ShowingInDrag = CursorShowing();
    InjectMouseButton(TMouseButton::mbLeft, false);
    InjectKey(TInjectedKey::ikShift, false);
    InjectPointerMove(Press.X, Press.Y);
    LetTimePass(50);
    const bool ShowingOverForm = CursorShowing();
    Application().SetCursor(TCursor::crDefault);
    LetTimePass(50);

    EXPECT_EQ(Pointer.X, Press.X);
    EXPECT_EQ(Pointer.Y, Press.Y);
    EXPECT_EQ(Log, (std::vector<std::string>{"left down 9 17,9", "left up 1 150,9"}));
    EXPECT_FALSE(ShowingInDrag);
    EXPECT_FALSE(ShowingOverForm);
    EXPECT_TRUE(CursorShowing());
}

} // namespace
