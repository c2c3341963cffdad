#pragma once
#include <atomic>
#include <string>
#include <utility>
#include <vector>

// Programs zvtool starts (the driver, and a bench's zvtools), and the few facts about its own
// process: processes_posix.cpp, processes_win32.cpp.

struct TProcess {
    long long id = 0;
    void* handle = nullptr;  // Windows
};

struct TFileLock;

struct TSpawn {
    std::vector<std::string> argv;  // argv[0]: the program's path
    std::string folder;             // the folder it runs in; "" zvtool's own
    // Variables set for it on top of zvtool's own environment.
    std::vector<std::pair<std::string, std::string>> environment;
    std::string outputFile;  // its standard output goes into this file; "" zvtool's own
    std::string errorFile;   // and its standard error
    // A lock zvtool holds that the program is to hold too, until it ends, so that a program
    // left running by a zvtool that was killed keeps the next job out. Windows hands the
    // lock's handle to this program alone; on POSIX every lock zvtool holds goes along to the
    // programs it starts anyway.
    const TFileLock* lock = nullptr;
    bool noWindow = false;  // Windows: without a console window (git under zvtoolw.exe too)
};

// Starts the program in a process group of its own, so that the console's Ctrl-C reaches
// zvtool alone and zvtool stops it itself. False with the system's reason in `error`.
bool SpawnProcess(const TSpawn& spawn, TProcess* process, std::string* error);

// Waits up to `milliseconds` for the process to end: true with its exit status (-1 when a
// signal ended it) and, where the system tells it, the processor time it and its children
// used; false while it runs. Returns early once `stop` is set.
bool WaitProcess(TProcess* process, int milliseconds, const std::atomic<bool>* stop, int* status,
                 double* cpuSeconds);

// Ends a process that still runs (POSIX: SIGTERM, then SIGKILL after a grace; Windows:
// TerminateProcess) and waits for it.
void StopProcess(TProcess* process);

// Passes Ctrl-C on to a process that runs in a group of its own.
void InterruptProcess(const TProcess& process);

// From now on Ctrl-C (and on POSIX SIGTERM and SIGHUP) only sets `flag`, so that the job
// under way can stop its driver and say what it left.
void SetFlagOnInterrupt(std::atomic<bool>* flag);

// Whether the process `id` runs (a process of another user counts).
bool ProcessRuns(long long id);

// This program's own path; "" when the system does not tell it.
std::string SelfPath();
// The first program called `name` on the search path ("git" finds git.exe on Windows); ""
// when there is none.
std::string FindOnSearchPath(const std::string& name);
long long ThisProcessId();
// This machine's name ("bench2"); "" when the system does not tell it.
std::string MachineName();
// Whether standard error is a terminal, where a progress line can be redrawn in place.
bool StderrIsTerminal();
// Whether zvtool has a console window of its own, which closes when it ends (Windows: it was
// started from Explorer, by a double-click; POSIX: never).
bool HasItsOwnConsole();
// Waits until Enter is pressed (or standard input ends).
void WaitForEnter();
void SleepMs(int milliseconds);
