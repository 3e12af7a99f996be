// The library's one export. Compiled only into the plug-in library (dsp_Marvo), so that programs linking
// the adapter directly export nothing.
#include "adapter/WADSPVST.h"

#if defined(_WIN32)
#define WADSP_EXPORT extern "C" __declspec(dllexport)
#else
#define WADSP_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// [any] The header record; the same one on every call.
WADSP_EXPORT TWinampDSPHeader* WADSPCALL winampDSPGetHeader2()
{
    return WinampDSPHeader();
}
