#pragma once
// A native window handle: HWND on Win32, the X window id on X11, the in-memory window on the headless backend.
using TNativeHandle = void*;
