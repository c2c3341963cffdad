#include "zvtool/bench/unit_processes.h"

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"

namespace {

constexpr char kPrefix[] = "zvtool: ";
constexpr std::size_t kMostLogBytes = 64u * 1024 * 1024;

struct TUnitProcess {
    TProcess process;
    std::string outPath;
    std::string logPath;
};

std::string ReadText(const std::string& path) {
    std::string text;
    std::string error;
    ReadWholeFile(path, kMostLogBytes, &text, &error);
    return text;
}

std::string WithoutPrefix(const std::string& line) {
    return line.compare(0, sizeof kPrefix - 1, kPrefix) == 0 ? line.substr(sizeof kPrefix - 1)
                                                             : line;
}

// The outcome a unit's zvtool gave in its JSON object and its log.
void ReadOutcome(const TUnitProcess& unit, TUnitOutcome* outcome) {
    std::string json = ReadText(unit.outPath);
    while (!json.empty() && (json.back() == '\n' || json.back() == '\r')) {
        json.pop_back();
    }
    outcome->json = json.size() > 1 && json[0] == '{' ? json : "";
    outcome->log = unit.logPath;
    std::string value;
    if (JsonField(outcome->json, "records", &value)) {
        outcome->records = std::atoi(value.c_str());
    }
    if (JsonField(outcome->json, "file", &value)) {
        outcome->file = value;
    }
    if (JsonField(outcome->json, "result", &value)) {
        outcome->result = std::atoi(value.c_str());
    }
    JsonField(outcome->json, "meaning", &outcome->meaning);
    JsonField(outcome->json, "error", &outcome->error);
    outcome->lastWords = WithoutPrefix(LastLogLine(ReadText(unit.logPath)));
}

}  // namespace

std::string LastLogLine(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    std::string last;
    while (std::getline(lines, line)) {
        const std::size_t cr = line.find_last_of('\r', line.size() > 1 ? line.size() - 2 : 0);
        line = cr == std::string::npos ? line : line.substr(cr + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty()) {
            last = line;
        }
    }
    return last;
}

TUnitLauncher ProcessLauncher(const std::string& base, const TUnitCommandLine& commandLine) {
    auto units = std::make_shared<std::vector<TUnitProcess>>();
    TUnitLauncher launcher;
    launcher.start = [units, base, commandLine](std::size_t index, const TBenchUnit& unit,
                                                const std::string& folder, std::string* error) {
        units->resize(index + 1 > units->size() ? index + 1 : units->size());
        TUnitProcess& process = (*units)[index];
        process.outPath = JoinPath(base, unit.name + ".json");
        process.logPath = JoinPath(base, unit.name + ".log");
        TSpawn spawn;
        spawn.argv = commandLine(unit, folder);
        spawn.folder = folder;
        spawn.outputFile = process.outPath;
        spawn.errorFile = process.logPath;
        return SpawnProcess(spawn, &process.process, error);
    };
    launcher.ended = [units](std::size_t index, TUnitOutcome* outcome) {
        TUnitProcess& unit = (*units)[index];
        int status = -1;
        double cpu = 0;
        if (!WaitProcess(&unit.process, 0, nullptr, &status, &cpu)) {
            return false;
        }
        outcome->exit = status;
        outcome->cpuSeconds = cpu;
        ReadOutcome(unit, outcome);
        return true;
    };
    launcher.lastLine = [units](std::size_t index) {
        return LastLogLine(ReadText((*units)[index].logPath));
    };
    launcher.interrupt = [units](std::size_t index) { InterruptProcess((*units)[index].process); };
    launcher.heldLines = [units](std::size_t index) {
        std::istringstream lines(ReadText((*units)[index].logPath));
        std::vector<std::string> held;
        for (std::string line; std::getline(lines, line);) {
            if (line.find(" holds ") != std::string::npos ||
                line.find(" left ") != std::string::npos) {
                held.push_back(WithoutPrefix(line));
            }
        }
        return held;
    };
    return launcher;
}

bool JsonField(const std::string& json, const std::string& key, std::string* value) {
    const std::string pattern = "\"" + key + "\": ";
    std::size_t at = 0;
    // A key inside a string value has its quotes escaped: skip those.
    while ((at = json.find(pattern, at)) != std::string::npos && at > 0 && json[at - 1] == '\\') {
        at += pattern.size();
    }
    if (at == std::string::npos) {
        return false;
    }
    std::size_t i = at + pattern.size();
    if (json.compare(i, 4, "null") == 0) {
        return false;
    }
    std::string text;
    if (i < json.size() && json[i] == '"') {
        for (++i; i < json.size() && json[i] != '"'; ++i) {
            if (json[i] == '\\' && i + 1 < json.size()) {
                ++i;
            }
            text += json[i];
        }
    } else {
        for (; i < json.size() && json[i] != ',' && json[i] != '}'; ++i) {
            text += json[i];
        }
    }
    *value = text;
    return true;
}
