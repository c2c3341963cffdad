// Programs zvtool starts, on Windows: CreateProcessA with its own folder and environment, a
// console control handler for Ctrl-C.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"

namespace {

constexpr DWORD kSliceMs = 50;
constexpr UINT kStoppedExitCode = 130;

std::atomic<bool>* interruptFlag = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
    if (interruptFlag != nullptr) {
        interruptFlag->store(true);
    }
    return TRUE;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string NameOf(const std::string& variable) {
    // "=C:=C:\x" entries keep the current folder of each drive: their name starts with '='.
    const std::size_t equals = variable.find('=', 1);
    return variable.substr(0, equals);
}

// zvtool's environment with `extra` set on top, as the block CreateProcess takes: sorted by
// name without regard to case, each "NAME=VALUE" ended by a NUL, the block by another.
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::string> variables;
    if (char* strings = GetEnvironmentStringsA()) {
        for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
            const std::string variable = entry;
            bool replaced = false;
            for (const auto& [name, value] : extra) {
                replaced = replaced || Upper(NameOf(variable)) == Upper(name);
            }
            if (!replaced) {
                variables.push_back(variable);
            }
        }
        FreeEnvironmentStringsA(strings);
    }
    for (const auto& [name, value] : extra) {
        variables.push_back(name + "=" + value);
    }
    std::sort(variables.begin(), variables.end(), [](const std::string& a, const std::string& b) {
        return Upper(NameOf(a)) < Upper(NameOf(b));
    });
    std::string block;
    for (const std::string& variable : variables) {
        block += variable;
        block += '\0';
    }
    block += '\0';
    return block;
}

std::string Quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

HANDLE OutputHandle(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The handles a program started with `startup` is to inherit: the lock's alone (with the
// standard handles when they are redirected), so that no other handle of zvtool goes along.
class THandleList {
  public:
    explicit THandleList(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        made_ =
            InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
            UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                      handles_.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~THandleList() {
        if (list_ != nullptr) {
            DeleteProcThreadAttributeList(list_);
        }
    }
    THandleList(const THandleList&) = delete;
    THandleList& operator=(const THandleList&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return made_ ? list_ : nullptr; }

  private:
    std::vector<HANDLE> handles_;
    std::vector<char> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool made_ = false;
};

bool Inheritable(HANDLE handle) {
    DWORD flags = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetHandleInformation(handle, &flags) && (flags & HANDLE_FLAG_INHERIT) != 0;
}

// The standard handles of a program whose output goes into files: the files opened, closed
// once the program has its own copies (or was never started).
class TRedirect {
  public:
    TRedirect(const TSpawn& spawn, STARTUPINFOA* startup) {
        if (spawn.outputFile.empty() && spawn.errorFile.empty()) {
            return;
        }
        output_ = spawn.outputFile.empty() ? GetStdHandle(STD_OUTPUT_HANDLE)
                                           : OutputHandle(spawn.outputFile);
        errors_ = spawn.errorFile.empty() ? GetStdHandle(STD_ERROR_HANDLE)
                                          : OutputHandle(spawn.errorFile);
        startup->dwFlags = STARTF_USESTDHANDLES;
        startup->hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup->hStdOutput = output_;
        startup->hStdError = errors_;
        handles_ = {startup->hStdInput, output_, errors_};
    }
    ~TRedirect() {
        for (HANDLE handle : {output_, errors_}) {
            if (handle != INVALID_HANDLE_VALUE && handle != GetStdHandle(STD_OUTPUT_HANDLE) &&
                handle != GetStdHandle(STD_ERROR_HANDLE)) {
                CloseHandle(handle);
            }
        }
    }
    TRedirect(const TRedirect&) = delete;
    TRedirect& operator=(const TRedirect&) = delete;
    // The handles the program is to inherit for its standard input, output and error.
    const std::vector<HANDLE>& handles() const { return handles_; }

  private:
    HANDLE output_ = INVALID_HANDLE_VALUE;
    HANDLE errors_ = INVALID_HANDLE_VALUE;
    std::vector<HANDLE> handles_;
};

// Each inheritable handle of `handles` once, in order.
std::vector<HANDLE> InheritableOnce(const std::vector<HANDLE>& handles) {
    std::vector<HANDLE> listed;
    for (HANDLE handle : handles) {
        if (Inheritable(handle) &&
            std::find(listed.begin(), listed.end(), handle) == listed.end()) {
            listed.push_back(handle);
        }
    }
    return listed;
}

}  // namespace

bool SpawnProcess(const TSpawn& spawn, TProcess* process, std::string* error) {
    std::string commandLine;
    for (const std::string& argument : spawn.argv) {
        commandLine += (commandLine.empty() ? "" : " ") + Quoted(argument);
    }
    std::string environment = EnvironmentBlock(spawn.environment);
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    const TRedirect redirect(spawn, &startup.StartupInfo);
    std::vector<HANDLE> inherited = redirect.handles();
    // The lock goes to this program alone: it is held while either of the two runs, and a
    // driver left running by a zvtool that was ended keeps the next job out until it ends.
    HANDLE lock = spawn.lock != nullptr ? static_cast<HANDLE>(spawn.lock->handle) : nullptr;
    if (lock != nullptr) {
        inherited.push_back(lock);
    }
    // Whatever inherits gets the handles listed and no other: the run lock goes only where it
    // is asked for, never to git or another program zvtool starts with its output redirected.
    const std::vector<HANDLE> listed = InheritableOnce(inherited);
    const THandleList handles(listed);
    DWORD flags = CREATE_NEW_PROCESS_GROUP | (spawn.noWindow ? CREATE_NO_WINDOW : 0);
    const bool inherits = !listed.empty();
    if (inherits || lock != nullptr) {
        if (handles.get() == nullptr || !inherits) {
            *error = "cannot hand the program its handles: " + SystemErrorText(GetLastError());
            return false;
        }
        startup.lpAttributeList = handles.get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    PROCESS_INFORMATION started{};
    // A process group of its own: the console's Ctrl-C reaches zvtool alone (a program
    // started so ignores Ctrl-C), which ends the program itself when the user asks.
    if (!CreateProcessA(spawn.argv[0].c_str(), &commandLine[0], nullptr, nullptr,
                        inherits ? TRUE : FALSE, flags, &environment[0],
                        spawn.folder.empty() ? nullptr : spawn.folder.c_str(), &startup.StartupInfo,
                        &started)) {
        *error = SystemErrorText(GetLastError());
        return false;
    }
    CloseHandle(started.hThread);
    process->handle = started.hProcess;
    process->id = static_cast<long long>(started.dwProcessId);
    return true;
}

bool WaitProcess(TProcess* process, int milliseconds, const std::atomic<bool>* stop, int* status,
                 double* cpuSeconds) {
    DWORD left = static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds);
    for (;;) {
        const DWORD slice = left < kSliceMs ? left : kSliceMs;
        if (WaitForSingleObject(process->handle, slice) == WAIT_OBJECT_0) {
            DWORD code = 0;
            *status = GetExitCodeProcess(process->handle, &code) ? static_cast<int>(code) : -1;
            FILETIME created, exited, kernel, user;
            if (cpuSeconds != nullptr &&
                GetProcessTimes(process->handle, &created, &exited, &kernel, &user)) {
                const auto ticks = [](const FILETIME& time) {
                    return static_cast<double>(
                        (static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                        time.dwLowDateTime);
                };
                *cpuSeconds = (ticks(kernel) + ticks(user)) / 1e7;
            }
            CloseHandle(process->handle);
            process->handle = nullptr;
            return true;
        }
        if (left <= slice || (stop != nullptr && stop->load())) {
            return false;
        }
        left -= slice;
    }
}

void StopProcess(TProcess* process) {
    if (process->handle == nullptr) {
        return;
    }
    TerminateProcess(process->handle, kStoppedExitCode);
    WaitForSingleObject(process->handle, INFINITE);
    CloseHandle(process->handle);
    process->handle = nullptr;
}

void InterruptProcess(const TProcess& process) {
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(process.id));
}

void SetFlagOnInterrupt(std::atomic<bool>* flag) {
    interruptFlag = flag;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool ProcessRuns(long long id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) {
        // Another account's process may not be opened: it runs all the same.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD code = 0;
    const bool runs = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return runs;
}

std::string SelfPath() {
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(self) : std::string();
}

std::string FindOnSearchPath(const std::string& name) {
    char found[MAX_PATH] = {};
    const DWORD length = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(found) : std::string();
}

std::string MachineName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

long long ThisProcessId() {
    return static_cast<long long>(GetCurrentProcessId());
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool HasItsOwnConsole() {
    // A console that only this process is attached to was made for it: started from Explorer
    // (from cmd or PowerShell the shell is attached too).
    DWORD processes[2] = {};
    return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForEnter() {
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
    }
}

void SleepMs(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
}
