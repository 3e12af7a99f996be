// The headless backend where the native product relies on it: message processing inside a move handler, the
// pixels a form presents, and message boxes on standard error. (Its input and screen are exercised by the
// editor's behaviour suite.)
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

} // namespace

#endif
