#pragma once
#include <functional>
#include <string>

#include "zvtool/platform/files.h"

// One zvtool job at a time on one set of the driver's files. Two jobs on the same files
// would each start a driver: the second cannot open the port, but zvtool would already have
// removed the first one's "fromZv.dat" and rewritten its keys. So every job takes this lock
// before it touches a file, and holds it until its driver has ended; the driver holds it too,
// so that a driver whose zvtool was ended keeps the lock until it ends itself. Where the lock
// lies (RunLockPath): POSIX the run folder, Windows zvtool's folder for the whole machine. The
// lock file holds the holder's job, start time, process id and driver, for the refusal.

struct TRunLockRequest {
    std::string runFolder;
    std::string job;      // "fetch modules 9": the command line, for the refusal
    std::string started;  // "2026-12-09 03:30:04"
    long long process = 0;
};

// Takes the lock. kHeld: another job holds it and `detail` describes that job; kFailed: the
// lock file cannot be created or written (a read-only folder, a full disk) and `detail` is the
// system's reason.
TLockResult TakeRunLock(const TRunLockRequest& request, TFileLock* lock, std::string* detail);

// The text a holder writes into the lock file (with its driver's process once one runs: a
// driver left running by a zvtool that was killed keeps the lock), and what a refused job says
// of it.
std::string LockHolderText(const std::string& job, const std::string& started, long long id,
                           long long driver = 0);
// `runs` says whether a process still runs (empty: nothing is said of it), so that a holder
// whose zvtool has ended and whose driver runs on is told as such.
std::string DescribeLockHolder(const std::string& lockFileText,
                               const std::function<bool(long long)>& runs = nullptr);
