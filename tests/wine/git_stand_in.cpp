// git.exe for the Wine row of a shared ledger: answers the calls zvtool.exe makes as git
// would, for a remote that has no branch yet, and logs each call on a line of "calls.txt"
// beside itself: the folder it runs in, its console (a window, hidden, none), three variables of
// its environment, then each argument after a tab, as the C runtime split its command line.
// A file "offline" beside it makes fetch and push fail as an unreachable remote does. Its
// state (the remote, the commits made) is a file in the .git folder it makes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Beside(const char* name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "(unset)";
}

void Log(const std::vector<std::string>& args) {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    // Started without a console window (CREATE_NO_WINDOW): a console, but no window of it.
    const char* console = GetConsoleWindow() ? "window" : GetConsoleCP() != 0 ? "hidden" : "none";
    std::string line = std::string(folder) + "\tconsole=" + console +
                       "\tprompt=" + Variable("GIT_TERMINAL_PROMPT") +
                       "\tssh=" + Variable("GIT_SSH_COMMAND") +
                       "\tauthor=" + Variable("GIT_AUTHOR_EMAIL");
    for (const std::string& arg : args) {
        line += "\t" + arg;
    }
    if (FILE* log = std::fopen(Beside("calls.txt").c_str(), "ab")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

// The repository's state: line 1 the remote, line 2 the commits made.
struct TState {
    std::string remote;
    int commits = 0;
};

TState Read() {
    TState state;
    if (FILE* file = std::fopen(".git/stand-in.txt", "rb")) {
        char remote[1024] = {};
        if (std::fscanf(file, "%1023s %d", remote, &state.commits) >= 1) {
            state.remote = remote;
        }
        std::fclose(file);
    }
    return state;
}

void Write(const TState& state) {
    if (FILE* file = std::fopen(".git/stand-in.txt", "wb")) {
        std::fprintf(file, "%s %d\n", state.remote.c_str(), state.commits);
        std::fclose(file);
    }
}

int Offline(const TState& state) {
    std::fprintf(stderr, "fatal: unable to access '%s': Could not resolve host: bench1\n",
                 state.remote.c_str());
    return 128;
}

// git's answer to `args` (zvtool's -c settings taken off).
int Answer(const std::vector<std::string>& args) {
    const std::string command = args.empty() ? "" : args[0];
    TState state = Read();
    const bool offline = GetFileAttributesA(Beside("offline").c_str()) != INVALID_FILE_ATTRIBUTES;
    if (command == "--version") {
        std::printf("git version 2.39.0.windows.1\n");
    } else if (command == "init") {
        CreateDirectoryA(".git", nullptr);
        Write(state);
    } else if (command == "remote" && args.size() == 4) {
        state.remote = args[3];
        Write(state);
    } else if (command == "config" && args.size() == 3 && args[1] == "--get") {
        std::printf("%s\n", state.remote.c_str());
    } else if (command == "diff") {
        return 1;  // there is something to commit
    } else if (command == "commit") {
        ++state.commits;
        Write(state);
    } else if (command == "rev-parse") {
        return args.back() == "HEAD^{commit}" && state.commits > 0 ? 0 : 1;
    } else if (command == "rev-list") {
        std::printf("%d\n", state.commits);
    } else if ((command == "fetch" || command == "push") && offline) {
        return Offline(state);
    } else if (command == "push") {
        std::printf("To %s\n*\trefs/heads/main:refs/heads/main\t[new branch]\nDone\n",
                    state.remote.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    Log(args);
    std::size_t first = 0;
    while (first + 1 < args.size() && args[first] == "-c") {
        first += 2;
    }
    return Answer({args.begin() + static_cast<long>(first), args.end()});
}
