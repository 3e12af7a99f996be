// What the headless backend lets tests drive and observe: input, the pointer, the cursor, paints, pop-ups,
// message boxes and dialogs.
#ifdef MARVO_HEADLESS

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/WindowProbe.h"
#include "platform/headless/HeadlessDriver.h"

namespace
{

class HeadlessDriverTest : public ::testing::Test
{
protected:
    HeadlessDriverTest()
        : Host(nullptr, Declaration(TFormBorderStyle::bsToolWindow, 131, 35)),
          Editor(nullptr, Declaration(TFormBorderStyle::bsNone, 131, 35))
    {
        HeadlessDriver::Reset();
        Host.SetBounds(200, 100, Host.Width(), Host.Height());
        Editor.SetParentWindow(Host.Handle());
        Editor.SetBounds(0, 0, 131, 35);
        Editor.Show();
        Host.Show();
        Application().ProcessMessages();
    }
    ~HeadlessDriverTest() override { HeadlessDriver::Reset(); }
    TForm Host;
    TForm Editor;
};

TEST_F(HeadlessDriverTest, MouseEventsCarryButtonShiftAndClientPosition)
{
    std::vector<std::string> Log;
    Editor.OnMouseDown = [&](TComponent*, TMouseButton B, TShiftState S, int X, int Y) {
        Log.push_back("down " + std::to_string(static_cast<int>(B)) + " " + std::to_string(S) + " " +
                      std::to_string(X) + "," + std::to_string(Y));
    };
    Editor.OnMouseMove = [&](TComponent*, TShiftState S, int X, int Y) {
        Log.push_back("move " + std::to_string(S) + " " + std::to_string(X) + "," + std::to_string(Y));
    };
    Editor.OnMouseUp = [&](TComponent*, TMouseButton B, TShiftState, int X, int Y) {
        Log.push_back("up " + std::to_string(static_cast<int>(B)) + " " + std::to_string(X) + "," + std::to_string(Y));
    };
    HeadlessDriver::MouseDown(Editor, TMouseButton::mbRight, ssRight | ssCtrl, 3, 20);
    HeadlessDriver::MouseMove(Editor, ssRight, 5, 21);
    HeadlessDriver::MouseUp(Editor, TMouseButton::mbRight, 0, 5, 21);
    EXPECT_EQ(Log, (std::vector<std::string>{"down 1 20 3,20", "move 16 5,21", "up 1 5,21"}));
    const TPoint P = GetPointerPos(), Expected = Editor.ClientToScreen({5, 21});
    EXPECT_EQ(P.X, Expected.X);
    EXPECT_EQ(P.Y, Expected.Y);
}

TEST_F(HeadlessDriverTest, PointerWarpArrivesAsOneMoveAtTheNextMessageProcessing)
{
    int Moves = 0;
    TPoint Last;
    Editor.OnMouseMove = [&](TComponent*, TShiftState, int X, int Y) {
        ++Moves;
        Last = {X, Y};
    };
    HeadlessDriver::SetShiftOfQueuedMoves(ssLeft);
    const TPoint Centre = Editor.ClientToScreen({44, 8});
    SetPointerPos(Centre.X + 3, Centre.Y);
    SetPointerPos(Centre.X, Centre.Y);
    EXPECT_EQ(Moves, 0) << "not synchronous";
    EXPECT_EQ(HeadlessDriver::PendingMessages(), 1);
    Application().ProcessMessages();
    EXPECT_EQ(Moves, 1);
    EXPECT_EQ(Last.X, 44);
    EXPECT_EQ(Last.Y, 8);
    Application().ProcessMessages();
    EXPECT_EQ(Moves, 1);
}

TEST_F(HeadlessDriverTest, AMoveHandlerThatDetachesItselfAndPumpsSeesNoNestedMove)
{
    int Depth = 0, MaxDepth = 0, Calls = 0;
    TMouseMoveEvent Handler;
    Handler = [&](TComponent*, TShiftState, int, int) {
        ++Calls;
        MaxDepth = std::max(MaxDepth, ++Depth);
        Editor.OnMouseMove = nullptr;
        const TPoint C = Editor.ClientToScreen({44, 8});
        SetPointerPos(C.X, C.Y);
        Application().ProcessMessages();
        Editor.OnMouseMove = Handler;
        --Depth;
    };
    Editor.OnMouseMove = Handler;
    HeadlessDriver::MouseMove(Editor, ssLeft, 50, 8);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(MaxDepth, 1);
}

TEST_F(HeadlessDriverTest, InjectedInputFollowsTheCaptureAndTheScreenShowsTheEmbeddedEditorAtItsPlace)
{
    // Host's client area is at (203, 119), 131 x 35; the editor covers 40 x 20 of it from (213, 124).
    Editor.SetBounds(10, 5, 40, 20);
    std::vector<std::uint32_t> Green(131 * 35, 0xFF00FF00u), Pattern(40 * 20); // the pattern without alpha
    for (int Y = 0; Y < 20; ++Y)
        for (int X = 0; X < 40; ++X)
            Pattern[static_cast<std::size_t>(Y) * 40 + X] = 0x800000u | static_cast<std::uint32_t>(Y << 8 | X);
    Host.OnPaint = [&](TComponent*) { Host.PaintBitmap(Green.data(), 131, 35, 131); };
    Editor.OnPaint = [&](TComponent*) { Editor.PaintBitmap(Pattern.data(), 40, 20, 40); };
    Host.Repaint();
    Editor.Repaint();

    std::vector<std::string> Log;
    auto Record = [&Log](TForm& F, std::string Name) {
        auto Line = [&Log, Name](const char* What, TShiftState S, int X, int Y) {
            Log.push_back(Name + " " + What + " " + std::to_string(S) + " " + std::to_string(X) + "," +
                          std::to_string(Y));
        };
        F.OnMouseDown = [Line](TComponent*, TMouseButton, TShiftState S, int X, int Y) { Line("down", S, X, Y); };
        F.OnMouseMove = [Line](TComponent*, TShiftState S, int X, int Y) { Line("move", S, X, Y); };
        F.OnMouseUp = [Line](TComponent*, TMouseButton, TShiftState S, int X, int Y) { Line("up", S, X, Y); };
    };
    Record(Host, "host");
    Record(Editor, "editor");
    InjectKey(TInjectedKey::ikCtrl, true);
    InjectPointerMove(217, 130);
    InjectMouseButton(TMouseButton::mbLeft, true);
    InjectPointerMove(5, 700); // outside every form
    InjectMouseButton(TMouseButton::mbLeft, false);
    InjectKey(TInjectedKey::ikCtrl, false);
    InjectPointerMove(6, 700); // released: nobody's
    InjectMouseButton(TMouseButton::mbRight, true);
    InjectMouseButton(TMouseButton::mbRight, false);
    InjectPointerMove(204, 120);
    EXPECT_EQ(Log, (std::vector<std::string>{"editor move 4 4,6", "editor down 12 4,6", "editor move 12 -208,576",
                                             "editor up 4 -208,576", "host move 0 1,1"}));
    EXPECT_EQ(GetPointerPos().X, 204);

    const auto Shown = CaptureScreen({200, 100, 340, 160});
    ASSERT_EQ(Shown.size(), 140u * 60u);
    struct
    {
        int X, Y;
        std::uint32_t Colour;
    } const Cases[] = {
        {213, 124, 0xFF800000u}, {252, 143, 0xFF801327u}, {230, 130, 0xFF800611u}, // the editor's pattern
        {212, 124, 0xFF00FF00u}, {253, 143, 0xFF00FF00u}, {213, 123, 0xFF00FF00u}, // the host's client around it
        {203, 119, 0xFF00FF00u}, {333, 153, 0xFF00FF00u},
        {202, 119, 0xFF000000u}, {210, 110, 0xFF000000u}, {334, 153, 0xFF000000u}, // frame, caption, outside
        {339, 159, 0xFF000000u},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Shown[static_cast<std::size_t>(C.Y - 100) * 140 + (C.X - 200)], C.Colour) << C.X << "," << C.Y;
    EXPECT_TRUE(CaptureScreen({10, 10, 10, 20}).empty());
}

TEST_F(HeadlessDriverTest, CursorIsTheApplicationsSetting)
{
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
    Application().SetCursor(TCursor::crNone);
    EXPECT_EQ(Application().Cursor(), TCursor::crNone);
    Application().SetCursor(TCursor::crDefault);
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
}

TEST_F(HeadlessDriverTest, InvalidatedShowingFormsPaintOnceAtTheNextMessageProcessing)
{
    int Paints = 0;
    Editor.OnPaint = [&](TComponent*) { ++Paints; };
    Editor.Invalidate();
    Editor.Invalidate();
    EXPECT_TRUE(HeadlessDriver::IsInvalidated(Editor));
    Application().ProcessMessages();
    EXPECT_EQ(Paints, 1);
    EXPECT_FALSE(HeadlessDriver::IsInvalidated(Editor));
    Host.Hide();
    Editor.Invalidate();
    Application().ProcessMessages();
    EXPECT_EQ(Paints, 1) << "a form inside a hidden window does not paint";
    Host.Show();
    Application().ProcessMessages();
    EXPECT_EQ(Paints, 2);
    Editor.Repaint();
    EXPECT_EQ(Paints, 3);
}

TEST_F(HeadlessDriverTest, PaintBitmapFillsTheClientAreaFromTheTopLeftCorner)
{
    std::vector<std::uint32_t> Pixels(140 * 40);
    for (int Y = 0; Y < 40; ++Y)
        for (int X = 0; X < 140; ++X)
            Pixels[static_cast<std::size_t>(Y) * 140 + X] = 0xFF000000u | static_cast<std::uint32_t>(Y << 8 | X);
    Editor.OnPaint = [&](TComponent*) { Editor.PaintBitmap(Pixels.data(), 131, 35, 140); };
    Editor.Repaint();
    EXPECT_EQ(HeadlessDriver::Pixel(Editor, 0, 0), 0xFF000000u);
    EXPECT_EQ(HeadlessDriver::Pixel(Editor, 130, 34), 0xFF000000u | (34u << 8) | 130u);
    EXPECT_EQ(HeadlessDriver::Pixel(Editor, 131, 0), 0u) << "outside the client area";
    Editor.PaintBitmap(Pixels.data(), 200, 50, 140 - 1); // stride below width: refused
    EXPECT_EQ(HeadlessDriver::Pixel(Editor, 1, 0), 0xFF000001u);
}

TEST_F(HeadlessDriverTest, PopupsAreRecordedAndATestCanChooseAnItem)
{
    TPopupMenu Menu(&Editor);
    Menu.SetName("PUFilterNr");
    std::vector<int> Chosen;
    for (int I = 0; I < 8; ++I)
    {
        TMenuItem* Item = Menu.Add("MIFilterNr" + std::to_string(I + 1), "Filter &" + std::to_string(I + 1));
        Item->SetTag(I);
        Item->SetRadioItem(true);
        Item->OnClick = [&](TComponent* S) { Chosen.push_back(S->Tag()); };
    }
    Menu.Popup(210, 130);
    HeadlessDriver::ChooseInNextPopup("mifilternr3");
    Menu.Popup(215, 131);
    Menu.Items()[4]->SetEnabled(false);
    HeadlessDriver::ChooseInNextPopup("MIFilterNr5");
    Menu.Popup(1, 2);
    const auto& P = HeadlessDriver::Popups();
    ASSERT_EQ(P.size(), 3u);
    EXPECT_EQ(P[0].MenuName, "PUFilterNr");
    EXPECT_EQ(P[0].X, 210);
    EXPECT_EQ(P[0].ChosenItemName, "");
    EXPECT_EQ(P[1].ChosenItemName, "MIFilterNr3");
    EXPECT_EQ(P[2].ChosenItemName, "") << "a disabled item cannot be chosen";
    EXPECT_EQ(Chosen, (std::vector<int>{2}));
}

TEST_F(HeadlessDriverTest, MessageBoxesAreRecordedAndWrittenToStandardError)
{
    ::testing::internal::CaptureStderr();
    Application().ShowException("preset file not for this plugin!");
    ShowMessageBox("two\nlines", "Caption");
    const std::string Err = ::testing::internal::GetCapturedStderr();
    const auto& Boxes = HeadlessDriver::MessageBoxes();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0].Text, "preset file not for this plugin!");
    EXPECT_EQ(Boxes[0].Caption, Application().Title());
    EXPECT_EQ(Boxes[1].Text, "two\nlines");
    EXPECT_EQ(Err, "[message box] Marvo: preset file not for this plugin!\n[message box] Caption: two lines\n");
}

TEST_F(HeadlessDriverTest, DialogsAnswerThePresetOnceThenCancel)
{
    HeadlessDriver::PresetNextDialogAnswer("/tmp/a.fxp");
    EXPECT_EQ(OpenFileDialog("Load", "/tmp", "Preset (*.fxp)|*.fxp|"), std::optional<std::string>("/tmp/a.fxp"));
    EXPECT_EQ(SaveFileDialog("Save", "", "Bank (*.fxb)|*.fxb|"), std::nullopt);
    const auto& D = HeadlessDriver::Dialogs();
    ASSERT_EQ(D.size(), 2u);
    EXPECT_FALSE(D[0].Save);
    EXPECT_EQ(D[0].Title, "Load");
    EXPECT_EQ(D[0].InitialDir, "/tmp");
    EXPECT_EQ(D[0].Filter, "Preset (*.fxp)|*.fxp|");
    EXPECT_TRUE(D[1].Save);
    EXPECT_EQ(D[1].Answer, std::nullopt);
}

TEST_F(HeadlessDriverTest, TimerTicksDoNotPileUpAndRunOnlyWhenMessagesAreProcessed)
{
    TTimer Timer(&Editor);
    Timer.SetInterval(40);
    int Ticks = 0;
    Timer.OnTimer = [&](TComponent*) { ++Ticks; };
    HeadlessDriver::AdvanceTime(39);
    Application().ProcessMessages();
    EXPECT_EQ(Ticks, 0);
    HeadlessDriver::AdvanceTime(1);
    HeadlessDriver::AdvanceTime(400);
    EXPECT_EQ(Ticks, 0);
    Application().ProcessMessages();
    EXPECT_EQ(Ticks, 1);
    Timer.SetEnabled(false);
    EXPECT_FALSE(HeadlessDriver::FireTimer(Timer));
    Timer.SetEnabled(true);
    EXPECT_TRUE(HeadlessDriver::FireTimer(Timer));
    EXPECT_EQ(Ticks, 2);
}

TEST_F(HeadlessDriverTest, EveryWindowIsListedAndFoundByHandle)
{
    auto* Label = new TLabel(&Host);
    Label->SetParent(&Host);
    const auto All = HeadlessDriver::Windows();
    EXPECT_NE(std::find(All.begin(), All.end(), &Editor), All.end());
    EXPECT_EQ(HeadlessDriver::FromHandle(Label->Handle()), Label);
    EXPECT_EQ(HeadlessDriver::FromHandle(reinterpret_cast<TNativeHandle>(0x1234)), nullptr);
    Editor.BringToFront();
    EXPECT_GT(HeadlessDriver::ZOrder(Editor), HeadlessDriver::ZOrder(Host));
    HeadlessDriver::PressCloseBox(Host);
    EXPECT_FALSE(Host.Visible());
    EXPECT_FALSE(Editor.Showing());
    EXPECT_TRUE(Editor.Visible());
}

} // namespace

#endif
