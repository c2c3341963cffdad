#include "zvtool/cli/bench_screen.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/cli/json.h"
#include "zvtool/cli/json_schema.h"
#include "zvtool/cli/messages.h"

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
        results.push_back(UnitResultText(outcome));
    }
    const std::size_t nameWidth = Widest(names, 0) + 2;
    const std::size_t portWidth = Widest(ports, 0) + 2;
    const std::size_t resultWidth = Widest(results, 0) + 2;
    std::string table = Padded("unit", nameWidth) + Padded("port", portWidth) +
                        Padded("result", resultWidth) + "records  time\n";
    for (const TUnitOutcome& outcome : outcomes) {
        const std::string records = outcome.records < 0 ? "-" : std::to_string(outcome.records);
        table += Padded(outcome.name, nameWidth) + Padded(outcome.port, portWidth) +
                 Padded(UnitResultText(outcome), resultWidth) + Padded(records, 9) +
                 Minutes(outcome.seconds) + "\n";
    }
    return table;
}

std::string OutcomeJson(const std::string& command, const TUnitOutcome& outcome) {
    char cpu[32];
    std::snprintf(cpu, sizeof cpu, "%.3f", outcome.cpuSeconds);
    const TJsonValues values = {
        {"version", JsonInt(kJsonSchemaVersion)},
        {"command", JsonString(command)},
        {"exit", JsonIntOrNull(outcome.exit)},
        {"error", JsonStringOrNull(outcome.exit == 0 ? "" : outcome.error)},
        {"unit", JsonString(outcome.name)},
        {"unit_port", JsonString(outcome.port)},
        {"outcome", JsonString(UnitResultText(outcome))},
        {"result", JsonIntOrNull(outcome.result)},
        {"meaning", JsonStringOrNull(outcome.meaning)},
        {"seconds", JsonSeconds(outcome.seconds)},
        {"records", JsonIntOrNull(outcome.records)},
        {"file", JsonStringOrNull(outcome.file)},
        {"cpu_seconds", cpu},
        {"run", outcome.json.empty() ? "null" : outcome.json},
    };
    return SchemaObject(kBenchUnitObject, values);
}

TBenchView::TBenchView(const std::vector<TBenchUnit>& units, bool terminal) : terminal_(terminal) {
    for (const TBenchUnit& unit : units) {
        views_.push_back({unit.name, unit.port, "starting"});
    }
}

void TBenchView::Draw() {
    const std::vector<std::string> lines = BenchLines(views_);
    std::fputs(Redraw(lines, drawn_).c_str(), stderr);
    std::fflush(stderr);
    drawn_ = lines.size();
}

void TBenchView::Begin() {
    if (terminal_) {
        Draw();
    }
}

void TBenchView::Show(const TEvent& event) {
    if (event.kind == TEventKind::kMessage) {
        PrintMessage(event.message);
        // The message that the bench is stopping took the line below the drawing: the units
        // are drawn anew under it. What each says it holds afterwards is no drawing's.
        drawn_ = 0;
        if (terminal_ && event.message.kind == TMessageKind::kError) {
            Draw();
        }
        return;
    }
    if (event.kind != TEventKind::kUnitLine) {
        return;
    }
    for (TUnitView& view : views_) {
        if (view.name == event.unit) {
            view.line = event.what;
        }
    }
    if (terminal_) {
        Draw();
    } else {
        std::fprintf(stderr, "%s: %s\n", event.unit.c_str(), event.what.c_str());
        std::fflush(stderr);
    }
}
