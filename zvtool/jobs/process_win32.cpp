// zvtool's platform seam on Windows: CreateProcessA and WaitForSingleObject, a console
// control handler for Ctrl-C.
#include <windows.h>

#include <string>

#include "zvtool/jobs/places.h"
#include "zvtool/jobs/process.h"

namespace {

constexpr char kDriverName[] = "zordrive.exe";
constexpr DWORD kSliceMs = 50;
constexpr UINT kStoppedExitCode = 130;

volatile LONG interrupted = 0;

BOOL WINAPI OnConsoleControl(DWORD) {
    InterlockedExchange(&interrupted, 1);
    return TRUE;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string LastError() {
    return SystemErrorText(GetLastError());
}

}  // namespace

void InstallInterruptHandler() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool Interrupted() {
    return InterlockedCompareExchange(&interrupted, 0, 0) != 0;
}

bool StartDriver(const std::string& path, TDriverProcess* driver, std::string* error) {
    // The driver is a GUI program: it gets no console and so no Ctrl-C of its own; zvtool
    // ends it when the user asks.
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        *error = LastError();
        return false;
    }
    CloseHandle(process.hThread);
    driver->handle = process.hProcess;
    driver->id = static_cast<long long>(process.dwProcessId);
    return true;
}

TWaitResult WaitDriver(TDriverProcess* driver, int milliseconds, int* status) {
    DWORD left = static_cast<DWORD>(milliseconds);
    for (;;) {
        const DWORD slice = left < kSliceMs ? left : kSliceMs;
        if (WaitForSingleObject(driver->handle, slice) == WAIT_OBJECT_0) {
            DWORD code = 0;
            *status = GetExitCodeProcess(driver->handle, &code) ? static_cast<int>(code) : -1;
            CloseHandle(driver->handle);
            driver->handle = nullptr;
            return TWaitResult::kEnded;
        }
        if (Interrupted()) {
            return TWaitResult::kInterrupted;
        }
        if (left <= slice) {
            return TWaitResult::kRunning;
        }
        left -= slice;
    }
}

void StopDriver(TDriverProcess* driver) {
    if (driver->handle == nullptr) {
        return;
    }
    TerminateProcess(driver->handle, kStoppedExitCode);
    WaitForSingleObject(driver->handle, INFINITE);
    CloseHandle(driver->handle);
    driver->handle = nullptr;
}

std::string DefaultDriverPath() {
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::string beside = DirectoryOf(self) + "\\" + kDriverName;
        if (IsProgram(beside)) {
            return beside;
        }
    }
    char found[MAX_PATH] = {};
    const DWORD foundLength = SearchPathA(nullptr, kDriverName, nullptr, MAX_PATH, found, nullptr);
    return foundLength > 0 && foundLength < MAX_PATH ? std::string(found) : std::string();
}

bool IsProgram(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::string AbsolutePath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full) : path;
}

bool ChangeDirectory(const std::string& path) {
    return SetCurrentDirectoryA(path.c_str()) != 0;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void SetEnvironment(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.c_str());
}

std::string ProfileFilePath(const char* name) {
    char directory[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(directory) + "\\" + name
                                           : std::string(name);
}
