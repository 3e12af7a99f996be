// The one file of the LV2 adapter that names the module: both entries make it through the framework's
// plug-in factory, exactly as SmallEQ.so's VSTPluginMain does.
#include "lv2/LV2Entry.h"

#include "equaliser/SmallEQModule.h"

AEffect* VSTCALL LV2EqualiserMain(TAudioMasterCallbackFunc AudioMaster)
{
    return CreateVSTPlugin<TSmallEQModule>(AudioMaster);
}

AEffect* VSTCALL LV2EqualiserEditorMain(TAudioMasterCallbackFunc AudioMaster)
{
    return CreateVSTPlugin<TSmallEQModule>(AudioMaster);
}
