// The plug-in's link point to the module: it makes the equaliser through the framework's plug-in factory,
// exactly as SmallEQ's VSTPluginMain does: on Windows with its editor, elsewhere the windowless module.
#include "vst3/VST3Entry.h"

#if defined(_WIN32)
#include "equaliser/SmallEQEntry.h"

AEffect* VSTCALL VST3EqualiserMain(TAudioMasterCallbackFunc AudioMaster)
{
    return SmallEQMain(AudioMaster);
}
#else
#include "equaliser/SmallEQModule.h"
#include "vstplugin/DVSTModuleExport.h"

AEffect* VSTCALL VST3EqualiserMain(TAudioMasterCallbackFunc AudioMaster)
{
    return CreateVSTPlugin<TSmallEQModule>(AudioMaster);
}
#endif
