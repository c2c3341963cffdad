#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/setup_records.h"

// The text of a record file, in memory: what a number is when the file is read, and how a
// record is laid out when it is written. The driver's setup file reads and writes through
// these rules, and so does every tool that reads or writes record files.

constexpr char kFieldSeparator = ',';
constexpr char kEndOfText = 26;  // Ctrl-Z: the text ends in front of it
inline constexpr char kLineEnd[] = "\r\n";
// Between two numbers of a record on one line, and where the line is full.
inline constexpr char kNextOnLine[] = ", ";
inline constexpr char kNextOnNewLine[] = ",\r\n";
// Between two records: every record begins at the start of a line.
inline constexpr char kRecordSeparator[] = ",\r\n";
// No line holds more characters in front of its line end.
constexpr std::size_t kLineLimit = 80;
// A number counts its first seven digits; the digits behind them are read and dropped.
constexpr int kDigitsThatCount = 7;
// The longest text of one number ("255") and its terminator.
constexpr std::size_t kNumberTextSize = 4;

// A place in the text: 1-based line and column; columns count bytes.
struct TTextPosition {
    int line = 1;
    int column = 1;
};

// One field: the text between two commas (or the start or the end of the text).
struct TRecordField {
    std::uint32_t value = 0;  // the number that its first seven digits make
    int digits = 0;           // all its digits, those behind the seventh as well
    int digitRuns = 0;        // runs of digits that other characters part
    int others = 0;           // characters that are neither digits nor white space
    // A line end, or the start of the text, comes in front of its first character that is
    // not white space: the first field of a text begins a line.
    bool beginsLine = true;
    bool endsText = false;     // the text ends behind it, with no comma
    TTextPosition start;       // just behind the comma in front of it
    TTextPosition first;       // its first character that is not white space
    TTextPosition firstOther;  // its first character that is neither digit nor white space
    std::size_t begin = 0;     // its characters, by offset in the text, without the comma
    std::size_t end = 0;
};

// The byte a field stands for: the low 8 bits of its value ("300" is 44, no digits 0).
inline std::uint8_t FieldByte(const TRecordField& field) {
    return static_cast<std::uint8_t>(field.value & 0xFFU);
}

inline bool HasContent(const TRecordField& field) {
    return field.digits > 0 || field.others > 0;
}

// What a field's character is: white space only lays the text out; every character that is
// neither a digit, white space nor a comma is skipped as well, but no sound file holds one.
bool IsLayoutWhite(char c);
bool IsDigitChar(char c);

// Reads a text one character at a time and hands back each field as it ends. The caller
// stops at the end of the text and at a Ctrl-Z.
struct TFieldScanner {
    TRecordField field;  // the field being read
    TTextPosition here;  // where the next character stands
    std::size_t offset = 0;
    bool lastWasDigit = false;
};

// Takes the next character: true when it was the comma that ended a field, which `ended`
// then holds.
bool ScanChar(TFieldScanner& scanner, char c, TRecordField& ended);
// The text ends: `ended` becomes the field it ends in (empty after a last comma).
void EndScan(TFieldScanner& scanner, TRecordField& ended);

// The fields of a text in memory, one after another, up to its end or its first Ctrl-Z: a
// text of n commas there holds n + 1 fields.
struct TFieldReader {
    const char* text = nullptr;
    std::size_t size = 0;  // up to the first Ctrl-Z
    TFieldScanner scanner;
    bool done = false;
};

TFieldReader ReadFields(const char* text, std::size_t size);
// The next field: false once the text has given its last.
bool NextField(TFieldReader& reader, TRecordField& field);

// The number of whole records a text holds, as the driver reads it: its fields over 131.
int WholeRecordsIn(const char* text, std::size_t size);

// Whether a record's next number goes on a line that holds `lineLength` characters, behind
// kNextOnLine: only while it and the comma behind it still fit within the limit. Otherwise
// kNextOnNewLine ends the line and the number begins the next.
bool NextNumberFits(std::size_t lineLength);
// A byte's value as the writer writes it ("%d"): its length.
std::size_t NumberText(std::uint8_t value, char (&text)[kNumberTextSize]);

// Appends one record's 131 numbers laid out as the driver writes them to a text that ends at
// the start of a line. A file of records is those texts joined by kRecordSeparator, with
// nothing behind the last.
void AppendRecordText(const TPcModulSetup& record, std::string& text);
