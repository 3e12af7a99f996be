#pragma once
// Helpers shared by the platform tests of both backends.
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "platform/Forms.h"
#include "platform/System.h"
#ifdef MARVO_HEADLESS
#include "platform/headless/HeadlessDriver.h"
#endif

// Lets at least Milliseconds of window time pass and processes the messages that became due: the virtual
// clock on the headless backend, the real one (with a message loop) on Win32.
inline void LetTimePass(unsigned Milliseconds)
{
#ifdef MARVO_HEADLESS
    HeadlessDriver::AdvanceTime(Milliseconds);
    Application().ProcessMessages();
#else
    const auto Until = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
    do
    {
        Application().ProcessMessages();
        SystemSleep(5);
    } while (std::chrono::steady_clock::now() < Until);
    Application().ProcessMessages();
#endif
}

inline TFormDeclaration Declaration(TFormBorderStyle Style, int ClientWidth, int ClientHeight)
{
    TFormDeclaration D;
    D.Name = "TestForm";
    D.Caption = "Test";
    D.BorderStyle = Style;
    D.ClientWidth = ClientWidth;
    D.ClientHeight = ClientHeight;
    return D;
}

// The path separator of the build's system.
#ifdef MARVO_WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// An empty folder beside the test program for the running test (named after it, so that tests running in
// parallel processes do not meet), with a trailing separator; removed with everything in it at the end.
class ScratchFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Folder = ExtractFilePath(ExecutablePath()) + "scratch-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + kPathSeparator;
        RemoveAll();
        ASSERT_TRUE(ForceDirectories(Folder)) << Folder;
    }
    void TearDown() override { RemoveAll(); }
    void RemoveAll()
    {
        std::error_code Ignored;
        std::filesystem::remove_all(std::filesystem::path(Folder), Ignored);
    }
    std::string Folder;
};
