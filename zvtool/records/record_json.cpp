#include "zvtool/records/record_json.h"

#include <string>
#include <vector>

#include "zvtool/json.h"

std::string CheckedFileJson(const std::string& path, const TRecordReading& reading) {
    return TJsonObject()
        .String("file", path)
        .Int("records", static_cast<long long>(reading.records.size()))
        .Bool("sound", reading.problemCount == 0)
        .Int("problem_count", reading.problemCount)
        .Text();
}

std::vector<std::string> ProblemsJson(const std::string& path, const TRecordReading& reading) {
    std::vector<std::string> problems;
    for (const TRecordProblem& problem : reading.problems) {
        problems.push_back(TJsonObject()
                               .String("file", path)
                               .Int("line", problem.line)
                               .Int("column", problem.column)
                               .String("message", problem.text)
                               .Text());
    }
    return problems;
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
