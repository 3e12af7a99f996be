// Win32 has no fork: the work runs in the calling process (a crash still ends the program).
#include "platform/ChildProcess.h"

// [host-main]
bool ChildProcessesAvailable()
{
    return false;
}

// [host-main]
TChildOutcome RunInChildProcess(const std::function<void(const TLineSink& Emit)>& Work, const TLineSink& OnLine,
                                unsigned)
{
    Work(OnLine);
    return {};
}
