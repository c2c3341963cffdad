#include "zvtool/cli/options.h"

#include <algorithm>
#include <string>
#include <vector>

#include "tools/option_table.h"
#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/commands.h"
#include "zvtool/exit_codes.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/platform/files.h"
#include "zvtool/ports/port_arg.h"

namespace {

constexpr int kLastRecordNumber = 255;
constexpr int kHelpColumn = 18;

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
     kJobBits | kNoCommandBit,
     "the unit's serial port: COMn as a number 1 to 255 (\"Comport\"), a\n"
     "device path (/dev/ttyUSB0, /dev/serial/by-id/...) or a USB adapter\n"
     "usb:VID:PID[:SERIAL] (`zvtool ports` lists them); a path or an adapter\n"
     "becomes the link COM1 in the driver's directory; default: the port\n"
     "\"zordrive.INI\" names",
     nullptr,
     "the unit's serial port: COMn, or its number 1 to 255 (\"Comport\"), or a\n"
     "USB adapter usb:VID:PID[:SERIAL], which becomes the number of its COM\n"
     "port (`zvtool ports` lists them); default: the port \"zordrive.INI\"\n"
     "names"},
    {kPortList,
     {"--ports"},
     "A,B,...",
     kJobBits | kNoCommandBit,
     "run the job on several units at once, one on each port (as --port\n"
     "takes them), each in its run folder unit1, unit2, ... under --dir",
     nullptr,
     "several units at once: not on this system (exit 84), where every driver\n"
     "shares the two INI files of the Windows directory, so one unit runs at\n"
     "a time"},
    {kUnitsFile,
     {"--units"},
     "FILE",
     kJobBits | kNoCommandBit,
     "as --ports, with the units a file names: \"NAME PORT\" a line, each\n"
     "run in the folder NAME",
     nullptr,
     "as --ports, with the units a file names: not on this system (exit 84)"},
    {kDriver,
     {"--driver"},
     "PATH",
     kJobBits | kNoCommandBit,
     "the driver to run; default: the one beside zvtool, then the search path"},
    {kDir,
     {"--dir"},
     "DIR",
     kJobBits | kPortsBit | kNoCommandBit,
     "the driver's directory: it runs there, and its two INI files, \"ToZv.dat\",\n"
     "\"fromZv.dat\" and the COMn link lie there; default: the current\n"
     "directory. A relative FILE, -o or --trace is not taken from DIR but\n"
     "from the directory zvtool was started in",
     nullptr,
     "the driver's folder: it runs there, and \"ToZv.dat\" and \"fromZv.dat\" lie\n"
     "there (its INI files stay in the Windows directory); default: the\n"
     "current folder. A relative FILE, -o or --trace is not taken from DIR\n"
     "but from the folder zvtool was started in"},
    {kJson,
     {"--json"},
     nullptr,
     kEveryBit,
     "print one JSON object on standard output for every command and every\n"
     "failure: {version, command, exit, error, ...} (man zvtool: JSON OUTPUT)"},
    {kTrace,
     {"--trace"},
     "FILE",
     kJobBits | kNoCommandBit,
     "the driver traces into FILE instead of the session trace in the log\n"
     "folder; a failed job is explained from the trace either way"},
    {kOutput,
     {"-o", "--output"},
     "FILE",
     kFetchBit | kBackupBit | kSetBit,
     "where the fetched records go as well; backup: the setup file to write;\n"
     "set: where the changed file goes (default: FILE itself); a relative\n"
     "FILE is taken from the directory zvtool was started in, not from --dir",
     nullptr,
     "where the fetched records go as well; backup: the setup file to write;\n"
     "set: where the changed file goes (default: FILE itself); a relative\n"
     "FILE is taken from the folder zvtool was started in, not from --dir"},
    {kModules,
     {"--modules"},
     "A-B",
     kBackupBit | kRestoreBit,
     "the module records to back up, or to restore: A-B, N or all (default:\n"
     "all); a restore with --modules leaves the central record as it is"},
    {kResume,
     {"--resume"},
     nullptr,
     kBackupBit | kRestoreBit,
     "backup: continue from FILE.partial at the first module it lacks;\n"
     "restore: continue an interrupted or failed restore of FILE with what is\n"
     "still unsent or not read back"},
    {kSkipRefused,
     {"--skip-refused"},
     nullptr,
     kBackupBit,
     "go on past a module the unit refuses; list the refused ones, exit 79"},
    {kDryRun,
     {"--dry-run"},
     nullptr,
     kRestoreBit,
     "stop after the plan: what differs and how long sending it takes"},
    {kNoBackup,
     {"--no-backup"},
     nullptr,
     kRestoreBit,
     "take no copy of the unit first (so every record is sent: nothing to\n"
     "compare with)"},
    {kIgnoreMutBlock,
     {"--ignore-mut-block"},
     nullptr,
     kSendBit | kRestoreBit,
     "send the central record with the flag \"IgnoreMutBlock\" set"},
    {kForce,
     {"--force"},
     nullptr,
     kFetchBit | kBackupBit,
     "-o FILE may replace a file that is there"},
    {kDated,
     {"--dated"},
     nullptr,
     kBackupBit,
     "write the backup as FILE with the date and time in its name\n"
     "(unit-20261209-033004.dat), so that every backup is kept"},
    {kAll,
     {"--all"},
     nullptr,
     kCheckBit | kRestoreBit,
     "check: list every problem (otherwise the first 20 of each file);\n"
     "restore: send every record, not only those that differ"},
    {kRecord,
     {"--record"},
     "N",
     kShowBit,
     "only record N (0 or \"central\" for the central record, 1 to 200 a module)"},
    {kHex, {"--hex"}, nullptr, kShowBit | kDiffBit | kSetBit, "offsets and values in hexadecimal"},
    {kUnit,
     {"--unit"},
     "NAME",
     kBackupBit | kRestoreBit,
     "the unit's name in the ledger: ASCII letters, digits, '.', '_', '-', and\n"
     "no name a system keeps for a device (CON, NUL, COM1, ...); the run\n"
     "folder remembers the last one named there; default: that, else \"unnamed\"",
     nullptr,
     "the unit's name in the ledger: ASCII letters, digits, '.', '_', '-', and\n"
     "no device name (CON, NUL, COM1, ...); names that differ in case only\n"
     "are one unit; the run folder remembers the last one named there;\n"
     "default: that, else \"unnamed\""},
    {kHelp,
     {"-h", "--help"},
     nullptr,
     kEveryBit,
     "this help; `zvtool COMMAND --help` explains one command"},
    {kVersion, {"--version"}, nullptr, kEveryBit, "print the version"},
};

// The value of --record: 0 to 255, or "central".
bool ParseRecordNumber(const std::string& text, int* number) {
    if (text == "central") {
        *number = 0;
        return true;
    }
    return ParseWholeNumber(text, 0, kLastRecordNumber, number);
}

// Where an option that keeps its value as it stands keeps it; nullptr for the others.
std::string* PlainValue(int id, TZvOptions* options) {
    switch (id) {
        case kDriver:
            return &options->driver;
        case kPortList:
            return &options->portList;
        case kUnitsFile:
            return &options->unitsFile;
        case kDir:
            return &options->dir;
        case kTrace:
            return &options->trace;
        default:
            return nullptr;
    }
}

// Applies an option that takes a value; false and `error` when it does not fit.
bool TakeValue(const TGivenOption& given, TZvOptions* options, std::string* error) {
    const std::string& value = given.value;
    TJobRequest& job = options->job;
    if (std::string* plain = PlainValue(given.row->id, options)) {
        *plain = value;
        return true;
    }
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
            if (!ParseModuleRange(value, &job.first, &job.last)) {
                *error = NotAModuleRange(value);
                return false;
            }
            job.rangeGiven = true;
            return true;
        case kRecord:
            if (!ParseRecordNumber(value, &options->records.record)) {
                *error = "--record takes a record number 0 to 255 or \"central\"";
                return false;
            }
            return true;
        case kUnit:
            if (const std::string problem = UnitNameProblem(value); !problem.empty()) {
                *error = problem;
                return false;
            }
            job.unit = value;
            return true;
        default:
            job.output = value;
            options->records.output = value;
            return true;
    }
}

// Applies one option; false and `error` when it does not fit.
bool TakeOption(const TGivenOption& given, TZvOptions* options, std::string* error) {
    TJobRequest& job = options->job;
    switch (given.row->id) {
        case kResume:
            job.resume = true;
            return true;
        case kSkipRefused:
            job.skipRefused = true;
            return true;
        case kDryRun:
            job.dryRun = true;
            return true;
        case kNoBackup:
            job.noBackup = true;
            return true;
        case kJson:
            options->json = true;
            return true;
        case kIgnoreMutBlock:
            job.ignoreMutBlock = true;
            return true;
        case kForce:
            job.force = true;
            return true;
        case kDated:
            job.dated = true;
            return true;
        case kAll:
            options->records.all = true;
            job.sendAll = true;
            return true;
        case kHex:
            options->records.hex = true;
            return true;
        case kHelp:
        case kVersion:
            return true;
        default:
            return TakeValue(given, options, error);
    }
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
        // The bench's own, and --driver, which it gives each unit made absolute.
        if (given.row->id == kPortList || given.row->id == kUnitsFile || given.row->id == kDir ||
            given.row->id == kJson || given.row->id == kDriver) {
            for (int i = 0; i < given.arguments; ++i) {
                options->benchArguments.push_back(given.at + i);
            }
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

std::string NotAModuleRange(const std::string& text) {
    return "'" + text + "' is not a module range: give A-B, N or all, with 1 <= A <= B <= 200";
}

std::string NotAUnitName(const std::string& text) {
    return "'" + text + "' is not a unit name: " + kUnitNameRule;
}

const TOptionRow* OptionRows(std::size_t* count) {
    *count = sizeof kRows / sizeof kRows[0];
    return kRows;
}

unsigned CommandBit(const std::string& command) {
    const TCommandRow* row = FindCommand(command);
    return row == nullptr ? kNoCommandBit : row->bit;
}

std::string OptionsHelpFor(const std::string& command, TSystem system) {
    return OptionHelp(kRows, CommandBit(command), kHelpColumn, system == TSystem::kWindows);
}

bool ParseCommandLine(int argc, const char* const* argv, TZvOptions* options, TZvError* error) {
    TParsedLine line;
    std::string message;
    const bool read = ParseOptionLine(kRows, argc, argv, &line, &message);
    TZvOptions parsed;
    parsed.command = line.words.empty() ? "" : line.words[0];
    parsed.row = FindCommand(parsed.command);
    const TCommandRow* command = parsed.row;
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
               command->parseWords(line.words, &parsed, &message) && CheckBench(parsed, &message)) {
        const std::vector<std::string>& words = line.words;
        const bool sends = parsed.job.job == TZvJob::kSendCentral ||
                           parsed.job.job == TZvJob::kSendModules ||
                           parsed.job.job == TZvJob::kRestore;
        if (command->kind == TCommandKind::kDriverJob && sends) {
            parsed.fileAt = line.wordsAt[words.size() - 1];
        }
        *options = parsed;
        *error = {};
        return true;
    }
    error->message = message;
    return false;
}

std::vector<std::string> BenchForwardedWords(int argc, const char* const* argv,
                                             const TZvOptions& options) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::vector<int>& skip = options.benchArguments;
        if (std::find(skip.begin(), skip.end(), i) != skip.end()) {
            continue;
        }
        words.push_back(i == options.fileAt ? AbsolutePath(argv[i]) : std::string(argv[i]));
    }
    if (!options.driver.empty()) {
        words.insert(words.end(), {"--driver", AbsolutePath(options.driver)});
    }
    return words;
}
