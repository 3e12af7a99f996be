// UTF-8 and UTF-16, as the Windows calls take their texts.
#include "platform/win32/Win32Api.h"

namespace Win32
{

// [any]
std::wstring Widen(const std::string& S)
{
    if (S.empty())
        return {};
    const int N = MultiByteToWideChar(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
    std::wstring W(static_cast<std::size_t>(N), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), W.data(), N);
    return W;
}

// [any]
std::string Narrow(const std::wstring& W)
{
    if (W.empty())
        return {};
    const int N = WideCharToMultiByte(CP_UTF8, 0, W.data(), static_cast<int>(W.size()), nullptr, 0, nullptr, nullptr);
    std::string S(static_cast<std::size_t>(N), '\0');
    WideCharToMultiByte(CP_UTF8, 0, W.data(), static_cast<int>(W.size()), S.data(), N, nullptr, nullptr);
    return S;
}

} // namespace Win32
