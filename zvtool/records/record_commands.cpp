#include "zvtool/records/record_commands.h"

#include <map>
#include <string>

#include "zvtool/exit_codes.h"

namespace {

constexpr int kShownProblems = 20;

std::string Problems(int count) {
    return std::to_string(count) + (count == 1 ? " problem" : " problems");
}

// Reads and checks a file; `read` false with the reason said when it cannot be read.
TCheckedFile ReadChecked(const char* command, const std::string& path, TCommandEnd* end) {
    TCheckedFile file;
    file.path = path;
    std::string text;
    std::string error;
    if (!ReadRecordFile(path, &text, &error)) {
        end->Say(ErrorMessage({kExitDiffTrouble, "cannot read " + path + ": " + error, command}));
        return file;
    }
    file.read = true;
    file.reading = ReadRecordText(text);
    return file;
}

void WarnUnsound(const char* command, const TCheckedFile& file, const char* doing,
                 TCommandEnd* end) {
    if (!file.read || file.reading.problemCount == 0) {
        return;
    }
    TMessage warning = Warning(
        file.path + " fails the check (" + Problems(file.reading.problemCount) +
        ", the first at line " + std::to_string(file.reading.problems[0].line) + "; zvtool check " +
        file.path + " lists them): " + doing + " as the driver would read it");
    warning.command = command;
    end->Say(warning);
}

// The records by number; a number held twice gives its later record, as the unit keeps it.
std::map<int, const TZvRecord*> ByNumber(const std::vector<TZvRecord>& all) {
    std::map<int, const TZvRecord*> records;
    for (const TZvRecord& record : all) {
        records[record.number] = &record;
    }
    return records;
}

}  // namespace

std::vector<std::string> ProblemLines(const std::string& path, const TRecordReading& reading,
                                      bool all) {
    std::vector<std::string> lines;
    int shown = 0;
    for (const TRecordProblem& problem : reading.problems) {
        if (!all && shown == kShownProblems) {
            break;
        }
        lines.push_back(path + ":" + std::to_string(problem.line) + ":" +
                        std::to_string(problem.column) + ": " + problem.text);
        ++shown;
    }
    if (reading.problemCount > shown) {
        lines.push_back(path + ": ... and " + std::to_string(reading.problemCount - shown) +
                        " more problems");
    }
    return lines;
}

TRecordDiff CompareRecords(const std::vector<TZvRecord>& a, const std::vector<TZvRecord>& b) {
    const auto inA = ByNumber(a);
    const auto inB = ByNumber(b);
    std::map<int, int> numbers;  // number -> 1 only in A, 2 only in B, 3 in both
    for (const auto& entry : inA) {
        numbers[entry.first] |= 1;
    }
    for (const auto& entry : inB) {
        numbers[entry.first] |= 2;
    }
    TRecordDiff diff;
    for (const auto& entry : numbers) {
        TRecordChange change{entry.first, entry.second, {}};
        if (entry.second == 3) {
            const TZvRecord& ra = *inA.at(entry.first);
            const TZvRecord& rb = *inB.at(entry.first);
            for (std::size_t i = 0; i < ra.bytes.size(); ++i) {
                if (ra.bytes[i] != rb.bytes[i]) {
                    change.bytes.push_back({static_cast<int>(i), ra.bytes[i], rb.bytes[i]});
                }
            }
            if (change.bytes.empty()) {
                ++diff.same;
                continue;
            }
            ++diff.changed;
        } else {
            ++(entry.second == 1 ? diff.onlyA : diff.onlyB);
        }
        diff.records.push_back(change);
    }
    return diff;
}

TCheckResult CheckRecordFiles(const std::vector<std::string>& paths) {
    TCheckResult result;
    result.end.exit = kExitDiffSame;
    for (const std::string& path : paths) {
        result.files.push_back(ReadChecked("check", path, &result.end));
        const TCheckedFile& file = result.files.back();
        if (!file.read) {
            result.end.exit = kExitDiffTrouble;
        } else if (file.reading.problemCount != 0 && result.end.exit == kExitDiffSame) {
            result.end.exit = kExitDiffDiffer;
        }
    }
    return result;
}

TShowResult ShowRecordFile(const std::string& path, int only) {
    TShowResult result;
    result.file = ReadChecked("show", path, &result.end);
    if (!result.file.read) {
        result.end.exit = kExitDiffTrouble;
        return result;
    }
    const TRecordReading& reading = result.file.reading;
    WarnUnsound("show", result.file, "showing it", &result.end);
    for (std::size_t i = 0; i < reading.records.size(); ++i) {
        if (only < 0 || reading.records[i].number == only) {
            result.shown.push_back(i);
        }
    }
    if (only >= 0 && result.shown.empty()) {
        result.end.Fail(
            {kExitDiffTrouble,
             path + " holds no " + RecordName(only) + " (it holds " +
                 (reading.records.empty() ? "no record" : DescribeNumbers(reading.records)) + ")",
             "show"});
        return result;
    }
    result.end.exit = reading.problemCount != 0 ? kExitDiffDiffer : kExitDiffSame;
    return result;
}

TDiffResult DiffRecordFiles(const std::string& pathA, const std::string& pathB) {
    TDiffResult result;
    result.b.path = pathB;
    result.a = ReadChecked("diff", pathA, &result.end);
    if (result.a.read) {
        result.b = ReadChecked("diff", pathB, &result.end);
    }
    if (!result.a.read || !result.b.read) {
        result.end.exit = kExitDiffTrouble;
        return result;
    }
    WarnUnsound("diff", result.a, "comparing it", &result.end);
    WarnUnsound("diff", result.b, "comparing it", &result.end);
    result.compared = true;
    result.diff = CompareRecords(result.a.reading.records, result.b.reading.records);
    result.end.exit = result.diff.records.empty() ? kExitDiffSame : kExitDiffDiffer;
    return result;
}

TZvError LoadCheckedRecords(const std::string& path, std::vector<TZvRecord>* records,
                            std::vector<std::string>* problems) {
    std::string text;
    std::string error;
    if (!ReadRecordFile(path, &text, &error)) {
        return {kExitNoInput, "cannot read " + path + ": " + error, ""};
    }
    const TRecordReading reading = ReadRecordText(text);
    if (reading.problemCount != 0) {
        *problems = ProblemLines(path, reading, false);
        return {kExitDataError,
                path + " fails the check (" + Problems(reading.problemCount) +
                    "): correct it and try again; `zvtool check " + path +
                    " --all` lists every problem",
                ""};
    }
    *records = reading.records;
    return {};
}
