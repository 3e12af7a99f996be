#pragma once
// Internal to the Win32 backend: the Windows headers (with the macros that collide with toolkit names
// removed), text conversion and the backend state of controls and timers. [window thread]
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

namespace Win32
{

std::wstring Widen(const std::string& S);
std::string Narrow(const std::wstring& S);

// The window class of forms (and of the hidden window that parks unparented controls and receives timer
// messages), registered with this module's instance.
HINSTANCE ModuleInstance();
HWND ParkingWindow();

} // namespace Win32

enum class TControlKind { ckForm, ckLabel, ckScrollBar, ckTrackBar, ckComboBox };

struct TControl::TImpl
{
    TControl* Self = nullptr;
    TControlKind Kind = TControlKind::ckForm;
    HWND Wnd = nullptr;
    unsigned Anchors = akLeft | akTop;
    int TabOrder = 0;

    // Forms.
    std::string Caption;
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    unsigned BorderIcons = 0;
    std::uint32_t Color = 0;
    HBRUSH Brush = nullptr;
    TFormPosition Position = TFormPosition::poDesigned;
    HWND OwnerWindow = nullptr;
    HWND ParentWindow = nullptr;
    bool FixedOpaque = false;
    TControl* ActiveControl = nullptr;
    HDC PaintDC = nullptr; // set while OnPaint runs inside WM_PAINT

    // Labels.
    bool AutoSize = true;
    bool Centered = false;

    // Scroll bars and track bars.
    int Min = 0, Max = 100, Position_ = 0, LargeChange = 1, Frequency = 1, SelStart = 0, SelEnd = 0;
    bool NoTicks = false;

    // Combo boxes.
    std::vector<std::string> Items;
    int ItemIndex = -1;
    int ItemHeight = 13;
    std::uint32_t FontColor = 0xFF000000;
};
