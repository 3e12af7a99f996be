#pragma once
// Running a risky piece of work so that its crash is an answer, not the end of the tool: in a child process
// where the system can fork (Linux), in the calling process elsewhere (Windows, where a crash still ends the
// tool).
#include <functional>
#include <string>

#include "platform/ChildProcess.h"

using TIsolatedOutcome = TChildOutcome;

// Runs Work, which reports through the sink it is given; every line reaches OnLine on the calling thread.
// In a child process the child's standard output goes to standard error (a plug-in's chatter cannot mix
// with the lines), and the child is ended after TimeoutSeconds. Work must not raise.
TIsolatedOutcome RunIsolated(const std::function<void(const TLineSink& Emit)>& Work, const TLineSink& OnLine,
                             unsigned TimeoutSeconds);
// True when RunIsolated runs the work in a child process.
bool IsolationAvailable();
