#pragma once
// marvo-vst validate: the stages, one file each. A new stage is declared here and registered, in its place
// in the order, in ValidationStages (MarvoVstValidateChecks.cpp). [host-main], in the stage's own process
// where the system can fork.
#include "MarvoVstValidate.h"

namespace MarvoVstValidate
{

// load, identity, texts (MarvoVstValidateLoad.cpp)
void CheckLoad(TValidation& V);
// open-close, open-close-order (MarvoVstValidateOpenClose.cpp)
void CheckOpenClose(TValidation& V);
// dispatcher-opcodes (MarvoVstValidateDispatcher.cpp)
void CheckDispatcher(TValidation& V);
// parameter-values, parameter-texts, string2parameter (MarvoVstValidateParameters.cpp)
void CheckParameters(TValidation& V);
// parameter-description (MarvoVstValidateDescription.cpp)
void CheckDescription(TValidation& V);
// process-finite, process-no-subnormals, process-silence (MarvoVstValidateProcessing.cpp)
void CheckProcessing(TValidation& V);
// program-round-trip, chunk-round-trip, damaged-program (MarvoVstValidateState.cpp)
void CheckState(TValidation& V);
// threads (MarvoVstValidateThreads.cpp)
void CheckThreads(TValidation& V);
// editor (MarvoVstValidateEditor.cpp)
void CheckEditor(TValidation& V);
// timing (MarvoVstValidateTiming.cpp)
void CheckTiming(TValidation& V);

} // namespace MarvoVstValidate
