#pragma once
// Where the module's editor opcodes run. The framework itself has no windows: by default an editor opcode
// runs on the thread that dispatches it. A library that makes editors installs the policy of its window
// toolkit (for the toolkit of src/platform: RunInWindowThread, which hands a foreign host's call to the
// toolkit's own window thread), so that an editor and its windows belong to one thread whichever thread the
// host calls from.
#include <functional>

// Runs Call on the window thread for the caller and waits until it has run; an exception that Call throws
// reaches the caller.
using TWindowThreadPolicy = void (*)(const std::function<void()>& Call);

// [any] Installs Policy for every module of the process; null restores the default (the caller's thread).
void InstallWindowThreadPolicy(TWindowThreadPolicy Policy);

// [any] Runs Call through the installed policy.
void RunOnWindowThread(const std::function<void()>& Call);
