#pragma once
// Running a piece of work in a child process where the system can fork (POSIX), so that its crash or hang
// ends only the child; in the calling process elsewhere (Win32).
#include <functional>
#include <string>

// Hands one line (without its line end) from the work to the caller, in order, as soon as it is written.
using TLineSink = std::function<void(const std::string& Line)>;

struct TChildOutcome
{
    bool Completed = true; // false: the work ended abnormally (a signal, a timeout, an exit of its own)
    std::string Reason;    // why, e.g. "signal 11 (Segmentation fault)"
};

// [host-main] True when RunInChildProcess runs the work in a child process.
bool ChildProcessesAvailable();

// [host-main] Runs Work, which reports through the sink it is given; every line reaches OnLine on the calling
// thread. In a child process the child's standard output goes to standard error, and the child is ended after
// TimeoutSeconds. Without child processes (or when none can be made) Work runs here and completes. Work must
// not raise.
TChildOutcome RunInChildProcess(const std::function<void(const TLineSink& Emit)>& Work, const TLineSink& OnLine,
                                unsigned TimeoutSeconds);
