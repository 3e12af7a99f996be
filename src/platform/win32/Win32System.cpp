// Win32 system services: critical section, Sleep, files, the executable's path, libraries and error texts.
// Every function here may run on any thread ([any thread]); the lock is entered on the playback thread.
#include "platform/win32/Win32Internal.h"

#include "platform/FPUControl.h"
#include "platform/System.h"

using namespace Win32;

struct TCriticalSection::TImpl
{
    CRITICAL_SECTION Section;
};

TCriticalSection::TCriticalSection() : FImpl(std::make_unique<TImpl>())
{
    InitializeCriticalSection(&FImpl->Section);
}
TCriticalSection::~TCriticalSection()
{
    DeleteCriticalSection(&FImpl->Section);
}
// [any thread]
void TCriticalSection::Enter() { EnterCriticalSection(&FImpl->Section); }
// [any thread]
void TCriticalSection::Leave() { LeaveCriticalSection(&FImpl->Section); }
// [any thread]
bool TCriticalSection::TryEnter() { return TryEnterCriticalSection(&FImpl->Section) != 0; }

// [any thread]
void SystemSleep(unsigned Milliseconds)
{
    Sleep(Milliseconds);
}

// [any thread] True for an existing file that is not a directory.
bool FileExists(const std::string& Path)
{
    if (Path.empty())
        return false;
    const DWORD A = GetFileAttributesW(Widen(Path).c_str());
    return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
}

// [any thread] The host process's executable (the player), not this library.
std::string ExecutablePath()
{
    std::vector<wchar_t> Buffer(32768);
    const DWORD N = GetModuleFileNameW(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    return Narrow(std::wstring(Buffer.data(), N));
}

// [any thread]
bool StandardErrorIsTerminal()
{
    const HANDLE H = GetStdHandle(STD_ERROR_HANDLE);
    return H != nullptr && H != INVALID_HANDLE_VALUE && GetFileType(H) == FILE_TYPE_CHAR;
}

// [any thread] The load runs with failure dialogs suppressed (error mode 7); the previous error mode and
// the x87 control word (which a library's start-up code may change) are restored afterwards.
TLibraryHandle LoadDynamicLibrary(const std::string& Path)
{
    const UINT OldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOALIGNMENTFAULTEXCEPT);
    const std::uint16_t OldCW = Get8087CW();
    HMODULE M = LoadLibraryW(Widen(Path).c_str());
    const DWORD Error = GetLastError();
    SetErrorMode(OldMode);
    Set8087CW(OldCW);
    SetLastError(Error);
    return reinterpret_cast<TLibraryHandle>(M);
}

// [any thread]
void* GetLibraryEntry(TLibraryHandle Library, const char* Name)
{
    if (!Library || !Name)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(Library), Name));
}

// [any thread]
void FreeDynamicLibrary(TLibraryHandle Library)
{
    if (Library)
        FreeLibrary(reinterpret_cast<HMODULE>(Library));
}

// [any thread]
std::uint32_t LastSystemError()
{
    return GetLastError();
}

// [any thread] The system message table's text in the default language, at most 256 characters, without
// the trailing line break; "" when the system has no text for the number.
std::string SystemErrorMessage(std::uint32_t Error)
{
    wchar_t Buffer[257] = {};
    DWORD N = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Error, 0, Buffer, 256,
                             nullptr);
    while (N > 0 && (Buffer[N - 1] == L'\r' || Buffer[N - 1] == L'\n' || Buffer[N - 1] == L' '))
        --N;
    return Narrow(std::wstring(Buffer, N));
}

// [any thread]
std::uint32_t SystemColorARGB(int Index)
{
    const COLORREF C = GetSysColor(Index);
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(C)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(C)) << 8) | GetBValue(C);
}
