#include "platform/posix/ProcessMemory.h"

#include <unistd.h>

#include <fstream>

// [any]
std::uint64_t PrivateDataBytes()
{
    std::ifstream Statm("/proc/self/statm");
    std::uint64_t Size = 0, Resident = 0, Shared = 0, Text = 0, Lib = 0, Data = 0;
    if (Statm >> Size >> Resident >> Shared >> Text >> Lib >> Data)
        return Data * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return 0;
}
