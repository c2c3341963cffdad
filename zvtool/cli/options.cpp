#include "zvtool/cli/options.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "tools/option_table.h"
#include "zvtool/exit_codes.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/ports/port_arg.h"

namespace {

constexpr int kLastRecordNumber = 255;
constexpr int kHelpColumn = 18;

// The commands, one bit each in the option table; kNoCommand is zvtool's own help.
constexpr unsigned kTest = 1u << 0;
constexpr unsigned kFetch = 1u << 1;
constexpr unsigned kSend = 1u << 2;
constexpr unsigned kBackup = 1u << 3;
constexpr unsigned kRestore = 1u << 4;
constexpr unsigned kCheck = 1u << 5;
constexpr unsigned kShow = 1u << 6;
constexpr unsigned kDiff = 1u << 7;
constexpr unsigned kNoCommand = 1u << 8;
constexpr unsigned kSet = 1u << 9;
constexpr unsigned kHistory = 1u << 10;
constexpr unsigned kUnits = 1u << 11;
constexpr unsigned kPorts = 1u << 12;
constexpr unsigned kJobs = kTest | kFetch | kSend | kBackup | kRestore;
constexpr unsigned kEvery =
    kJobs | kCheck | kShow | kDiff | kSet | kHistory | kUnits | kPorts | kNoCommand;

struct TCommandRow {
    const char* name;
    unsigned bit;
    int usageExit;  // check and diff answer a question: 2 is their trouble, as cmp has it
};

const TCommandRow kCommandRows[] = {
    {"test", kTest, kExitUsage},       {"fetch", kFetch, kExitUsage},
    {"send", kSend, kExitUsage},       {"backup", kBackup, kExitUsage},
    {"restore", kRestore, kExitUsage}, {"check", kCheck, kExitDiffTrouble},
    {"show", kShow, kExitDiffTrouble}, {"diff", kDiff, kExitDiffTrouble},
    {"set", kSet, kExitUsage},         {"history", kHistory, kExitUsage},
    {"units", kUnits, kExitUsage},     {"ports", kPorts, kExitUsage},
};

enum TOptionId {
    kPort,
    kPortList,
    kUnitsFile,
    kDriver,
    kDir,
    kJson,
    kTrace,
    kOutput,
    kModules,
    kIgnoreMutBlock,
    kForce,
    kDated,
    kResume,
    kSkipRefused,
    kDryRun,
    kNoBackup,
    kAll,
    kRecord,
    kHex,
    kUnit,
    kHelp,
    kVersion,
};

const TOptionRow kRows[] = {
    {kPort,
     {"--port"},
     "PORT",
     kJobs | kNoCommand,
     "the unit's serial port: COMn as a number 1 to 255 (\"Comport\"), a\n"
     "device path (/dev/ttyUSB0, /dev/serial/by-id/...) or a USB adapter\n"
     "usb:VID:PID[:SERIAL] (`zvtool ports` lists them); on POSIX a path or an\n"
     "adapter becomes the link COM1 in the driver's directory; default: the\n"
     "port \"zordrive.INI\" names"},
    {kPortList,
     {"--ports"},
     "A,B,...",
     kJobs | kNoCommand,
     "run the job on several units at once, one on each port (as --port\n"
     "takes them), each in its run folder unit1, unit2, ... under --dir\n"
     "(POSIX only)"},
    {kUnitsFile,
     {"--units"},
     "FILE",
     kJobs | kNoCommand,
     "as --ports, with the units a file names: \"NAME PORT\" a line, each\n"
     "run in the folder NAME"},
    {kDriver,
     {"--driver"},
     "PATH",
     kJobs | kNoCommand,
     "the driver to run; default: the one beside zvtool, then the search path"},
    {kDir,
     {"--dir"},
     "DIR",
     kJobs | kPorts | kNoCommand,
     "the driver's directory: it runs there, and \"ToZv.dat\" and \"fromZv.dat\"\n"
     "lie there (on POSIX also the two INI files and the COMn link); default:\n"
     "the current directory"},
    {kJson,
     {"--json"},
     nullptr,
     kEvery,
     "print one JSON object on standard output for every command and every\n"
     "failure: {version, command, exit, error, ...} (README: zvtool's JSON output)"},
    {kTrace,
     {"--trace"},
     "FILE",
     kJobs | kNoCommand,
     "the driver traces into FILE instead of the session trace in the log\n"
     "folder; a failed job is explained from the trace either way"},
    {kOutput,
     {"-o", "--output"},
     "FILE",
     kFetch | kBackup | kSet,
     "where the fetched records go as well; backup: the setup file to write;\n"
     "set: where the changed file goes (default: FILE itself)"},
    {kModules,
     {"--modules"},
     "A-B",
     kBackup | kRestore,
     "the module records to back up, or to restore: A-B, N or all (default:\n"
     "all); a restore with --modules leaves the central record as it is"},
    {kResume,
     {"--resume"},
     nullptr,
     kBackup | kRestore,
     "backup: continue from FILE.partial at the first module it lacks;\n"
     "restore: continue an interrupted or failed restore of FILE with what is\n"
     "still unsent or not read back"},
    {kSkipRefused,
     {"--skip-refused"},
     nullptr,
     kBackup,
     "go on past a module the unit refuses; list the refused ones, exit 79"},
    {kDryRun,
     {"--dry-run"},
     nullptr,
     kRestore,
     "stop after the plan: what differs and how long sending it takes"},
    {kNoBackup,
     {"--no-backup"},
     nullptr,
     kRestore,
     "take no copy of the unit first (so every record is sent: nothing to\n"
     "compare with)"},
    {kIgnoreMutBlock,
     {"--ignore-mut-block"},
     nullptr,
     kSend | kRestore,
     "send the central record with the flag \"IgnoreMutBlock\" set"},
    {kForce, {"--force"}, nullptr, kFetch | kBackup, "-o FILE may replace a file that is there"},
    {kDated,
     {"--dated"},
     nullptr,
     kBackup,
     "write the backup as FILE with the date and time in its name\n"
     "(unit-20261209-033004.dat), so that every backup is kept"},
    {kAll,
     {"--all"},
     nullptr,
     kCheck | kRestore,
     "check: list every problem (otherwise the first 20 of each file);\n"
     "restore: send every record, not only those that differ"},
    {kRecord,
     {"--record"},
     "N",
     kShow,
     "only record N (0 or \"central\" for the central record, 1 to 200 a module)"},
    {kHex, {"--hex"}, nullptr, kShow | kDiff | kSet, "offsets and values in hexadecimal"},
    {kUnit,
     {"--unit"},
     "NAME",
     kBackup | kRestore,
     "the unit's name in the ledger (letters, digits, '.', '_', '-'); the run\n"
     "folder remembers the last one named there; default: that, else \"unnamed\""},
    {kHelp,
     {"-h", "--help"},
     nullptr,
     kEvery,
     "this help; `zvtool COMMAND --help` explains one command"},
    {kVersion, {"--version"}, nullptr, kEvery, "print the version"},
};

const TCommandRow* FindCommandRow(const std::string& name) {
    for (const TCommandRow& row : kCommandRows) {
        if (name == row.name) {
            return &row;
        }
    }
    return nullptr;
}

// "fetch and backup", "test, fetch, send, backup and restore".
std::string CommandNames(unsigned bits) {
    std::vector<std::string> names;
    for (const TCommandRow& row : kCommandRows) {
        if ((bits & row.bit) != 0) {
            names.push_back(row.name);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}

std::string NotARange(const std::string& text) {
    return "'" + text + "' is not a module range: give A-B, N or all, with 1 <= A <= B <= 200";
}

// The value of --record: 0 to 255, or "central".
bool ParseRecordNumber(const std::string& text, int* number) {
    if (text == "central") {
        *number = 0;
        return true;
    }
    return ParseWholeNumber(text, 0, kLastRecordNumber, number);
}

std::string NotAUnitName(const std::string& text) {
    return "'" + text +
           "' is not a unit name: 1 to 64 letters, digits, '.', '_' or '-', not starting "
           "with '.'";
}

// Applies one option's value; false and `error` when it does not fit.
bool TakeOption(const TGivenOption& given, TZvOptions* options, std::string* error) {
    const std::string& value = given.value;
    switch (given.row->id) {
        case kPort: {
            TPortArg port;
            if (!ParsePortArg(value, &port, error)) {
                return false;
            }
            options->portArg = value;
            options->port = port.kind == TPortKind::kNumber ? port.number : 0;
            return true;
        }
        case kModules:
            if (!ParseModuleRange(value, &options->first, &options->last)) {
                *error = NotARange(value);
                return false;
            }
            options->rangeGiven = true;
            return true;
        case kResume:
            options->resume = true;
            return true;
        case kSkipRefused:
            options->skipRefused = true;
            return true;
        case kDryRun:
            options->dryRun = true;
            return true;
        case kNoBackup:
            options->noBackup = true;
            return true;
        case kRecord:
            if (!ParseRecordNumber(value, &options->records.record)) {
                *error = "--record takes a record number 0 to 255 or \"central\"";
                return false;
            }
            return true;
        case kDriver:
            options->driver = value;
            return true;
        case kPortList:
            options->portList = value;
            return true;
        case kUnitsFile:
            options->unitsFile = value;
            return true;
        case kDir:
            options->dir = value;
            return true;
        case kTrace:
            options->trace = value;
            return true;
        case kOutput:
            options->output = value;
            options->records.output = value;
            return true;
        case kUnit:
            if (!IsUnitName(value)) {
                *error = NotAUnitName(value);
                return false;
            }
            options->unit = value;
            return true;
        case kJson:
            options->json = true;
            return true;
        case kIgnoreMutBlock:
            options->ignoreMutBlock = true;
            return true;
        case kForce:
            options->force = true;
            return true;
        case kDated:
            options->dated = true;
            return true;
        case kAll:
            options->records.all = true;
            options->sendAll = true;
            return true;
        case kHex:
            options->records.hex = true;
            return true;
        default:
            return true;
    }
}

bool Usage(std::string* error, const char* usage) {
    *error = std::string("usage: zvtool ") + usage;
    return false;
}

// The words of fetch: central, or modules and a range.
bool ParseFetchWords(const std::vector<std::string>& words, TZvOptions* options,
                     std::string* error) {
    const std::size_t count = words.size();
    if (count >= 2 && words[1] == "central") {
        options->job = TZvJob::kFetchCentral;
        return count == 2 || Usage(error, "fetch central [-o FILE]");
    }
    if (count < 2 || words[1] != "modules") {
        return Usage(error, "fetch central | fetch modules A-B|N|all");
    }
    options->job = TZvJob::kFetchModules;
    if (count != 3) {
        return Usage(error, "fetch modules A-B|N|all [-o FILE]");
    }
    if (!ParseModuleRange(words[2], &options->first, &options->last)) {
        *error = NotARange(words[2]);
        return false;
    }
    return true;
}

bool ParseSendWords(const std::vector<std::string>& words, TZvOptions* options,
                    std::string* error) {
    const std::size_t count = words.size();
    if (count < 2 || (words[1] != "central" && words[1] != "modules")) {
        return Usage(error, "send central FILE | send modules FILE");
    }
    const bool central = words[1] == "central";
    options->job = central ? TZvJob::kSendCentral : TZvJob::kSendModules;
    if (count != 3) {
        return Usage(error,
                     central ? "send central FILE [--ignore-mut-block]" : "send modules FILE");
    }
    options->file = words[2];
    if (!central && options->ignoreMutBlock) {
        *error = "--ignore-mut-block is for send central and restore";
        return false;
    }
    return true;
}

// check FILE..., show FILE, diff A B.
bool ParseRecordWords(const std::vector<std::string>& words, TZvOptions* options,
                      std::string* error) {
    const std::string& command = words[0];
    options->records.files.assign(words.begin() + 1, words.end());
    const std::size_t files = options->records.files.size();
    if (command == "check") {
        options->job = TZvJob::kCheck;
        *error = "no file named";
        return files >= 1;
    }
    if (command == "show") {
        options->job = TZvJob::kShow;
        *error = files == 0 ? "no file named" : "one file at a time";
        return files == 1;
    }
    options->job = TZvJob::kDiff;
    *error = "two files to compare, A and B";
    return files == 2;
}

// set FILE CHANGE..., history [UNIT], units.
bool ParseLedgerWords(const std::vector<std::string>& words, TZvOptions* options,
                      std::string* error) {
    const std::string& command = words[0];
    const std::size_t count = words.size();
    if (command == "set") {
        options->job = TZvJob::kSet;
        if (count < 2) {
            return Usage(error, "set FILE (central OFFSET VALUE | module N OFFSET VALUE)...");
        }
        options->records.files = {words[1]};
        return ParseRecordEdits({words.begin() + 2, words.end()}, &options->records.edits, error);
    }
    if (command == "history") {
        options->job = TZvJob::kHistory;
        if (count > 2) {
            return Usage(error, "history [UNIT]");
        }
        if (count == 2 && !IsUnitName(words[1])) {
            *error = NotAUnitName(words[1]);
            return false;
        }
        options->unit = count == 2 ? words[1] : "";
        return true;
    }
    options->job = TZvJob::kUnits;
    return count == 1 || Usage(error, "units");
}

// The job the positional words name; false and `error` when they name none.
bool ParseWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    const std::string& command = words[0];
    const std::size_t count = words.size();
    if (command == "test") {
        options->job = TZvJob::kTest;
        return count == 1 || Usage(error, "test");
    }
    if (command == "fetch") {
        return ParseFetchWords(words, options, error);
    }
    if (command == "send") {
        return ParseSendWords(words, options, error);
    }
    if (command == "backup") {
        options->job = TZvJob::kBackup;
        if (count != 1) {
            return Usage(error, "backup -o FILE [--modules A-B]");
        }
        if (options->output.empty()) {
            *error = "backup needs -o FILE, the setup file to write";
            return false;
        }
        return true;
    }
    if (command == "ports") {
        options->job = TZvJob::kPorts;
        return count == 1 || Usage(error, "ports [--dir DIR] [--json]");
    }
    if (command == "restore") {
        options->job = TZvJob::kRestore;
        if (count != 2) {
            return Usage(error, "restore FILE");
        }
        options->file = words[1];
        return true;
    }
    if (command == "set" || command == "history" || command == "units") {
        return ParseLedgerWords(words, options, error);
    }
    return ParseRecordWords(words, options, error);
}

// Every option the command accepts, with its value: false and `error` for the first that
// does not fit.
bool TakeOptions(const TParsedLine& line, const TCommandRow& command, TZvOptions* options,
                 std::string* error) {
    for (const TGivenOption& given : line.options) {
        if ((given.row->accepted & command.bit) == 0) {
            *error = given.spelled + " is for " + CommandNames(given.row->accepted);
            if (given.row->id == kModules) {
                *error += "; fetch takes its range as `fetch modules A-B`";
            }
            return false;
        }
        if (!TakeOption(given, options, error)) {
            return false;
        }
    }
    return true;
}

// A bench names its ports one way only, and each unit's own.
bool CheckBench(const TZvOptions& options, std::string* error) {
    const bool list = !options.portList.empty();
    const bool file = !options.unitsFile.empty();
    if (list && file) {
        *error = "give the units either with --ports or with --units";
        return false;
    }
    if ((list || file) && !options.portArg.empty()) {
        *error = "--port names one unit's port; with --ports or --units each unit has its own";
        return false;
    }
    return true;
}

}  // namespace

bool ParseModuleRange(const std::string& text, int* first, int* last) {
    if (text == "all") {
        *first = kFirstModul;
        *last = kLastModul;
        return true;
    }
    const std::size_t dash = text.find('-');
    int a = 0;
    int b = 0;
    if (dash == std::string::npos) {
        if (!ParseWholeNumber(text, kFirstModul, kLastModul, &a)) {
            return false;
        }
        b = a;
    } else if (!ParseWholeNumber(text.substr(0, dash), kFirstModul, kLastModul, &a) ||
               !ParseWholeNumber(text.substr(dash + 1), kFirstModul, kLastModul, &b) || a > b) {
        return false;
    }
    *first = a;
    *last = b;
    return true;
}

bool IsCommandWord(const std::string& name) {
    return FindCommandRow(name) != nullptr;
}

std::string OptionsHelpFor(const std::string& command) {
    const TCommandRow* row = FindCommandRow(command);
    return OptionHelp(kRows, row == nullptr ? kNoCommand : row->bit, kHelpColumn);
}

bool ParseCommandLine(int argc, const char* const* argv, TZvOptions* options, TZvError* error) {
    TParsedLine line;
    std::string message;
    const bool read = ParseOptionLine(kRows, argc, argv, &line, &message);
    TZvOptions parsed;
    parsed.command = line.words.empty() ? "" : line.words[0];
    const TCommandRow* command = FindCommandRow(parsed.command);
    *error = {command != nullptr ? command->usageExit : kExitUsage, "",
              command != nullptr ? command->name : ""};
    for (const TGivenOption& given : line.options) {
        parsed.help = parsed.help || given.row->id == kHelp;
        parsed.version = parsed.version || given.row->id == kVersion;
    }
    if (read && (parsed.help || parsed.version)) {
        *options = parsed;
        return true;
    }
    if (read && command == nullptr) {
        message = parsed.command.empty() ? "no command given"
                                         : "unknown command '" + parsed.command + "'";
    } else if (read && TakeOptions(line, *command, &parsed, &message) &&
               ParseWords(line.words, &parsed, &message) && CheckBench(parsed, &message)) {
        *options = parsed;
        *error = {};
        return true;
    }
    error->message = message;
    return false;
}
