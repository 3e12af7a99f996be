#pragma once
// Internal to the Win32 backend of the window toolkit: the common-controls headers and the backend state of
// controls and timers. [editor]
#include "platform/win32/Win32Api.h"

#include <commctrl.h>
#include <commdlg.h>
#undef SendMessage

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/FormsBackend.h"

namespace Win32
{

inline constexpr wchar_t kFormClass[] = L"MarvoForm";
inline constexpr wchar_t kControlProp[] = L"MarvoControl";
// A combo box's window is this much taller than its edit field: the room of its drop-down list.
inline constexpr int kComboDropHeight = 200;

// ---- Win32Application.cpp: the window class, the parking window, timers, resources

// The window class of forms (and of the hidden window that parks unparented controls and receives timer
// messages), registered with this module's instance.
HINSTANCE ModuleInstance();
HWND ParkingWindow();
// Registers the form class (and the common controls) once.
void RegisterClasses();
// The live timers by identifier.
using TTimerMap = std::map<UINT_PTR, TTimer*>;
TTimerMap& TimerMap();
COLORREF ToColorRef(std::uint32_t ARGB);
HFONT ControlFont();

// ---- Win32Messages.cpp: the window procedure of forms, input, the wheel hooks

LRESULT CALLBACK FormWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// The control whose window Wnd is, or null.
TControl* ControlOf(HWND Wnd);
// Fires a control's change handler, if assigned (FireEvent).
void FireChange(TComponent* Sender, TNotifyEvent Handler);
// A form was made on this thread (Delta 1) or destroyed (-1): the wheel hook lives while the thread has forms.
void CountFormForWheel(int Delta);
// Removes every thread's wheel hook (the library is unloading).
void ReleaseWheelHooks();

// ---- Win32Controls.cpp

// Sets or clears a style bit of a window and repaints it.
void SetStyleBit(HWND W, DWORD Bit, bool On);

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
