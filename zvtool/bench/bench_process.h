#pragma once
#include <string>
#include <vector>

// The platform seam of a bench: one zvtool per unit, each started in its unit's folder with
// its output in files, watched and waited for. bench_process_posix.cpp; on Windows
// (bench_process_win32.cpp) a bench is refused.

struct TUnitProcess {
    long long id = 0;
};

// Whether drivers can run side by side here; false with the reason.
bool BenchSupported(std::string* why);

// Starts `argv` (argv[0]: the program) in `directory`, standard output into `outPath` and
// standard error into `logPath`, in a process group of its own (so that Ctrl-C reaches the
// bench, which passes it on). False with the system's reason.
bool StartUnit(const std::vector<std::string>& argv, const std::string& directory,
               const std::string& outPath, const std::string& logPath, TUnitProcess* unit,
               std::string* error);

// Whether the unit's zvtool has ended: then its exit status (-1 when a signal ended it) and
// the processor time it and the driver it waited for used.
bool UnitEnded(TUnitProcess* unit, int* status, double* cpuSeconds);

// Passes Ctrl-C on: the unit's zvtool stops its driver and says what it holds.
void InterruptUnit(const TUnitProcess& unit);

// The folder at `path`, made when it is not there: false with the reason.
bool MakeFolder(const std::string& path, std::string* error);

// This program, to start once per unit.
std::string SelfProgram();

void PauseMs(int milliseconds);
