// zvtool's own places on Windows: %LOCALAPPDATA%, CreateDirectoryA, FindFirstFileA.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "settings/profile.h"
#include "zvtool/jobs/places.h"
#include "zvtool/jobs/process.h"

namespace {

constexpr char kProbeSuffix[] = ".zvtool-probe";
constexpr DWORD kProbeBytes = 16 * 1024;

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

}  // namespace

std::string UserStateFolder() {
    const char* local = std::getenv("LOCALAPPDATA");
    return local != nullptr && *local != '\0' ? std::string(local) + "\\zvtool" : "";
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') {
        return folder + name;
    }
    return folder + "\\" + name;
}

bool MakeFolders(const std::string& path, std::string* error) {
    for (std::size_t slash = path.find_first_of("\\/", 3);;
         slash = path.find_first_of("\\/", slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            *error = SystemErrorText(GetLastError());
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
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

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long ThisProcessId() {
    return static_cast<long long>(GetCurrentProcessId());
}

std::string WhyNotWritable(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return SystemErrorText(GetLastError());
    }
    CloseHandle(file);
    const DWORD error = WriteZeros(path + kProbeSuffix, kProbeBytes);
    return error == 0 ? "" : SystemErrorText(error);
}

std::string SettingsAdvice() {
    return "this driver reads \"" + std::string(kSettingsFile) + "\" in the Windows directory (" +
           ProfileFilePath(kSettingsFile) +
           "); a 32-bit driver without a manifest, run by a standard user, reads a copy in the "
           "virtual store (%LOCALAPPDATA%\\VirtualStore\\Windows) instead: run zvtool and the "
           "driver the same way, both elevated or both not";
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
