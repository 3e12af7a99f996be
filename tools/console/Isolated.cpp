// RunIsolated: the platform's child process.
#include "console/Isolated.h"

// [host-main]
bool IsolationAvailable()
{
    return ChildProcessesAvailable();
}

// [host-main]
TIsolatedOutcome RunIsolated(const std::function<void(const TLineSink& Emit)>& Work, const TLineSink& OnLine,
                             unsigned TimeoutSeconds)
{
    return RunInChildProcess(Work, OnLine, TimeoutSeconds);
}
