#pragma once
// Internal to the Win32 platform layer: the Windows headers (with the macros that collide with our names
// removed) and text conversion between UTF-8 and the system's UTF-16.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>
#undef SendMessage

#include <string>

namespace Win32
{

// [any]
std::wstring Widen(const std::string& S);
std::string Narrow(const std::wstring& S);

} // namespace Win32
