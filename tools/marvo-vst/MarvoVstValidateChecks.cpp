// marvo-vst validate: the registration list of the stages, in the order they run.
#include "MarvoVstValidateStages.h"

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
