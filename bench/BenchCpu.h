#pragma once

#include <ctime>

// CPU time of this process so far (the dynamic loader included), in milliseconds; unlike
// wall time it stays meaningful on a busy machine.
inline double benchProcessCpu()
{
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return double(cpu.tv_sec) * 1e3 + double(cpu.tv_nsec) / 1e6;
}
