#include "zvtool/jobs/run_lock.h"

#include <cstdlib>
#include <string>

#include "zvtool/platform/processes.h"

namespace {

constexpr char kJobKey[] = "job=";
constexpr char kStartedKey[] = "started=";
constexpr char kProcessKey[] = "process=";
constexpr char kDriverKey[] = "driver=";

// The value after `key` on its own line of `text`, or "".
std::string Value(const std::string& text, const std::string& key) {
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (text.compare(start, key.size(), key) == 0) {
            std::string value = text.substr(start + key.size(), end - start - key.size());
            if (!value.empty() && value.back() == '\r') {
                value.pop_back();
            }
            return value;
        }
        start = end + 1;
    }
    return "";
}

}  // namespace

std::string LockHolderText(const std::string& job, const std::string& started, long long id,
                           long long driver) {
    return kJobKey + job + "\n" + kStartedKey + started + "\n" + kProcessKey + std::to_string(id) +
           "\n" + (driver > 0 ? kDriverKey + std::to_string(driver) + "\n" : "");
}

std::string DescribeLockHolder(const std::string& lockFileText,
                               const std::function<bool(long long)>& runs) {
    const std::string job = Value(lockFileText, kJobKey);
    if (job.empty()) {
        // The holder has the lock but has not written its name yet, or is just giving it up.
        return "another zvtool job, just starting or ending";
    }
    std::string text = "`zvtool " + job + "`";
    const std::string started = Value(lockFileText, kStartedKey);
    if (!started.empty()) {
        text += ", started " + started;
    }
    const std::string process = Value(lockFileText, kProcessKey);
    const std::string driver = Value(lockFileText, kDriverKey);
    const bool gone = runs && !process.empty() && !runs(std::atoll(process.c_str()));
    if (!process.empty()) {
        text += " by process " + process + (gone ? ", which has ended" : "");
    }
    if (!driver.empty() && gone) {
        text += "; its driver, process " + driver + ", runs on and holds the lock until it ends";
    } else if (!driver.empty()) {
        text += ", whose driver is process " + driver +
                " (a driver holds the lock until it ends, also when its zvtool is gone)";
    }
    return text;
}

TLockResult TakeRunLock(const TRunLockRequest& request, TFileLock* lock, std::string* detail) {
    const std::string path = RunLockPath(request.runFolder);
    if (path.empty()) {
        *detail = "the system names no folder for it";
        return TLockResult::kFailed;
    }
    if (!IsFolder(FolderOf(path)) &&
        !MakeFolders(FolderOf(path), TFolderMode::kEveryAccount, detail)) {
        return TLockResult::kFailed;
    }
    std::string holder;
    const TLockResult result = TakeFileLock(
        path, LockHolderText(request.job, request.started, request.process), lock, &holder);
    *detail = result == TLockResult::kHeld ? DescribeLockHolder(holder, ProcessRuns) : holder;
    return result;
}
