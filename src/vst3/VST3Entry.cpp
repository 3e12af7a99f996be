// The plug-in's link point to the module: the equaliser with its editor, exactly as SmallEQ's VSTPluginMain
// makes it.
#include "vst3/VST3Entry.h"

#include "equaliser/SmallEQEntry.h"

AEffect* VSTCALL VST3EqualiserMain(TAudioMasterCallbackFunc AudioMaster)
{
    return SmallEQMain(AudioMaster);
}
