#pragma once
// The equaliser as the LV2 adapter meets it: only through the effect record its entry answers. The two
// entries are the adapter's only link points to the module (LV2Entry.cpp for the plug-in, LV2EditorEntry.cpp
// for the UI); everything else in src/lv2 drives the record through its dispatcher and its parameter and
// process entries.
#include "vstplugin/DVSTEffect.h"

// [host-main] A new equaliser for processing (no editor is ever opened on it); its effect record, or null
// when it cannot be made or AudioMaster does not answer its version. It frees itself on effClose.
AEffect* VSTCALL LV2EqualiserMain(TAudioMasterCallbackFunc AudioMaster);
// [host-main] (LV2EditorEntry.cpp, the UI only) A new equaliser whose editor the UI opens; as above.
AEffect* VSTCALL LV2EqualiserEditorMain(TAudioMasterCallbackFunc AudioMaster);
