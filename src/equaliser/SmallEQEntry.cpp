#include "equaliser/SmallEQEntry.h"

#include "equaliser/SEQGUI.h"
#include "vstplugin/DVSTModuleExport.h"

AEffect* VSTCALL SmallEQMain(TAudioMasterCallbackFunc AudioMaster)
{
    return CreateVSTPlugin<TSmallEQPlugIn>(AudioMaster);
}
