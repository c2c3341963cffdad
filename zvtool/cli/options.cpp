#include "zvtool/cli/options.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kLastPort = 255;

// The options that take a value, as `--name VALUE` or `--name=VALUE`.
const char* const kValueOptions[] = {"--port", "--driver", "--dir",    "--trace",
                                     "-o",     "--output", "--modules"};

bool TakesValue(const std::string& name) {
    for (const char* option : kValueOptions) {
        if (name == option) {
            return true;
        }
    }
    return false;
}

// A whole decimal number within [low, high].
bool ParseNumber(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const int number = std::stoi(text);
    if (number < low || number > high) {
        return false;
    }
    *value = number;
    return true;
}

// What each job accepts beyond the global options.
struct TJobShape {
    TZvJob job;
    bool output;
    bool modules;
    bool ignoreMutBlock;
};

TJobShape ShapeOf(TZvJob job) {
    switch (job) {
        case TZvJob::kFetchCentral:
        case TZvJob::kFetchModules:
            return {job, true, false, false};
        case TZvJob::kSendCentral:
            return {job, false, false, true};
        case TZvJob::kBackup:
            return {job, true, true, false};
        case TZvJob::kRestore:
            return {job, false, false, true};
        default:
            return {job, false, false, false};
    }
}

// The job the positional words name; false and `error` when they name none.
bool ParseWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    const std::string& command = words[0];
    const std::size_t count = words.size();
    auto wrongCount = [&](const char* usage) {
        *error = std::string("usage: zvtool ") + usage;
        return false;
    };
    if (command == "test") {
        options->job = TZvJob::kTest;
        return count == 1 || wrongCount("test");
    }
    if (command == "fetch") {
        if (count >= 2 && words[1] == "central") {
            options->job = TZvJob::kFetchCentral;
            return count == 2 || wrongCount("fetch central [-o FILE]");
        }
        if (count >= 2 && words[1] == "modules") {
            options->job = TZvJob::kFetchModules;
            if (count != 3) {
                return wrongCount("fetch modules A-B|N|all [-o FILE]");
            }
            if (!ParseModuleRange(words[2], &options->first, &options->last)) {
                *error = "'" + words[2] + "' is not a module range: give A-B, N or all, with " +
                         "1 <= A <= B <= 200";
                return false;
            }
            return true;
        }
        return wrongCount("fetch central | fetch modules A-B|N|all");
    }
    if (command == "send") {
        if (count >= 2 && (words[1] == "central" || words[1] == "modules")) {
            options->job = words[1] == "central" ? TZvJob::kSendCentral : TZvJob::kSendModules;
            if (count != 3) {
                return wrongCount(words[1] == "central" ? "send central FILE [--ignore-mut-block]"
                                                        : "send modules FILE");
            }
            options->file = words[2];
            return true;
        }
        return wrongCount("send central FILE | send modules FILE");
    }
    if (command == "backup") {
        options->job = TZvJob::kBackup;
        return count == 1 || wrongCount("backup -o FILE [--modules A-B]");
    }
    if (command == "restore") {
        options->job = TZvJob::kRestore;
        if (count != 2) {
            return wrongCount("restore FILE");
        }
        options->file = words[1];
        return true;
    }
    *error = "unknown command '" + command + "'";
    return false;
}

}  // namespace

bool ParseModuleRange(const std::string& text, int* first, int* last) {
    if (text == "all") {
        *first = kFirstModul;
        *last = kLastModul;
        return true;
    }
    const std::size_t dash = text.find('-');
    int a = 0;
    int b = 0;
    if (dash == std::string::npos) {
        if (!ParseNumber(text, kFirstModul, kLastModul, &a)) {
            return false;
        }
        b = a;
    } else if (!ParseNumber(text.substr(0, dash), kFirstModul, kLastModul, &a) ||
               !ParseNumber(text.substr(dash + 1), kFirstModul, kLastModul, &b) || a > b) {
        return false;
    }
    *first = a;
    *last = b;
    return true;
}

int FindCommandWord(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--") {
            return i + 1 < argc ? i + 1 : 0;
        }
        if (argument.size() > 1 && argument[0] == '-') {
            if (argument.find('=') == std::string::npos && TakesValue(argument)) {
                ++i;
            }
            continue;
        }
        return i;
    }
    return 0;
}

bool ParseCommandLine(int argc, const char* const* argv, TZvOptions* options, std::string* error) {
    TZvOptions parsed;
    std::vector<std::string> words;
    bool optionsEnded = false;
    bool modulesGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            words.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        const std::size_t equals = argument.find('=');
        const bool inlineValue = equals != std::string::npos && argument.compare(0, 2, "--") == 0;
        if (inlineValue) {
            value = argument.substr(equals + 1);
            argument = argument.substr(0, equals);
        }
        if (TakesValue(argument)) {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    *error = "option " + argument + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            if (argument == "--port") {
                if (!ParseNumber(value, 1, kLastPort, &parsed.port)) {
                    *error = "--port takes a port number 1 to 255 (COM1 is 1), not '" + value + "'";
                    return false;
                }
            } else if (argument == "--driver") {
                parsed.driver = value;
            } else if (argument == "--dir") {
                parsed.dir = value;
            } else if (argument == "--trace") {
                parsed.trace = value;
            } else if (argument == "--modules") {
                if (!ParseModuleRange(value, &parsed.first, &parsed.last)) {
                    *error = "'" + value + "' is not a module range: give A-B, N or all, with " +
                             "1 <= A <= B <= 200";
                    return false;
                }
                modulesGiven = true;
            } else {
                parsed.output = value;
            }
            if (value.empty()) {
                *error = "option " + argument + " needs a value";
                return false;
            }
        } else if (inlineValue) {
            *error = "option " + argument + " takes no value";
            return false;
        } else if (argument == "--help" || argument == "-h") {
            parsed.help = true;
        } else if (argument == "--version") {
            parsed.version = true;
        } else if (argument == "--json") {
            parsed.json = true;
        } else if (argument == "--ignore-mut-block") {
            parsed.ignoreMutBlock = true;
        } else {
            *error = "unknown option '" + argument + "'";
            return false;
        }
    }
    parsed.command = words.empty() ? "" : words[0];
    if (parsed.help || parsed.version) {
        *options = parsed;
        return true;
    }
    if (words.empty()) {
        *error = "no command given";
        return false;
    }
    const int first = parsed.first;
    const int last = parsed.last;
    if (!ParseWords(words, &parsed, error)) {
        return false;
    }
    const TJobShape shape = ShapeOf(parsed.job);
    if (!parsed.output.empty() && !shape.output) {
        *error = "-o is for fetch and backup";
        return false;
    }
    if (modulesGiven && !shape.modules) {
        *error = "--modules is for backup; fetch takes its range as `fetch modules A-B`";
        return false;
    }
    if (modulesGiven) {
        parsed.first = first;
        parsed.last = last;
    }
    if (parsed.ignoreMutBlock && !shape.ignoreMutBlock) {
        *error = "--ignore-mut-block is for send central and restore";
        return false;
    }
    if (parsed.job == TZvJob::kBackup && parsed.output.empty()) {
        *error = "backup needs -o FILE, the setup file to write";
        return false;
    }
    *options = parsed;
    return true;
}
