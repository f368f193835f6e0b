#pragma once
// The most memory this process held, to see what a request cost the server
// running in it.

#include <fstream>
#include <string>

namespace cmp::test {

// VmHWM, in KiB, since the last resetPeakMemory().
inline long peakMemoryKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Starts measuring the peak afresh from what the process holds now.
inline void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace cmp::test
