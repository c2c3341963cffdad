#pragma once
#include <string>

// One zvtool job at a time on one set of the driver's files. Two jobs on the same files
// would each start a driver: the second cannot open the port, but zvtool would already have
// removed the first one's "fromZv.dat" and rewritten its keys. So every job takes this lock
// before it touches a file, and holds it until its driver has ended.
//
// POSIX: the lock is flock() on ".zvtool.lock" in the run folder, where the INI and data
// files lie. Windows: the INI files lie in the Windows directory, shared by every folder, so
// the lock is one per user, an exclusive open of "%LOCALAPPDATA%\zvtool\settings.lock".
// The lock file holds the holder's job, start time and process id, for the refusal.

struct TRunLock {
    long long descriptor = -1;  // POSIX
    void* handle = nullptr;     // Windows
};

enum class TLockResult { kTaken, kHeld, kFailed };

// The lock file for the current directory.
std::string RunLockPath();

// What the lock keeps to one job, for the refusal: POSIX "the driver's files in DIR",
// Windows "this user's driver settings (the INI files in the Windows directory)".
std::string RunLockScope();

// Takes the lock for `job` ("fetch modules 9"). kHeld: another job holds it and `detail`
// describes that job; kFailed: the lock file cannot be created or written (a read-only
// folder, a full disk) and `detail` is the system's reason.
TLockResult TakeRunLock(const std::string& job, TRunLock* lock, std::string* detail);

// Gives the lock up; a lock never taken is left alone.
void ReleaseRunLock(TRunLock* lock);

// The text a holder writes into the lock file, and what a refused job says of it.
std::string LockHolderText(const std::string& job, const std::string& started, long long id);
std::string DescribeLockHolder(const std::string& lockFileText);
