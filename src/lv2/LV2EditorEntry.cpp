// The UI's link point to the module: the equaliser with its editor, through the same entry SmallEQ.so exports.
#include "lv2/LV2Entry.h"

#include "equaliser/SmallEQEntry.h"

AEffect* VSTCALL LV2EqualiserEditorMain(TAudioMasterCallbackFunc AudioMaster)
{
    return SmallEQMain(AudioMaster);
}
