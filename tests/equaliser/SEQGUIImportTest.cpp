// The overview strip's menu with the preset import: the specified items stay as they were, and a cancelled
// dialog changes nothing. The import itself runs on a thread of the editor: the window goes on meanwhile, shows
// the progress, cancels on Escape or when it closes, and applies the result with its warnings shown once.
// (Through the player's menu: tests/adapter/ImportMenuTest.cpp.)
#ifdef MARVO_HEADLESS

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "SEQGUITestSupport.h"
#include "presets/PresetImport.h"

namespace
{

class SEQGUIImport : public TEditorTest
{
protected:
    // One filter the bands cannot make (a warning), and enough for the fit to take a while.
    SEQGUIImport()
    {
        std::ofstream(Path) << "Preamp: -5.0 dB\n"
                               "Filter 1: ON LSC Fc 105 Hz Gain 4.5 dB Q 0.70\n"
                               "Filter 2: ON PK Fc 180 Hz Gain -3.0 dB Q 1.40\n"
                               "Filter 3: ON LP Fc 18000 Hz Q 0.70\n"
                               "Filter 4: ON PK Fc 2900 Hz Gain 3.5 dB Q 2.00\n"
                               "Filter 5: ON PK Fc 6100 Hz Gain -4.0 dB Q 3.00\n"
                               "Filter 6: ON HSC Fc 10000 Hz Gain 2.0 dB Q 0.70\n";
    }
    ~SEQGUIImport() override
    {
        std::error_code Ignored;
        std::filesystem::remove(Path, Ignored);
    }

    std::vector<float> Parameters() const
    {
        std::vector<float> Values;
        for (int i = 0; i < Module->numParams(); ++i)
            Values.push_back(Module->Parameter(i));
        return Values;
    }

    // The window's messages with the timers' (virtual) time going on, until Ready answers true.
    template <class F>
    void PumpUntil(F Ready)
    {
        while (!Ready())
        {
            HeadlessDriver::AdvanceTime(40);
            Application().ProcessMessages();
            std::this_thread::yield();
        }
    }

    // Whether the window shows the panel as the editor composed it (no progress over it).
    bool ShowsPanel() const
    {
        Editor->Repaint();
        for (int y = 0; y < TFmVornEQ::kHeight; ++y)
            for (int x = 0; x < TFmVornEQ::kWidth; ++x)
                if (HeadlessDriver::Pixel(*Editor, x, y) != Editor->DisplayBitmap().Pixel(x, y))
                    return false;
        return true;
    }

    const std::string Path = (std::filesystem::temp_directory_path() /
                              ("marvo-import-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt"))
                                 .string();
};

TEST_F(SEQGUIImport, TheStripMenuEndsWithTheImportAndACancelledDialogChangesNothing)
{
    std::vector<std::string> Names;
    for (const TMenuItem* Item : Editor->PopupMenu("PUOverview")->Items())
        Names.push_back(Item->Name());
    EXPECT_EQ(Names, (std::vector<std::string>{"MIDefaultScheme", "MIBlackWhiteScheme", "N1", "MIOff", "N5", "MIShowResponse",
                                               "MISpectrumOff", "MISpectrumOutput", "MISpectrumInput", "N3",
                                               "MIImportPreset"}));
    EXPECT_FALSE(Editor->MenuItem("MIImportPreset")->RadioItem());

    Editor->MenuItem("MIOff")->Click();
    std::vector<float> Before;
    for (int i = 0; i < Module->numParams(); ++i)
        Before.push_back(Module->Parameter(i));
    HeadlessDriver::ChooseInNextPopup("MIImportPreset");
    HeadlessDriver::MouseDown(*Editor, TMouseButton::mbRight, ssRight, 70, 32);
    ASSERT_EQ(HeadlessDriver::Dialogs().size(), 1u);
    EXPECT_EQ(HeadlessDriver::Dialogs()[0].Title, "Import EQ preset");
    EXPECT_TRUE(Editor->MenuItem("MIOff")->Checked()) << "the import is no scheme";
    EXPECT_FALSE(Editor->MenuItem("MIDefaultScheme")->Checked());
    for (int i = 0; i < Module->numParams(); ++i)
        EXPECT_EQ(Module->Parameter(i), Before[static_cast<std::size_t>(i)]) << i;
    EXPECT_TRUE(HeadlessDriver::MessageBoxes().empty());
}

TEST_F(SEQGUIImport, TheWindowGoesOnWhileTheFitRunsThenTheResultIsAppliedAndItsWarningsShownOnce)
{
    const TImportResult Expected = ImportPresetFile(Path, {});
    ASSERT_TRUE(Expected.Ok) << Expected.Error;
    ASSERT_FALSE(Expected.Warnings.empty());
    const std::vector<float> Before = Parameters();

    ASSERT_TRUE(Editor->StartImport(Path));
    EXPECT_TRUE(Editor->Importing());
    EXPECT_FALSE(Editor->StartImport(Path)) << "one import at a time";
    EXPECT_FALSE(ShowsPanel()) << "the progress lies over the panel";
    HeadlessDriver::MouseDown(*Editor, TMouseButton::mbLeft, ssLeft | ssShift, 40, 20);
    HeadlessDriver::MouseUp(*Editor, TMouseButton::mbLeft, 0, 40, 20);
    EXPECT_EQ(Parameters(), Before) << "no edits while the import runs";

    // The timers tick on the window's thread while the fit runs on another: a share between 0 and 1 is seen
    // between ticks.
    bool SeenMidway = false;
    PumpUntil([&] {
        const double Done = Editor->ImportProgress();
        SeenMidway = SeenMidway || (Done > 0.0 && Done < 1.0 && Editor->Importing());
        return !Editor->Importing();
    });
    EXPECT_TRUE(SeenMidway);

    const std::vector<float> After = Parameters();
    for (int i = 0; i < Module->numParams(); ++i)
        EXPECT_EQ(After[static_cast<std::size_t>(i)], Expected.Parameters[static_cast<std::size_t>(i)]) << i;
    EXPECT_TRUE(ShowsPanel());
    HeadlessDriver::AdvanceTime(400);
    Application().ProcessMessages();
    ASSERT_EQ(HeadlessDriver::MessageBoxes().size(), 1u) << "the warnings in one box, once";
    for (const std::string& Warning : Expected.Warnings)
        EXPECT_NE(HeadlessDriver::MessageBoxes()[0].Text.find(Warning), std::string::npos) << Warning;
}

// Escape (and no other key) stops the fit, and nothing of it is applied, then or later; so does closing the
// editor while the fit runs (its thread is joined before the editor goes).
TEST_F(SEQGUIImport, EscapeOrClosingTheEditorCancelsAndNothingIsApplied)
{
    const std::vector<float> Before = Parameters();
    for (const bool Close : {false, true})
    {
        ASSERT_TRUE(Editor->StartImport(Path));
        PumpUntil([&] { return Editor->ImportProgress() > 0.0; }); // the fit has begun
        ASSERT_TRUE(Editor->Importing());
        if (Close)
        {
            Host.Dispatch(effEditClose);
            EXPECT_EQ(Module->Editor(), nullptr);
        }
        else
        {
            Editor->SendMessage(0x0100, 'A', 0);
            EXPECT_TRUE(Editor->Importing());
            Editor->SendMessage(0x0100, 0x1B, 0);
            EXPECT_FALSE(Editor->Importing());
            EXPECT_TRUE(ShowsPanel());
        }
        HeadlessDriver::AdvanceTime(400);
        Application().ProcessMessages();
        EXPECT_EQ(Parameters(), Before);
        EXPECT_TRUE(HeadlessDriver::MessageBoxes().empty());
    }
}

} // namespace

#endif // MARVO_HEADLESS
