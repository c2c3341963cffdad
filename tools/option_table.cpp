#include "tools/option_table.h"

#include <string>

namespace {

const TOptionRow* FindRow(const TOptionRow* rows, std::size_t count, const std::string& name) {
    for (std::size_t i = 0; i < count; ++i) {
        for (const char* spelling : rows[i].names) {
            if (spelling != nullptr && name == spelling) {
                return &rows[i];
            }
        }
    }
    return nullptr;
}

// Reads the option at argv[*i], and its value; advances *i past a value taken from the next
// argument. False with `error` when it is unknown or its value is wrong.
bool ReadOption(const TOptionRow* rows, std::size_t count, int argc, const char* const* argv,
                int* i, TGivenOption* given, std::string* error) {
    std::string name = argv[*i];
    const std::size_t equals = name.find('=');
    if (name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
        given->value = name.substr(equals + 1);
        given->hasValue = true;
        name.resize(equals);
    }
    given->spelled = name;
    given->row = FindRow(rows, count, name);
    if (given->row == nullptr) {
        *error = "unknown option '" + name + "'";
        return false;
    }
    const TOptionRow& row = *given->row;
    if (row.value == nullptr && row.valueFollows == nullptr) {
        if (given->hasValue) {
            *error = "option " + name + " takes no value";
            return false;
        }
        return true;
    }
    if (!given->hasValue && *i + 1 < argc &&
        (row.valueFollows == nullptr || row.valueFollows(argv[*i + 1]))) {
        given->value = argv[++*i];
        given->hasValue = true;
        given->arguments = 2;
    }
    if (row.valueFollows == nullptr && given->value.empty()) {
        *error = "option " + name + " needs a value";
        return false;
    }
    return true;
}

}  // namespace

bool ParseOptionLine(const TOptionRow* rows, std::size_t count, int argc, const char* const* argv,
                     TParsedLine* line, std::string* error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            line->words.push_back(argument);
            line->wordsAt.push_back(i);
        } else if (argument == "--") {
            optionsEnded = true;
        } else {
            TGivenOption given;
            given.at = i;
            if (!ReadOption(rows, count, argc, argv, &i, &given, error)) {
                return false;
            }
            line->options.push_back(given);
        }
    }
    return true;
}

std::string OptionNames(const TOptionRow& row) {
    std::string names = row.names[0];
    if (row.names[1] != nullptr) {
        names += std::string(", ") + row.names[1];
    }
    return names;
}

const char* OptionRowHelp(const TOptionRow& row, bool windows) {
    return windows && row.windowsHelp != nullptr ? row.windowsHelp : row.help;
}

std::string OptionHelp(const TOptionRow* rows, std::size_t count, unsigned accepted, int column,
                       bool windows) {
    const std::size_t width = column > 0 ? static_cast<std::size_t>(column) : 0;
    std::string help;
    for (std::size_t i = 0; i < count; ++i) {
        const TOptionRow& row = rows[i];
        if ((row.accepted & accepted) == 0) {
            continue;
        }
        std::string label = "  " + OptionNames(row);
        if (row.value != nullptr) {
            label += std::string(" ") + row.value;
        }
        label.resize(label.size() < width ? width : label.size() + 1, ' ');
        help += label;
        for (const char* c = OptionRowHelp(row, windows); *c != '\0'; ++c) {
            help += *c;
            if (*c == '\n') {
                help.append(width, ' ');
            }
        }
        help += '\n';
    }
    return help;
}

bool ParseWholeNumber(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const int number = std::stoi(text);
    if (number < low || number > high) {
        return false;
    }
    *value = number;
    return true;
}
