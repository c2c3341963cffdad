#include "zvtool/records/record_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>

#include "datafile/record_text.h"
#include "zvtool/platform/files.h"

// The driver's reader and this one take their fields from the same scanner (a field's
// value, its digits and what else it skipped); this reader says where the file departs from
// what a careful writer puts there.
namespace {

constexpr std::uint32_t kByteMax = 255;
constexpr std::size_t kShownFieldChars = 20;
constexpr std::size_t kShownBadChars = 3;
// Files above this size are no record files: 201 records take about 110 KB.
constexpr std::size_t kMaxFileBytes = 16u * 1024 * 1024;
// The problems kept for printing; the count goes on beyond them.
constexpr std::size_t kKeptProblems = 5000;

// A character as a message shows it: 'x' when printable, otherwise its byte value.
std::string ShowChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > ' ' && byte < 127) {
        return std::string("'") + c + "'";
    }
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%02X", byte);
    return text;
}

// A field as the scanner found it, and its characters in the text.
struct Field {
    TRecordField scanned;
    std::string shown;     // its text from its first character that is not white space on,
                           // cut short for messages
    std::string badChars;  // the distinct characters that are not allowed
};

Field Diagnosed(const TRecordField& scanned, const std::string& text) {
    Field field{scanned, "", ""};
    bool content = false;
    for (std::size_t i = scanned.begin; i < scanned.end; ++i) {
        const char c = text[i];
        content = content || !IsLayoutWhite(c);
        if (content && field.shown.size() <= kShownFieldChars) {
            field.shown += c;
        }
        if (!IsLayoutWhite(c) && !IsDigitChar(c) && field.badChars.find(c) == std::string::npos) {
            field.badChars += c;
        }
    }
    return field;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && IsLayoutWhite(text.back())) {
        text.pop_back();
    }
    return text;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < kShownFieldChars; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= ' ' && byte < 127) {
            out += text[i];
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out + (text.size() > kShownFieldChars ? "...\"" : "\"");
}

// What is wrong with a field, or "" when it is a sound number.
std::string FieldFault(const Field& field) {
    std::vector<std::string> faults;
    if (!field.badChars.empty()) {
        std::string list;
        const std::size_t shown = std::min(field.badChars.size(), kShownBadChars);
        for (std::size_t i = 0; i < shown; ++i) {
            list += (i == 0                                             ? ""
                     : i + 1 == shown && shown == field.badChars.size() ? " and "
                                                                        : ", ") +
                    ShowChar(field.badChars[i]);
        }
        if (shown < field.badChars.size()) {
            list += " and others";
        }
        faults.push_back(list + (field.badChars.size() == 1
                                     ? " is not allowed (the driver skips it)"
                                     : " are not allowed (the driver skips them)"));
    } else if (field.scanned.digitRuns > 1) {
        faults.push_back("numbers without a comma between them (the driver joins their digits)");
    } else if (field.scanned.digits == 0) {
        faults.push_back("empty field");
    }
    if (field.scanned.digits > kDigitsThatCount) {
        faults.push_back(std::to_string(field.scanned.digits) +
                         " digits (the driver keeps the first seven)");
    } else if (field.scanned.value > kByteMax) {
        faults.push_back("above 255 (the driver keeps the low 8 bits)");
    }
    if (faults.empty()) {
        return "";
    }
    std::string text = HasContent(field.scanned) ? Quoted(Trimmed(field.shown)) + ": " : "";
    for (std::size_t i = 0; i < faults.size(); ++i) {
        text += (i == 0 ? "" : ", ") + faults[i];
    }
    return text + "; the driver reads " + std::to_string(FieldByte(field.scanned));
}

class StrictReader {
  public:
    TRecordReading Read(const std::string& text);

  private:
    void Problem(TTextPosition at, const std::string& text);
    void EndField(const Field& field);
    void RecordNumber(const TRecordField& field, std::uint8_t number);
    void ProblemsAtTheEnd();
    void CheckBehindCtrlZ(const std::string& text, std::size_t end);

    TRecordReading reading;
    TTextPosition here;
    TZvRecord record{};
    int fieldsInRecord = 0;
    int fieldsInFile = 0;
    TTextPosition recordStart;
    bool recordBeganLine = false;
    bool previousBeganLine = false;
    bool numberProblems = false;
    std::map<int, int> firstLineOf;  // module number -> line of its first record
    // The first record that starts in the middle of a line behind one that starts a line:
    // where the driver's count of records probably parts from the file's layout.
    bool shiftSeen = false;
    TTextPosition shiftAt;
    int shiftRecord = 0;
    int shiftNumber = 0;
    int shiftAfterLine = 0;
    // Problems of record numbers behind the shift: echoes of the one fault, counted only.
    int echoes = 0;
};

void StrictReader::Problem(TTextPosition at, const std::string& text) {
    ++reading.problemCount;
    if (reading.problems.size() < kKeptProblems) {
        reading.problems.push_back({at.line, at.column, text});
    }
}

void StrictReader::RecordNumber(const TRecordField& numberField, std::uint8_t number) {
    const int index = static_cast<int>(reading.records.size());
    const TTextPosition at = HasContent(numberField) ? numberField.first : numberField.start;
    const std::string name = "record number " + std::to_string(number);
    // Behind a record that starts in the middle of a line every number is misread.
    const auto NumberProblem = [this](auto where, const std::string& text) {
        if (shiftSeen) {
            ++echoes;
        } else {
            Problem(where, text);
        }
    };
    if (number == kCentralRecordNumber && index > 0) {
        numberProblems = true;
        NumberProblem(at,
                      "a central record (number 0) after the first record: only the first record "
                      "may be the central record; a module send stops at it with result 7");
    } else if (number > kLastModul) {
        numberProblems = true;
        NumberProblem(at, name +
                              " is neither 0 (central) nor a module 1 to 200; a module send stops "
                              "at it with result 7");
    } else if (number != kCentralRecordNumber) {
        const auto seen = firstLineOf.find(number);
        if (seen != firstLineOf.end()) {
            numberProblems = true;
            NumberProblem(at, "module " + std::to_string(number) + " again (first at line " +
                                  std::to_string(seen->second) +
                                  "); a send stores both, so the unit keeps this later one");
        } else {
            firstLineOf[number] = at.line;
        }
    }
    if (index > 0 && !numberField.beginsLine && previousBeganLine && !shiftSeen) {
        shiftSeen = true;
        shiftAt = at;
        shiftRecord = index + 1;
        shiftNumber = number;
        shiftAfterLine = reading.lines.back();
    }
}

void StrictReader::EndField(const Field& field) {
    const TRecordField& scanned = field.scanned;
    // A comma after the last number of the file ends a record; it starts no empty field.
    if (scanned.endsText && !HasContent(scanned) && fieldsInFile > 0 && fieldsInRecord == 0) {
        return;
    }
    const std::string fault = FieldFault(field);
    if (!fault.empty()) {
        // An empty field is shown where its number should stand: just behind its comma.
        const TTextPosition at = scanned.others > 0    ? scanned.firstOther
                                 : HasContent(scanned) ? scanned.first
                                                       : scanned.start;
        Problem(at, fault);
    }
    const std::uint8_t value = FieldByte(scanned);
    if (fieldsInRecord == 0) {
        recordStart = HasContent(scanned) ? scanned.first : scanned.start;
        previousBeganLine = recordBeganLine;
        recordBeganLine = scanned.beginsLine;
        record.number = value;
        RecordNumber(scanned, value);
    } else {
        record.bytes[static_cast<std::size_t>(fieldsInRecord - 1)] = value;
    }
    ++fieldsInFile;
    if (++fieldsInRecord == static_cast<int>(kNumbersPerRecord)) {
        reading.records.push_back(record);
        reading.lines.push_back(recordStart.line);
        fieldsInRecord = 0;
    }
}

void StrictReader::ProblemsAtTheEnd() {
    if (fieldsInRecord != 0) {
        Problem(recordStart, "the last record holds only " + std::to_string(fieldsInRecord) +
                                 " of 131 numbers; a send that reaches it ends with result 9 "
                                 "(the file ended before a whole record was read)");
    }
    if (shiftSeen && (fieldsInRecord != 0 || numberProblems)) {
        Problem(shiftAt, "the driver's record " + std::to_string(shiftRecord) +
                             " starts here, in the middle of a line, and reads " +
                             std::to_string(shiftNumber) + " as its number: the record at line " +
                             std::to_string(shiftAfterLine) +
                             " probably has a number too many or too few, which shifts every "
                             "record behind it" +
                             (echoes == 0 ? std::string()
                                          : " (the " + std::to_string(echoes) +
                                                " problems of record numbers behind it follow "
                                                "from it and are not listed)"));
    }
}

// Ctrl-Z ends the file for the driver; a trailing one (as old editors write) is harmless.
void StrictReader::CheckBehindCtrlZ(const std::string& text, std::size_t end) {
    if (end < text.size()) {
        const auto tail = static_cast<std::ptrdiff_t>(end);
        const bool textBehind = std::any_of(text.begin() + tail, text.end(), [](char c) {
            return !IsLayoutWhite(c) && c != kEndOfText;
        });
        if (textBehind) {
            Problem(here, "text behind a Ctrl-Z: the driver stops reading here and ignores the " +
                              std::to_string(text.size() - end - 1) + " bytes behind it");
        }
    }
}

TRecordReading StrictReader::Read(const std::string& text) {
    const std::size_t end = std::min(text.find(kEndOfText), text.size());
    const bool empty =
        std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), IsLayoutWhite);
    if (empty) {
        Problem(here, "the file holds no record; a send of it ends with result 9");
    } else {
        TFieldReader fields = ReadFields(text.data(), text.size());
        TRecordField scanned;
        while (NextField(fields, scanned)) {
            EndField(Diagnosed(scanned, text));
        }
        here = fields.scanner.here;
        ProblemsAtTheEnd();
    }
    CheckBehindCtrlZ(text, end);
    std::stable_sort(reading.problems.begin(), reading.problems.end(),
                     [](const TRecordProblem& a, const TRecordProblem& b) {
                         return a.line != b.line ? a.line < b.line : a.column < b.column;
                     });
    return reading;
}

}  // namespace

TRecordReading ReadRecordText(const std::string& text) {
    StrictReader reader;
    return reader.Read(text);
}

bool ReadRecordFile(const std::string& path, std::string* text, std::string* error) {
    switch (ReadWholeFile(path, kMaxFileBytes, text, error)) {
        case TReadResult::kRead:
            return true;
        case TReadResult::kTooLarge:
            *error = "larger than 16 MB, so no record file (201 records take about 110 KB)";
            return false;
        case TReadResult::kMissing:
        case TReadResult::kFailed:
            break;
    }
    return false;
}

std::string RecordName(int number) {
    if (number == 0) {
        return "central record";
    }
    if (number <= kLastModul) {
        return "module " + std::to_string(number);
    }
    return "record number " + std::to_string(number);
}

std::string DescribeNumbers(const std::vector<TZvRecord>& records) {
    std::vector<std::string> parts;
    std::size_t firstModulePart = std::string::npos;
    bool severalModules = false;
    std::size_t i = 0;
    while (i < records.size()) {
        const int first = records[i].number;
        std::size_t j = i;
        if (first > 0 && first <= kLastModul) {
            while (j + 1 < records.size() && records[j + 1].number == records[j].number + 1 &&
                   records[j + 1].number <= kLastModul) {
                ++j;
            }
            severalModules = severalModules || j > i || firstModulePart != std::string::npos;
            if (firstModulePart == std::string::npos) {
                firstModulePart = parts.size();
            }
            parts.push_back(std::to_string(first) +
                            (j > i ? "-" + std::to_string(records[j].number) : ""));
        } else {
            parts.push_back(first == 0 ? "central" : "number " + std::to_string(first));
        }
        i = j + 1;
    }
    if (firstModulePart != std::string::npos) {
        parts[firstModulePart].insert(0, severalModules ? "modules " : "module ");
    }
    std::string text;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        text += (k == 0 ? "" : ", ") + parts[k];
    }
    return text;
}
