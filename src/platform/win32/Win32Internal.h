#pragma once
// Internal to the Win32 backend: the Windows headers (with the macros that collide with toolkit names
// removed), text conversion and the backend state of controls and timers. [editor]
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#undef SendMessage

#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/FormsBackend.h"

namespace Win32
{

std::wstring Widen(const std::string& S);
std::string Narrow(const std::wstring& S);

// The window class of forms (and of the hidden window that parks unparented controls and receives timer
// messages), registered with this module's instance.
HINSTANCE ModuleInstance();
HWND ParkingWindow();

} // namespace Win32

struct TControl::TImpl : TControlState
{
    HWND Wnd = nullptr;

    // Forms.
    HBRUSH Brush = nullptr;
    HWND OwnerWindow = nullptr;
    HWND ParentWindow = nullptr;
    HDC PaintDC = nullptr; // set while OnPaint runs inside WM_PAINT
    bool WheelCounted = false; // counted in its thread's wheel hook (see CountFormForWheel)
};
