// The plug-in's link point to the module: it makes the windowless equaliser through the framework's plug-in
// factory, exactly as SmallEQ.so's VSTPluginMain does.
#include "vst3/VST3Entry.h"

#include "equaliser/SmallEQModule.h"
#include "vstplugin/DVSTModuleExport.h"

AEffect* VSTCALL VST3EqualiserMain(TAudioMasterCallbackFunc AudioMaster)
{
    return CreateVSTPlugin<TSmallEQModule>(AudioMaster);
}
