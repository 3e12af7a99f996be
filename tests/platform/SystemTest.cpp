// Operating-system services on both backends: the lock, libraries, error texts, paths.
#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <latch>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifdef MARVO_WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "platform/System.h"

namespace
{

TEST(CriticalSection, TheOwnerReentersAndOthersWaitForTheLastLeave)
{
    TCriticalSection Lock;
    Lock.Enter();
    Lock.Enter();
    EXPECT_TRUE(Lock.TryEnter());
    auto OtherThreadGetsIt = [&] {
        bool Got = false;
        std::thread T([&] {
            Got = Lock.TryEnter();
            if (Got)
                Lock.Leave();
        });
        T.join();
        return Got;
    };
    Lock.Leave();
    Lock.Leave();
    EXPECT_FALSE(OtherThreadGetsIt()) << "still held once";
    Lock.Leave();
    EXPECT_TRUE(OtherThreadGetsIt());
}

TEST(CriticalSection, SerialisesTwoThreads)
{
    TCriticalSection Lock;
    long Counter = 0;
    auto Work = [&] {
        for (int I = 0; I < 20000; ++I)
        {
            Lock.Enter();
            Lock.Enter();
            ++Counter;
            Lock.Leave();
            Lock.Leave();
        }
    };
    std::thread A(Work), B(Work);
    A.join();
    B.join();
    EXPECT_EQ(Counter, 40000);
}

// The parameter guards tell threads apart by this key: threads alive at once must never share one.
TEST(ThreadKey, IsStableOnAThreadAndDistinctAcrossLiveThreads)
{
    constexpr int kThreads = 8;
    std::latch AllRead(kThreads);
    std::vector<std::uintptr_t> Keys(kThreads);
    std::atomic<int> Unstable{0};
    std::vector<std::thread> Threads;
    for (int I = 0; I < kThreads; ++I)
        Threads.emplace_back([&, I] {
            Keys[static_cast<std::size_t>(I)] = CurrentThreadKey();
            AllRead.arrive_and_wait(); // every thread is alive while the others read theirs
            if (CurrentThreadKey() != Keys[static_cast<std::size_t>(I)])
                ++Unstable;
        });
    for (std::thread& T : Threads)
        T.join();
    std::set<std::uintptr_t> Distinct(Keys.begin(), Keys.end());
    Distinct.insert(CurrentThreadKey());
    EXPECT_EQ(Distinct.size(), static_cast<std::size_t>(kThreads + 1));
    EXPECT_EQ(Distinct.count(0), 0u);
    EXPECT_EQ(Unstable.load(), 0);
}

TEST(Libraries, AFailedLoadLeavesTheSystemsText)
{
    const TLibraryHandle H = LoadDynamicLibrary("no-such-folder/no-such-plugin.dll");
    EXPECT_EQ(H, 0u);
    const std::uint32_t Error = LastSystemError();
    EXPECT_NE(Error, 0u);
    const std::string Text = SystemErrorMessage(Error);
    EXPECT_FALSE(Text.empty());
    EXPECT_NE(Text.back(), '\n');
}

TEST(Libraries, ASystemLibraryLoadsAndAnswersItsEntries)
{
#ifdef MARVO_WIN32
    const char* Library = "kernel32.dll";
    const char* Entry = "GetTickCount";
#else
    const char* Library = "libm.so.6";
    const char* Entry = "cos";
#endif
    const TLibraryHandle H = LoadDynamicLibrary(Library);
    ASSERT_NE(H, 0u);
    EXPECT_NE(GetLibraryEntry(H, Entry), nullptr);
    EXPECT_EQ(GetLibraryEntry(H, "VSTPluginMain"), nullptr);
    FreeDynamicLibrary(H);
}

TEST(Paths, FolderPartKeepsTheTrailingSeparator)
{
    struct
    {
        const char* Path;
        const char* Folder;
    } const Cases[] = {
        {"C:\\Winamp\\winamp.exe", "C:\\Winamp\\"}, {"/usr/bin/winamp", "/usr/bin/"}, {"winamp.exe", ""},
        {"C:winamp.exe", "C:"}, {"C:\\", "C:\\"}, {"", ""},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ExtractFilePath(C.Path), C.Folder) << C.Path;
}

TEST(Paths, TheRunningExecutableExists)
{
    const std::string Exe = ExecutablePath();
    ASSERT_FALSE(Exe.empty());
    EXPECT_TRUE(FileExists(Exe));
    EXPECT_FALSE(FileExists(ExtractFilePath(Exe))) << "a folder is not a file";
    EXPECT_FALSE(FileExists(ExtractFilePath(Exe) + "no-such-file.fxp"));
}

TEST(SystemColours, AreOpaque)
{
    for (int Index : {5, 8, 15})
        EXPECT_EQ(SystemColorARGB(Index) >> 24, 0xFFu) << Index;
}

#ifdef MARVO_WIN32
TEST(DecimalSeparator, IsTheUserLocalesSetting)
{
    wchar_t Wide[16] = {};
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Wide, 16), 1);
    char Utf8[64] = {};
    ASSERT_GT(WideCharToMultiByte(CP_UTF8, 0, Wide, -1, Utf8, sizeof Utf8, nullptr, nullptr), 1);
    EXPECT_EQ(DecimalSeparator(), Utf8);
}
#else
TEST(DecimalSeparator, FollowsTheProgramsNumericLocale)
{
    EXPECT_EQ(DecimalSeparator(), ".") << "the C locale until the program sets another";
    const std::string Before = std::setlocale(LC_NUMERIC, nullptr);
    const char* Comma = nullptr;
    for (const char* Name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
        if (std::setlocale(LC_NUMERIC, Name))
        {
            Comma = Name;
            break;
        }
    if (!Comma)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    const std::string InComma = DecimalSeparator();
    std::setlocale(LC_NUMERIC, Before.c_str());
    EXPECT_EQ(InComma, ",") << Comma;
    EXPECT_EQ(DecimalSeparator(), ".") << "read afresh after the locale returned";
}
#endif

} // namespace
