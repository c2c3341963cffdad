#include "datafile/record_text.h"

#include <cstring>
#include <limits>

namespace {

// A space and up to three digits: the line keeps going only while the next number and the
// comma behind it still fit within the limit.
constexpr std::size_t kRoomForNextNumber = 4;

// What a character is to the scanner: one look-up per character.
enum class CharKind : std::uint8_t { kOther, kDigit, kWhite, kLineEnd, kSeparator };

struct CharKinds {
    CharKind of[256];
};

constexpr CharKinds MakeCharKinds() {
    CharKinds kinds{};
    for (int c = '0'; c <= '9'; ++c) {
        kinds.of[c] = CharKind::kDigit;
    }
    kinds.of[static_cast<unsigned char>(' ')] = CharKind::kWhite;
    kinds.of[static_cast<unsigned char>('\t')] = CharKind::kWhite;
    kinds.of[static_cast<unsigned char>('\r')] = CharKind::kWhite;
    kinds.of[static_cast<unsigned char>('\n')] = CharKind::kLineEnd;
    kinds.of[static_cast<unsigned char>(kFieldSeparator)] = CharKind::kSeparator;
    return kinds;
}

constexpr CharKinds kCharKinds = MakeCharKinds();

// Counts stop at the largest int: a file of gigabytes of digits, or of one line, counts no
// further and never overflows.
void CountOne(int& count) {
    count += count < std::numeric_limits<int>::max() ? 1 : 0;
}

void TakeDigit(TFieldScanner& scanner, char c) {
    TRecordField& field = scanner.field;
    if (!HasContent(field)) {
        field.first = scanner.here;
    }
    if (!scanner.lastWasDigit) {
        CountOne(field.digitRuns);
    }
    if (field.digits < kDigitsThatCount) {
        field.value = field.value * 10U + static_cast<std::uint32_t>(c - '0');
    }
    CountOne(field.digits);
}

void TakeOther(TFieldScanner& scanner) {
    TRecordField& field = scanner.field;
    if (!HasContent(field)) {
        field.first = scanner.here;
    }
    if (field.others == 0) {
        field.firstOther = scanner.here;
    }
    CountOne(field.others);
}

// The comma ends the field; the next begins just behind it.
void EndField(TFieldScanner& scanner, TRecordField& ended) {
    scanner.field.end = scanner.offset;
    ended = scanner.field;
    scanner.field = TRecordField{};
    scanner.field.beginsLine = false;
    scanner.field.start = scanner.here;
    CountOne(scanner.field.start.column);
    scanner.field.begin = scanner.offset + 1;
}

}  // namespace

bool IsLayoutWhite(char c) {
    const CharKind kind = kCharKinds.of[static_cast<unsigned char>(c)];
    return kind == CharKind::kWhite || kind == CharKind::kLineEnd;
}

bool IsDigitChar(char c) {
    return kCharKinds.of[static_cast<unsigned char>(c)] == CharKind::kDigit;
}

// Digits join the number, a comma ends the field, every other character is skipped.
bool ScanChar(TFieldScanner& scanner, char c, TRecordField& ended) {
    const CharKind kind = kCharKinds.of[static_cast<unsigned char>(c)];
    switch (kind) {
        case CharKind::kDigit:
            TakeDigit(scanner, c);
            break;
        case CharKind::kOther:
            TakeOther(scanner);
            break;
        case CharKind::kLineEnd:
            scanner.field.beginsLine = scanner.field.beginsLine || !HasContent(scanner.field);
            break;
        case CharKind::kWhite:
            break;
        case CharKind::kSeparator:
            EndField(scanner, ended);
            break;
    }
    scanner.lastWasDigit = kind == CharKind::kDigit;
    ++scanner.offset;
    if (kind == CharKind::kLineEnd) {
        CountOne(scanner.here.line);
        scanner.here.column = 1;
    } else {
        CountOne(scanner.here.column);
    }
    return kind == CharKind::kSeparator;
}

void EndScan(TFieldScanner& scanner, TRecordField& ended) {
    scanner.field.end = scanner.offset;
    scanner.field.endsText = true;
    ended = scanner.field;
}

TFieldReader ReadFields(const char* text, std::size_t size) {
    TFieldReader reader;
    reader.text = text;
    const void* endOfText = size > 0 ? std::memchr(text, kEndOfText, size) : nullptr;
    reader.size = endOfText != nullptr
                      ? static_cast<std::size_t>(static_cast<const char*>(endOfText) - text)
                      : size;
    return reader;
}

bool NextField(TFieldReader& reader, TRecordField& field) {
    if (reader.done) {
        return false;
    }
    TFieldScanner& scanner = reader.scanner;
    while (scanner.offset < reader.size) {
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
    std::size_t fields = 0;
    while (NextField(reader, field)) {
        ++fields;
    }
    return static_cast<int>(fields / kNumbersPerRecord);
}

bool NextNumberFits(std::size_t lineLength) {
    // The comma comes first, so it counts with the line.
    return lineLength + 1 + kRoomForNextNumber < kLineLimit;
}

// As "%d" writes it: no sign, no leading zero.
std::size_t NumberText(std::uint8_t value, char (&text)[kNumberTextSize]) {
    const std::size_t length = value >= 100 ? 3 : value >= 10 ? 2 : 1;
    unsigned rest = value;
    for (std::size_t i = length; i > 0; --i) {
        text[i - 1] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    text[length] = '\0';
    return length;
}

void AppendRecordText(const TPcModulSetup& record, std::string& text) {
    const auto* numbers = reinterpret_cast<const std::uint8_t*>(&record);
    std::size_t lineStart = text.size();
    char number[kNumberTextSize];
    for (std::size_t i = 0; i < kNumbersPerRecord; ++i) {
        if (i > 0 && NextNumberFits(text.size() - lineStart)) {
            text += kNextOnLine;
        } else if (i > 0) {
            text += kNextOnNewLine;
            lineStart = text.size();
        }
        text.append(number, NumberText(numbers[i], number));
    }
}
