// POSIX system services, shared by the headless and X11 backends: a recursive mutex for the lock, dlopen for
// libraries, /proc for the executable.
// Every function here may run on any thread ([any]); the lock is entered on the audio thread.
#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/FileBackend.h"
#include "platform/System.h"

struct TCriticalSection::TImpl
{
    std::recursive_mutex Mutex;
};

TCriticalSection::TCriticalSection() : FImpl(std::make_unique<TImpl>()) {}
TCriticalSection::~TCriticalSection() = default;
// [thread-safe]
void TCriticalSection::Enter() { FImpl->Mutex.lock(); }
// [thread-safe]
void TCriticalSection::Leave() { FImpl->Mutex.unlock(); }
// [thread-safe]
bool TCriticalSection::TryEnter() { return FImpl->Mutex.try_lock(); }

// [any]
void SystemSleep(unsigned Milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

// [any] True for an existing file that is not a directory.
bool FileExists(const std::string& Path)
{
    struct stat St{};
    return !Path.empty() && ::stat(Path.c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
}

// [any]
std::string UserSettingsFolder()
{
    auto WithSeparator = [](std::string P) { return P.back() == '/' ? P : P + '/'; };
    const char* Config = std::getenv("XDG_CONFIG_HOME");
    if (Config && Config[0] == '/')
        return WithSeparator(Config);
    const char* Home = std::getenv("HOME");
    if (Home && Home[0])
        return WithSeparator(Home) + ".config/";
    return {};
}

namespace
{

bool DirectoryExists(const std::string& Path)
{
    struct stat St{};
    return ::stat(Path.c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

} // namespace

// [any] Parents first; a folder that another thread creates meanwhile counts as created.
bool ForceDirectories(const std::string& Path)
{
    if (Path.empty())
        return false;
    std::string P = Path;
    while (P.size() > 1 && P.back() == '/')
        P.pop_back();
    if (DirectoryExists(P))
        return true;
    const std::string Parent = ExtractFilePath(P);
    if (!Parent.empty() && Parent.size() < P.size() && !ForceDirectories(Parent))
        return false;
    return ::mkdir(P.c_str(), 0777) == 0 || DirectoryExists(P);
}

// [any]
bool RemoveFile(const std::string& Path)
{
    if (Path.empty())
        return false;
    ::unlink(Path.c_str());
    struct stat St{};
    return ::lstat(Path.c_str(), &St) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// [any]
bool RenameFileReplacing(const std::string& From, const std::string& To)
{
    return !From.empty() && !To.empty() && ::rename(From.c_str(), To.c_str()) == 0;
}

// [any]
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& Path)
{
    const int Fd = Path.empty() ? -1 : ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0)
        return std::nullopt;
    std::vector<std::uint8_t> Data;
    struct stat St{};
    bool Ok = ::fstat(Fd, &St) == 0 && S_ISREG(St.st_mode);
    if (Ok && St.st_size > 0)
        Data.reserve(static_cast<std::size_t>(St.st_size));
    std::uint8_t Buffer[65536];
    while (Ok)
    {
        const ssize_t N = ::read(Fd, Buffer, sizeof Buffer);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
        {
            Ok = N == 0;
            break;
        }
        Data.insert(Data.end(), Buffer, Buffer + N);
    }
    ::close(Fd);
    if (!Ok)
        return std::nullopt;
    return Data;
}

namespace FileBackend
{

// [any] O_EXCL after the unlink: a stale temporary that is a link is replaced, not followed.
std::optional<TFile> CreateFresh(const std::string& Path, const std::string& ModelPath)
{
    struct stat St{};
    if (::lstat(Path.c_str(), &St) == 0 && !S_ISDIR(St.st_mode))
        ::unlink(Path.c_str());
    const int Fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Fd < 0)
        return std::nullopt;
    if (::stat(ModelPath.c_str(), &St) == 0 && S_ISREG(St.st_mode))
        ::fchmod(Fd, St.st_mode & 07777);
    return Fd;
}

// [any]
bool WriteAll(TFile File, const void* Data, std::size_t Size)
{
    const auto* P = static_cast<const char*>(Data);
    while (Size > 0)
    {
        const ssize_t N = ::write(static_cast<int>(File), P, Size);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return false;
        P += N;
        Size -= static_cast<std::size_t>(N);
    }
    return true;
}

// [any]
bool FlushToDisk(TFile File)
{
    return ::fsync(static_cast<int>(File)) == 0;
}

// [any]
bool Close(TFile File)
{
    return ::close(static_cast<int>(File)) == 0;
}

// [any]
void FlushFolderOf(const std::string& Path)
{
    const std::string Folder = ExtractFilePath(Path);
    const int Fd = ::open(Folder.empty() ? "." : Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Fd >= 0)
    {
        ::fsync(Fd);
        ::close(Fd);
    }
}

} // namespace FileBackend

// [any]
char PathSeparator()
{
    return '/';
}

// [any]
std::string ExecutablePath()
{
    char Buffer[4096];
    const ssize_t N = ::readlink("/proc/self/exe", Buffer, sizeof Buffer - 1);
    return N > 0 ? std::string(Buffer, static_cast<std::size_t>(N)) : std::string();
}

// [any]
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

// [any]
std::uintptr_t CurrentThreadKey()
{
    return static_cast<std::uintptr_t>(pthread_self());
}

const char* DynamicLibraryExtension()
{
    return ".so";
}

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

// [any]
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

// [any]
void FreeDynamicLibrary(TLibraryHandle Library)
{
    if (Library)
        ::dlclose(reinterpret_cast<void*>(Library));
}

// [any]
std::uint32_t LastSystemError()
{
    return LastError;
}

// [any] The loader's text when the error is this thread's last one, else the system's text for the
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

// [any] The radix character of the thread's current numeric locale (the program's C locale unless the
// thread chose its own). nl_langinfo answers what localeconv()->decimal_point does, without localeconv's
// shared result buffer that concurrent callers would race on.
std::string DecimalSeparator()
{
    const char* Radix = ::nl_langinfo(RADIXCHAR);
    return Radix && Radix[0] ? std::string(Radix) : std::string(".");
}

// [any] The classic Windows scheme's colours.
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
