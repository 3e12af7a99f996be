// The editor's behaviours that every window system shows alike: the panel on the display, a gain drag, the
// zoomed panel and a drag on the response view.
#include "EditorBehaviours.h"

#include <cmath>

#include "equaliser/SEQResponseView.h"
#include "equaliser/SmallEQModule.h"

namespace
{

constexpr int kWidth = 131, kHeight = 35;
constexpr int kBlank = -1;
constexpr std::uint32_t kFlatGreen = 0xFF00CC14u;

// The selector cell's mean brightness on the display (0..765 per pixel).
double CellBrightness(const TEditorDriver& D, int Band)
{
    const int Column = Band / 4, Left = 7 * Column, Top = 8 * std::abs(Band - 7 * Column);
    double Sum = 0;
    for (std::uint32_t P : D.Pixels({Left + 1, Top + 1, Left + 7, Top + 9}))
        Sum += ((P >> 16) & 0xFF) + ((P >> 8) & 0xFF) + (P & 0xFF);
    return Sum / 48.0;
}

TEST_P(EditorBehaviour, OpensShowingItsPanelWithAFlatGreenStripAndTheFourthBandSelectedAndAClickSelects)
{
    const std::unique_ptr<TEditorDriver> D = Open();
    ASSERT_EQ(D->Client().Width(), kWidth);
    ASSERT_EQ(D->Client().Height(), kHeight);
    if (std::optional<std::vector<std::uint32_t>> Panel = D->Composed())
    {
        std::vector<std::uint32_t> OnScreen = D->Pixels({0, 0, kWidth, kHeight});
        for (int Try = 0; Try < 100 && OnScreen != *Panel; ++Try)
        {
            D->Settle();
            Panel = D->Composed();
            OnScreen = D->Pixels({0, 0, kWidth, kHeight});
        }
        ASSERT_EQ(OnScreen, *Panel) << "the display shows the composed panel pixel for pixel";
    }
    const std::vector<std::uint32_t> Strip = D->Pixels({16, 32, 125, 33});
    for (int x = 16; x <= 124; ++x)
        EXPECT_EQ(Strip[x - 16] == kFlatGreen, x >= 17 && x <= 123) << x;
    for (int Band : {0, 1, 2, 4, 5, 6, 7})
        EXPECT_GT(CellBrightness(*D, Band), CellBrightness(*D, 3) + 100.0) << "band 3's cell is dark, not " << Band;

    // A click on band 6's cell selects it.
    D->Move(11, 12);
    D->Button(TMouseButton::mbLeft, true);
    D->Button(TMouseButton::mbLeft, false);
    EXPECT_TRUE(D->CursorShown());
    EXPECT_GT(CellBrightness(*D, 3), CellBrightness(*D, 6) + 100.0);
}

// A drag on the gain read-out: Moves moves of dY panel pixels from its centre, the button released at
// Release, Ctrl held with Fine; Gain is the band's gain in dB that the host then stores.
struct TGainDrag
{
    int dY, Moves;
    bool Fine;
    TPoint Release;
    float Gain;
};
constexpr TPoint kGainCentre{44, 23};

// The drag on an editor shown at zoom N: every position is a panel pixel times N on the display.
void DragGain(TEditorDriver& D, const TGainDrag& C, int N)
{
    SCOPED_TRACE(::testing::Message() << C.Moves << " moves of " << C.dY << (C.Fine ? " with Ctrl" : "") << " at "
                                      << N << "x");
    const TRect GainPanel{16 * N, 16 * N, 72 * N, 30 * N};
    const std::vector<std::uint32_t> Before = D.Pixels(GainPanel);
    D.Move(kGainCentre.X * N, kGainCentre.Y * N);
    ASSERT_TRUE(D.CursorShown());
    if (C.Fine)
        D.Key(TInjectedKey::ikCtrl, true);
    D.Button(TMouseButton::mbLeft, true);
    EXPECT_FALSE(D.CursorShown());
    for (int Move = 0; Move < C.Moves; ++Move)
    {
        D.Move(kGainCentre.X * N, (kGainCentre.Y + C.dY) * N);
        const TPoint P = D.Pointer();
        EXPECT_EQ(P.X / N, kGainCentre.X);
        EXPECT_EQ(P.Y / N, kGainCentre.Y) << "the pointer goes back to the panel's centre";
    }
    EXPECT_FALSE(D.CursorShown());
    D.Move(C.Release.X * N, C.Release.Y * N);
    D.Button(TMouseButton::mbLeft, false);
    if (C.Fine)
        D.Key(TInjectedKey::ikCtrl, false);
    D.Settle();
    EXPECT_TRUE(D.CursorShown());
    EXPECT_NE(D.Pixels(GainPanel), Before) << "the read-out shows the new gain";
    EXPECT_NEAR(D.StoredValue(13), (C.Gain + 15.0f) / 30.0f, 4e-6f); // 1e-4 dB
}

TEST_P(EditorBehaviour, DraggingTheGainStepsTheBandAndHidesTheCursorUntilTheRelease)
{
    const TGainDrag Cases[] = {
        {-5, 4, false, kGainCentre, 2.0f},                                // up raises the gain, 0.1 dB per pixel
        {3, 2, true, kGainCentre, -0.06f},                                // Ctrl: 0.01 dB per pixel
        {-5, 1, false, {kGainCentre.X + 300, kGainCentre.Y + 300}, 0.5f}, // released far outside the window
    };
    for (const TGainDrag& C : Cases)
        DragGain(*Open(), C, 1);
}

// The first pixel (row-major index) of the zoomed display that is not its panel pixel at 1x; kBlank for none.
int FirstUnlikeBlock(const std::vector<std::uint32_t>& Zoomed, const std::vector<std::uint32_t>& One, int N)
{
    for (int y = 0; y < kHeight * N; ++y)
        for (int x = 0; x < kWidth * N; ++x)
            if (Zoomed[static_cast<std::size_t>(y * kWidth * N + x)] !=
                One[static_cast<std::size_t>(y / N * kWidth + x / N)])
                return y * kWidth * N + x;
    return kBlank;
}

// Zoomed, the display shows each panel pixel as an N x N block and the host's rectangle grows with it; a gain
// drag at 2x steps per panel pixel as at 1x.
TEST_P(EditorBehaviour, AtTwoAndThreeTimesEachPanelPixelIsABlockAndAGainDragStepsAsAtOneTime)
{
    std::vector<std::uint32_t> One;
    {
        const std::unique_ptr<TEditorDriver> D = Open();
        One = D->Pixels({0, 0, kWidth, kHeight});
        if (std::optional<std::vector<std::uint32_t>> Panel = D->Composed())
            for (int Try = 0; Try < 100 && One != *Panel; ++Try)
            {
                D->Settle();
                Panel = D->Composed();
                One = D->Pixels({0, 0, kWidth, kHeight});
            }
    }
    for (int N : {2, 3})
    {
        SCOPED_TRACE(::testing::Message() << N << "x");
        const std::unique_ptr<TEditorDriver> D = Open({N, false});
        ASSERT_EQ(D->Client().Width(), kWidth * N);
        ASSERT_EQ(D->Client().Height(), kHeight * N);
        if (const std::optional<TRect> Rect = D->EditorRect())
        {
            EXPECT_EQ(Rect->Width(), kWidth * N) << "the host's rectangle";
            EXPECT_EQ(Rect->Height(), kHeight * N);
        }
        std::vector<std::uint32_t> Shown = D->Pixels({0, 0, kWidth * N, kHeight * N});
        int Unlike = FirstUnlikeBlock(Shown, One, N);
        for (int Try = 0; Try < 100 && Unlike != kBlank; ++Try)
        {
            D->Settle();
            Shown = D->Pixels({0, 0, kWidth * N, kHeight * N});
            Unlike = FirstUnlikeBlock(Shown, One, N);
        }
        EXPECT_EQ(Unlike, kBlank) << "at (" << Unlike % (kWidth * N) << ", " << Unlike / (kWidth * N) << ")";
        if (N == 2) // in the same session, which is slow to start in the player
            DragGain(*D, {-5, 4, false, kGainCentre, 2.0f}, N);
    }
}

// Band 5 (4 kHz) dragged right and up on the response view at 2x: its frequency and gain follow what the
// view computes for the same motion in view pixels.
TEST_P(EditorBehaviour, AtTwiceTheSizeADragOnAResponseHandleMovesItsBandAsTheViewComputes)
{
    constexpr int N = 2, Band = 5;
    const TPoint Motion[] = {{4, -3}, {9, -7}}; // from the handle's centre, in view pixels
    const std::unique_ptr<TEditorDriver> D = Open({N, true});
    ASSERT_EQ(D->Client().Width(), kWidth * N);
    ASSERT_EQ(D->Client().Height(), (kHeight + TResponseView::kHeight) * N);

    auto Reference = std::make_unique<TSmallEQModule>(nullptr);
    AEffect* E = Reference->Effect();
    const float Before[2] = {E->getParameter(E, 4 * Band), E->getParameter(E, 4 * Band + 1)};
    TResponseView Expected(Reference.get());
    const TPoint Handle = Expected.HandleCentre(Band);
    ASSERT_EQ(Expected.MouseDown(TMouseButton::mbLeft, ssLeft, Handle.X, Handle.Y), Band);
    for (const TPoint& M : Motion)
        Expected.MouseMove(ssLeft, Handle.X + M.X, Handle.Y + M.Y);
    Expected.MouseUp();

    // The view's pixel (X, Y) on the display: the middle of its block under the panel.
    const auto MoveToView = [&](int X, int Y) { D->Move(X * N + N / 2, (kHeight + Y) * N + N / 2); };
    MoveToView(Handle.X, Handle.Y);
    D->Button(TMouseButton::mbLeft, true);
    for (const TPoint& M : Motion)
        MoveToView(Handle.X + M.X, Handle.Y + M.Y);
    D->Button(TMouseButton::mbLeft, false);
    for (int K : {0, 1}) // frequency, gain
    {
        const int Index = 4 * Band + K;
        EXPECT_NE(E->getParameter(E, Index), Before[K]) << "the motion moves the band in both directions";
        EXPECT_NEAR(D->StoredValue(Index), E->getParameter(E, Index), 1e-6f) << "parameter " << Index;
    }
}

} // namespace
