#pragma once
// The smallest host callback: it answers audioMasterVersion with 2400 (VST 2.4) and every other request with
// 0. Enough for a module made outside a full host (probing its declaration, the LV2 adapter, tools, tests).
#include "vstplugin/DVSTEffect.h"

// [any]
inline VstIntPtr VSTCALL VersionOnlyHost(AEffect*, VstInt32 Opcode, VstInt32, VstIntPtr, void*, float)
{
    return Opcode == audioMasterVersion ? 2400 : 0;
}
