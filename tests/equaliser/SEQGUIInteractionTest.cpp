// The editor under the mouse, as a user drives it through the window system: selection, drags, resets,
#ifdef MARVO_HEADLESS

// snapshots and the pop-up menus.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "SEQGUITestSupport.h"
#include "dsp/DDSPBase.h"
#include "platform/System.h"

namespace
{

class SEQGUIInteraction : public TEditorTest
{
protected:
    void Press(int X, int Y, TShiftState Shift = 0, TMouseButton B = TMouseButton::mbLeft)
    {
        HeadlessDriver::MouseDown(*Editor, B, Shift | (B == TMouseButton::mbLeft ? ssLeft : ssRight), X, Y);
    }
    // A move with the left button held; the pointer warp it causes is handled (or not) before it returns.
    void Drag(int X, int Y, TShiftState Shift = 0)
    {
        HeadlessDriver::SetShiftOfQueuedMoves(Shift | ssLeft);
        HeadlessDriver::MouseMove(*Editor, Shift | ssLeft, X, Y);
    }
    void Release(int X, int Y, TMouseButton B = TMouseButton::mbLeft)
    {
        HeadlessDriver::MouseUp(*Editor, B, 0, X, Y);
    }
    TPoint PointerInEditor() const { return Editor->ScreenToClient(GetPointerPos()); }
    bool CursorHidden() const { return Application().Cursor() == TCursor::crNone; }
};

TEST_F(SEQGUIInteraction, SelectorCellsRoundTiesToEven)
{
    const struct
    {
        int X, Y, Band;
    } Cases[] = {{3, 20, 2}, {10, 20, 5}, {3, 16, 2}, {3, 8, 0}, {3, 24, 2}, {3, 0, 0},
                 {3, 32, 4}, {3, 34, 4}, {10, 32, 3}, {10, 0, 7}, {15, 12, 6}, {7, 12, 1}};
    for (const auto& C : Cases)
    {
        Editor->SelectFilter(C.Band == 0 ? 7 : 0);
        Press(C.X, C.Y);
        Release(C.X, C.Y);
        EXPECT_EQ(Editor->SelectedFilter(), C.Band) << C.X << "," << C.Y;
        EXPECT_FALSE(CursorHidden());
    }
}

TEST_F(SEQGUIInteraction, DragStepsAccumulateAndPullThePointerBack)
{
    const TPoint Frequency{44, 8}, Bandwidth{99, 8}, Symmetry{99, 23}, Meter{128, 17};
    const struct
    {
        TPoint Centre;
        int Parameter;
        int dX, dY, Moves;
        TShiftState Shift;
        double Expected;
    } Cases[] = {
        {Frequency, 12, 10, 0, 5, 0, 1000.0 * std::sqrt(2.0)}, // 50 pixels right: half an octave
        {Frequency, 12, -20, 0, 5, ssCtrl, 1000.0 * std::pow(2.0, -0.1)},
        {Bandwidth, 14, 0, 5, 3, 0, 0.5 * std::pow(2.0, 0.15)}, // down widens
        {Symmetry, 15, 5, 0, 4, 0, 0.2},
        {Symmetry, 15, -25, 0, 4, 0, -1.0},                  // the handler limits the result
        {Meter, 32, 0, -10, 2, 0, 2.0},
    };
    for (const auto& C : Cases)
    {
        Module->SetParameterAutomated(12, 1000.0f);
        Module->SetParameterAutomated(13, 0.0f);
        Module->SetParameterAutomated(14, 0.5f);
        Module->SetParameterAutomated(15, 0.0f);
        Module->SetParameterAutomated(32, 0.0f);
        Press(C.Centre.X, C.Centre.Y, C.Shift);
        EXPECT_TRUE(CursorHidden());
        for (int i = 0; i < C.Moves; ++i)
        {
            Drag(C.Centre.X + C.dX, C.Centre.Y + C.dY, C.Shift);
            EXPECT_EQ(PointerInEditor().X, C.Centre.X);
            EXPECT_EQ(PointerInEditor().Y, C.Centre.Y);
        }
        EXPECT_NEAR(Module->Parameter(C.Parameter), C.Expected, 1e-4 * std::fabs(C.Expected) + 1e-5) << C.Parameter;
        Release(C.Centre.X, C.Centre.Y);
        EXPECT_FALSE(CursorHidden());
    }
}

TEST_F(SEQGUIInteraction, AMoveOutsideEveryPanelChangesNothing)
{
    const float Before = Module->Parameter(12);
    Press(44, 8);
    Drag(72, 8); // 28 pixels right of the frequency panel's centre: the gap between panels
    EXPECT_EQ(Module->Parameter(12), Before);
    EXPECT_EQ(PointerInEditor().X, 72);
    // Pressed on the selector (cursor visible), then dragged onto the gain panel: the gain follows.
    Release(72, 8);
    Press(3, 20);
    Drag(44, 20);
    EXPECT_NEAR(Module->Parameter(4 * 2 + 1), 0.3, 1e-6);
    EXPECT_FALSE(CursorHidden());
    Release(44, 23);
}

TEST_F(SEQGUIInteraction, OnlyTheLeftButtonDragsAndAnyReleaseShowsTheCursor)
{
    Press(44, 23, 0, TMouseButton::mbRight);
    EXPECT_TRUE(CursorHidden());
    HeadlessDriver::MouseMove(*Editor, ssRight, 44, 10);
    EXPECT_EQ(Module->Parameter(13), 0.0f);
    // Released far outside the window: the editor still sees it (capture) and shows the cursor.
    HeadlessDriver::MouseUp(*Editor, TMouseButton::mbRight, 0, 500, -300);
    EXPECT_FALSE(CursorHidden());
}

TEST_F(SEQGUIInteraction, ClosingTheEditorDuringADragShowsTheCursor)
{
    Press(44, 23);
    ASSERT_TRUE(CursorHidden());
    Host.Dispatch(effEditClose);
    EXPECT_FALSE(CursorHidden());
}

TEST_F(SEQGUIInteraction, OverviewSelectsTheNearestBandInHertzAndDragsItsFrequency)
{
    // 20 x 1000^(54/109) = 612.7 Hz: band 2 (320 Hz) is nearer in Hz, band 3 (1 kHz) in octaves.
    Set(8, 320.0f);
    Set(12, 1000.0f);
    Press(70, 32);
    EXPECT_EQ(Editor->SelectedFilter(), 2);
    EXPECT_FALSE(CursorHidden());
    Drag(90, 32);
    EXPECT_NEAR(Module->Parameter(8), 20.0 * std::pow(1000.0, 74.0 / 109.0), 0.05);
    EXPECT_EQ(Module->Parameter(9), 0.0f);
    EXPECT_EQ(PointerInEditor().X, 90);
    EXPECT_EQ(Editor->FrequencyText(), "2.18 kHz");
    Drag(90, 31); // one pixel up: +0.2 dB on the selected band
    EXPECT_NEAR(Module->Parameter(9), 0.2, 1e-6);
    Release(90, 32);
}

TEST_F(SEQGUIInteraction, ShiftRestoresDefaults)
{
    for (int i = 0; i < 33; ++i)
        Module->SetParameterAutomated(i, i % 4 == 0 ? 5000.0f : 0.7f);
    Editor->SelectFilter(7);
    const struct
    {
        int X, Y, Parameter;
        float Default;
    } Cases[] = {{44, 8, 28, 16000.0f}, {44, 23, 29, 0.0f}, {99, 8, 30, 0.5f}, {99, 23, 31, 1.0f}, {128, 17, 32, 0.0f}};
    for (const auto& C : Cases)
    {
        Press(C.X, C.Y, ssShift);
        Release(C.X, C.Y);
        EXPECT_EQ(Module->Parameter(C.Parameter), C.Default) << C.Parameter;
        EXPECT_FALSE(CursorHidden());
    }
    // Shift with the right button: the frequency still resets; on the meter the menu opens instead.
    Editor->SelectFilter(0);
    Press(44, 8, ssShift, TMouseButton::mbRight);
    EXPECT_EQ(Module->Parameter(0), 31.5f);
    Press(128, 17, ssShift, TMouseButton::mbRight);
    ASSERT_FALSE(HeadlessDriver::Popups().empty());
    EXPECT_EQ(HeadlessDriver::Popups().back().MenuName, "PUMeter");
    EXPECT_EQ(Module->Parameter(32), 0.0f);
}

TEST_F(SEQGUIInteraction, CtrlOnTheSelectorStoresAndRecallsSnapshots)
{
    Module->SetParameterAutomated(13, 5.0f);
    Press(3, 12, ssCtrl, TMouseButton::mbRight); // store into snapshot 1
    Module->SetParameterAutomated(13, -5.0f);
    Press(3, 12, ssCtrl); // recall 1; the present setting goes into snapshot 0
    EXPECT_EQ(Module->Parameter(13), 5.0f);
    EXPECT_EQ(Editor->GainText(), "5" + DecimalSeparator() + "00 dB");
    Press(3, 4, ssCtrl);
    EXPECT_EQ(Module->Parameter(13), -5.0f);
    EXPECT_EQ(Editor->SelectedFilter(), 3);
    EXPECT_TRUE(HeadlessDriver::Popups().empty());
}

TEST_F(SEQGUIInteraction, MenusSelectSwitchDisplaysAndStartAndStopTheMeter)
{
    HeadlessDriver::ChooseInNextPopup("MIFilterNr3");
    Press(3, 4, 0, TMouseButton::mbRight);
    EXPECT_EQ(Editor->SelectedFilter(), 2);
    EXPECT_TRUE(Editor->MenuItem("MIFilterNr3")->Checked());

    HeadlessDriver::ChooseInNextPopup("MINote");
    Press(44, 8, 0, TMouseButton::mbRight);
    EXPECT_TRUE(Editor->MenuItem("MINote")->Checked());
    EXPECT_FALSE(Editor->MenuItem("MIFrequency")->Checked());
    Editor->SelectFilter(3);
    EXPECT_EQ(Editor->FrequencyText(), "B5  -21");

    HeadlessDriver::ChooseInNextPopup("MIBlackWhiteScheme"); // disabled: nothing is chosen
    Press(70, 32, 0, TMouseButton::mbRight);
    EXPECT_TRUE(Editor->MenuItem("MIDefaultScheme")->Checked());

    HeadlessDriver::ChooseInNextPopup("MIMeterOff");
    Press(128, 17, ssRight, TMouseButton::mbRight);
    EXPECT_FALSE(Editor->Timer("GUITimer")->Enabled());
    EXPECT_TRUE(Editor->MenuItem("MIMeterOff")->Checked());
    HeadlessDriver::ChooseInNextPopup("MIOutput");
    Press(128, 17, ssRight, TMouseButton::mbRight);
    EXPECT_TRUE(Editor->Timer("GUITimer")->Enabled());
    EXPECT_FALSE(Editor->MenuItem("MIMeterOff")->Checked());
}

TEST_F(SEQGUIInteraction, TheTimerRedrawsTheMeterAndInvalidates)
{
    std::vector<float> Left(20000, 1.0f), Right(20000, 0.0f);
    Host.Process(Left, Right);
    Application().ProcessMessages();
    const TColor32 Before = HeadlessDriver::Pixel(*Editor, 127, 20);
    HeadlessDriver::AdvanceTime(40);
    Application().ProcessMessages();
    EXPECT_NE(HeadlessDriver::Pixel(*Editor, 127, 20), Before);
    EXPECT_EQ(HeadlessDriver::Pixel(*Editor, 128, 20), Background(128, 20)); // the silent channel
}

} // namespace

#endif // MARVO_HEADLESS
