#pragma once
#include <string>

// The platform seam of zvtool: starting the driver and waiting for it, Ctrl-C, and the few
// file-system calls that differ between POSIX and Windows. process_posix.cpp and
// process_win32.cpp implement it.

// A started driver: its process id or handle, owned by the platform file.
struct TDriverProcess {
    long long id = 0;
    void* handle = nullptr;
};

enum class TWaitResult { kRunning, kEnded, kInterrupted };

// From now on Ctrl-C (and on POSIX SIGTERM and SIGHUP) only marks the run as interrupted, so
// that the driver can be stopped and waited for; the marking is what Interrupted() returns.
void InstallInterruptHandler();
bool Interrupted();

// Starts the driver at `path` in the current directory, with zvtool's environment and no
// arguments. False and the system's reason in `error` when it cannot be started.
bool StartDriver(const std::string& path, TDriverProcess* driver, std::string* error);

// Waits up to `milliseconds` for the driver to end. kEnded: `status` is its exit status, or
// -1 when it ended without one (killed by a signal). kInterrupted: Ctrl-C came first.
TWaitResult WaitDriver(TDriverProcess* driver, int milliseconds, int* status);

// Ends a driver that is still running (POSIX: SIGTERM; Windows: TerminateProcess) and waits
// for it.
void StopDriver(TDriverProcess* driver);

// The driver to run when --driver is not given: the one beside zvtool, then the first on the
// search path; empty when there is none.
std::string DefaultDriverPath();
// Whether `path` names a program that can be started.
bool IsProgram(const std::string& path);

// Whether standard error is a terminal, where a progress line can be redrawn in place.
bool StderrIsTerminal();

// `path` made absolute against the current directory (the file need not exist).
std::string AbsolutePath(const std::string& path);
bool ChangeDirectory(const std::string& path);
// Renames `from` to `to`, replacing `to` if it exists.
bool RenameReplacing(const std::string& from, const std::string& to);
// Sets an environment variable for the driver started after this call.
void SetEnvironment(const char* name, const std::string& value);

// Where the driver keeps the profile file `name`, for messages: POSIX the current directory,
// Windows the Windows directory.
std::string ProfileFilePath(const char* name);
