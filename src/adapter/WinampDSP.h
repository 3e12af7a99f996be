#pragma once
// The player's DSP plug-in interface: the header record that the export winampDSPGetHeader2 answers and the
// module record that the player drives. Plain records shared by the adapter and by programs that load a DSP
// plug-in library as the player does (marvo-play). Every function uses the platform's cdecl convention.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define WADSPCALL __cdecl
#else
#define WADSPCALL
#endif

struct TWinampDSPModule;

using TWinampDSPConfig = void(WADSPCALL*)(TWinampDSPModule* Module);
using TWinampDSPInit = std::int32_t(WADSPCALL*)(TWinampDSPModule* Module);
using TWinampDSPModifySamples = std::int32_t(WADSPCALL*)(TWinampDSPModule* Module, void* Samples,
                                                         std::int32_t NumSamples, std::int32_t Bps,
                                                         std::int32_t Nch, std::int32_t SRate);
using TWinampDSPQuit = void(WADSPCALL*)(TWinampDSPModule* Module);

// One module of a DSP plug-in library. The player fills hwndParent (its main window) and hDllInstance
// before calling Init; userData belongs to the library.
struct TWinampDSPModule
{
    const char* description;
    void* hwndParent;
    void* hDllInstance;
    TWinampDSPConfig Config;
    TWinampDSPInit Init;
    TWinampDSPModifySamples ModifySamples;
    TWinampDSPQuit Quit;
    void* userData;
};

using TWinampDSPGetModule = TWinampDSPModule*(WADSPCALL*)(std::int32_t Index);

// The library's header: interface version 0x20, a description, and the module lookup (null past the last).
struct TWinampDSPHeader
{
    std::int32_t version;
    const char* description;
    TWinampDSPGetModule getModule;
};

// The export's type and name.
using TWinampDSPGetHeader2 = TWinampDSPHeader*(WADSPCALL*)();
inline constexpr const char* kWinampDSPEntryName = "winampDSPGetHeader2";
inline constexpr std::int32_t kWinampDSPVersion = 0x20;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(TWinampDSPHeader) == 12);
static_assert(offsetof(TWinampDSPHeader, description) == 4 && offsetof(TWinampDSPHeader, getModule) == 8);
static_assert(sizeof(TWinampDSPModule) == 32);
static_assert(offsetof(TWinampDSPModule, hwndParent) == 4 && offsetof(TWinampDSPModule, hDllInstance) == 8);
static_assert(offsetof(TWinampDSPModule, Config) == 12 && offsetof(TWinampDSPModule, Init) == 16);
static_assert(offsetof(TWinampDSPModule, ModifySamples) == 20 && offsetof(TWinampDSPModule, Quit) == 24);
static_assert(offsetof(TWinampDSPModule, userData) == 28);
#elif defined(__x86_64__) || defined(_WIN64)
static_assert(sizeof(TWinampDSPHeader) == 24);
static_assert(offsetof(TWinampDSPHeader, description) == 8 && offsetof(TWinampDSPHeader, getModule) == 16);
static_assert(sizeof(TWinampDSPModule) == 64);
static_assert(offsetof(TWinampDSPModule, Config) == 24 && offsetof(TWinampDSPModule, userData) == 56);
#endif
