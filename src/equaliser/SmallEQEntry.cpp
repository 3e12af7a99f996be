#include "equaliser/SmallEQEntry.h"

#include "equaliser/SEQGUI.h"

AEffect* VSTCALL SmallEQMain(TAudioMasterCallbackFunc AudioMaster)
{
    return CreateVSTPlugin<TSmallEQPlugIn>(AudioMaster);
}
