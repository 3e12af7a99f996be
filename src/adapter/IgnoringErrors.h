#pragma once
// IgnoringErrors: for the adapter's teardown steps, each of which must run whatever the one before raised.

// [host-main] Runs Step and ignores what it raises.
template <class F>
void IgnoringErrors(F&& Step)
{
    try
    {
        Step();
    }
    catch (...)
    {
    }
}
