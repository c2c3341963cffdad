#pragma once
#include <cstddef>
#include <string>
#include <vector>

// A program's options as one table: each row names one option with its spellings, whether
// it takes a value, the commands (or help sections) that accept it and its help text. The
// parser and the help both read the rows, so that no option is named twice.
//
// The grammar: "--name VALUE" or "--name=VALUE" for an option with a value ("-o VALUE" for a
// short one); an argument that starts with '-' and is longer than "-" is an option; "--"
// ends the options, and every argument after it is a word.

struct TOptionRow {
    int id;                // the program's own number for the option
    const char* names[2];  // its spellings ("-o", "--output"); the second may be nullptr
    const char* value;     // the value's name in the help ("FILE"); nullptr: takes none
    unsigned accepted;     // one bit per command (or help section) that accepts it
    const char* help;      // the help text; each '\n' goes on under the text column
    // An optional value: "--name=VALUE" always, the next argument only when this says it is
    // one. nullptr for an option whose value is required or that takes none.
    bool (*valueFollows)(const char* next) = nullptr;
    // The help text on Windows, where it says other things than on POSIX (paths, what the
    // option does there); nullptr: `help` on both.
    const char* windowsHelp = nullptr;
};

struct TGivenOption {
    const TOptionRow* row;
    std::string spelled;  // as written, without "=VALUE"
    std::string value;
    bool hasValue = false;
    int at = 0;         // where it stands in argv
    int arguments = 1;  // how many arguments it took: 2 with its value behind it
};

struct TParsedLine {
    std::vector<TGivenOption> options;  // in command-line order
    std::vector<std::string> words;     // the arguments that are no option or value
    std::vector<int> wordsAt;           // where each word stands in argv
};

// Parses argv[1..argc) against `rows`. True with `line` filled; or false with one line in
// `error` saying what is wrong, and `line` holding what was read before it.
bool ParseOptionLine(const TOptionRow* rows, std::size_t count, int argc, const char* const* argv,
                     TParsedLine* line, std::string* error);

// The help lines of the rows that accept any of `accepted`, in table order: "  -o, --output
// FILE" and the help text from `column` on (one space further when the name is longer); on
// `windows`, each row's Windows text where it has one.
std::string OptionHelp(const TOptionRow* rows, std::size_t count, unsigned accepted, int column,
                       bool windows = false);
// The help text of a row on one system or the other.
const char* OptionRowHelp(const TOptionRow& row, bool windows);

// The row's spellings as the help shows them: "-o, --output".
std::string OptionNames(const TOptionRow& row);

// An option's value as a whole decimal number from `low` to `high` (at most four digits, no
// sign): true with `value` set, else false and `value` untouched.
bool ParseWholeNumber(const std::string& text, int low, int high, int* value);

template <std::size_t N>
bool ParseOptionLine(const TOptionRow (&rows)[N], int argc, const char* const* argv,
                     TParsedLine* line, std::string* error) {
    return ParseOptionLine(rows, N, argc, argv, line, error);
}

template <std::size_t N>
std::string OptionHelp(const TOptionRow (&rows)[N], unsigned accepted, int column,
                       bool windows = false) {
    return OptionHelp(rows, N, accepted, column, windows);
}
