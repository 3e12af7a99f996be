// The host window as the listener meets it: its place and visibility across starts, the setting kept in
// Marvo.fxp (or the per-user copy), and files that cannot be read or written.
#include <cmath>

#include "AdapterTestSupport.h"

namespace
{

using TFmWinAmpVSTTest = TAdapterTest;

// The equaliser's volume as the next block shows it: a 16-bit constant 1000 comes back as 950 at 0 dB.
double VolumeDbOf(const std::vector<std::int16_t>& Block)
{
    return 20.0 * std::log10(Block.back() / 950.0);
}

TEST_F(TFmWinAmpVSTTest, FirstStartIsHiddenCentredAndSizedThenQuitStoresTheState)
{
    // The client area will be the equaliser editor's rectangle, or the declared 426 x 208 while the equaliser
    // offers none.
    ERect Rect{};
    {
    TVstHost Host;
    TVstPlugIn* Probe = Host.VstPlugIns().Add();
    Probe->VstEffect = SmallEQMain(&AudioMasterCallback);
    Probe->SetActive(true);
    TForm EditorParent(nullptr, TFormDeclaration{});
    Probe->ShowEdit(&EditorParent);
    Probe->EditGetRect(Rect);
    Probe->CloseEdit();
    Probe->SetActive(false);
    }
    const bool HasRect = Rect.right > Rect.left;
    ASSERT_EQ(Init(), 0);
    const TWindowProbe W = MarvoWindow();
    EXPECT_FALSE(W.Visible);
    EXPECT_EQ(W.Client.Width(), HasRect ? Rect.right - Rect.left : 426);
    EXPECT_EQ(W.Client.Height(), HasRect ? Rect.bottom - Rect.top : 208);
    EXPECT_NEAR((W.Bounds.Left + W.Bounds.Right) / 2, ScreenWidth() / 2, 1);
    EXPECT_NEAR((W.Bounds.Top + W.Bounds.Bottom) / 2, ScreenHeight() / 2, 1);

    Quit();
    TRegistry Registry;
    ASSERT_TRUE(Registry.OpenKeyReadOnly("Software\\Zentrova\\Marvo\\WinAmp"));
    EXPECT_EQ(Registry.ReadInteger("Visible"), 0);
    EXPECT_EQ(Registry.ReadInteger("Left"), W.Bounds.Left);
    EXPECT_EQ(Registry.ReadInteger("Top"), W.Bounds.Top);
    EXPECT_TRUE(FileExists(PlayerFile()));
}

TEST_F(TFmWinAmpVSTTest, StoredVisibilityAndLeftEdgeReturnButNotTheTopEdge)
{
    for (int Visible : {1, 0})
    {
        {
            TRegistry Registry;
            ASSERT_TRUE(Registry.OpenKey("Software\\Zentrova\\Marvo\\WinAmp", true));
            Registry.WriteInteger("Visible", Visible);
            Registry.WriteInteger("Left", 123);
            Registry.WriteInteger("Top", 7);
        }
        ASSERT_EQ(Init(), 0);
        const TWindowProbe W = MarvoWindow();
        EXPECT_EQ(W.Visible, Visible != 0);
        EXPECT_EQ(W.Bounds.Left, 123);
        EXPECT_NEAR((W.Bounds.Top + W.Bounds.Bottom) / 2, ScreenHeight() / 2, 1) << "Top is not restored";
        Quit();
    }
}

// The editor's zoom, response view, engine and spectrum live in the window's key: handed to the equaliser
// before its editor opens (the window takes the editor's size), read back from it at Quit (the engine only
// once chosen). Absent or invalid values leave the equaliser's own choice (no zoom chosen, no response view,
// the reference engine, no spectrum), whatever the listener's own preference says.
TEST_F(TFmWinAmpVSTTest, TheEditorsViewSettingsGoThroughTheWindowsKey)
{
    constexpr std::int32_t None = -1;
    const struct
    {
        std::int32_t Zoom, Response, Fast, Spectrum;                           // stored before Init; None: no value
        int Width, Height;                                                    // the window's client area at the start
        std::int32_t WrittenZoom, WrittenResponse, WrittenFast, WrittenSpectrum; // found after Quit
    } Cases[] = {
        {None, None, None, None, 131, 35, None, 0, None, 0}, {3, 1, 1, 1, 393, 285, 3, 1, 1, 1},
        {2, 0, 0, 2, 262, 70, 2, 0, 0, 2},                   {None, 1, None, None, 131, 95, None, 1, None, 0},
        {9, 7, 5, 7, 131, 95, None, 1, 1, 0},                {0, 0, 0, 0, 131, 35, None, 0, 0, 0},
    };
    {
        TRegistry Preference;
        ASSERT_TRUE(Preference.OpenKey("Software\\Zentrova\\Marvo\\SmallEQ", true));
        Preference.WriteInteger("Zoom", 4);
        Preference.WriteInteger("Response", 1);
        Preference.WriteInteger("FastProcessing", 1);
        Preference.WriteInteger("Spectrum", 2);
    }
    for (const auto& C : Cases)
    {
        SCOPED_TRACE(::testing::Message() << "Zoom " << C.Zoom << ", Response " << C.Response);
        {
            TRegistry Registry;
            Registry.DeleteKey("Software\\Zentrova\\Marvo\\WinAmp");
            ASSERT_TRUE(Registry.OpenKey("Software\\Zentrova\\Marvo\\WinAmp", true));
            if (C.Zoom != None)
                Registry.WriteInteger("Zoom", C.Zoom);
            if (C.Response != None)
                Registry.WriteInteger("Response", C.Response);
            if (C.Fast != None)
                Registry.WriteInteger("FastProcessing", C.Fast);
            if (C.Spectrum != None)
                Registry.WriteInteger("Spectrum", C.Spectrum);
        }
        ASSERT_EQ(Init(), 0);
        EXPECT_EQ(MarvoWindow().Client.Width(), C.Width);
        EXPECT_EQ(MarvoWindow().Client.Height(), C.Height);
        Quit();
        TRegistry Registry;
        ASSERT_TRUE(Registry.OpenKeyReadOnly("Software\\Zentrova\\Marvo\\WinAmp"));
        if (C.WrittenZoom == None)
            EXPECT_TRUE(!Registry.ValueExists("Zoom") || Registry.ReadInteger("Zoom") == C.Zoom)
                << "no zoom is written when none was chosen";
        else
            EXPECT_EQ(Registry.ReadInteger("Zoom"), C.WrittenZoom);
        ASSERT_TRUE(Registry.ValueExists("Response"));
        EXPECT_EQ(Registry.ReadInteger("Response"), C.WrittenResponse);
        EXPECT_EQ(Registry.ValueExists("FastProcessing") ? Registry.ReadInteger("FastProcessing") : None, C.WrittenFast);
        EXPECT_EQ(Registry.ValueExists("Spectrum") ? Registry.ReadInteger("Spectrum") : None, C.WrittenSpectrum);
    }
}

TEST_F(TFmWinAmpVSTTest, TheSettingSavedAtQuitReturnsAtTheNextInit)
{
    WriteBytes(PlayerFile(), MakeSetting({{TSmallEQModule::kVolumeIndex, -6.0f}}));
    ASSERT_EQ(Init(), 0);
    EXPECT_NEAR(VolumeDbOf(ProcessConstant(1000)), -6.0, 0.1);
    RemoveFile(PlayerFile());
    Quit();
    ASSERT_TRUE(FileExists(PlayerFile())) << "written at Quit";
    EXPECT_EQ(FileBytes(PlayerFile()), MakeSetting({{TSmallEQModule::kVolumeIndex, -6.0f}}));

    ASSERT_EQ(Init(), 0);
    EXPECT_NEAR(VolumeDbOf(ProcessConstant(1000)), -6.0, 0.1);
}

TEST_F(TFmWinAmpVSTTest, AForeignSettingFileGivesOneMessageAndIsKeptAside)
{
    const std::vector<std::uint8_t> Foreign = MakeSetting({{TSmallEQModule::kVolumeIndex, -20.0f}}, true);
    WriteBytes(PlayerFile(), Foreign);
    {
        TRegistry Registry;
        ASSERT_TRUE(Registry.OpenKey("Software\\Zentrova\\Marvo\\WinAmp", true));
        Registry.WriteInteger("Visible", 1);
        Registry.WriteInteger("Left", 5);
    }
    std::vector<TMessageBoxRecord> Boxes;
    {
        TMessageBoxAnswerer Answerer;
        ASSERT_EQ(Init(), 0);
        Boxes = Answerer.Records();
    }
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "preset file not for this plugin!");
    const TWindowProbe W = MarvoWindow();
    EXPECT_FALSE(W.Visible) << "the registry is not read after a failed start";
    EXPECT_NEAR((W.Bounds.Left + W.Bounds.Right) / 2, ScreenWidth() / 2, 1);
    EXPECT_NEAR(VolumeDbOf(ProcessConstant(1000)), 0.0, 0.1) << "the equaliser keeps its defaults";

    Quit();
    EXPECT_EQ(FileBytes(PlayerFile() + ".rejected"), Foreign);
    EXPECT_EQ(FileBytes(PlayerFile()), MakeSetting({}));
}

// A player folder that cannot take the file (a protected program folder): the setting goes to the user's
// own folder, the teardown is complete, and whichever place was written last is what the next start loads.
TEST_F(TFmWinAmpVSTTest, AnUnwritablePlayerFolderKeepsTheSettingPerUser)
{
    WriteBytes(PlayerFile(), MakeSetting({{TSmallEQModule::kVolumeIndex, -3.0f}}));
    ASSERT_EQ(Init(), 0);
    // Root may write anywhere, so the folder is made unwritable for this one file: a folder occupies the
    // temporary's name.
    ASSERT_TRUE(ForceDirectories(PlayerFile() + ".tmp"));
    const std::vector<std::uint8_t> Before = FileBytes(PlayerFile());
    Quit();
    EXPECT_TRUE(MarvoWindows().empty());
    EXPECT_EQ(FileBytes(PlayerFile()), Before) << "the old file is untouched";
    EXPECT_EQ(FileBytes(UserFile()), Before);

    // Next start: the per-user copy; change the volume through a new per-user file and save again.
    WriteBytes(UserFile(), MakeSetting({{TSmallEQModule::kVolumeIndex, -12.0f}}));
    ASSERT_EQ(Init(), 0);
    EXPECT_NEAR(VolumeDbOf(ProcessConstant(1000)), -12.0, 0.1);
    std::filesystem::remove(std::filesystem::u8path(PlayerFile() + ".tmp"));
    Quit(); // the folder is writable again: the player's file takes the setting, the per-user copy goes
    EXPECT_FALSE(FileExists(UserFile()));
    EXPECT_EQ(FileBytes(PlayerFile()), MakeSetting({{TSmallEQModule::kVolumeIndex, -12.0f}}));
    ASSERT_EQ(Init(), 0);
    EXPECT_NEAR(VolumeDbOf(ProcessConstant(1000)), -12.0, 0.1);
}

// A setting that can be written nowhere (neither the player's folder nor the user's): the listener is told
// once, as a setting that cannot be loaded is, and the teardown is complete.
TEST_F(TFmWinAmpVSTTest, ASettingThatCannotBeSavedAnywhereIsToldOnceAtQuit)
{
    ASSERT_EQ(Init(), 0);
    ASSERT_TRUE(ForceDirectories(PlayerFile() + ".tmp"));
    const std::string Blocker = UserFolder() + "not-a-folder";
    ASSERT_TRUE(ForceDirectories(UserFolder()));
    WriteBytes(Blocker, {1});
    SetEnvironmentValue(kUserFolderVariable, Blocker + kSep + "inside" + kSep);
    std::vector<TMessageBoxRecord> Boxes;
    {
        TMessageBoxAnswerer Answerer;
        Quit();
        Boxes = Answerer.Records();
    }
    SetEnvironmentValue(kUserFolderVariable, UserFolder());
    std::filesystem::remove(std::filesystem::u8path(PlayerFile() + ".tmp"));
    RemoveFile(Blocker);
    EXPECT_TRUE(MarvoWindows().empty());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_FALSE(Boxes[0].Text.empty());
    EXPECT_FALSE(FileExists(PlayerFile()));
}

// A save interrupted half-way (a crash, a full disk) leaves the previous file whole, and the leftover
// temporary does not disturb the next start or save.
TEST_F(TFmWinAmpVSTTest, AnInterruptedSaveLeavesTheOldSettingIntact)
{
    const std::vector<std::uint8_t> Old = MakeSetting({{TSmallEQModule::kVolumeIndex, -9.0f}});
    WriteBytes(PlayerFile(), Old);
    const std::vector<std::uint8_t> New = MakeSetting({{TSmallEQModule::kVolumeIndex, 3.0f}});
    {
        TAtomicFileWriter Writer(PlayerFile());
        Writer.Write(New.data(), New.size() / 2);
        EXPECT_EQ(FileBytes(PlayerFile()), Old) << "mid-write";
    }
    std::vector<std::uint8_t> Half(New.begin(), New.begin() + static_cast<long>(New.size() / 2));
    {
        TAtomicFileWriter Leftover(PlayerFile() + ".tmp"); // what a crash leaves: a truncated temporary
        Leftover.Write(Half.data(), Half.size());
        Leftover.Commit();
    }
    EXPECT_EQ(FileBytes(PlayerFile()), Old);
    ASSERT_EQ(Init(), 0);
    EXPECT_NEAR(VolumeDbOf(ProcessConstant(1000)), -9.0, 0.1);
    Quit();
    EXPECT_EQ(FileBytes(PlayerFile()), Old);
    EXPECT_FALSE(FileExists(PlayerFile() + ".tmp"));
}

} // namespace
