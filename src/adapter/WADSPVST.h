#pragma once
// The library's boundary towards the player: the header and module records, the module's four callbacks,
// the adapter lock, and the adapter's two parts between Init and Quit: the engine (the audio path) and the
// host window that views it. The export winampDSPGetHeader2 itself is in
// WADSPVSTExport.cpp, which only the plug-in library compiles; programs that link the adapter directly
// (tests, benchmarks) reach the same records through WinampDSPHeader().
//
// Nothing raised inside the library reaches the player: every callback contains its errors.
#include <atomic>
#include <cstdint>

#include "adapter/WinampDSP.h"

class TAdapterEngine;
class TCriticalSection;
class TFmWinAmpVST;

// [any] The header record; always the same one.
TWinampDSPHeader* WinampDSPHeader();

// The four callbacks of module 0 (also reachable through its record). Init and Quit hold the adapter lock
// only while they publish or tear down what a block uses; a message box of theirs (a setting that cannot be
// loaded or saved) appears after the lock is left, once.
void WADSPCALL Config(TWinampDSPModule* Module);                    // [host-main]
std::int32_t WADSPCALL Init(TWinampDSPModule* Module);              // [host-main]
std::int32_t WADSPCALL ModifySamples(TWinampDSPModule* Module, void* Samples, std::int32_t NumSamples,
                                     std::int32_t Bps, std::int32_t Nch, std::int32_t SRate); // [audio]
void WADSPCALL Quit(TWinampDSPModule* Module);                      // [host-main]

// The engine and the one host window; both exist, or neither, between Init and Quit (null otherwise).
// module.userData points at the engine's reference after Init.
extern TAdapterEngine* MarvoEngine;
extern TFmWinAmpVST* FmWinAmpVST;

// [any] The engine found through module.userData; null when there is none.
TAdapterEngine* EngineOf(const TWinampDSPModule* Module);
// [any] The window of the engine found through module.userData; null when there is none ("no window").
TFmWinAmpVST* WindowOf(const TWinampDSPModule* Module);

// [host-main] The adapter's shutdown: window state to the registry, hide, stop the timer, save the setting,
// then ReleaseAdapter. The teardown runs even when saving fails; a failed save is raised after the engine and
// the window are freed.
void CloseAdapter();
// [host-main] Releases the engine's instance (the editor, the equaliser), then frees the window and the
// engine and nulls both references; in that order, because the editor lives in the window. Writes nothing and
// shows nothing. Call with the adapter lock held or with nothing published.
void ReleaseAdapter();

// The adapter lock while the adapter runs (between Init and Quit), else null. The object itself lives as
// long as the library: Quit only retires it and the next Init takes it up again, because a playback thread
// that read it before Quit may still be waiting to enter it. [any]
extern std::atomic<TCriticalSection*> AdapterLock;

// [any] Enters the adapter lock if the adapter runs and leaves it at the end of the scope.
class TAdapterLockHold
{
public:
    TAdapterLockHold();
    ~TAdapterLockHold();
    TAdapterLockHold(const TAdapterLockHold&) = delete;
    TAdapterLockHold& operator=(const TAdapterLockHold&) = delete;
    bool Held() const { return FLock != nullptr; }

private:
    TCriticalSection* FLock = nullptr;
};
