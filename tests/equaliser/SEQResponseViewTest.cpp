// The response view: where its plot puts grid, curve and handles, and what its mouse input writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "equaliser/SEQResponseView.h"
#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"
#include "SEQTestHost.h"
#include "support/Fnv1a.h"

namespace
{

constexpr int kLeft = 17, kRight = 123, kTop = 2, kBottom = 50; // the plot's pixels

int Brightness(TColor32 C)
{
    return RedComponent(C) + GreenComponent(C) + BlueComponent(C);
}

class ResponseView : public ::testing::Test
{
protected:
    ResponseView()
    {
        Module->SetAudioMaster(&TestHostCallback);
        Host.E = Module->Effect();
    }
    ~ResponseView() override { Host.Dispatch(effClose); }

    void Set(int Index, float Value) { Module->SetParameterAutomated(Index, Value); }
    // Band b's handle at the plot's pixel (X, Y).
    void PlaceHandle(int b, int X, int Y)
    {
        Set(4 * b, static_cast<float>(View.FrequencyAtX(X)));
        Set(4 * b + 1, static_cast<float>(View.GainAtY(Y)));
    }
    std::vector<float> Parameters() const
    {
        std::vector<float> v;
        for (int i = 0; i < TSmallEQModule::kParameterCount; ++i)
            v.push_back(Module->Parameter(i));
        return v;
    }
    // The row in column X where the curve (the darkest red) runs.
    static int CurveRow(const TBitmap32& B, int X)
    {
        int Row = kTop;
        for (int y = kTop; y <= kBottom; ++y)
            if (RedComponent(B.Pixel(X, y)) < RedComponent(B.Pixel(X, Row)))
                Row = y;
        return Row;
    }
    bool UnderAHandle(int X) const
    {
        for (int b = 0; b < TSmallEQModule::kBands; ++b)
            if (std::abs(View.HandleCentre(b).X - X) <= 5)
                return true;
        return false;
    }

    TFPUControlScope FPU;
    TSmallEQModule* Module = new TSmallEQModule(nullptr);
    THostView Host{};
    TResponseView View{Module};
    TResponseView Empty{nullptr};
};

TEST_F(ResponseView, GridLinesLieWhereTheMappingPutsThemAndWithoutAModuleThatIsAll)
{
    TBitmap32 Grid, Flat;
    Empty.Draw(Grid, 3);
    ASSERT_EQ(Grid.Width(), TResponseView::kWidth);
    ASSERT_EQ(Grid.Height(), TResponseView::kHeight);
    // A grid line is clearly darker than the plot two pixels beside it, on every row (column) it crosses.
    const auto Darker = [&](int x, int y, int dx, int dy) {
        const int Line = Brightness(Grid.Pixel(x, y));
        return Line + 24 < Brightness(Grid.Pixel(x - dx, y - dy)) && Line + 24 < Brightness(Grid.Pixel(x + dx, y + dy));
    };
    for (double Hz : {100.0, 1000.0, 10000.0})
    {
        const int x = RoundHalfEven(Empty.XOfFrequency(Hz));
        for (int y = kTop + 3; y <= kBottom - 3; y += 5)
            EXPECT_TRUE(Darker(x, y, 2, 0)) << Hz << " Hz, row " << y;
    }
    for (double dB : {-12.0, -6.0, 0.0, 6.0, 12.0})
    {
        const int y = RoundHalfEven(Empty.YOfGain(dB));
        for (int x = kLeft + 4; x <= kRight - 4; x += 7)
            if (std::abs(x - RoundHalfEven(Empty.XOfFrequency(1000))) > 2)
            {
                EXPECT_TRUE(Darker(x, y, 0, 2)) << dB << " dB, column " << x;
            }
    }
    EXPECT_EQ(Empty.XOfFrequency(20.0), kLeft);
    EXPECT_NEAR(Empty.XOfFrequency(20000.0), kRight, 1e-9);
    EXPECT_EQ(Empty.YOfGain(18.0), kTop);
    EXPECT_EQ(Empty.YOfGain(-18.0), kBottom);
    EXPECT_NEAR(Empty.FrequencyAtX(Empty.XOfFrequency(440.0)), 440.0, 1e-9);
    EXPECT_NEAR(Empty.GainAtY(Empty.YOfGain(-7.25)), -7.25, 1e-12);

    // Without a module the mouse does nothing.
    EXPECT_EQ(Empty.HandleAt(Empty.HandleCentre(0).X, Empty.HandleCentre(0).Y), -1);
    EXPECT_EQ(Empty.MouseDown(TMouseButton::mbLeft, 0, kLeft, 26), -1);
    EXPECT_FALSE(Empty.Dragging());
    EXPECT_FALSE(Empty.MouseMove(ssLeft, kLeft + 9, 20));
    EXPECT_EQ(Empty.MouseWheel(0, 120, kLeft, 26), -1);
}

TEST_F(ResponseView, FlatSettingDrawsTheCurveOnTheZeroRow)
{
    TBitmap32 Grid, Shown;
    Empty.Draw(Grid, 3);
    View.Draw(Shown, 3);
    const int Zero = RoundHalfEven(View.YOfGain(0.0));
    int Checked = 0;
    for (int x = kLeft; x <= kRight; ++x)
    {
        if (UnderAHandle(x))
            continue;
        ++Checked;
        EXPECT_EQ(CurveRow(Shown, x), Zero) << x;
        for (int y = kTop; y <= kBottom; ++y)
            if (y != Zero)
            {
                EXPECT_EQ(Shown.Pixel(x, y), Grid.Pixel(x, y)) << x << ", " << y;
            }
    }
    EXPECT_GT(Checked, 15);
}

TEST_F(ResponseView, CurveShowsTheBandsAndTheVolume)
{
    // A bell of +6 dB at 1 kHz with a volume of +6 dB peaks at +12 dB there.
    Set(12, 1000.0f);
    Set(13, 6.0f);
    Set(15, 0.0f);
    Set(TSmallEQModule::kVolumeIndex, 6.0f);
    TBitmap32 Shown;
    View.Draw(Shown, 0);
    const int Peak = RoundHalfEven(View.XOfFrequency(1000.0));
    EXPECT_EQ(CurveRow(Shown, Peak), RoundHalfEven(View.YOfGain(12.0)));
    for (int x = kLeft; x <= kRight; ++x)
        if (!UnderAHandle(x))
        {
            EXPECT_GE(CurveRow(Shown, x), CurveRow(Shown, Peak)) << x;
        }
    EXPECT_EQ(View.HandleCentre(3).Y, RoundHalfEven(View.YOfGain(6.0)));

    // Beyond the plot the curve runs along its edge.
    Set(13, 15.0f);
    Set(TSmallEQModule::kVolumeIndex, 15.0f);
    View.Draw(Shown, 0);
    EXPECT_EQ(CurveRow(Shown, Peak), kTop);
}

TEST_F(ResponseView, HandlesSitAtTheirBandsAndTheSelectedOneIsDark)
{
    // Within the cell and off the digit (which takes its middle columns) the fill shows.
    const auto Fill = [](const TBitmap32& B, TPoint C) { return Brightness(B.Pixel(C.X - 3, C.Y + 3)); };
    const int Gains[8] = {-15, -9, -3, 3, 9, 15, 0, -6};
    for (int b = 0; b < 8; ++b)
        Set(4 * b + 1, static_cast<float>(Gains[b]));
    for (int Selected : {0, 5})
    {
        TBitmap32 Shown;
        View.Draw(Shown, Selected);
        for (int b = 0; b < 8; ++b)
        {
            const TPoint C = View.HandleCentre(b);
            const double Y = std::min(std::max(View.YOfGain(Gains[b]), 2.0), 50.0);
            EXPECT_EQ(C.X, RoundHalfEven(View.XOfFrequency(Module->Parameter(4 * b)))) << b;
            EXPECT_EQ(C.Y, RoundHalfEven(Y)) << b;
            if (b == Selected)
            {
                EXPECT_LT(Fill(Shown, C), 300) << b;
            }
            else
            {
                EXPECT_GT(Fill(Shown, C), 600) << b;
            }
        }
    }
}

TEST_F(ResponseView, PressFindsTheNearestHandleWithinItsCell)
{
    PlaceHandle(0, 60, 20);
    PlaceHandle(1, 60, 20); // on top of band 0
    PlaceHandle(2, 66, 20);
    PlaceHandle(3, 100, 40);
    for (int b = 4; b < 8; ++b)
        PlaceHandle(b, 30, 44);
    const struct
    {
        int X, Y, Band;
    } Cases[] = {
        {60, 20, 0},  // a tie: the lower index
        {62, 23, 0},  // nearer to 0 (and 1) than to 2
        {64, 20, 2},  // nearer to 2
        {63, 20, 0},  // equally near: the lower index
        {104, 44, 3}, // the cell's corner
        {105, 40, -1}, // ... just beyond it
        {100, 35, -1},
        {85, 10, -1},
        {30, 44, 4},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(View.HandleAt(C.X, C.Y), C.Band) << C.X << ", " << C.Y;
}

TEST_F(ResponseView, DragMovesTheBandByTheMotion)
{
    const struct
    {
        TShiftState Shift;
        int dx, dy;
        double Step;
    } Cases[] = {{ssLeft, 10, -8, 1.0}, {ssLeft, -7, 5, 1.0}, {ssLeft | ssCtrl, 10, -8, 0.1}, {ssLeft, 0, 3, 1.0}};
    for (const auto& C : Cases)
    {
        Set(8, 500.0f);
        Set(9, 0.0f);
        const TPoint P = View.HandleCentre(2);
        const std::vector<float> Before = Parameters();
        ASSERT_EQ(View.MouseDown(TMouseButton::mbLeft, ssLeft | (C.Shift & ssCtrl), P.X, P.Y), 2);
        ASSERT_TRUE(View.Dragging());
        EXPECT_FALSE(View.MouseMove(0, P.X + C.dx, P.Y + C.dy)); // the button is not held
        EXPECT_TRUE(View.MouseMove(C.Shift, P.X + C.dx, P.Y + C.dy));
        EXPECT_FALSE(View.MouseMove(C.Shift, P.X + C.dx, P.Y + C.dy)); // no motion since
        const double f = 500.0 * std::pow(1000.0, C.Step * C.dx / 106.0);
        const double g = -C.Step * C.dy * 36.0 / 48.0;
        std::vector<float> Expected = Before;
        Expected[8] = static_cast<float>(f);
        Expected[9] = static_cast<float>(g);
        const std::vector<float> After = Parameters();
        for (int i = 0; i < TSmallEQModule::kParameterCount; ++i)
            EXPECT_NEAR(After[i], Expected[i], 2e-6 * std::fabs(Expected[i]) + 1e-6) << i;
        View.MouseUp();
        EXPECT_FALSE(View.Dragging());
        EXPECT_FALSE(View.MouseMove(C.Shift, P.X, P.Y));
    }
    // The handlers keep the ranges; the next motion starts from what they kept.
    Set(9, 14.0f);
    const TPoint P = View.HandleCentre(2);
    View.MouseDown(TMouseButton::mbLeft, 0, P.X, P.Y);
    View.MouseMove(ssLeft, P.X, P.Y - 8);
    EXPECT_EQ(Module->Parameter(9), 15.0f);
    View.MouseMove(ssLeft, P.X, P.Y - 4);
    EXPECT_EQ(Module->Parameter(9), 12.0f);
}

TEST_F(ResponseView, ShiftPressResetsTheGainAndOtherButtonsOnlySelect)
{
    Set(17, -9.0f);
    const TPoint P = View.HandleCentre(4);
    const struct
    {
        TMouseButton Button;
        TShiftState Shift;
        float Gain;
    } Cases[] = {{TMouseButton::mbRight, ssRight, -9.0f}, {TMouseButton::mbLeft, ssShift | ssLeft, 0.0f}};
    for (const auto& C : Cases)
    {
        EXPECT_EQ(View.MouseDown(C.Button, C.Shift, P.X, P.Y), 4);
        EXPECT_FALSE(View.Dragging());
        EXPECT_EQ(Module->Parameter(17), C.Gain);
    }
    EXPECT_EQ(View.MouseDown(TMouseButton::mbLeft, ssShift, P.X, P.Y + 20), -1);
}

TEST_F(ResponseView, WheelChangesOnlyTheBandwidth)
{
    const TPoint P = View.HandleCentre(6);
    const struct
    {
        float Control;
        TShiftState Shift;
        int Delta;
        double Expected;
    } Cases[] = {
        {0.5f, 0, 120, 0.5 * std::exp2(-0.1)},        {0.5f, 0, -360, 0.5 * std::exp2(0.3)},
        {0.5f, ssCtrl, 240, 0.5 * std::exp2(-0.02)},  {0.98f, 0, -120, 1.0},
        {0.0f, 0, -120, 0.01 * std::exp2(0.1)},       {0.0f, 0, 120, 0.0},
    };
    for (const auto& C : Cases)
    {
        Set(26, C.Control);
        const std::vector<float> Before = Parameters();
        EXPECT_EQ(View.MouseWheel(C.Shift, C.Delta, P.X + 1, P.Y - 2), 6);
        std::vector<float> Expected = Before;
        Expected[26] = static_cast<float>(C.Expected);
        const std::vector<float> After = Parameters();
        for (int i = 0; i < TSmallEQModule::kParameterCount; ++i)
            EXPECT_NEAR(After[i], Expected[i], 1e-6) << C.Control << " " << C.Delta << ": " << i;
    }
    const std::vector<float> Before = Parameters();
    EXPECT_EQ(View.MouseWheel(0, 120, P.X, P.Y + 10), -1);
    EXPECT_EQ(Parameters(), Before);
}

TEST_F(ResponseView, PixelsAreTheSameOnEveryDrawAndInEveryBuild)
{
    const float Setting[][2] = {{0, 60}, {1, -12}, {4, 250}, {5, 9}, {13, 12}, {14, 0.3f}, {15, 0.6f}, {21, -6}, {28, 14000}, {29, 5}, {32, -3}};
    for (const auto& S : Setting)
        Set(static_cast<int>(S[0]), S[1]);
    TBitmap32 First, Second;
    Second.SetSize(7, 3);
    Second.Clear(0xFF123456);
    View.Draw(First, 1);
    View.Draw(Second, 1);
    TFnv1a64 Digest;
    for (int y = 0; y < First.Height(); ++y)
        for (int x = 0; x < First.Width(); ++x)
        {
            ASSERT_EQ(First.Pixel(x, y), Second.Pixel(x, y)) << x << ", " << y;
            Digest.Add(First.Pixel(x, y));
        }
    EXPECT_EQ(Digest.Hash, 15117623488992500382ull);
}

} // namespace
