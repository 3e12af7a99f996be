// The equaliser's editor in the player's "Marvo" window under Wine, met as a listener meets it: the pixels on
// the display, and a drag on the gain read-out with real mouse input.
#ifdef MARVO_WIN32

#include <bit>
#include <cstring>

#include "AdapterTestSupport.h"

namespace
{

class TEditorInPlayerWindowTest : public TAdapterTest
{
protected:
    // The window shown, with every pending paint done.
    TWindowProbe Shown()
    {
        Init();
        Config();
        for (int i = 0; i < 20; ++i)
        {
            Application().ProcessMessages();
            SystemSleep(10);
        }
        return MarvoWindow();
    }
    static std::vector<std::uint32_t> Capture(const TWindowProbe& W, const TRect& R)
    {
        return CaptureScreen({W.Client.Left + R.Left, W.Client.Top + R.Top, W.Client.Left + R.Right,
                              W.Client.Top + R.Bottom});
    }
    static void Settle()
    {
        for (int i = 0; i < 5; ++i)
        {
            Application().ProcessMessages();
            SystemSleep(5);
        }
    }
    // Band b's gain in dB as Marvo.fxp stores it (normalised -15..15 dB, big-endian floats after 56 bytes).
    static float StoredGain(int Band)
    {
        const std::vector<std::uint8_t> Bytes = FileBytes(PlayerFile());
        const std::size_t At = 56 + 4 * (4 * static_cast<std::size_t>(Band) + 1);
        if (Bytes.size() < At + 4)
            return -100.0f;
        const std::uint32_t Bits = std::uint32_t(Bytes[At]) << 24 | std::uint32_t(Bytes[At + 1]) << 16 |
                                   std::uint32_t(Bytes[At + 2]) << 8 | Bytes[At + 3];
        return std::bit_cast<float>(Bits) * 30.0f - 15.0f;
    }
};

TEST_F(TEditorInPlayerWindowTest, TheDisplayShowsTheComposedPanel)
{
    const TWindowProbe W = Shown();
    ASSERT_TRUE(W.Visible);
    ASSERT_EQ(W.Client.Width(), 131);
    ASSERT_EQ(W.Client.Height(), 35);
    const std::vector<std::uint32_t> Strip = Capture(W, {16, 32, 125, 33});
    for (int x = 16; x <= 124; ++x)
        EXPECT_EQ(Strip[x - 16] == 0xFF00CC14u, x >= 17 && x <= 123) << x;
    const auto Brightness = [&](int Top) {
        double Sum = 0;
        for (std::uint32_t P : Capture(W, {1, Top + 1, 7, Top + 9}))
            Sum += ((P >> 16) & 0xFF) + ((P >> 8) & 0xFF) + (P & 0xFF);
        return Sum / 48.0;
    };
    EXPECT_GT(Brightness(0), Brightness(24) + 100.0); // band 3, the selected one, is dark
}

TEST_F(TEditorInPlayerWindowTest, DraggingTheGainWithTheMouseHidesTheCursorAndChangesTheBand)
{
    const TWindowProbe W = Shown();
    const TRect GainPanel{16, 16, 72, 30};
    const std::vector<std::uint32_t> Before = Capture(W, GainPanel);
    const int cx = W.Client.Left + 44, cy = W.Client.Top + 23;
    InjectPointerMove(cx, cy);
    Settle();
    ASSERT_TRUE(CursorShowing());
    InjectMouseButton(TMouseButton::mbLeft, true);
    Settle();
    EXPECT_FALSE(CursorShowing());
    for (int Move = 0; Move < 4; ++Move)
    {
        InjectPointerMove(cx, cy - 5);
        Settle();
        const TPoint P = GetPointerPos();
        EXPECT_EQ(P.X, cx);
        EXPECT_EQ(P.Y, cy);
    }
    InjectMouseButton(TMouseButton::mbLeft, false);
    Settle();
    EXPECT_TRUE(CursorShowing());
    EXPECT_NE(Capture(W, GainPanel), Before);

    // Released far outside the window: the editor still sees the release and the cursor comes back.
    InjectPointerMove(cx, cy);
    Settle();
    InjectMouseButton(TMouseButton::mbLeft, true);
    Settle();
    EXPECT_FALSE(CursorShowing());
    InjectPointerMove(cx + 300, cy + 300);
    Settle();
    InjectMouseButton(TMouseButton::mbLeft, false);
    Settle();
    EXPECT_TRUE(CursorShowing());

    Quit();
    EXPECT_NEAR(StoredGain(3), 4 * 0.5f, 1e-4);
}

} // namespace

#endif // MARVO_WIN32
