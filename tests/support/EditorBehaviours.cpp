// The editor's behaviours that every window system shows alike: the panel on the display and a gain drag.
#include "EditorBehaviours.h"

#include <cmath>

namespace
{

constexpr int kWidth = 131, kHeight = 35;
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

TEST_P(EditorBehaviour, DraggingTheGainStepsTheBandAndHidesTheCursorUntilTheRelease)
{
    const TPoint Centre{44, 23};
    const TRect GainPanel{16, 16, 72, 30};
    const struct
    {
        int dY, Moves;
        bool Fine;
        TPoint Release; // where the button comes up
        float Gain;     // dB
    } Cases[] = {
        {-5, 4, false, Centre, 2.0f},                           // up raises the gain, 0.1 dB per pixel
        {3, 2, true, Centre, -0.06f},                           // Ctrl: 0.01 dB per pixel
        {-5, 1, false, {Centre.X + 300, Centre.Y + 300}, 0.5f}, // released far outside the window
    };
    for (const auto& C : Cases)
    {
        SCOPED_TRACE(::testing::Message() << C.Moves << " moves of " << C.dY << (C.Fine ? " with Ctrl" : ""));
        const std::unique_ptr<TEditorDriver> D = Open();
        const std::vector<std::uint32_t> Before = D->Pixels(GainPanel);
        D->Move(Centre.X, Centre.Y);
        ASSERT_TRUE(D->CursorShown());
        if (C.Fine)
            D->Key(TInjectedKey::ikCtrl, true);
        D->Button(TMouseButton::mbLeft, true);
        EXPECT_FALSE(D->CursorShown());
        for (int Move = 0; Move < C.Moves; ++Move)
        {
            D->Move(Centre.X, Centre.Y + C.dY);
            const TPoint P = D->Pointer();
            EXPECT_EQ(P.X, Centre.X);
            EXPECT_EQ(P.Y, Centre.Y) << "the pointer goes back to the panel's centre";
        }
        EXPECT_FALSE(D->CursorShown());
        D->Move(C.Release.X, C.Release.Y);
        D->Button(TMouseButton::mbLeft, false);
        if (C.Fine)
            D->Key(TInjectedKey::ikCtrl, false);
        D->Settle();
        EXPECT_TRUE(D->CursorShown());
        EXPECT_NE(D->Pixels(GainPanel), Before) << "the read-out shows the new gain";
        EXPECT_NEAR(D->StoredValue(13), (C.Gain + 15.0f) / 30.0f, 4e-6f); // 1e-4 dB
    }
}

} // namespace
