// Files and folders on Windows.
#include <windows.h>
// After windows.h, which they need.
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "settings/profile.h"
#include "zvtool/platform/files.h"

namespace {

constexpr char kProbeSuffix[] = ".zvtool-probe";
constexpr DWORD kProbeBytes = 16 * 1024;
constexpr char kLockName[] = "settings.lock";
constexpr char kMachineFolder[] = "zvtool";
// What every account may do in a folder made for all of them (the run lock's): create, read,
// write and remove files, the rights of "Modify" for authenticated users, besides the system
// and the administrators. Inherited by the files made in it.
constexpr char kEveryAccountAccess[] = "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)";

std::string LastErrorText() {
    return SystemErrorText(GetLastError());
}

// Creates `path` with zero bytes, flushed, then removes it: 0 or the system's error.
DWORD WriteZeros(const std::string& path, DWORD bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    const std::string zeros(bytes, '\0');
    DWORD written = 0;
    DWORD error = 0;
    if (!WriteFile(file, zeros.data(), bytes, &written, nullptr) || written != bytes ||
        !FlushFileBuffers(file)) {
        error = GetLastError() != 0 ? GetLastError() : ERROR_DISK_FULL;
    }
    CloseHandle(file);
    return error;
}

bool WriteAll(HANDLE file, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const DWORD chunk =
            static_cast<DWORD>(text.size() - done > 1u << 20 ? 1u << 20 : text.size() - done);
        if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool WriteTo(const std::string& path, DWORD access, DWORD disposition, const std::string& text,
             std::string* error) {
    HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = LastErrorText();
        return false;
    }
    const bool written = WriteAll(file, text);
    if (!written) {
        *error = LastErrorText();
    }
    CloseHandle(file);
    return written;
}

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

std::string WindowsFolder() {
    char directory[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(directory) : std::string();
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') {
        return folder + name;
    }
    return folder + "\\" + name;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string AbsolutePath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full) : path;
}

char FolderSeparator() {
    return '\\';
}

bool FileNamesIgnoreCase() {
    return true;
}

TSystem ThisSystem() {
    return TSystem::kWindows;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsProgram(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<TFolderEntry> ListFiles(const std::string& folder) {
    std::vector<TFolderEntry> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return files;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            const long long size =
                (static_cast<long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            files.push_back({found.cFileName, size});
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

std::string WhyNotWritable(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return LastErrorText();
    }
    CloseHandle(file);
    const DWORD error = WriteZeros(path + kProbeSuffix, kProbeBytes);
    return error == 0 ? "" : SystemErrorText(error);
}

TReadResult ReadWholeFile(const std::string& path, std::size_t limit, std::string* text,
                          std::string* error) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        *error = SystemErrorText(code);
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? TReadResult::kMissing
                                                                            : TReadResult::kFailed;
    }
    std::string bytes;
    char chunk[65536];
    TReadResult result = TReadResult::kRead;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
            *error = LastErrorText();
            result = TReadResult::kFailed;
            break;
        }
        if (got == 0) {
            break;
        }
        bytes.append(chunk, got);
        if (bytes.size() > limit) {
            result = TReadResult::kTooLarge;
            break;
        }
    }
    CloseHandle(file);
    if (result == TReadResult::kRead) {
        *text = std::move(bytes);
    }
    return result;
}

// Making a symbolic link needs privilege on Windows, and a file's rights are no modes: the
// questions of a folder that other accounts may write are not asked there.
std::string ForeignLinkAt(const std::string&) {
    return "";
}

std::string OthersMayChange(const std::string&) {
    return "";
}

// A file made new inherits the rights of its folder: under LOCALAPPDATA, the user's own.
bool WriteWholeFile(const std::string& path, const std::string& text, std::string* error,
                    TFolderMode) {
    return WriteTo(path, GENERIC_WRITE, CREATE_ALWAYS, text, error);
}

bool WriteNewFile(const std::string& path, const std::string& text, std::string* error) {
    return WriteTo(path, GENERIC_WRITE, CREATE_NEW, text, error);
}

bool AppendToFile(const std::string& path, const std::string& text, std::string* error,
                  TFolderMode) {
    return WriteTo(path, FILE_APPEND_DATA, OPEN_ALWAYS, text, error);
}

std::string TextLines(const std::string& text) {
    std::string lines;
    lines.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            lines += '\r';
        }
        lines += text[i];
    }
    return lines;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string* error) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) {
        return true;
    }
    *error = LastErrorText();
    return false;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool MakeFolders(const std::string& path, TFolderMode mode, std::string* error) {
    SECURITY_ATTRIBUTES everyAccount{sizeof everyAccount, nullptr, FALSE};
    if (mode == TFolderMode::kEveryAccount &&
        !ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kEveryAccountAccess, SDDL_REVISION_1, &everyAccount.lpSecurityDescriptor, nullptr)) {
        *error = LastErrorText();
        return false;
    }
    SECURITY_ATTRIBUTES* access = mode == TFolderMode::kEveryAccount ? &everyAccount : nullptr;
    bool made = true;
    // Each folder from the first below the drive ("C:\") or share on.
    for (std::size_t slash = path.find_first_of("\\/", 3);;
         slash = path.find_first_of("\\/", slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!IsFolder(part) && !CreateDirectoryA(part.c_str(), access) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            *error = LastErrorText();
            made = false;
            break;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    LocalFree(everyAccount.lpSecurityDescriptor);
    if (made && !IsFolder(path)) {
        *error = "not a folder";
        return false;
    }
    return made;
}

std::string SystemErrorText(unsigned long code) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    std::string reason = text;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == '.' || reason.back() == ' ')) {
        reason.pop_back();
    }
    return reason.empty() ? "error " + std::to_string(code) : reason;
}

// The lock's handle goes only to a program started with it (TSpawn::lock); no other program
// zvtool starts keeps it.
TLockResult TakeFileLock(const std::string& path, const std::string& text, TFileLock* lock,
                         std::string* detail, bool) {
    // The lock is the open itself: while this handle, or the driver's copy of it, is open,
    // every other open for writing is refused; the holder's text can still be read.
    // Inheritable, so that SpawnProcess can hand it to the driver alone (a start that is not
    // given it, TSpawn::lock, never inherits it: the handle list names what is inherited).
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
            *detail = ReadHolder(path);
            return TLockResult::kHeld;
        }
        *detail = SystemErrorText(error);
        return TLockResult::kFailed;
    }
    DWORD written = 0;
    const std::string lines = TextLines(text);
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(file) ||
        !WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) ||
        written != lines.size() || !FlushFileBuffers(file)) {
        *detail = LastErrorText();
        CloseHandle(file);
        return TLockResult::kFailed;
    }
    lock->handle = file;
    return TLockResult::kTaken;
}

void RewriteFileLock(const TFileLock& lock, const std::string& text) {
    HANDLE file = static_cast<HANDLE>(lock.handle);
    DWORD written = 0;
    const std::string lines = TextLines(text);
    if (file != nullptr &&
        SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        SetEndOfFile(file) &&
        WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr)) {
        FlushFileBuffers(file);
    }
}

void ReleaseFileLock(TFileLock* lock) {
    if (lock->handle == nullptr) {
        return;
    }
    HANDLE file = static_cast<HANDLE>(lock->handle);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    lock->handle = nullptr;
}

std::string DriverProfileName(const std::string&, const char* name) {
    return name;
}

std::string DriverProfilePath(const std::string&, const char* name) {
    const std::string windows = WindowsFolder();
    return windows.empty() ? std::string(name) : windows + "\\" + name;
}

std::string DriverSettingsAdvice(const std::string& runFolder) {
    return "this driver reads \"" + std::string(kSettingsFile) + "\" in the Windows directory (" +
           DriverProfilePath(runFolder, kSettingsFile) +
           "); a 32-bit driver without a manifest, run by a standard user, reads a copy in the "
           "virtual store (%LOCALAPPDATA%\\VirtualStore\\Windows) instead: run zvtool and the "
           "driver the same way, both elevated or both not";
}

bool DriversRunSideBySide(std::string* why) {
    *why =
        "one unit at a time on Windows: the driver's two INI files live in the Windows "
        "directory, shared by every run, so two drivers would read each other's job";
    return false;
}

const char* DriverProgramName() {
    return "zordrive.exe";
}

std::string RunLockPath(const std::string&) {
    // The INI files in the Windows directory serve every account that runs the driver
    // elevated, so their lock is the machine's: %ProgramData%\zvtool, open to every account.
    char common[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common))) {
        return "";
    }
    return JoinPath(JoinPath(common, kMachineFolder), kLockName);
}

std::string RunLockScope(const std::string&) {
    return "this PC's driver settings (the INI files in the Windows directory, which every "
           "account shares)";
}
