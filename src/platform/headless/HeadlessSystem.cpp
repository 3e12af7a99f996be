// Headless system services: a recursive mutex for the lock, dlopen for libraries, /proc for the executable.
// Every function here may run on any thread ([any thread]); the lock is entered on the playback thread.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/System.h"

struct TCriticalSection::TImpl
{
    std::recursive_mutex Mutex;
};

TCriticalSection::TCriticalSection() : FImpl(std::make_unique<TImpl>()) {}
TCriticalSection::~TCriticalSection() = default;
// [any thread]
void TCriticalSection::Enter() { FImpl->Mutex.lock(); }
// [any thread]
void TCriticalSection::Leave() { FImpl->Mutex.unlock(); }
// [any thread]
bool TCriticalSection::TryEnter() { return FImpl->Mutex.try_lock(); }

// [any thread]
void SystemSleep(unsigned Milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

// [any thread] True for an existing file that is not a directory.
bool FileExists(const std::string& Path)
{
    struct stat St{};
    return !Path.empty() && ::stat(Path.c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
}

// [any thread]
std::string ExecutablePath()
{
    char Buffer[4096];
    const ssize_t N = ::readlink("/proc/self/exe", Buffer, sizeof Buffer - 1);
    return N > 0 ? std::string(Buffer, static_cast<std::size_t>(N)) : std::string();
}

// [any thread]
bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

namespace
{

// The numbers follow the Windows error codes, so callers see the same numbers in both builds.
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorProcNotFound = 127;
constexpr std::uint32_t kErrorBadExeFormat = 193;

thread_local std::uint32_t LastError = 0;
thread_local std::string LastErrorText; // the loader's own text for LastError, when it gave one

void SetLastError(std::uint32_t Error, const char* Text)
{
    LastError = Error;
    LastErrorText = Text ? Text : "";
}

} // namespace

// [any thread]
TLibraryHandle LoadDynamicLibrary(const std::string& Path)
{
    ::dlerror();
    void* H = ::dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!H)
    {
        const char* Text = ::dlerror();
        SetLastError(FileExists(Path) ? kErrorBadExeFormat : kErrorModNotFound, Text);
        return 0;
    }
    return reinterpret_cast<TLibraryHandle>(H);
}

// [any thread]
void* GetLibraryEntry(TLibraryHandle Library, const char* Name)
{
    if (!Library || !Name)
    {
        SetLastError(kErrorProcNotFound, nullptr);
        return nullptr;
    }
    ::dlerror();
    void* P = ::dlsym(reinterpret_cast<void*>(Library), Name);
    if (!P)
        SetLastError(kErrorProcNotFound, ::dlerror());
    return P;
}

// [any thread]
void FreeDynamicLibrary(TLibraryHandle Library)
{
    if (Library)
        ::dlclose(reinterpret_cast<void*>(Library));
}

// [any thread]
std::uint32_t LastSystemError()
{
    return LastError;
}

// [any thread] The loader's text when the error is this thread's last one, else the system's text for the
// number; "" when there is none.
std::string SystemErrorMessage(std::uint32_t Error)
{
    if (Error == LastError && !LastErrorText.empty())
        return LastErrorText;
    switch (Error)
    {
    case kErrorFileNotFound: return "The system cannot find the file specified";
    case kErrorModNotFound: return "The specified module could not be found";
    case kErrorProcNotFound: return "The specified procedure could not be found";
    case kErrorBadExeFormat: return "The file is not a valid library for this system";
    default: return {};
    }
}

// [any thread] The classic Windows scheme's colours.
std::uint32_t SystemColorARGB(int Index)
{
    static constexpr std::uint32_t Colors[] = {
        0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000,
        0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000,
        0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x0078D7,
        0xF0F0F0};
    if (Index < 0 || Index >= static_cast<int>(sizeof Colors / sizeof Colors[0]))
        return 0xFF000000;
    return 0xFF000000 | Colors[Index];
}
