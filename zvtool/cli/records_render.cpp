#include "zvtool/cli/records_render.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/json.h"

namespace {

constexpr int kBytesPerRow = 16;

std::string Plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Printed(const char* format, int a, int b = 0, int c = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

std::string RecordText(const TZvRecord& record, int line, bool hex) {
    std::string text = RecordName(record.number) + " (line " + std::to_string(line) + ")\noffset";
    for (int column = 0; column < kBytesPerRow; ++column) {
        char label[8];
        std::snprintf(label, sizeof label, hex ? "+%X" : "+%d", column);
        char cell[16];
        std::snprintf(cell, sizeof cell, hex ? "  %2s" : " %4s", label);
        text += cell;
    }
    text += "\n";
    for (int row = 0; row < static_cast<int>(kSetupBytes); row += kBytesPerRow) {
        text += Printed(hex ? "  0x%02X" : "%6d", row);
        for (int i = row; i < row + kBytesPerRow && i < static_cast<int>(kSetupBytes); ++i) {
            text += Printed(hex ? "  %02X" : " %4d", record.bytes[static_cast<std::size_t>(i)]);
        }
        text += "\n";
    }
    return text;
}

std::string RecordJson(const TZvRecord& record, int line) {
    std::vector<std::string> bytes;
    for (const std::uint8_t byte : record.bytes) {
        bytes.push_back(std::to_string(byte));
    }
    return TJsonObject()
        .Int("number", record.number)
        .Int("line", line)
        .Raw("bytes", JsonArray(bytes))
        .Text();
}

std::string DifferencesJson(const TRecordDiff& diff) {
    std::vector<std::string> differences;
    for (const TRecordChange& change : diff.records) {
        if (change.in != 3) {
            differences.push_back(TJsonObject()
                                      .Int("record", change.number)
                                      .String("only_in", change.in == 1 ? "a" : "b")
                                      .Text());
            continue;
        }
        for (const TByteChange& byte : change.bytes) {
            differences.push_back(TJsonObject()
                                      .Int("record", change.number)
                                      .Int("offset", byte.offset)
                                      .Int("a", byte.a)
                                      .Int("b", byte.b)
                                      .Text());
        }
    }
    return JsonArray(differences);
}

}  // namespace

std::string CheckText(const TCheckResult& result, bool all) {
    std::string text;
    for (const TCheckedFile& file : result.files) {
        const TRecordReading& reading = file.reading;
        if (!file.read) {
            continue;
        }
        if (reading.problemCount == 0) {
            text += file.path + ": sound: " +
                    Plural(static_cast<int>(reading.records.size()), "record", "records") + " (" +
                    DescribeNumbers(reading.records) + ")\n";
            continue;
        }
        for (const std::string& line : ProblemLines(file.path, reading, all)) {
            text += line + "\n";
        }
        text += file.path + ": " + Plural(reading.problemCount, "problem", "problems") +
                "; a send would not carry what the file seems to say\n";
    }
    return text;
}

std::string ShowText(const TShowResult& result, bool hex) {
    std::string text;
    for (const std::size_t i : result.shown) {
        text += (text.empty() ? "" : "\n") +
                RecordText(result.file.reading.records[i], result.file.reading.lines[i], hex);
    }
    return text;
}

std::string DiffText(const TRecordDiff& diff, const std::string& pathA, const std::string& pathB,
                     bool hex) {
    std::string text;
    if (diff.records.size() + static_cast<std::size_t>(diff.same) > 0) {
        text += "A = " + pathA + ", B = " + pathB + "\n";
    }
    for (const TRecordChange& change : diff.records) {
        const std::string name = RecordName(change.number);
        if (change.in != 3) {
            text += name + ": only in " + (change.in == 1 ? "A" : "B") + "\n";
            continue;
        }
        text += name + ": " + std::to_string(change.bytes.size()) +
                " of 130 bytes differ\n  offset    A    B\n";
        for (const TByteChange& byte : change.bytes) {
            text += Printed(hex ? "    0x%02X   %02X   %02X\n" : "  %6d  %3d  %3d\n", byte.offset,
                            byte.a, byte.b);
        }
    }
    if (diff.records.empty()) {
        return text + pathA + " and " + pathB + " hold the same " +
               Plural(diff.same, "record", "records") + "\n";
    }
    char summary[120];
    std::snprintf(summary, sizeof summary, "%d changed, %d only in A, %d only in B, %d the same\n",
                  diff.changed, diff.onlyA, diff.onlyB, diff.same);
    return text + summary;
}

std::string SetText(const TSetResult& result, bool hex) {
    if (result.written.empty()) {
        return "";
    }
    return DiffText(CompareRecords(result.before, result.after), result.file + " (before)",
                    result.written, hex);
}

std::string CheckJson(const TCheckResult& result) {
    std::vector<std::string> files;
    std::vector<std::string> problems;
    for (const TCheckedFile& file : result.files) {
        if (!file.read) {
            continue;
        }
        const TRecordReading& reading = file.reading;
        files.push_back(TJsonObject()
                            .String("file", file.path)
                            .Int("records", static_cast<long long>(reading.records.size()))
                            .Bool("sound", reading.problemCount == 0)
                            .Int("problem_count", reading.problemCount)
                            .Text());
        for (const TRecordProblem& problem : reading.problems) {
            problems.push_back(TJsonObject()
                                   .String("file", file.path)
                                   .Int("line", problem.line)
                                   .Int("column", problem.column)
                                   .String("message", problem.text)
                                   .Text());
        }
    }
    TJsonValues values = EnvelopeValues("check", result.end);
    values["files"] = JsonArray(files);
    values["problems"] = JsonArray(problems);
    return SchemaObject(kCheckBit, values);
}

std::string ShowJson(const TShowResult& result) {
    std::vector<std::string> records;
    for (const std::size_t i : result.shown) {
        records.push_back(RecordJson(result.file.reading.records[i], result.file.reading.lines[i]));
    }
    TJsonValues values = EnvelopeValues("show", result.end);
    values["file"] = JsonString(result.file.path);
    values["problem_count"] =
        result.file.read ? JsonInt(result.file.reading.problemCount) : std::string("null");
    values["shown"] = JsonArray(records);
    return SchemaObject(kShowBit, values);
}

std::string DiffJson(const TDiffResult& result) {
    TJsonValues values = EnvelopeValues("diff", result.end);
    values["a"] = JsonString(result.a.path);
    values["b"] = JsonString(result.b.path);
    values["same"] = result.compared ? JsonInt(result.diff.same) : std::string("null");
    values["differences"] = DifferencesJson(result.diff);
    return SchemaObject(kDiffBit, values);
}

std::string SetJson(const TSetResult& result) {
    TJsonValues values = EnvelopeValues("set", result.end);
    values["file"] = JsonString(result.file);
    values["written"] = JsonStringOrNull(result.written);
    values["differences"] = DifferencesJson(CompareRecords(result.before, result.after));
    return SchemaObject(kSetBit, values);
}
