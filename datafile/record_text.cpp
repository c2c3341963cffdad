#include "datafile/record_text.h"

#include <cstdio>

namespace {

// A space and up to three digits: the line keeps going only while the next number and the
// comma behind it still fit within the limit.
constexpr std::size_t kRoomForNextNumber = 4;

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Every character but a comma: a digit joins the number, anything else is skipped.
void TakeInField(TFieldScanner& scanner, char c) {
    TRecordField& field = scanner.field;
    const bool digit = IsDigit(c);
    if (IsWhite(c)) {
        field.beginsLine = field.beginsLine || (c == '\n' && !HasContent(field));
    } else if (!HasContent(field)) {
        field.first = scanner.here;
    }
    if (digit) {
        field.digitRuns += scanner.lastWasDigit ? 0 : 1;
        if (field.digits < kDigitsThatCount) {
            field.value = field.value * 10U + static_cast<std::uint32_t>(c - '0');
        }
        ++field.digits;
    } else if (!IsWhite(c)) {
        if (field.others == 0) {
            field.firstOther = scanner.here;
        }
        ++field.others;
    }
    scanner.lastWasDigit = digit;
}

}  // namespace

bool ScanChar(TFieldScanner& scanner, char c, TRecordField& ended) {
    const bool separator = c == kFieldSeparator;
    if (separator) {
        scanner.field.end = scanner.offset;
        ended = scanner.field;
    } else {
        TakeInField(scanner, c);
    }
    ++scanner.offset;
    if (c == '\n') {
        ++scanner.here.line;
        scanner.here.column = 1;
    } else {
        ++scanner.here.column;
    }
    if (separator) {
        scanner.field = TRecordField{};
        scanner.field.beginsLine = false;
        scanner.field.start = scanner.here;
        scanner.field.begin = scanner.offset;
        scanner.lastWasDigit = false;
    }
    return separator;
}

void EndScan(TFieldScanner& scanner, TRecordField& ended) {
    scanner.field.end = scanner.offset;
    scanner.field.endsText = true;
    ended = scanner.field;
}

TFieldReader ReadFields(const char* text, std::size_t size) {
    TFieldReader reader;
    reader.text = text;
    reader.size = size;
    return reader;
}

bool NextField(TFieldReader& reader, TRecordField& field) {
    if (reader.done) {
        return false;
    }
    TFieldScanner& scanner = reader.scanner;
    while (scanner.offset < reader.size && reader.text[scanner.offset] != kEndOfText) {
        if (ScanChar(scanner, reader.text[scanner.offset], field)) {
            return true;
        }
    }
    EndScan(scanner, field);
    reader.done = true;
    return true;
}

int WholeRecordsIn(const char* text, std::size_t size) {
    TFieldReader reader = ReadFields(text, size);
    TRecordField field;
    long fields = 0;
    while (NextField(reader, field)) {
        ++fields;
    }
    return static_cast<int>(fields / kNumbersPerRecord);
}

bool NextNumberFits(std::size_t lineLength) {
    // The comma comes first, so it counts with the line.
    return lineLength + 1 + kRoomForNextNumber < kLineLimit;
}

std::size_t NumberText(std::uint8_t value, char (&text)[kNumberTextSize]) {
    return static_cast<std::size_t>(std::snprintf(text, sizeof text, "%d", value));
}

void AppendRecordText(const TPcModulSetup& record, std::string& text) {
    const auto* numbers = reinterpret_cast<const std::uint8_t*>(&record);
    std::size_t lineStart = text.size();
    char number[kNumberTextSize];
    for (int i = 0; i < kNumbersPerRecord; ++i) {
        if (i > 0 && NextNumberFits(text.size() - lineStart)) {
            text += kNextOnLine;
        } else if (i > 0) {
            text += kNextOnNewLine;
            lineStart = text.size();
        }
        text.append(number, NumberText(numbers[i], number));
    }
}
