// The plug-in library itself, loaded as the player loads it: its own copy of the adapter behind the export.
#include "AdapterTestSupport.h"

namespace
{

TEST(AdapterLibraryTest, TheLoadedLibraryEqualisesAndKeepsItsSetting)
{
    const std::string Folder = ExtractFilePath(ExecutablePath());
    const std::string Setting = Folder + "Marvo.fxp";
    SetEnvironmentValue("XDG_CONFIG_HOME", Folder + "adapter-user/");
    RemoveFile(Setting);
    WriteBytes(Setting, MakeSetting({{TSmallEQModule::kVolumeIndex, -6.0f}}));

    const TLibraryHandle Library = LoadDynamicLibrary(Folder + "dsp_Marvo.so");
    ASSERT_NE(Library, 0u);
    auto Entry = reinterpret_cast<TWinampDSPGetHeader2>(GetLibraryEntry(Library, kWinampDSPEntryName));
    ASSERT_NE(Entry, nullptr);
    EXPECT_EQ(GetLibraryEntry(Library, "_Z15WinampDSPHeaderv"), nullptr) << "nothing but the export is visible";
    TWinampDSPHeader* Header = Entry();
    ASSERT_EQ(Header->version, 0x20);
    TWinampDSPModule* Module = Header->getModule(0);
    ASSERT_NE(Module, nullptr);
    EXPECT_NE(Header, WinampDSPHeader()) << "the library's records are its own";

    ASSERT_EQ(Module->Init(Module), 0);
    std::vector<std::int16_t> Block(576 * 2, 1000);
    EXPECT_EQ(Module->ModifySamples(Module, Block.data(), 576, 16, 2, 44100), 576);
    EXPECT_NEAR(Block.back(), 950 / 2, 4);
    RemoveFile(Setting);
    Module->Quit(Module);
    EXPECT_EQ(FileBytes(Setting), MakeSetting({{TSmallEQModule::kVolumeIndex, -6.0f}}));
    RemoveFile(Setting);
    FreeDynamicLibrary(Library);
}

} // namespace
