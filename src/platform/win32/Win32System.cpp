// Win32 system services: critical section, Sleep, files, the executable's path, libraries and error texts.
// Every function here may run on any thread ([any]); the lock is entered on the audio thread.
#include "platform/win32/Win32Api.h"

#include <shlobj.h>

#include "platform/FPUControl.h"
#include "platform/FileBackend.h"
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
// [thread-safe]
void TCriticalSection::Enter() { EnterCriticalSection(&FImpl->Section); }
// [thread-safe]
void TCriticalSection::Leave() { LeaveCriticalSection(&FImpl->Section); }
// [thread-safe]
bool TCriticalSection::TryEnter() { return TryEnterCriticalSection(&FImpl->Section) != 0; }

// [any]
void SystemSleep(unsigned Milliseconds)
{
    Sleep(Milliseconds);
}

// [any] True for an existing file that is not a directory.
bool FileExists(const std::string& Path)
{
    if (Path.empty())
        return false;
    const DWORD A = GetFileAttributesW(Widen(Path).c_str());
    return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
}

// [any]
std::string UserSettingsFolder()
{
    std::wstring Folder;
    if (const DWORD N = GetEnvironmentVariableW(L"APPDATA", nullptr, 0); N > 1)
    {
        Folder.resize(N);
        Folder.resize(GetEnvironmentVariableW(L"APPDATA", Folder.data(), N));
    }
    if (Folder.empty())
    {
        wchar_t Buffer[MAX_PATH] = {};
        if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, Buffer) == S_OK)
            Folder = Buffer;
    }
    if (Folder.empty())
        return {};
    if (Folder.back() != L'\\' && Folder.back() != L'/')
        Folder.push_back(L'\\');
    return Narrow(Folder);
}

namespace
{

bool DirectoryExists(const std::wstring& Path)
{
    const DWORD A = GetFileAttributesW(Path.c_str());
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsSeparator(char C)
{
    return C == '\\' || C == '/';
}

} // namespace

// [any] Parents first; a folder that another thread creates meanwhile counts as created. A drive
// ("C:") or a share ("\\server\share") is never created, only found.
bool ForceDirectories(const std::string& Path)
{
    if (Path.empty())
        return false;
    std::string P = Path;
    while (P.size() > 1 && IsSeparator(P.back()))
        P.pop_back();
    const std::wstring W = Widen(P);
    if (DirectoryExists(W) || DirectoryExists(W + L"\\"))
        return true;
    const std::string Parent = ExtractFilePath(P);
    if (!Parent.empty() && Parent.size() < P.size() && !ForceDirectories(Parent))
        return false;
    return CreateDirectoryW(W.c_str(), nullptr) || DirectoryExists(W);
}

// [any]
bool RemoveFile(const std::string& Path)
{
    if (Path.empty())
        return false;
    const std::wstring W = Widen(Path);
    if (!DeleteFileW(W.c_str()) && GetLastError() == ERROR_ACCESS_DENIED)
    {
        const DWORD A = GetFileAttributesW(W.c_str());
        if (A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY) && (A & FILE_ATTRIBUTE_READONLY) &&
            SetFileAttributesW(W.c_str(), A & ~FILE_ATTRIBUTE_READONLY))
            DeleteFileW(W.c_str());
    }
    if (GetFileAttributesW(W.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD Error = GetLastError();
    return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND;
}

// [any]
bool RenameFileReplacing(const std::string& From, const std::string& To)
{
    return !From.empty() && !To.empty() &&
           MoveFileExW(Widen(From).c_str(), Widen(To).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// [any] Opened with every sharing mode, so that a file another program holds open is still read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& Path)
{
    if (Path.empty())
        return std::nullopt;
    const HANDLE H = CreateFileW(Widen(Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (H == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<std::uint8_t> Data;
    LARGE_INTEGER Size{};
    bool Ok = GetFileType(H) == FILE_TYPE_DISK && GetFileSizeEx(H, &Size) && Size.QuadPart < 0x7FFFFFFF;
    if (Ok)
        Data.reserve(static_cast<std::size_t>(Size.QuadPart));
    std::uint8_t Buffer[65536];
    while (Ok)
    {
        DWORD N = 0;
        Ok = ReadFile(H, Buffer, sizeof Buffer, &N, nullptr) != 0;
        if (!Ok || N == 0)
            break;
        Data.insert(Data.end(), Buffer, Buffer + N);
    }
    CloseHandle(H);
    if (!Ok)
        return std::nullopt;
    return Data;
}

namespace FileBackend
{

// [any] No sharing while it is written: nobody reads a half-written temporary.
std::optional<TFile> CreateFresh(const std::string& Path, const std::string& /*ModelPath*/)
{
    const std::wstring W = Widen(Path);
    const DWORD A = GetFileAttributesW(W.c_str());
    if (A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY))
        RemoveFile(Path);
    const HANDLE H = CreateFileW(W.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE)
        return std::nullopt;
    return reinterpret_cast<TFile>(H);
}

// [any]
bool WriteAll(TFile File, const void* Data, std::size_t Size)
{
    const auto* P = static_cast<const char*>(Data);
    while (Size > 0)
    {
        const DWORD Chunk = Size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(Size);
        DWORD N = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(File), P, Chunk, &N, nullptr) || N == 0)
            return false;
        P += N;
        Size -= N;
    }
    return true;
}

// [any]
bool FlushToDisk(TFile File)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(File)) != 0;
}

// [any]
bool Close(TFile File)
{
    return CloseHandle(reinterpret_cast<HANDLE>(File)) != 0;
}

// [any] MoveFileExW wrote the rename through already.
void FlushFolderOf(const std::string&) {}

} // namespace FileBackend

// [any]
char PathSeparator()
{
    return '\\';
}

// [any] The host process's executable (the player), not this library.
std::string ExecutablePath()
{
    std::vector<wchar_t> Buffer(32768);
    const DWORD N = GetModuleFileNameW(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    return Narrow(std::wstring(Buffer.data(), N));
}

// [any]
bool StandardErrorIsTerminal()
{
    const HANDLE H = GetStdHandle(STD_ERROR_HANDLE);
    return H != nullptr && H != INVALID_HANDLE_VALUE && GetFileType(H) == FILE_TYPE_CHAR;
}

// [any] The load runs with failure dialogs suppressed (error mode 7); the previous error mode and
// the x87 control word (which a library's start-up code may change) are restored afterwards.
// The thread's own information block (fs:[0x18] on i686, gs:[0x30] on x86-64): the C library's
// pthread_self allocates for threads it did not create.
std::uintptr_t CurrentThreadKey()
{
    std::uintptr_t Key;
#if defined(__i386__)
    asm volatile("movl %%fs:0x18, %0" : "=r"(Key));
#elif defined(__x86_64__)
    asm volatile("movq %%gs:0x30, %0" : "=r"(Key));
#else
#error "no thread identity for this Windows processor"
#endif
    return Key;
}

const char* DynamicLibraryExtension()
{
    return ".dll";
}

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

// [any]
void* GetLibraryEntry(TLibraryHandle Library, const char* Name)
{
    if (!Library || !Name)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(Library), Name));
}

// [any]
void FreeDynamicLibrary(TLibraryHandle Library)
{
    if (Library)
        FreeLibrary(reinterpret_cast<HMODULE>(Library));
}

// [any]
std::uint32_t LastSystemError()
{
    return GetLastError();
}

// [any] The system message table's text in the default language, at most 256 characters, without
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

// [any] The user's setting as Control Panel keeps it (at most three characters).
std::string DecimalSeparator()
{
    wchar_t Buffer[16] = {};
    const int N = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Buffer,
                                 static_cast<int>(sizeof Buffer / sizeof Buffer[0]));
    return N > 1 && Buffer[0] ? Narrow(Buffer) : std::string(".");
}

// [any]
std::uint32_t SystemColorARGB(int Index)
{
    const COLORREF C = GetSysColor(Index);
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(C)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(C)) << 8) | GetBValue(C);
}
