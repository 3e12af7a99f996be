// The equaliser alone as a VST 2 plug-in library: exports VSTPluginMain and main, each answering a new
// equaliser's effect record, with its editor (null when the host does not answer audioMasterVersion).
#include "equaliser/SEQGUI.h"
#include "vstplugin/DVSTModuleExport.h"

MARVO_EXPORT_VST_PLUGIN(TSmallEQPlugIn)
