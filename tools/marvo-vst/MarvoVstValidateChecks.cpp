// marvo-vst validate: the registration list of the stages, in the order they run.
#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateVST3.h"

const std::vector<TStage>& ValidationStages()
{
    using namespace MarvoVstValidate;
    // {stage, the lowest --level that runs it, its checks}
    static const std::vector<TStage> kStages = {
        {"load", 1, &CheckLoad},
        {"open-close", 2, &CheckOpenClose},
        {"dispatcher-opcodes", 2, &CheckDispatcher},
        {"parameter-values", 2, &CheckParameters},
        {"parameter-description", 2, &CheckDescription},
        {"process-finite", 3, &CheckProcessing},
        {"program-round-trip", 3, &CheckState},
        {"threads", 3, &CheckThreads},
        {"editor", 3, &CheckEditor},
        {"timing", 5, &CheckTiming},
    };
    return kStages;
}

const std::vector<TStage>& VST3ValidationStages()
{
    using namespace MarvoVstValidate;
    // The same levels as for VST 2: 1 the module; 2 buses and parameters; 3 state and processing.
    static const std::vector<TStage> kStages = {
        {"load", 1, &CheckVST3Factory},
        {"bus-arrangements", 2, &CheckVST3Buses},
        {"parameter-ids", 2, &CheckVST3Parameters},
        {"state-round-trip", 3, &CheckVST3State},
        {"process-finite", 3, &CheckVST3Processing},
        {"parameter-queues", 3, &CheckVST3Queues},
        {"restart-flags", 3, &CheckVST3Restart},
    };
    return kStages;
}
