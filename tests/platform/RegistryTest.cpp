// Registry round trips on both backends (Win32: the real registry under a test key of the current user;
// headless: the file-backed stand-in under a private XDG_CONFIG_HOME).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Registry.h"

#ifdef MARVO_HEADLESS
#include <filesystem>

#include "support/TempPath.h"
#endif

namespace
{

class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto Stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        Base = "Software\\MarvoPlatformTest\\Run" + std::to_string(Stamp);
#ifdef MARVO_HEADLESS
        Folder = TempPath("registry-" + std::to_string(Stamp));
        std::filesystem::create_directories(Folder);
        ::setenv("XDG_CONFIG_HOME", Folder.c_str(), 1);
#endif
    }
    void TearDown() override
    {
        TRegistry R;
        R.DeleteKey(Base);
#ifdef MARVO_HEADLESS
        std::filesystem::remove_all(Folder);
#endif
    }
    std::string Base;
#ifdef MARVO_HEADLESS
    std::filesystem::path Folder;
#endif
};

TEST_F(RegistryTest, ValuesSurviveAReopenUnderAnyCaseOfTheKeyName)
{
    {
        TRegistry W;
        W.SetRootKey(TRegistryRoot::rrCurrentUser);
        ASSERT_TRUE(W.OpenKey(Base + "\\Zentrova\\Marvo\\WinAmp", true));
        W.WriteInteger("Visible", 1);
        W.WriteInteger("Left", -17);
        W.WriteInteger("Top", 2147483647);
        W.WriteString("Path", "C:\\Winamp\\Plugins\\\ttab\nline");
        W.WriteInteger("left", 240); // value names ignore case as well
        W.CloseKey();
    }
    TRegistry R;
    std::string Upper = Base + "\\ZENTROVA\\marvo\\winamp";
    ASSERT_TRUE(R.OpenKeyReadOnly(Upper));
    EXPECT_TRUE(R.ValueExists("VISIBLE"));
    EXPECT_EQ(R.ReadInteger("Visible"), 1);
    EXPECT_EQ(R.ReadInteger("Left"), 240);
    EXPECT_EQ(R.ReadInteger("Top"), 2147483647);
    EXPECT_EQ(R.ReadString("Path"), "C:\\Winamp\\Plugins\\\ttab\nline");
    EXPECT_FALSE(R.ValueExists("Missing"));
    EXPECT_EQ(R.ReadString("Missing"), "");
    EXPECT_TRUE(R.KeyExists(Base + "\\Zentrova")) << "creating a key creates the keys above it";
}

TEST_F(RegistryTest, FailuresAreAnswersOrTheToolkitsErrors)
{
    TRegistry R;
    EXPECT_FALSE(R.OpenKeyReadOnly(Base + "\\NotThere"));
    EXPECT_FALSE(R.OpenKey(Base + "\\NotThere", false));
    EXPECT_THROW(R.ReadInteger("Visible"), EMarvoError) << "no key open";
    EXPECT_THROW(R.WriteInteger("Visible", 1), EMarvoError) << "no key open";

    ASSERT_TRUE(R.OpenKey(Base, true));
    R.WriteString("Text", "abc");
    R.WriteInteger("Number", 5);
    try
    {
        R.ReadInteger("Text");
        ADD_FAILURE() << "a string read as an integer must fail";
    }
    catch (const EMarvoError& E)
    {
        EXPECT_EQ(std::string(E.what()), "Invalid data type for 'Text'");
    }
    EXPECT_THROW(R.ReadString("Number"), EMarvoError);
    EXPECT_THROW(R.ReadInteger("Absent"), EMarvoError);

    ASSERT_TRUE(R.OpenKeyReadOnly(Base));
    EXPECT_THROW(R.WriteInteger("Number", 6), EMarvoError) << "read-only key";
    EXPECT_EQ(R.ReadInteger("Number"), 5);
}

TEST_F(RegistryTest, RootsAreSeparate)
{
    TRegistry R;
    R.SetRootKey(TRegistryRoot::rrCurrentUser);
    ASSERT_TRUE(R.OpenKey(Base, true));
    R.WriteString("VstPluginsPath", "user");
    R.CloseKey();
    R.SetRootKey(TRegistryRoot::rrLocalMachine);
    EXPECT_FALSE(R.OpenKeyReadOnly(Base));
}

#ifdef MARVO_HEADLESS

TEST_F(RegistryTest, KeyNamesThatCouldLeaveTheFolderAreRefused)
{
    TRegistry R;
    for (const char* Bad : {"..", "Software\\..\\..\\etc", "a\\\\b", "/etc/passwd", "a/b", ".", "", "\\"})
    {
        EXPECT_FALSE(R.OpenKey(Bad, true)) << Bad;
        EXPECT_FALSE(R.OpenKeyReadOnly(Bad)) << Bad;
        EXPECT_FALSE(R.DeleteKey(Bad)) << Bad;
    }
    namespace fs = std::filesystem;
    for (const auto& Entry : fs::recursive_directory_iterator(Folder))
        EXPECT_EQ(Entry.path().string().rfind((Folder / "marvo" / "registry").string(), 0), 0u) << Entry.path();
}

TEST_F(RegistryTest, OneLowerCaseFilePerKeyUnderTheConfigFolder)
{
    TRegistry R;
    ASSERT_TRUE(R.OpenKey("SOFTWARE\\Zentrova\\Marvo\\WinAmp", true));
    R.WriteInteger("Visible", 0);
    namespace fs = std::filesystem;
    EXPECT_TRUE(fs::is_regular_file(Folder / "marvo/registry/hkcu/software/zentrova/marvo/winamp.key"));
    EXPECT_TRUE(fs::is_regular_file(Folder / "marvo/registry/hkcu/software.key"));
    EXPECT_TRUE(R.DeleteKey("Software\\Zentrova"));
    EXPECT_FALSE(R.KeyExists("Software\\Zentrova\\Marvo\\WinAmp"));
    EXPECT_FALSE(fs::exists(Folder / "marvo/registry/hkcu/software/zentrova"));
}

#endif

} // namespace
