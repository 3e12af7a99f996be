#pragma once
// Helpers shared by the platform tests of both backends.
#include <chrono>

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
