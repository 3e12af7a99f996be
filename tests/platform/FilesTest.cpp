// Files on both backends: folders, deleting, replacing renames, whole-file reads, the settings folder and
// the atomic writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#ifdef MARVO_WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "PlatformTestSupport.h"
#include "platform/AtomicFile.h"
#include "platform/Exceptions.h"

namespace
{

using Files = ScratchFolderTest;

std::optional<std::string> Content(const std::string& Path)
{
    const auto Data = ReadWholeFile(Path);
    if (!Data)
        return std::nullopt;
    return std::string(Data->begin(), Data->end());
}

void Put(const std::string& Path, const std::string& Text)
{
    WriteFileAtomically(Path, Text.data(), Text.size());
}

// The EMarvoError message that Action raised, or "" when it raised nothing.
std::string ErrorOf(const std::function<void()>& Action)
{
    try
    {
        Action();
    }
    catch (const EMarvoError& E)
    {
        return E.what();
    }
    return {};
}

TEST_F(Files, FolderDeleteRenameAndReadAnswerByWhatIsThereAfterwards)
{
    const std::string Deep = Folder + "a" + kPathSeparator + "b" + kPathSeparator + "c" + kPathSeparator;
    const std::string File = Deep + "Einstellungen-\xC3\xBC.ini", Other = Deep + "other.ini", Empty = Deep + "empty";
    struct
    {
        const char* What;
        std::function<bool()> Step;
    } const Steps[] = {
        {"a missing chain of folders is created", [&] { return ForceDirectories(Deep) && !FileExists(Deep); }},
        {"an existing folder counts as created", [&] { return ForceDirectories(Deep.substr(0, Deep.size() - 1)); }},
        {"no name is no folder", [&] { return !ForceDirectories(""); }},
        {"a file of a non-ASCII name is read whole", [&] { Put(File, "one"); return Content(File) == "one"; }},
        {"a file occupies the name of a folder", [&] { return !ForceDirectories(File) && Content(File) == "one"; }},
        {"an empty file reads as empty", [&] { Put(Empty, ""); return Content(Empty) == ""; }},
        {"a folder or a missing file reads as nothing",
         [&] { return !ReadWholeFile(Deep) && !ReadWholeFile(Deep + "missing") && !ReadWholeFile(""); }},
        {"a rename replaces the target in one step",
         [&] { Put(Other, "two"); return RenameFileReplacing(Other, File) && Content(File) == "two" && !FileExists(Other); }},
        {"renaming a missing file fails and leaves the target",
         [&] { return !RenameFileReplacing(Other, File) && Content(File) == "two"; }},
        {"a file is removed", [&] { return RemoveFile(File) && !FileExists(File); }},
        {"a file that is not there is gone", [&] { return RemoveFile(File) && RemoveFile(Deep + "x" + kPathSeparator + "y"); }},
        {"a folder is not a file to remove", [&] { return !RemoveFile(Folder + "a") && ForceDirectories(Deep); }},
    };
    for (const auto& S : Steps)
        EXPECT_TRUE(S.Step()) << S.What;
}

TEST_F(Files, AtomicWriteReplacesTheWholeContentOverAStaleTemporary)
{
    const std::string Path = Folder + "program.fxp";
    Put(Path, "an old content, longer than the new one");
    Put(Path + ".tmp", "a stale temporary of an earlier crash");
    Put(Path, "new");
    EXPECT_EQ(Content(Path), "new");
    EXPECT_FALSE(FileExists(Path + ".tmp"));
}

TEST_F(Files, OldFileStaysWholeWhileAWriterWritesAndWhenItIsNotCommitted)
{
    const std::string Path = Folder + "bank.fxb", Old = "old bank";
    Put(Path, Old);
    {
        TAtomicFileWriter Writer(Path);
        EXPECT_EQ(Writer.TemporaryPath(), Path + ".tmp");
        Writer.Write("half a ", 7);
        EXPECT_EQ(Content(Path), Old);
        EXPECT_TRUE(FileExists(Writer.TemporaryPath()));
    }
    EXPECT_EQ(Content(Path), Old);
    EXPECT_FALSE(FileExists(Path + ".tmp"));

    TAtomicFileWriter Writer(Path);
    Writer.Write("new ", 4);
    Writer.Write("bank", 4);
    EXPECT_EQ(Content(Path), Old);
    Writer.Commit();
    EXPECT_EQ(Content(Path), "new bank");
    EXPECT_FALSE(FileExists(Path + ".tmp"));
    EXPECT_EQ(ErrorOf([&] { Writer.Write("x", 1); }), "cannot write '" + Path + "'") << "spent after Commit";
}

TEST_F(Files, AFailedAtomicWriteLeavesTheOldFileAndNoTemporary)
{
    const std::string Path = Folder + "settings.ini", Old = "old settings";
    Put(Path, Old);
    ASSERT_TRUE(ForceDirectories(Path + ".tmp" + kPathSeparator + "inside"));
    EXPECT_EQ(ErrorOf([&] { Put(Path, "new settings"); }), "cannot create '" + Path + ".tmp'");
    EXPECT_EQ(Content(Path), Old);
    EXPECT_TRUE(ForceDirectories(Path + ".tmp" + kPathSeparator + "inside")) << "not the writer's to remove";

    // The name is a folder: the replacing rename fails at Commit.
    const std::string Occupied = Folder + "occupied";
    ASSERT_TRUE(ForceDirectories(Occupied + kPathSeparator + "inside"));
    EXPECT_EQ(ErrorOf([&] { Put(Occupied, "new settings"); }), "cannot replace '" + Occupied + "'");
    EXPECT_FALSE(FileExists(Occupied + ".tmp"));
    EXPECT_FALSE(FileExists(Occupied));
}

#ifdef MARVO_WIN32
constexpr const char* kSettingsVariable = "APPDATA";
#else
constexpr const char* kSettingsVariable = "XDG_CONFIG_HOME";
#endif

// Sets (or with nothing, removes) an environment variable of this process until destroyed.
class TEnvironmentVariable
{
public:
    explicit TEnvironmentVariable(const char* Name) : FName(Name)
    {
        if (const char* V = std::getenv(Name))
            FSaved = V;
    }
    ~TEnvironmentVariable() { Set(FSaved); }
    void Set(const std::optional<std::string>& Value)
    {
#ifdef MARVO_WIN32
        SetEnvironmentVariableA(FName, Value ? Value->c_str() : nullptr);
#else
        if (Value)
            setenv(FName, Value->c_str(), 1);
        else
            unsetenv(FName);
#endif
    }

private:
    const char* FName;
    std::optional<std::string> FSaved;
};

TEST(SettingsFolder, FollowsItsEnvironmentVariableWithOneTrailingSeparator)
{
    TEnvironmentVariable Variable(kSettingsVariable);
    const std::string Base = ExtractFilePath(ExecutablePath()) + "settings";
    Variable.Set(Base);
    EXPECT_EQ(UserSettingsFolder(), Base + kPathSeparator);
    Variable.Set(Base + kPathSeparator);
    EXPECT_EQ(UserSettingsFolder(), Base + kPathSeparator);
    Variable.Set(std::nullopt);
#ifdef MARVO_WIN32
    const std::string Shell = UserSettingsFolder();
    ASSERT_FALSE(Shell.empty()) << "the shell's application-data folder";
    EXPECT_EQ(Shell.back(), '\\');
#else
    TEnvironmentVariable Home("HOME");
    Home.Set("/home/listener");
    EXPECT_EQ(UserSettingsFolder(), "/home/listener/.config/");
    Variable.Set("relative/config");
    EXPECT_EQ(UserSettingsFolder(), "/home/listener/.config/") << "a relative folder is ignored";
    Variable.Set(std::nullopt);
    Home.Set(std::nullopt);
    EXPECT_EQ(UserSettingsFolder(), "");
#endif
}

} // namespace
