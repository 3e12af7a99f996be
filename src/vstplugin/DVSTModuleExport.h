#pragma once
// What a plug-in library exports: MARVO_EXPORT_VST_PLUGIN(TModule) in one source file of the library defines
// VSTPluginMain and main, both answering a new TModule's effect record.
#include "vstplugin/DVSTEffect.h"

// Plug-in library entry: creates a TModule without owner, installs the host's callback and answers the
// module's effect record (null when the module cannot be created or the host does not answer its version).
template <class TModule>
AEffect* CreateVSTPlugin(TAudioMasterCallbackFunc AudioMaster) // [host-main]
{
    TModule* Module = nullptr;
    try
    {
        Module = new TModule(nullptr);
        Module->SetAudioMaster(AudioMaster);
        return Module->Effect();
    }
    catch (...)
    {
        delete Module;
        return nullptr;
    }
}

#if defined(_WIN32)
#define MARVO_VST_EXPORT extern "C" __declspec(dllexport)
#if defined(_WIN64)
#define MARVO_VST_MAIN_SYMBOL "main"
#else
#define MARVO_VST_MAIN_SYMBOL "_main"
#endif
// "main" cannot be declared dllexport under its own name; the linker directive exports it.
#define MARVO_VST_EXPORT_MAIN extern "C"
#define MARVO_VST_MAIN_DIRECTIVE __asm__(".section .drectve\n\t.ascii \" -export:main\"\n\t.text");
#else
#define MARVO_VST_EXPORT extern "C" __attribute__((visibility("default")))
#define MARVO_VST_EXPORT_MAIN MARVO_VST_EXPORT
#define MARVO_VST_MAIN_SYMBOL "main"
#define MARVO_VST_MAIN_DIRECTIVE
#endif

// Exports VSTPluginMain and main from a plug-in library, both answering a new TModule's effect record.
#define MARVO_EXPORT_VST_PLUGIN(TModule)                                                                    \
    MARVO_VST_EXPORT AEffect* VSTCALL VSTPluginMain(TAudioMasterCallbackFunc AudioMaster)                   \
    {                                                                                                       \
        return CreateVSTPlugin<TModule>(AudioMaster);                                                       \
    }                                                                                                       \
    MARVO_VST_EXPORT_MAIN AEffect* VSTCALL VSTPluginMainLegacy(TAudioMasterCallbackFunc AudioMaster)        \
        __asm__(MARVO_VST_MAIN_SYMBOL);                                                                     \
    MARVO_VST_EXPORT_MAIN AEffect* VSTCALL VSTPluginMainLegacy(TAudioMasterCallbackFunc AudioMaster)        \
    {                                                                                                       \
        return CreateVSTPlugin<TModule>(AudioMaster);                                                       \
    }                                                                                                       \
    MARVO_VST_MAIN_DIRECTIVE
