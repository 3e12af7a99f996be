#pragma once
// Operating-system services other than windows: the lock, sleeping, files, the running executable, dynamic
// libraries, error texts, system colours and the decimal separator. (Message boxes, file dialogs, the pointer
// and the screen belong to the window toolkit, Forms.h.)
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A recursive lock with critical-section semantics. [thread-safe]
class TCriticalSection
{
public:
    TCriticalSection();
    ~TCriticalSection();
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    void Enter();
    void Leave();
    bool TryEnter();

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};

// [any]
void SystemSleep(unsigned Milliseconds);
bool FileExists(const std::string& Path);
// The full path of the running executable (the player on Win32).
std::string ExecutablePath();
// The separator of folders in a path: '\\' on Win32, '/' elsewhere.
char PathSeparator();
// The folder part of a path including the trailing separator ("C:\Winamp\" for "C:\Winamp\winamp.exe").
std::string ExtractFilePath(const std::string& Path);
// The current user's folder for application settings, with a trailing separator: Win32 %APPDATA% (from the
// environment, else the shell's application-data folder); headless $XDG_CONFIG_HOME (when absolute), else
// $HOME/.config. "" when none is known.
std::string UserSettingsFolder();
// Creates the folder Path and any missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& Path);
// Deletes a file (Win32: also a read-only one); true when it is gone afterwards (also when it never existed).
// A folder is not deleted.
bool RemoveFile(const std::string& Path);
// Renames From to To, replacing an existing file To in one step (same volume); false on failure.
bool RenameFileReplacing(const std::string& From, const std::string& To);
// The whole content of a file; nothing when it cannot be read (or is a folder).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& Path);
// Whether the process's standard error is an interactive terminal (a console), not a file or a pipe.
bool StandardErrorIsTerminal();

// [any] The calling thread's identity, read without thread-local storage and without allocating (a
// thread_local in a library opened at run time, and every one under mingw's emulated TLS, is allocated on its
// first use on each thread; a host's audio thread must not allocate). Wait-free. Distinct for all threads
// alive at once, never 0; a finished thread's key may be reused by a later thread.
std::uintptr_t CurrentThreadKey();

// The file-name extension of a dynamic library on this system: ".dll" on Windows, ".so" elsewhere.
const char* DynamicLibraryExtension();

// A loaded dynamic library; 0 when loading failed.
using TLibraryHandle = std::uintptr_t;
// Loads a library (Win32: with the error mode that suppresses the system's failure dialogs during the load).
TLibraryHandle LoadDynamicLibrary(const std::string& Path);
void* GetLibraryEntry(TLibraryHandle Library, const char* Name);
void FreeDynamicLibrary(TLibraryHandle Library);
// The last error of this thread, and the system's message text for an error number.
std::uint32_t LastSystemError();
std::string SystemErrorMessage(std::uint32_t Error);

// [any] The user's decimal separator for showing numbers, read afresh on each call: Win32 the user
// locale's (LOCALE_SDECIMAL); headless the current C locale's (so "." unless the program called setlocale).
// "." when the system gives none. Not for [audio].
std::string DecimalSeparator();

// [any] A system colour as opaque ARGB (index as Windows' COLOR_* numbers, e.g. 15 = button face).
std::uint32_t SystemColorARGB(int Index);
