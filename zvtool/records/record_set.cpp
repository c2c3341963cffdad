#include "zvtool/records/record_set.h"

#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/platform/files.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"

namespace {

constexpr char kBesideSuffix[] = ".zvtool-tmp";

// A decimal or 0x hexadecimal number from 0 to `high`.
bool ReadValue(const std::string& text, int high, int* value) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 4 ||
        digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") !=
            std::string::npos) {
        return false;
    }
    const int number = std::stoi(digits, nullptr, hex ? 16 : 10);
    if (number > high) {
        return false;
    }
    *value = number;
    return true;
}

}  // namespace

bool ParseRecordEdits(const std::vector<std::string>& words, std::vector<TRecordEdit>* edits,
                      std::string* error) {
    edits->clear();
    std::size_t i = 0;
    while (i < words.size()) {
        TRecordEdit edit{0, 0, 0};
        const bool central = words[i] == "central";
        if (!central && words[i] != "module") {
            *error = "'" + words[i] + "': a change begins with central or module N";
            return false;
        }
        const std::size_t needed = central ? 3 : 4;
        if (words.size() - i < needed) {
            *error = central ? "central takes OFFSET VALUE" : "module takes N OFFSET VALUE";
            return false;
        }
        if (!central &&
            (!ReadValue(words[i + 1], kLastModul, &edit.number) || edit.number < kFirstModul)) {
            *error = "'" + words[i + 1] + "' is not a module number 1 to 200";
            return false;
        }
        const std::string& offset = words[i + needed - 2];
        const std::string& value = words[i + needed - 1];
        if (!ReadValue(offset, static_cast<int>(kSetupBytes) - 1, &edit.offset)) {
            *error = "'" + offset + "' is not an offset 0 to 129";
            return false;
        }
        if (!ReadValue(value, 255, &edit.value)) {
            *error = "'" + value + "' is not a byte value 0 to 255";
            return false;
        }
        edits->push_back(edit);
        i += needed;
    }
    if (edits->empty()) {
        *error = "no change given: central OFFSET VALUE or module N OFFSET VALUE";
        return false;
    }
    return true;
}

bool ApplyRecordEdits(std::vector<TZvRecord>* records, const std::vector<TRecordEdit>& edits,
                      std::string* error) {
    for (const TRecordEdit& edit : edits) {
        bool found = false;
        for (TZvRecord& record : *records) {
            if (record.number == edit.number) {
                record.bytes[static_cast<std::size_t>(edit.offset)] =
                    static_cast<std::uint8_t>(edit.value);
                found = true;
            }
        }
        if (!found) {
            *error = "the file holds no " + RecordName(edit.number) +
                     "; set changes the records a file holds and adds none";
            return false;
        }
    }
    return true;
}

TSetResult SetRecords(const std::string& file, const std::string& output,
                      const std::vector<TRecordEdit>& edits) {
    TSetResult result;
    result.file = file;
    std::vector<std::string> problems;
    if (const TZvError error = LoadCheckedRecords(file, &result.before, &problems);
        error.exit != kExitOk) {
        for (const std::string& line : problems) {
            result.end.Say(Info(line));
        }
        result.end.Fail(error);
        return result;
    }
    result.after = result.before;
    std::string error;
    if (!ApplyRecordEdits(&result.after, edits, &error)) {
        result.end.Fail({kExitUsage, file + ": " + error, "set"});
        return result;
    }
    const std::string target = output.empty() ? file : output;
    // Made new beside the file and renamed over it, so a link at either name is never
    // written through.
    const std::string beside = target + kBesideSuffix;
    RemoveFile(beside);
    if (!WriteNewFile(beside, RecordFileText(result.after), &error) ||
        !RenameReplacing(beside, target, &error)) {
        RemoveFile(beside);
        result.end.Fail({kExitCannotCreate, "cannot write " + target + ": " + error, "set"});
        return result;
    }
    result.written = target;
    return result;
}
