// The editor panel's composed image where its layout fixes the pixels, and its read-out texts.
#ifdef MARVO_HEADLESS

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SEQGUITestSupport.h"
#include "support/Fnv1a.h"
#include "dsp/DDSPBase.h"

namespace
{

using SEQGUIDisplay = TEditorTest;

TEST_F(SEQGUIDisplay, EveryReadOutShowsText)
{
    ASSERT_EQ(Opened, 1);
    for (const TRect* R : {&Editor->FrequencyRect(), &Editor->GainRect(), &Editor->BandwidthRect(), &Editor->SymmetryRect()})
        EXPECT_FALSE(Blank(*R));
}

TEST_F(SEQGUIDisplay, StripShowsTheOverallResponseAsPinned)
{
    const struct
    {
        std::vector<std::pair<int, float>> Setting;
        std::uint64_t Digest;
        TColor32 At20Hz, At632Hz; // x = 17 and x = 70
    } Cases[] = {
        {{{1, 15.0f}, {5, 12.0f}}, 0x1DECFA0F3893A11Cull, 0xFFFFA9A9u, 0xFF0ED000u}, // strong low boost: light red
        {{{13, -15.0f}, {14, 1.0f}, {29, -9.0f}}, 0x172E3693A61BB65Eull, 0xFFFFA9A9u, 0xFF00CE02u}, // wide cuts
        {{{12, 5000.0f}, {13, 4.0f}, {21, -4.0f}}, 0xA41BEF17D59D94ACull, 0xFFFFA9A9u, 0xFF06CF00u}, // a bell, a shelf cut
    };
    for (const auto& C : Cases) // each setting on top of the ones before
    {
        for (auto [Index, Value] : C.Setting)
            Set(Index, Value);
        TFnv1a64 Digest;
        for (int x = 17; x <= 123; ++x)
            Digest.Add(Shown(x, 32));
        EXPECT_EQ(Digest.Hash, C.Digest);
        EXPECT_EQ(Shown(17, 32), C.At20Hz);
        EXPECT_EQ(Shown(70, 32), C.At632Hz);
    }
    // With the overview off, the strip is the empty panel.
    Editor->MenuItem("MIOff")->Click();
    EXPECT_TRUE(Blank(Editor->OverviewRect()));
}

TEST_F(SEQGUIDisplay, MeterBarsLightTwoRowsForSilenceAndAllRowsAtFullLevel)
{
    const auto LitRows = [&](int Column) {
        int Lit = 0;
        for (int y = 1; y <= 32; ++y)
            if (y < 16 || y > 18) // the volume mark's rows
            {
                const bool Changed = Shown(Column, y) != Background(Column, y);
                if (Changed)
                {
                    EXPECT_EQ(Shown(Column, y), BlendOver(Editor->MeterGradient()[32 - y], Background(Column, y)));
                }
                Lit += Changed;
            }
        return Lit;
    };
    Editor->GUITimerTimer(Editor);
    EXPECT_EQ(LitRows(127), 2);
    EXPECT_EQ(LitRows(128), 2);

    // A constant level of 2 (+6 dB) settles within a few time constants.
    std::vector<float> Left(20000, 2.0f), Right(20000, 2.0f);
    Host.Process(Left, Right);
    ASSERT_GT(Module->LevelDb(0), 6.0f);
    Editor->GUITimerTimer(Editor);
    EXPECT_EQ(LitRows(127), 32 - 3);
    EXPECT_EQ(LitRows(128), 32 - 3);
    EXPECT_NE(Shown(127, 0), Background(127, 0)); // the top bar pixel lies above the panel

    // Meter off: only the volume mark remains.
    HeadlessDriver::ChooseInNextPopup("MIMeterOff");
    Editor->PopupMenu("PUMeter")->Popup(0, 0);
    Editor->DrawMeter();
    EXPECT_EQ(LitRows(127), 0);
}

TEST_F(SEQGUIDisplay, VolumeMarkRowFollowsTheVolume)
{
    Editor->MenuItem("MIMeterOff")->SetChecked(true);
    const struct
    {
        float Volume;
        int Row;
    } Cases[] = {{0.0f, 17}, {15.0f, 1}, {-15.0f, 33}, {30.0f, 1}};
    for (const auto& C : Cases)
    {
        Set(32, C.Volume);
        for (int y = 1; y < 34; ++y)
            for (int x = 126; x < 131; ++x)
            {
                const bool Marked = y == C.Row && x >= 127 && x <= 128;
                EXPECT_EQ(Shown(x, y) != Background(x, y), Marked) << C.Volume << ": " << x << "," << y;
            }
    }
}

TEST_F(SEQGUIDisplay, ReadOutTexts)
{
    const struct
    {
        int Parameter;
        float Value;
        bool Note;
        const char* Text;
    } Cases[] = {
        {13, -3.5f, false, "-3.50 dB"},  {13, -15.0f, false, "-15.00 dB"}, {13, -0.004f, false, "0.00 dB"},
        {14, 0.5f, false, "0.50 Oct"},   {15, 0.0f, false, "0.00"},        {15, -0.25f, false, "-0.25"},
        {12, 1000.0f, false, "1.00 kHz"}, {12, 999.99f, false, "999.99 Hz"}, {12, 20000.0f, false, "20.00 kHz"},
        {12, 440.0f, true, "A4    0"},    {12, 445.0f, true, "A4  -20"},    {12, 31.5f, true, "B0  -35"},
        {12, 20000.0f, true, "Eb10 -8"},  {12, 20.0f, true, "Eb0 -49"},
    };
    for (const auto& C : Cases)
    {
        (C.Note ? Editor->MenuItem("MINote") : Editor->MenuItem("MIFrequency"))->Click();
        Set(C.Parameter, C.Value);
        const TRect& R = C.Parameter == 12 ? Editor->FrequencyRect()
                         : C.Parameter == 13 ? Editor->GainRect()
                         : C.Parameter == 14 ? Editor->BandwidthRect()
                                             : Editor->SymmetryRect();
        const std::string Text = C.Parameter == 12 ? Editor->FrequencyText()
                                 : C.Parameter == 13 ? Editor->GainText()
                                 : C.Parameter == 14 ? Editor->BandwidthText()
                                                     : Editor->SymmetryText();
        EXPECT_EQ(Text, C.Text);
        // The handler redrew the read-out: its pixels are those of the text drawn alone onto the panel.
        TBitmap32 Expected;
        Expected.Assign(Editor->BackgroundBitmap());
        Expected.SetFontSize(8);
        Expected.RenderText((R.Left + R.Right - Expected.TextWidth(C.Text)) / 2, R.Top, C.Text, 0xFF000000);
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                ASSERT_EQ(Shown(x, y), Expected.Pixel(x, y)) << C.Text << " at " << x << "," << y;
    }
}

} // namespace

#endif // MARVO_HEADLESS
