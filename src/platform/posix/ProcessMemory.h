#pragma once
// The window probes' measure of this process's memory on the POSIX builds. [any]
#include <cstdint>

// The data segment's size in bytes (/proc/self/statm), the counterpart of Windows' private bytes; 0 when
// the system does not tell.
std::uint64_t PrivateDataBytes();
