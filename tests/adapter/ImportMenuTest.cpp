// The overview strip's menu of the player's window, chosen as a listener chooses it: "Import EQ preset…" (a
// right click on the strip, the item, a path in the file dialog) and "Show response". Win32: real input under
// Wine; the menu and the dialog are modal on the window thread, so a thread of the test drives them.
// Headless: the driver's menu choice and dialog answer. What Quit saves is the proof of what the module holds.
// (X11 has no file dialog, and so no import item.)
#if defined(MARVO_WIN32) || defined(MARVO_HEADLESS)
#include <atomic>
#include <functional>
#include <thread>

#include "AdapterTestSupport.h"
#include "presets/PresetImport.h"
#ifdef MARVO_HEADLESS
#include "platform/headless/HeadlessDriver.h"
#endif

namespace
{

class TStripMenuTest : public TAdapterTest
{
protected:
    void TearDown() override
    {
        TAdapterTest::TearDown();
        for (const char* Name : {"import-menu.txt", "import-menu-bad.txt"})
        {
            std::error_code Ignored;
            std::filesystem::remove(std::filesystem::u8path(PresetPath(Name)), Ignored);
        }
    }
    static std::string PresetPath(const std::string& Name) { return ExtractFilePath(ExecutablePath()) + Name; }
    static std::string WritePreset(const std::string& Name, const std::string& Text)
    {
        WriteBytes(PresetPath(Name), std::vector<std::uint8_t>(Text.begin(), Text.end()));
        return PresetPath(Name);
    }
    static void Pump()
    {
        for (int i = 0; i < 10; ++i)
        {
            Application().ProcessMessages();
            SystemSleep(5);
        }
    }

    // Pumps the window's messages, the timers' time going on, until Ready answers true: the import runs on a
    // thread of the editor, and the editor's timer applies what it found.
    template <class F>
    static void AwaitImport(F Ready)
    {
        while (!Ready())
        {
#ifdef MARVO_HEADLESS
            HeadlessDriver::AdvanceTime(40);
#endif
            Pump();
        }
    }

    // A right click on the strip. Win32: Drive works the modal menu from a thread of the test and answers what
    // went wrong, or "". Headless: the item ItemName is chosen.
    static void RightClickOnStrip([[maybe_unused]] const std::function<std::string()>& Drive,
                                  [[maybe_unused]] const char* ItemName)
    {
        const TWindowProbe W = MarvoWindow();
        InjectPointerMove(W.Client.Left + 70, W.Client.Top + 32);
        Pump();
#ifdef MARVO_WIN32
        std::atomic<bool> Done{false};
        std::string Failure;
        std::thread Driver([&] {
            Failure = Drive();
            Done = true;
        });
        InjectMouseButton(TMouseButton::mbRight, true);
        InjectMouseButton(TMouseButton::mbRight, false);
        while (!Done)
            Pump(); // the menu, the dialog and the import run inside
        Driver.join();
        Pump();
        ASSERT_EQ(Failure, "");
#else
        HeadlessDriver::ChooseInNextPopup(ItemName);
        InjectMouseButton(TMouseButton::mbRight, true);
        InjectMouseButton(TMouseButton::mbRight, false);
        Pump();
#endif
    }

    // "Show response", chosen by its accelerator.
    static void ShowResponseThroughMenu()
    {
        RightClickOnStrip(
            []() -> std::string {
#ifdef MARVO_WIN32
                if (!Await([](const TWindowProbe& W) { return W.ClassName == "#32768"; }))
                    return "no pop-up menu appeared";
                InjectText("r");
#endif
                return "";
            },
            "MIShowResponse");
    }

    // A right click on the strip, "Import EQ preset…" chosen with the mouse, Path typed into the dialog.
    void ImportThroughMenu(const std::string& Path)
    {
#ifdef MARVO_WIN32
        const auto Drive = [&] { return DriveMenuAndDialog(Path); };
#else
        HeadlessDriver::PresetNextDialogAnswer(Path);
        const auto Drive = [] { return std::string(); };
#endif
        ASSERT_NO_FATAL_FAILURE(RightClickOnStrip(Drive, "MIImportPreset"));
#ifdef MARVO_HEADLESS
        ASSERT_FALSE(HeadlessDriver::Popups().empty());
        EXPECT_EQ(HeadlessDriver::Popups().back().MenuName, "PUOverview");
        ASSERT_FALSE(HeadlessDriver::Dialogs().empty());
        EXPECT_FALSE(HeadlessDriver::Dialogs().back().Save);
        EXPECT_NE(HeadlessDriver::Dialogs().back().Filter.find("*.txt;*.eqf;*.q1"), std::string::npos);
#endif
    }

#ifdef MARVO_WIN32
    // [driver thread] A visible top-level window of this process that Match accepts, waited for up to a minute
    // (the window thread runs under an emulator here).
    template <class F>
    static std::optional<TWindowProbe> Await(F Match)
    {
        for (int i = 0; i < 6000; ++i)
        {
            for (const TWindowProbe& W : TopLevelWindows())
                if (W.Visible && Match(W))
                    return W;
            SystemSleep(10);
        }
        return std::nullopt;
    }

    // [driver thread] Clicks the menu's last item and answers the file dialog; what went wrong, or "".
    static std::string DriveMenuAndDialog(const std::string& Path)
    {
        const auto Menu = Await([](const TWindowProbe& W) { return W.ClassName == "#32768"; });
        if (!Menu)
            return "no pop-up menu appeared";
        InjectPointerMove((Menu->Client.Left + Menu->Client.Right) / 2, Menu->Client.Bottom - 6);
        InjectMouseButton(TMouseButton::mbLeft, true);
        InjectMouseButton(TMouseButton::mbLeft, false);
        const auto Dialog = Await([](const TWindowProbe& W) { return W.Caption == "Import EQ preset"; });
        if (!Dialog)
            return "no file dialog appeared";
        InjectText(Path + "\n");
        if (!Await([&](const TWindowProbe&) { return !ProbeWindow(Dialog->Handle) || !ProbeWindow(Dialog->Handle)->Visible; }))
        {
            RequestWindowClose(Dialog->Handle);
            return "the file dialog did not take the typed path";
        }
        return "";
    }
#endif
};

// The editor grows under the panel at once, the window's client area with it (the editor asks its host), and
// the window's key keeps the choice for the next start.
TEST_F(TStripMenuTest, ShowResponseGrowsTheWindowAndTheNextStartOpensWithIt)
{
    Init();
    Config();
    Pump();
    ASSERT_EQ(MarvoWindow().Client.Height(), 35);
    ASSERT_NO_FATAL_FAILURE(ShowResponseThroughMenu());
    EXPECT_EQ(MarvoWindow().Client.Width(), 131);
    EXPECT_EQ(MarvoWindow().Client.Height(), 95);
    Quit();
    Init();
    EXPECT_EQ(MarvoWindow().Client.Height(), 95) << "at the next start";
}

TEST_F(TStripMenuTest, TheImportedSettingPlaysAtOnceAndIsWhatQuitSaves)
{
    const std::string Path = WritePreset("import-menu.txt", "Preamp: -4.5 dB\n"
                                                            "Filter 1: ON LSC Fc 105 Hz Gain 4.0 dB Q 0.70\n"
                                                            "Filter 2: ON PK Fc 3000 Hz Gain -3.0 dB Q 2.00\n"
                                                            "Filter 3: ON HSC Fc 10000 Hz Gain 2.0 dB Q 0.70\n");
    const TImportResult Expected = ImportPresetFile(Path, {});
    ASSERT_TRUE(Expected.Ok) << Expected.Error;
    std::vector<std::pair<int, float>> Values;
    for (int i = 0; i < 33; ++i)
        Values.emplace_back(i, Expected.Parameters[static_cast<std::size_t>(i)]);
    const std::vector<std::uint8_t> Setting = MakeSetting(Values);

    TMessageBoxAnswerer Boxes;
    Init();
    Config();
    Pump();
    std::vector<std::int16_t> Flat = ProcessConstant(1000);
    ImportThroughMenu(Path);
    AwaitImport([&] { return ProcessConstant(1000) != Flat; }); // the imported setting plays once applied
    Quit();
    EXPECT_TRUE(Boxes.Records().empty());
    EXPECT_EQ(FileBytes(PlayerFile()), Setting);
}

TEST_F(TStripMenuTest, AFileThatCannotBeImportedShowsOneBoxEachTimeAndChangesNothing)
{
    const std::string Bad = WritePreset("import-menu-bad.txt", "Preamp: -3 dB\nFilter 1: ON PK Fc 1x0 Hz Gain 2 dB Q 1\n");
    const std::string Missing = PresetPath("import-menu-missing.txt");
    const std::vector<std::uint8_t> Defaults = MakeSetting({});

    TMessageBoxAnswerer Boxes;
    Init();
    Config();
    Pump();
    ImportThroughMenu(Bad);
    AwaitImport([&] { return Boxes.Records().size() == 1u; });
    ImportThroughMenu(Missing);
    AwaitImport([&] { return Boxes.Records().size() == 2u; });
    Quit();
    const std::vector<TMessageBoxRecord> Shown = Boxes.Records();
    ASSERT_EQ(Shown.size(), 2u);
    EXPECT_NE(Shown[0].Text.find("import-menu-bad.txt, line 2"), std::string::npos) << Shown[0].Text;
    EXPECT_NE(Shown[1].Text.find("import-menu-missing.txt"), std::string::npos) << Shown[1].Text;
    EXPECT_EQ(FileBytes(PlayerFile()), Defaults);
}

} // namespace

#endif // MARVO_WIN32 || MARVO_HEADLESS
