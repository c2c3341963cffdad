#include "zvtool/records/record_commands.h"

#include <cstdio>
#include <map>
#include <string>

#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/json.h"
#include "zvtool/records/record_json.h"
#include "zvtool/report.h"

namespace {

constexpr int kShownProblems = 20;
constexpr int kBytesPerRow = 16;

// Reads and checks a file; false with the reason on stderr when it cannot be read.
bool ReadChecked(const char* command, const std::string& path, TRecordReading& reading) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path.c_str(), text, error)) {
        PrintError({kExitDiffTrouble, "cannot read " + path + ": " + error, command});
        return false;
    }
    reading = ReadRecordText(text);
    return true;
}

void PrintProblems(std::FILE* out, const std::string& path, const TRecordReading& reading,
                   bool all) {
    int shown = 0;
    for (const TRecordProblem& problem : reading.problems) {
        if (!all && shown == kShownProblems) {
            break;
        }
        std::fprintf(out, "%s:%d:%d: %s\n", path.c_str(), problem.line, problem.column,
                     problem.text.c_str());
        ++shown;
    }
    if (reading.problemCount > shown) {
        std::fprintf(out, "%s: ... and %d more problems\n", path.c_str(),
                     reading.problemCount - shown);
    }
}

std::string Plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Problems(int count) {
    return Plural(count, "problem", "problems");
}

void WarnUnsound(const char* command, const std::string& path, const TRecordReading& reading,
                 const char* doing) {
    PrintError({kExitOk,
                "warning: " + path + " fails the check (" + Problems(reading.problemCount) +
                    ", the first at line " + std::to_string(reading.problems[0].line) +
                    "; zvtool check " + path + " lists them): " + doing +
                    " as the driver would read it",
                command});
}

void PrintRecord(const TZvRecord& record, int line, bool hex) {
    std::printf("%s (line %d)\n", RecordName(record.number).c_str(), line);
    std::printf("offset");
    for (int column = 0; column < kBytesPerRow; ++column) {
        char label[8];
        std::snprintf(label, sizeof label, hex ? "+%X" : "+%d", column);
        std::printf(hex ? "  %2s" : " %4s", label);
    }
    std::printf("\n");
    for (int row = 0; row < static_cast<int>(kSetupBytes); row += kBytesPerRow) {
        std::printf(hex ? "  0x%02X" : "%6d", row);
        for (int i = row; i < row + kBytesPerRow && i < static_cast<int>(kSetupBytes); ++i) {
            std::printf(hex ? "  %02X" : " %4d", record.bytes[static_cast<std::size_t>(i)]);
        }
        std::printf("\n");
    }
}

// The records by number; a number held twice gives its later record, as the unit keeps it.
std::map<int, const TZvRecord*> ByNumber(const std::vector<TZvRecord>& all) {
    std::map<int, const TZvRecord*> records;
    for (const TZvRecord& record : all) {
        records[record.number] = &record;
    }
    return records;
}

// The comparison as `diff` prints it: the records in one file only, every differing byte.
void PrintDiff(const TRecordDiff& diff, const std::string& pathA, const std::string& pathB,
               bool hex) {
    if (diff.records.size() + static_cast<std::size_t>(diff.same) > 0) {
        std::printf("A = %s, B = %s\n", pathA.c_str(), pathB.c_str());
    }
    for (const TRecordChange& change : diff.records) {
        const std::string name = RecordName(change.number);
        if (change.in != 3) {
            std::printf("%s: only in %s\n", name.c_str(), change.in == 1 ? "A" : "B");
            continue;
        }
        std::printf("%s: %zu of 130 bytes differ\n  offset    A    B\n", name.c_str(),
                    change.bytes.size());
        for (const TByteChange& byte : change.bytes) {
            std::printf(hex ? "    0x%02X   %02X   %02X\n" : "  %6d  %3d  %3d\n", byte.offset,
                        byte.a, byte.b);
        }
    }
    if (diff.records.empty()) {
        std::printf("%s and %s hold the same %s\n", pathA.c_str(), pathB.c_str(),
                    Plural(diff.same, "record", "records").c_str());
    } else {
        std::printf("%d changed, %d only in A, %d only in B, %d the same\n", diff.changed,
                    diff.onlyA, diff.onlyB, diff.same);
    }
}

}  // namespace

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

int RunCheck(const TRecordArgs& args) {
    int status = kExitDiffSame;
    std::vector<std::string> files;
    std::vector<std::string> problems;
    for (const std::string& path : args.files) {
        TRecordReading reading;
        if (!ReadChecked("check", path, reading)) {
            status = kExitDiffTrouble;
            continue;
        }
        files.push_back(CheckedFileJson(path, reading));
        for (const std::string& problem : ProblemsJson(path, reading)) {
            problems.push_back(problem);
        }
        if (reading.problemCount != 0 && status == kExitDiffSame) {
            status = kExitDiffDiffer;
        }
        if (JsonWanted()) {
            continue;
        }
        if (reading.problemCount == 0) {
            std::printf(
                "%s: sound: %s (%s)\n", path.c_str(),
                Plural(static_cast<int>(reading.records.size()), "record", "records").c_str(),
                DescribeNumbers(reading.records).c_str());
            continue;
        }
        PrintProblems(stdout, path, reading, args.all);
        std::printf("%s: %s; a send would not carry what the file seems to say\n", path.c_str(),
                    Problems(reading.problemCount).c_str());
    }
    CommandReport().members.push_back({"files", JsonArray(files)});
    CommandReport().members.push_back({"problems", JsonArray(problems)});
    return status;
}

int RunShow(const TRecordArgs& args) {
    const std::string& path = args.files[0];
    const int only = args.record;
    TRecordReading reading;
    if (!ReadChecked("show", path, reading)) {
        return kExitDiffTrouble;
    }
    if (reading.problemCount != 0) {
        WarnUnsound("show", path, reading, "showing it");
    }
    bool shown = false;
    std::vector<std::string> records;
    for (std::size_t i = 0; i < reading.records.size(); ++i) {
        if (only >= 0 && reading.records[i].number != only) {
            continue;
        }
        records.push_back(RecordJson(reading.records[i], reading.lines[i]));
        if (!JsonWanted()) {
            if (shown) {
                std::printf("\n");
            }
            PrintRecord(reading.records[i], reading.lines[i], args.hex);
        }
        shown = true;
    }
    TReport& report = CommandReport();
    report.members.push_back({"file", JsonString(path)});
    report.members.push_back({"problem_count", std::to_string(reading.problemCount)});
    report.members.push_back({"records", JsonArray(records)});
    if (only >= 0 && !shown) {
        return Fail(
            {kExitDiffTrouble,
             path + " holds no " + RecordName(only) + " (it holds " +
                 (reading.records.empty() ? "no record" : DescribeNumbers(reading.records)) + ")",
             "show"});
    }
    return reading.problemCount != 0 ? kExitDiffDiffer : kExitDiffSame;
}

int RunDiff(const TRecordArgs& args) {
    const std::string& pathA = args.files[0];
    const std::string& pathB = args.files[1];
    TRecordReading a;
    TRecordReading b;
    if (!ReadChecked("diff", pathA, a) || !ReadChecked("diff", pathB, b)) {
        return kExitDiffTrouble;
    }
    if (a.problemCount != 0) {
        WarnUnsound("diff", pathA, a, "comparing it");
    }
    if (b.problemCount != 0) {
        WarnUnsound("diff", pathB, b, "comparing it");
    }
    const TRecordDiff diff = CompareRecords(a.records, b.records);
    TReport& report = CommandReport();
    report.members.push_back({"a", JsonString(pathA)});
    report.members.push_back({"b", JsonString(pathB)});
    report.members.push_back({"same", std::to_string(diff.same)});
    report.members.push_back({"differences", DifferencesJson(diff)});
    if (!JsonWanted()) {
        PrintDiff(diff, pathA, pathB, args.hex);
    }
    return diff.records.empty() ? kExitDiffSame : kExitDiffDiffer;
}

int LoadCheckedRecords(const char* path, std::vector<TZvRecord>& records) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, error)) {
        return Fail({kExitNoInput, std::string("cannot read ") + path + ": " + error, ""});
    }
    const TRecordReading reading = ReadRecordText(text);
    if (reading.problemCount != 0) {
        PrintProblems(stderr, path, reading, false);
        return Fail({kExitDataError,
                     std::string(path) + " fails the check (" + Problems(reading.problemCount) +
                         "): correct it and try again; `zvtool check " + path +
                         " --all` lists every problem",
                     ""});
    }
    records = reading.records;
    return kExitOk;
}
