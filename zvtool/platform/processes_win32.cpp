// Programs zvtool starts, on Windows: CreateProcessA with its own folder and environment, a
// console control handler for Ctrl-C.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
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

}  // namespace

bool SpawnProcess(const TSpawn& spawn, TProcess* process, std::string* error) {
    std::string commandLine;
    for (const std::string& argument : spawn.argv) {
        commandLine += (commandLine.empty() ? "" : " ") + Quoted(argument);
    }
    std::string environment = EnvironmentBlock(spawn.environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE output = INVALID_HANDLE_VALUE;
    HANDLE errors = INVALID_HANDLE_VALUE;
    const bool redirect = !spawn.outputFile.empty() || !spawn.errorFile.empty();
    if (redirect) {
        output = spawn.outputFile.empty() ? GetStdHandle(STD_OUTPUT_HANDLE)
                                          : OutputHandle(spawn.outputFile);
        errors = spawn.errorFile.empty() ? GetStdHandle(STD_ERROR_HANDLE)
                                         : OutputHandle(spawn.errorFile);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = errors;
    }
    PROCESS_INFORMATION started{};
    // A process group of its own: the console's Ctrl-C reaches zvtool alone, which ends the
    // program itself when the user asks.
    const BOOL made = CreateProcessA(
        spawn.argv[0].c_str(), &commandLine[0], nullptr, nullptr, redirect ? TRUE : FALSE,
        CREATE_NEW_PROCESS_GROUP | (spawn.noWindow ? CREATE_NO_WINDOW : 0), &environment[0],
        spawn.folder.empty() ? nullptr : spawn.folder.c_str(), &startup, &started);
    const DWORD code = GetLastError();
    for (HANDLE handle : {output, errors}) {
        if (handle != INVALID_HANDLE_VALUE && handle != GetStdHandle(STD_OUTPUT_HANDLE) &&
            handle != GetStdHandle(STD_ERROR_HANDLE)) {
            CloseHandle(handle);
        }
    }
    if (!made) {
        *error = SystemErrorText(code);
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

void SleepMs(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
}
