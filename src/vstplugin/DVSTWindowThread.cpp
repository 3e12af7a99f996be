// The installed window-thread policy: a function pointer, swapped and read atomically.
#include "vstplugin/DVSTWindowThread.h"

#include <atomic>

namespace
{

std::atomic<TWindowThreadPolicy>& InstalledPolicy()
{
    static std::atomic<TWindowThreadPolicy> Policy{nullptr};
    return Policy;
}

} // namespace

// [any]
void InstallWindowThreadPolicy(TWindowThreadPolicy Policy)
{
    InstalledPolicy().store(Policy);
}

// [any]
void RunOnWindowThread(const std::function<void()>& Call)
{
    if (const TWindowThreadPolicy Policy = InstalledPolicy().load())
        Policy(Call);
    else
        Call();
}
