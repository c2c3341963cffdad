#include "zvtool/cli/man_page.h"

#include <string>
#include <vector>

#include "tools/option_table.h"
#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/commands.h"
#include "zvtool/cli/exit_table.h"
#include "zvtool/cli/json_schema.h"
#include "zvtool/cli/options.h"

namespace {

// Text as scdoc shows it: its marks for bold, underline and escapes taken literally, and a
// leading "-" no list entry.
std::string Escaped(const std::string& text) {
    std::string out = text.compare(0, 1, "-") == 0 ? "\\" : "";
    for (const char c : text) {
        if (c == '\\' || c == '*' || c == '_') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        c = c == '\n' ? ' ' : c;
    }
    return text;
}

std::string Synopsis() {
    std::string text =
        "*zvtool* [_OPTIONS_] _COMMAND_ [_ARGUMENTS_]\n\n"
        "*zvtool* *--ports* _A_,_B_,... | *--units* _FILE_ [_OPTIONS_] _JOB_ ...\n\n"
        "The commands:\n\n```\n";
    for (const TCommandRow& row : CommandRows()) {
        text += row.synopsis;
    }
    return text + "```\n";
}

// A help text as --help prints it, in a block of its own: the usage lines keep their columns;
// a backslash is scdoc's escape even there.
std::string Block(const char* help) {
    std::string text = "```\n";
    for (const char c : std::string(help)) {
        text += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return text + "```\n\n";
}

std::string Commands() {
    std::string text;
    for (const TCommandRow& row : CommandRows()) {
        text += "*" + std::string(row.name) + "*\n\n" + Block(row.help);
        if (row.windowsHelp != nullptr) {
            text += "On Windows:\n\n" + Block(row.windowsHelp);
        }
    }
    return text;
}

std::string Options() {
    std::size_t count = 0;
    const TOptionRow* rows = OptionRows(&count);
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const TOptionRow& row = rows[i];
        std::string term = "*" + std::string(row.names[0]) + "*";
        if (row.names[1] != nullptr) {
            term += ", *" + std::string(row.names[1]) + "*";
        }
        if (row.value != nullptr) {
            term += " _" + Escaped(row.value) + "_";
        }
        const std::string takers =
            (row.accepted & kEveryBit) == kEveryBit ? "every command" : CommandNames(row.accepted);
        const std::string windows = row.windowsHelp != nullptr
                                        ? " On Windows: " + Escaped(OneLine(row.windowsHelp)) + "."
                                        : "";
        text +=
            term + "\n\t" + Escaped(OneLine(row.help)) + "." + windows + " For " + takers + ".\n\n";
    }
    return text;
}

std::string ObjectsOf(unsigned objects) {
    if ((objects & kEveryBit) == kEveryBit) {
        return "every object";
    }
    std::string text = CommandNames(objects);
    if ((objects & kBenchUnitObject) != 0) {
        text += std::string(text.empty() ? "" : ", ") + "a bench's units";
    }
    if ((objects & kVersionObject) != 0) {
        text += std::string(text.empty() ? "" : ", ") + "--version";
    }
    return text;
}

std::string JsonKeys() {
    std::string text;
    for (const TJsonKey& key : JsonSchema()) {
        text += "*" + Escaped(key.key) + "* (" + JsonTypeName(key.type) +
                (key.null != nullptr ? ", null when " + Escaped(key.null) : std::string()) +
                ")\n\t" + Escaped(key.meaning) + ". In " + ObjectsOf(key.objects) + ".\n\n";
    }
    return text;
}

std::string ExitStatus() {
    std::string text;
    for (const TExitRow& row : ExitRows()) {
        const std::string windows = row.windowsMeaning != nullptr
                                        ? " On Windows: " + Escaped(row.windowsMeaning) + "."
                                        : "";
        text +=
            "*" + std::string(row.codes) + "*\n\t" + Escaped(row.meaning) + "." + windows + "\n\n";
    }
    return text;
}

}  // namespace

std::string ManSection(const std::string& name) {
    if (name == "SYNOPSIS") {
        return Synopsis();
    }
    if (name == "COMMANDS") {
        return Commands();
    }
    if (name == "OPTIONS") {
        return Options();
    }
    if (name == "JSON KEYS") {
        return JsonKeys();
    }
    return name == "EXIT STATUS" ? ExitStatus() : "";
}

bool FillManPage(const std::string& page, std::string* filled, std::string* error) {
    filled->clear();
    std::size_t at = 0;
    for (std::size_t open; (open = page.find("{{", at)) != std::string::npos;) {
        const std::size_t close = page.find("}}", open);
        const std::string name =
            close == std::string::npos ? "" : page.substr(open + 2, close - open - 2);
        const std::string section = ManSection(name);
        if (section.empty()) {
            *error = "no section of the tables is called '" + name + "'";
            return false;
        }
        *filled += page.substr(at, open - at) + section;
        at = close + 2;
    }
    *filled += page.substr(at);
    return true;
}
