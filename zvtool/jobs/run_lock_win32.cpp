// The lock on Windows: one per user, since the INI files in the Windows directory are shared
// by every folder. An exclusive open of "%LOCALAPPDATA%\zvtool\settings.lock": others may read
// the holder's text but not open it for writing.
#include <windows.h>

#include <ctime>
#include <string>

#include "zvtool/jobs/places.h"
#include "zvtool/jobs/run_lock.h"
#include "zvtool/jobs/when.h"

namespace {

constexpr char kLockName[] = "settings.lock";

std::string ReadHolder(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "";
    }
    char text[512];
    DWORD got = 0;
    const BOOL read = ReadFile(file, text, sizeof text, &got, nullptr);
    CloseHandle(file);
    return read ? std::string(text, got) : "";
}

}  // namespace

std::string RunLockPath() {
    return JoinPath(UserStateFolder(), kLockName);
}

std::string RunLockScope() {
    return "this user's driver settings (the INI files in the Windows directory)";
}

TLockResult TakeRunLock(const std::string& job, TRunLock* lock, std::string* detail) {
    const std::string folder = UserStateFolder();
    if (folder.empty()) {
        *detail = "LOCALAPPDATA is not set";
        return TLockResult::kFailed;
    }
    if (!MakeFolders(folder, detail)) {
        return TLockResult::kFailed;
    }
    const std::string path = RunLockPath();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
            *detail = DescribeLockHolder(ReadHolder(path));
            return TLockResult::kHeld;
        }
        *detail = SystemErrorText(error);
        return TLockResult::kFailed;
    }
    const std::string text = LockHolderText(
        job, LocalTimeText(std::time(nullptr), "%Y-%m-%d %H:%M:%S"), ThisProcessId());
    DWORD written = 0;
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(file) ||
        !WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file)) {
        *detail = SystemErrorText(GetLastError());
        CloseHandle(file);
        return TLockResult::kFailed;
    }
    lock->handle = file;
    return TLockResult::kTaken;
}

void ReleaseRunLock(TRunLock* lock) {
    if (lock->handle == nullptr) {
        return;
    }
    HANDLE file = static_cast<HANDLE>(lock->handle);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    lock->handle = nullptr;
}
