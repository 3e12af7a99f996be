#pragma once
// TAdapterEngine: the adapter's audio path. It owns the VST host with one hosted instance, makes the
// equaliser through its main entry and runs it in that instance, keeping only its effect record, and owns
// the planes ModifySamples converts each block into. The host window only views it (the instance's editor,
// the setting it loads and saves).
//
// Threads. Everything but the instance's processing is [host-main]; ModifySamples reaches the instance and the
// planes only under AdapterLock, and the instance's effect changes only under that lock.
#include <cstddef>

#include "adapter/MarvoSetting.h"
#include "adapter/SamplePlanes.h"
#include "vstplugin/DVSTEffect.h"

class TVstHost;
class TVstPlugIn;

class TAdapterEngine
{
public:
    // [host-main] The host with one instance and no effect yet; the planes reserved for stereo blocks of up to
    // kReservedFrames frames.
    TAdapterEngine();
    // [host-main] Release, then the host goes.
    ~TAdapterEngine();
    TAdapterEngine(const TAdapterEngine&) = delete;
    TAdapterEngine& operator=(const TAdapterEngine&) = delete;

    // [any] The hosted instance.
    TVstPlugIn& Instance() const;
    // [any] The equaliser's effect record that the engine made last; null once its instance was closed (the
    // equaliser frees itself on effClose).
    AEffect* Effect() const { return FEffect; }

    // [host-main] Stops and unloads what the instance ran, makes a new equaliser and runs it in the
    // instance. Takes the adapter lock only to exchange the hosted effect; the pauses leave it free.
    void StartEqualiser();
    // [host-main] Closes the editor, deactivates and unloads the instance; each step ignores what it raises.
    // Writes nothing and shows nothing. Call with the adapter lock held or with the engine not published.
    void Release();

    // [host-main] The stored setting into the instance, and the instance's setting into the store (see
    // TMarvoSetting).
    void LoadSetting() { FSetting.Load(Instance()); }
    void SaveSetting() { FSetting.Save(Instance()); }

    // The planes of ModifySamples; used only under AdapterLock (or before the engine is published).
    TSamplePlanes SamplePlanes;
    static constexpr std::size_t kReservedFrames = 8192;

private:
    TVstHost* FHost = nullptr;
    AEffect* FEffect = nullptr;
    TMarvoSetting FSetting;
};
