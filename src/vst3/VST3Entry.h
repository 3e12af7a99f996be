#pragma once
// The equaliser as the VST 3 adapter meets it: only through the effect record its entry answers. The entry
// is the adapter's only link point to the module (VST3Entry.cpp); everything else in src/vst3 drives the
// record through its dispatcher and its parameter and process entries.
#include "vstplugin/DVSTEffect.h"

// [host-main] A new equaliser with its editor; its effect record, or null
// when it cannot be made or AudioMaster does not answer its version. It frees itself on effClose.
AEffect* VSTCALL VST3EqualiserMain(TAudioMasterCallbackFunc AudioMaster);
