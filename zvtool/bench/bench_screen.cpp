#include "zvtool/bench/bench_screen.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/json.h"

namespace {

constexpr char kClearLine[] = "\r\033[K";

std::size_t Widest(const std::vector<std::string>& texts, std::size_t least) {
    std::size_t width = least;
    for (const std::string& text : texts) {
        width = text.size() > width ? text.size() : width;
    }
    return width;
}

std::string Padded(std::string text, std::size_t width) {
    text.resize(text.size() < width ? width : text.size(), ' ');
    return text;
}

std::string Minutes(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

}  // namespace

std::vector<std::string> BenchLines(const std::vector<TUnitView>& units) {
    std::vector<std::string> names;
    std::vector<std::string> ports;
    for (const TUnitView& unit : units) {
        names.push_back(unit.name);
        ports.push_back(unit.port);
    }
    const std::size_t nameWidth = Widest(names, 4) + 2;
    const std::size_t portWidth = Widest(ports, 4) + 2;
    std::vector<std::string> lines;
    for (const TUnitView& unit : units) {
        lines.push_back(Padded(unit.name, nameWidth) + Padded(unit.port, portWidth) + unit.line);
    }
    return lines;
}

std::string Redraw(const std::vector<std::string>& lines, std::size_t drawn) {
    std::string text;
    if (drawn > 0) {
        text += "\033[" + std::to_string(drawn) + "A";
    }
    for (const std::string& line : lines) {
        text += kClearLine + line + "\n";
    }
    return text;
}

std::string OutcomeTable(const std::vector<TUnitOutcome>& outcomes) {
    std::vector<std::string> names{"unit"};
    std::vector<std::string> ports{"port"};
    std::vector<std::string> results{"result"};
    for (const TUnitOutcome& outcome : outcomes) {
        names.push_back(outcome.name);
        ports.push_back(outcome.port);
        results.push_back(outcome.result);
    }
    const std::size_t nameWidth = Widest(names, 0) + 2;
    const std::size_t portWidth = Widest(ports, 0) + 2;
    const std::size_t resultWidth = Widest(results, 0) + 2;
    std::string table = Padded("unit", nameWidth) + Padded("port", portWidth) +
                        Padded("result", resultWidth) + "records  time\n";
    for (const TUnitOutcome& outcome : outcomes) {
        const std::string records = outcome.records < 0 ? "-" : std::to_string(outcome.records);
        table += Padded(outcome.name, nameWidth) + Padded(outcome.port, portWidth) +
                 Padded(outcome.result, resultWidth) + Padded(records, 9) +
                 Minutes(outcome.seconds) + "\n";
    }
    return table;
}

std::string OutcomeJson(const TUnitOutcome& outcome) {
    TJsonObject json;
    json.Int("version", kJsonSchemaVersion)
        .String("unit", outcome.name)
        .String("port", outcome.port)
        .IntOrNull("exit", outcome.exit)
        .String("result", outcome.result)
        .IntOrNull("records", outcome.records)
        .StringOrNull("file", outcome.file)
        .Seconds("seconds", outcome.seconds);
    char cpu[32];
    std::snprintf(cpu, sizeof cpu, "%.3f", outcome.cpuSeconds);
    return json.Raw("cpu_seconds", cpu)
        .Raw("run", outcome.json.empty() ? "null" : outcome.json)
        .Text();
}

int BenchExit(const std::vector<TUnitOutcome>& outcomes, bool interrupted) {
    if (interrupted) {
        return 130;
    }
    int worst = 0;
    for (const TUnitOutcome& outcome : outcomes) {
        const int exit = outcome.exit < 0 ? 70 : outcome.exit;
        worst = exit > worst ? exit : worst;
    }
    return worst;
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
