// The response view: where its plot puts grid, curve and handles, and what its mouse input writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "equaliser/SEQResponseView.h"
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
    ResponseView() { Module->SetAudioMaster(&VersionOnlyHost), Host.E = Module->Effect(); }
    ~ResponseView() override { Host.Dispatch(effClose); }

    void Set(int Index, float Value) { Module->SetParameterAutomated(Index, Value); }
    void PlaceHandle(int b, int X, int Y)
    {
        Set(4 * b, static_cast<float>(View.FrequencyAtX(X))), Set(4 * b + 1, static_cast<float>(View.GainAtY(Y)));
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
            Row = RedComponent(B.Pixel(X, y)) < RedComponent(B.Pixel(X, Row)) ? y : Row;
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
    TBitmap32 Grid;
    Empty.Draw(Grid, 3);
    // A grid line is clearly darker than the plot two pixels to either side, wherever it runs.
    const auto Darker = [&](int x, int y, int dx, int dy) {
        const int Line = Brightness(Grid.Pixel(x, y)) + 24;
        return Line < Brightness(Grid.Pixel(x - dx, y - dy)) && Line < Brightness(Grid.Pixel(x + dx, y + dy));
    };
    const int Middle = RoundHalfEven(Empty.XOfFrequency(1000.0));
    for (double Hz : {100.0, 1000.0, 10000.0})
        for (int y = kTop + 3; y <= kBottom - 3; y += 5)
            EXPECT_TRUE(Darker(RoundHalfEven(Empty.XOfFrequency(Hz)), y, 2, 0)) << Hz << " Hz, row " << y;
    for (double dB : {-12.0, -6.0, 0.0, 6.0, 12.0})
        for (int x = kLeft + 4; x <= kRight - 4; x += 7)
            EXPECT_TRUE(std::abs(x - Middle) <= 2 || Darker(x, RoundHalfEven(Empty.YOfGain(dB)), 0, 2)) << dB << ", " << x;
    EXPECT_TRUE(Empty.XOfFrequency(20.0) == kLeft && std::fabs(Empty.XOfFrequency(20000.0) - kRight) < 1e-9);
    EXPECT_TRUE(Empty.YOfGain(18.0) == kTop && Empty.YOfGain(-18.0) == kBottom);

    const TPoint P = Empty.HandleCentre(0);
    EXPECT_EQ(Empty.HandleAt(P.X, P.Y), -1);
    EXPECT_TRUE(Empty.MouseDown(TMouseButton::mbLeft, ssLeft, P.X, P.Y) == -1 && !Empty.MouseMove(ssLeft, P.X + 9, P.Y));
    EXPECT_EQ(Empty.MouseWheel(0, 120, P.X, P.Y), -1);
}

TEST_F(ResponseView, CurveIsTheProductOfTheBandsAndTheVolumeClippedToThePlot)
{
    // Flat: the curve runs on the 0 dB row and nothing else differs from the grid.
    TBitmap32 Grid, Shown;
    Empty.Draw(Grid, 3);
    View.Draw(Shown, 3);
    const int Zero = RoundHalfEven(View.YOfGain(0.0));
    for (int x = kLeft; x <= kRight; ++x)
        for (int y = kTop; y <= kBottom && !UnderAHandle(x); ++y)
            EXPECT_EQ(Shown.Pixel(x, y) != Grid.Pixel(x, y), y == Zero) << x << ", " << y;

    // A bell of +6 dB at 1 kHz and a volume of +6 dB peak at +12 dB there.
    Set(12, 1000.0f), Set(13, 6.0f), Set(15, 0.0f), Set(TSmallEQModule::kVolumeIndex, 6.0f);
    View.Draw(Shown, 0);
    const int Peak = RoundHalfEven(View.XOfFrequency(1000.0));
    EXPECT_EQ(CurveRow(Shown, Peak), RoundHalfEven(View.YOfGain(12.0)));
    for (int x = kLeft; x <= kRight; ++x)
        EXPECT_TRUE(UnderAHandle(x) || CurveRow(Shown, x) >= CurveRow(Shown, Peak)) << x;

    // Band 1 is a low shelf: at 20 Hz it adds to the volume beyond the plot.
    for (float Sign : {1.0f, -1.0f})
    {
        Set(1, 15.0f * Sign), Set(TSmallEQModule::kVolumeIndex, 15.0f * Sign);
        View.Draw(Shown, 0);
        EXPECT_EQ(CurveRow(Shown, kLeft), Sign > 0 ? kTop : kBottom);
    }
}

TEST_F(ResponseView, HandlesSitAtTheirBandsAndTheSelectedOneIsDark)
{
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
            EXPECT_EQ(C.X, RoundHalfEven(View.XOfFrequency(Module->Parameter(4 * b)))) << b;
            EXPECT_EQ(C.Y, RoundHalfEven(std::min(std::max(View.YOfGain(Gains[b]), 2.0), 50.0))) << b;
            // Inside the cell and off its digit the fill shows.
            const int Fill = Brightness(Shown.Pixel(C.X - 3, C.Y + 3));
            EXPECT_TRUE(b == Selected ? Fill < 300 : Fill > 600) << b << " of " << Selected;
        }
    }
}

TEST_F(ResponseView, PressFindsTheNearestHandleWithinItsCell)
{
    const int Places[8][2] = {{60, 20}, {60, 20}, {66, 20}, {100, 40}, {30, 44}, {30, 44}, {30, 44}, {30, 44}};
    for (int b = 0; b < 8; ++b)
        PlaceHandle(b, Places[b][0], Places[b][1]);
    const struct
    {
        int X, Y, Band;
    } Cases[] = {{60, 20, 0}, {62, 23, 0}, {64, 20, 2}, {63, 20, 0}, {104, 44, 3},
                 {105, 40, -1}, {100, 35, -1}, {85, 10, -1}, {30, 44, 4}};
    for (const auto& C : Cases)
        EXPECT_EQ(View.HandleAt(C.X, C.Y), C.Band) << C.X << ", " << C.Y;
}

// Band 2 at 500 Hz, -9 dB, control 0.5 (or Control); each action changes the listed parameters only.
TEST_F(ResponseView, MouseMovesTheBandAsComputed)
{
    using TAction = std::function<void(TResponseView&, TPoint)>;
    const auto Drag = [](TShiftState Shift, int dx, int dy) -> TAction {
        return [=](TResponseView& V, TPoint P) {
            ASSERT_EQ(V.MouseDown(TMouseButton::mbLeft, ssLeft | (Shift & ssCtrl), P.X, P.Y), 2);
            EXPECT_FALSE(V.MouseMove(Shift & ~ssLeft, P.X + dx, P.Y + dy)); // the button is not held
            EXPECT_TRUE(V.MouseMove(Shift, P.X + dx, P.Y + dy));
            EXPECT_FALSE(V.MouseMove(Shift, P.X + dx, P.Y + dy)); // no motion since
            V.MouseUp();
            EXPECT_FALSE(V.MouseMove(Shift, P.X, P.Y));
        };
    };
    const auto Press = [](TMouseButton Button, TShiftState Shift) -> TAction {
        return [=](TResponseView& V, TPoint P) { EXPECT_TRUE(V.MouseDown(Button, Shift, P.X, P.Y) == 2 && !V.Dragging()); };
    };
    const auto Wheel = [](TShiftState Shift, int Delta, int Band = 2) -> TAction {
        return [=](TResponseView& V, TPoint P) { EXPECT_EQ(V.MouseWheel(Shift, Delta, P.X + 1, P.Y - 2 + (Band < 0) * 8), Band); };
    };
    const auto F = [](double Pixels) { return 500.0 * std::pow(1000.0, Pixels / 106.0); };
    const struct
    {
        float Control;
        TAction Action;
        std::vector<std::pair<int, double>> Changed;
    } Cases[] = {
        {0.5f, Drag(ssLeft, 10, -8), {{8, F(10)}, {9, -3.0}}},
        {0.5f, Drag(ssLeft, -7, 5), {{8, F(-7)}, {9, -12.75}}},
        {0.5f, Drag(ssLeft | ssCtrl, 10, -8), {{8, F(1)}, {9, -8.4}}},
        {0.5f, Drag(ssLeft, 0, -32), {{9, 15.0}}}, // the handler keeps the range
        {0.5f, Press(TMouseButton::mbLeft, ssShift | ssLeft), {{9, 0.0}}},
        {0.5f, Press(TMouseButton::mbRight, ssRight), {}},
        {0.5f, Wheel(0, 120), {{10, 0.5 * std::exp2(-0.1)}}},
        {0.5f, Wheel(0, -360), {{10, 0.5 * std::exp2(0.3)}}},
        {0.5f, Wheel(ssCtrl, 240), {{10, 0.5 * std::exp2(-0.02)}}},
        {0.98f, Wheel(0, -120), {{10, 1.0}}},
        {0.0f, Wheel(0, -120), {{10, 0.01 * std::exp2(0.1)}}}, // a band at 0 can widen again
        {0.0f, Wheel(0, 120), {}},
        {0.5f, Wheel(0, 120, -1), {}},
    };
    for (std::size_t c = 0; c < std::size(Cases); ++c)
    {
        Set(8, 500.0f), Set(9, -9.0f), Set(10, Cases[c].Control);
        std::vector<float> Expected = Parameters();
        for (auto [Index, Value] : Cases[c].Changed)
            Expected[Index] = static_cast<float>(Value);
        Cases[c].Action(View, View.HandleCentre(2));
        const std::vector<float> After = Parameters();
        for (int i = 0; i < TSmallEQModule::kParameterCount; ++i)
            EXPECT_NEAR(After[i], Expected[i], 2e-6 * std::fabs(Expected[i]) + 1e-6) << "case " << c << ", " << i;
    }
}

TEST_F(ResponseView, PixelsAreTheSameOnEveryDrawAndInEveryBuildForTheSameSystemColours)
{
    for (auto [Index, Value] : std::vector<std::pair<int, float>>{
             {0, 60}, {1, -12}, {4, 250}, {5, 9}, {13, 12}, {14, 0.3f}, {15, 0.6f}, {21, -6}, {28, 14000}, {29, 5}, {32, -3}})
        Set(Index, Value);
    TBitmap32 First, Second;
    Second.SetSize(7, 3), Second.Clear(0xFF123456);
    View.Draw(First, 1);
    View.Draw(Second, 1);
    const int Count = First.Width() * First.Height();
    ASSERT_TRUE(Second.Width() == TResponseView::kWidth && Second.Height() == TResponseView::kHeight);
    EXPECT_TRUE(std::equal(First.Bits(), First.Bits() + Count, Second.Bits()));
    TFnv1a64 Digest;
    for (int i = 0; i < Count; ++i)
        Digest.Add(First.Bits()[i]);
    // The texture follows the system's button face; the pixels are pinned for the classic one.
    EXPECT_TRUE(SystemColor32(15) != 0xFFF0F0F0u || Digest.Hash == 15627791196272742166ull) << Digest.Hash;
}

} // namespace
