#pragma once
// The equaliser's main entry, as its plug-in library exports it, for programs that host the equaliser
// linked in: they know it only through the effect record it answers.
#include "vstplugin/DVSTEffect.h"

// [host-main] A new equaliser with its editor, the host's callback installed; its effect record, or null when
// it cannot be made or the host does not answer its version. The equaliser frees itself on effClose.
AEffect* VSTCALL SmallEQMain(TAudioMasterCallbackFunc AudioMaster);
