#include <windows.h>

#include <string>
#include <vector>

#include "zvtool/bench/bench_process.h"

bool BenchSupported(std::string* why) {
    *why =
        "one unit at a time on Windows: the driver's two INI files live in the Windows "
        "directory, shared by every run, so two drivers would read each other's job";
    return false;
}

bool StartUnit(const std::vector<std::string>&, const std::string&, const std::string&,
               const std::string&, TUnitProcess*, std::string* error) {
    BenchSupported(error);
    return false;
}

bool UnitEnded(TUnitProcess*, int* status, double* cpuSeconds) {
    *status = -1;
    *cpuSeconds = 0;
    return true;
}

void InterruptUnit(const TUnitProcess&) {}

bool MakeFolder(const std::string&, std::string* error) {
    BenchSupported(error);
    return false;
}

std::string SelfProgram() {
    return "zvtool";
}

void PauseMs(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}
