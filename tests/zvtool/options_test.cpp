#include "zvtool/cli/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/commands.h"
#include "zvtool/cli/help.h"

namespace {

// The command a parsed line names, and for fetch and send what it moves.
std::string What(const TZvOptions& options) {
    if (options.row == nullptr) {
        return "";
    }
    if (options.row->kind != TCommandKind::kDriverJob) {
        return options.row->name;
    }
    switch (options.job.job) {
        case TZvJob::kFetchCentral:
            return "fetch central";
        case TZvJob::kFetchModules:
            return "fetch modules";
        case TZvJob::kSendCentral:
            return "send central";
        case TZvJob::kSendModules:
            return "send modules";
        default:
            return options.row->name;
    }
}

struct OptionsCase {
    const char* line;  // the arguments after the program name
    bool ok;
    const char* what;  // the command, and for fetch and send what it moves
    int first;
    int last;
    const char* file;
    const char* output;
    int port;
    const char* error;  // a part of the error line when !ok
};

const OptionsCase kCases[] = {
    {"test", true, "test", 1, 200, "", "", 0, ""},
    {"--port 3 test", true, "test", 1, 200, "", "", 3, ""},
    {"test --port=255", true, "test", 1, 200, "", "", 255, ""},
    {"fetch central -o c.dat", true, "fetch central", 1, 200, "", "c.dat", 0, ""},
    {"fetch modules 3-5", true, "fetch modules", 3, 5, "", "", 0, ""},
    {"fetch modules 7 --output=m.dat", true, "fetch modules", 7, 7, "", "m.dat", 0, ""},
    {"fetch modules all", true, "fetch modules", 1, 200, "", "", 0, ""},
    {"fetch modules 200-200", true, "fetch modules", 200, 200, "", "", 0, ""},
    {"send central c.dat --ignore-mut-block", true, "send central", 1, 200, "c.dat", "", 0, ""},
    {"send modules m.dat --dir /tmp", true, "send modules", 1, 200, "m.dat", "", 0, ""},
    {"backup -o unit.dat", true, "backup", 1, 200, "", "unit.dat", 0, ""},
    {"backup -o unit.dat --modules 10-12", true, "backup", 10, 12, "", "unit.dat", 0, ""},
    {"restore unit.dat", true, "restore", 1, 200, "unit.dat", "", 0, ""},
    {"-- restore -o", true, "restore", 1, 200, "-o", "", 0, ""},
    {"set a.dat module 3 0 1 -o b.dat", true, "set", 1, 200, "", "b.dat", 0, ""},
    {"history", true, "history", 1, 200, "", "", 0, ""},
    {"history pump-3", true, "history", 1, 200, "", "", 0, ""},
    {"units", true, "units", 1, 200, "", "", 0, ""},
    {"backup -o u.dat --unit pump-3", true, "backup", 1, 200, "", "u.dat", 0, ""},
    {"restore u.dat --unit=pump-3", true, "restore", 1, 200, "u.dat", "", 0, ""},
    // A port by number, by path or by USB identity; only a number is the "Comport" itself.
    {"test --port COM7", true, "test", 1, 200, "", "", 7, ""},
    {"test --port /dev/ttyUSB0", true, "test", 1, 200, "", "", 0, ""},
    {"test --port usb:0403:6001:A50285BI", true, "test", 1, 200, "", "", 0, ""},
    {"ports", true, "ports", 1, 200, "", "", 0, ""},
    {"ports --json --dir /tmp", true, "ports", 1, 200, "", "", 0, ""},
    // Refused: each names what is wrong.
    {"", false, "", 0, 0, "", "", 0, "no command"},
    {"fly", false, "", 0, 0, "", "", 0, "unknown command 'fly'"},
    {"test extra", false, "", 0, 0, "", "", 0, "usage: zvtool test"},
    {"fetch modules 5-3", false, "", 0, 0, "", "", 0, "'5-3' is not a module range"},
    {"fetch modules 0-3", false, "", 0, 0, "", "", 0, "not a module range"},
    {"fetch modules 1-201", false, "", 0, 0, "", "", 0, "not a module range"},
    {"fetch modules 1-", false, "", 0, 0, "", "", 0, "not a module range"},
    {"fetch modules -3", false, "", 0, 0, "", "", 0, "unknown option '-3'"},
    {"fetch modules", false, "", 0, 0, "", "", 0, "usage: zvtool fetch modules"},
    {"fetch", false, "", 0, 0, "", "", 0, "usage: zvtool fetch central"},
    {"send modules", false, "", 0, 0, "", "", 0, "usage: zvtool send modules FILE"},
    {"send modules m.dat --ignore-mut-block", false, "", 0, 0, "", "", 0,
     "--ignore-mut-block is for send central"},
    {"send central c.dat -o x", false, "", 0, 0, "", "", 0, "-o is for fetch"},
    {"backup", false, "", 0, 0, "", "", 0, "backup needs -o FILE"},
    {"fetch modules 3 --modules 1-2", false, "", 0, 0, "", "", 0, "--modules is for backup"},
    {"test --port 0", false, "", 0, 0, "", "", 0, "--port takes COMn or its number 1 to 255"},
    {"test --port 256", false, "", 0, 0, "", "", 0, "--port takes COMn or its number 1 to 255"},
    {"test --port", false, "", 0, 0, "", "", 0, "--port needs a value"},
    {"test --dir=", false, "", 0, 0, "", "", 0, "--dir needs a value"},
    {"test --json=1", false, "", 0, 0, "", "", 0, "--json takes no value"},
    {"test --fast", false, "", 0, 0, "", "", 0, "unknown option '--fast'"},
    {"test -- --port 3", false, "", 0, 0, "", "", 0, "usage: zvtool test"},
    {"set", false, "", 0, 0, "", "", 0, "usage: zvtool set FILE"},
    {"set a.dat", false, "", 0, 0, "", "", 0, "no change given"},
    {"set a.dat module 3 130 1", false, "", 0, 0, "", "", 0, "not an offset"},
    {"history a b", false, "", 0, 0, "", "", 0, "usage: zvtool history [UNIT]"},
    {"history ../x", false, "", 0, 0, "", "", 0, "'../x' is not a unit name"},
    {"units x", false, "", 0, 0, "", "", 0, "usage: zvtool units"},
    {"backup -o u.dat --unit a/b", false, "", 0, 0, "", "", 0, "not a unit name"},
    {"fetch central --unit a", false, "", 0, 0, "", "", 0, "--unit is for backup and restore"},
    {"restore u.dat --all --modules 7-200 --resume --dry-run --no-backup", true, "restore", 7, 200,
     "u.dat", "", 0, ""},
    {"backup -o u.dat --skip-refused --resume", true, "backup", 1, 200, "", "u.dat", 0, ""},
    {"restore u.dat --skip-refused", false, "", 0, 0, "", "", 0, "--skip-refused is for backup"},
    {"backup -o u.dat --dry-run", false, "", 0, 0, "", "", 0, "--dry-run is for restore"},
    {"fetch central --resume", false, "", 0, 0, "", "", 0, "--resume is for backup and restore"},
    {"test --port ttyUSB0", false, "", 0, 0, "", "", 0, "a device path (/dev/ttyUSB0)"},
    {"test --port usb:403:6001", false, "", 0, 0, "", "", 0, "usb:VID:PID[:SERIAL]"},
    {"ports extra", false, "", 0, 0, "", "", 0, "usage: zvtool ports"},
    {"ports --port 3", false, "", 0, 0, "", "", 0, "--port is for test, fetch"},
    // --force lets -o replace a file; --dated names a backup with the date and time.
    {"backup -o u.dat --force", true, "backup", 1, 200, "", "u.dat", 0, ""},
    {"fetch central -o c.dat --force", true, "fetch central", 1, 200, "", "c.dat", 0, ""},
    {"backup -o u.dat --dated", true, "backup", 1, 200, "", "u.dat", 0, ""},
    {"send central c.dat --force", false, "", 0, 0, "", "", 0, "--force is for fetch and backup"},
    {"fetch central -o c.dat --dated", false, "", 0, 0, "", "", 0, "--dated is for backup"},
};

// The record-file commands: their words and options, and their usage errors (exit status 2,
// as cmp has it).
struct RecordCase {
    const char* line;
    const char* what;  // "": refused
    std::vector<std::string> files;
    bool all;
    bool hex;
    int record;
    const char* error;
};

const RecordCase kRecordCases[] = {
    {"check a.dat b.dat", "check", {"a.dat", "b.dat"}, false, false, -1, ""},
    {"check --all a.dat", "check", {"a.dat"}, true, false, -1, ""},
    {"check -- --all", "check", {"--all"}, false, false, -1, ""},
    {"show --record=7 --hex a.dat", "show", {"a.dat"}, false, true, 7, ""},
    {"show a.dat --record central", "show", {"a.dat"}, false, false, 0, ""},
    {"diff --hex a.dat b.dat", "diff", {"a.dat", "b.dat"}, false, true, -1, ""},
    {"check", "", {}, false, false, -1, "no file named"},
    {"check --hex a.dat", "", {}, false, false, -1, "--hex is for show, diff and set"},
    {"check --port 3 a.dat", "", {}, false, false, -1, "--port is for test, fetch"},
    {"show a.dat b.dat", "", {}, false, false, -1, "one file at a time"},
    {"show --record 256 a.dat", "", {}, false, false, -1, "--record takes a record"},
    {"show --record a.dat", "", {}, false, false, -1, "--record takes a record"},
    {"show --hex", "", {}, false, false, -1, "no file named"},
    {"diff a.dat", "", {}, false, false, -1, "two files to compare"},
    {"diff --all a.dat b.dat", "", {}, false, false, -1, "--all is for restore and check"},
    {"diff --bogus a.dat b.dat", "", {}, false, false, -1, "unknown option '--bogus'"},
};

// Parses "zvtool " + `line`, split at spaces.
bool Parse(const char* line, TZvOptions* options, TZvError* error) {
    std::vector<std::string> words{"zvtool"};
    std::istringstream in(line);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    std::vector<const char*> argv;
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(ZvtoolOptions, TableOfCommandLines) {
    for (const OptionsCase& row : kCases) {
        SCOPED_TRACE(row.line);
        TZvOptions options;
        TZvError error;
        const bool ok = Parse(row.line, &options, &error);
        ASSERT_EQ(ok, row.ok) << error.message;
        if (!ok) {
            EXPECT_NE(error.message.find(row.error), std::string::npos) << error.message;
            EXPECT_EQ(error.exit, 64);
            continue;
        }
        EXPECT_EQ(What(options), row.what);
        EXPECT_EQ(options.job.first, row.first);
        EXPECT_EQ(options.job.last, row.last);
        EXPECT_EQ(options.job.file, row.file);
        EXPECT_EQ(options.job.output, row.output);
        EXPECT_EQ(options.port, row.port);
    }
}

// The ledger's words: what it is to do, and with which remote; a remote git would read as one
// of its options is refused.
TEST(ZvtoolOptions, LedgerWords) {
    const struct {
        const char* line;
        const char* action;  // "": refused
        const char* remote;
        const char* error;
    } rows[] = {
        {"ledger check --json", "check", "", ""},
        {"ledger sync", "sync", "", ""},
        {"ledger share /srv/ledger.git", "share", "/srv/ledger.git", ""},
        {"ledger share tech@bench1:ledger.git --json", "share", "tech@bench1:ledger.git", ""},
        {"ledger share", "", "", "usage: zvtool ledger check | ledger share REMOTE"},
        {"ledger sync now", "", "", "usage: zvtool ledger check"},
        {"ledger share -- --upload-pack=x", "", "", "'--upload-pack=x' is no remote"},
        {"ledger share a --port 3", "", "", "--port is for test"},
    };
    for (const auto& row : rows) {
        TZvOptions options;
        TZvError error;
        const bool ok = Parse(row.line, &options, &error);
        EXPECT_EQ(ok, row.action[0] != '\0') << row.line << ": " << error.message;
        EXPECT_EQ(ok ? options.ledgerAction : "", row.action) << row.line;
        EXPECT_EQ(options.remote, row.remote) << row.line;
        EXPECT_NE(error.message.find(row.error), std::string::npos) << row.line;
    }
}

// The switches of servicing a unit reach their fields, and only those given.
TEST(ZvtoolOptions, ServiceSwitches) {
    const struct {
        const char* line;
        bool range, resume, skip, dry, noBackup, all;
    } rows[] = {
        {"restore u.dat", false, false, false, false, false, false},
        {"restore u.dat --modules 3 --dry-run", true, false, false, true, false, false},
        {"restore u.dat --resume --no-backup --all", false, true, false, false, true, true},
        {"backup -o u.dat --skip-refused --resume", false, true, true, false, false, false},
    };
    for (const auto& row : rows) {
        TZvOptions options;
        TZvError error;
        ASSERT_TRUE(Parse(row.line, &options, &error)) << row.line << ": " << error.message;
        EXPECT_EQ(options.job.rangeGiven, row.range) << row.line;
        EXPECT_EQ(options.job.resume, row.resume) << row.line;
        EXPECT_EQ(options.job.skipRefused, row.skip) << row.line;
        EXPECT_EQ(options.job.dryRun, row.dry) << row.line;
        EXPECT_EQ(options.job.noBackup, row.noBackup) << row.line;
        EXPECT_EQ(options.job.sendAll, row.all) << row.line;
    }
}

TEST(ZvtoolOptions, RecordCommandLines) {
    for (const RecordCase& row : kRecordCases) {
        SCOPED_TRACE(row.line);
        TZvOptions options;
        TZvError error;
        const bool ok = Parse(row.line, &options, &error);
        ASSERT_EQ(ok, std::string(row.what) != "") << error.message;
        if (!ok) {
            EXPECT_NE(error.message.find(row.error), std::string::npos) << error.message;
            EXPECT_EQ(error.exit, 2);
            const std::string line = row.line;
            EXPECT_EQ(error.command, line.substr(0, line.find(' ')));
            continue;
        }
        EXPECT_EQ(What(options), row.what);
        EXPECT_EQ(options.records.files, row.files);
        EXPECT_EQ(options.records.all, row.all);
        EXPECT_EQ(options.records.hex, row.hex);
        EXPECT_EQ(options.records.record, row.record);
    }
}

// Each command's help lists the options that command accepts, from the same rows the parser
// reads, and no other.
TEST(ZvtoolOptions, HelpListsTheRowsOfTheCommand) {
    const struct {
        const char* command;
        std::vector<const char*> listed;
        std::vector<const char*> absent;
    } rows[] = {
        {"",
         {"  --port PORT ", "  --json ", "  -h, --help ", "  --version "},
         {"--modules", "--all"}},
        {"backup",
         {"  -o, --output FILE ", "  --modules A-B ", "  --port PORT ", "  --force ", "  --dated "},
         {"--hex", "--ignore"}},
        {"fetch", {"  -o, --output FILE ", "  --force "}, {"--dated", "--modules"}},
        {"send",
         {"  --ignore-mut-block ", "  --trace FILE "},
         {"--output", "--modules", "--force"}},
        // Every command prints its JSON object with --json, the record-file commands too.
        {"check", {"  --all ", "  --json ", "  -h, --help ", "  --version "}, {"--port", "--hex"}},
        {"show", {"  --record N ", "  --hex ", "  --json "}, {"--all", "--port"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command);
        const std::string help = OptionsHelpFor(row.command, ThisSystem());
        for (const char* listed : row.listed) {
            EXPECT_NE(help.find(listed), std::string::npos) << listed << "\n" << help;
        }
        for (const char* absent : row.absent) {
            EXPECT_EQ(help.find(absent), std::string::npos) << absent << "\n" << help;
        }
    }
}

// zvtool's help on each system names that system's things only: its paths, variables and
// conventions, never the other system's.
TEST(ZvtoolOptions, HelpNamesTheThingsOfItsSystemOnly) {
    const std::vector<const char*> posixWords = {"/dev/", "XDG_",  "~/",           "POSIX",
                                                 "sysfs", "/proc", ".zvtool.lock", "group"};
    const std::vector<const char*> windowsWords = {
        "Windows", "%LOCALAPPDATA%", "%ProgramData%", "Explorer", "/?", "C:\\"};
    const struct {
        TSystem system;
        const std::vector<const char*>& own;
        const std::vector<const char*>& foreign;
    } rows[] = {{TSystem::kPosix, posixWords, windowsWords},
                {TSystem::kWindows, windowsWords, posixWords}};
    for (const auto& row : rows) {
        std::string all = MainHelpText(row.system);
        for (const TCommandRow& command : CommandRows()) {
            all += CommandHelpText(command, row.system);
        }
        for (const char* word : row.foreign) {
            EXPECT_EQ(all.find(word), std::string::npos)
                << word << " in the help on "
                << (row.system == TSystem::kPosix ? "POSIX" : "Windows");
        }
        // And each says where its own files are: XDG_..., %LOCALAPPDATA%.
        EXPECT_NE(all.find(row.own[1]), std::string::npos);
    }
}

// --help and --version win over an incomplete command line, so `zvtool fetch --help` works.
TEST(ZvtoolOptions, HelpNeedsNoWholeCommand) {
    const char* argv[] = {"zvtool", "fetch", "--help"};
    TZvOptions options;
    TZvError error;
    ASSERT_TRUE(ParseCommandLine(3, argv, &options, &error));
    EXPECT_TRUE(options.help);
    EXPECT_EQ(options.command, "fetch");
}

// The command word is found behind the options and their values, by the same table that
// parses the rest.
TEST(ZvtoolOptions, CommandWordBehindOptions) {
    const char* argv[] = {"zvtool", "--dir", "check", "--json", "test"};
    TZvOptions options;
    TZvError error;
    ASSERT_TRUE(ParseCommandLine(5, argv, &options, &error)) << error.message;
    EXPECT_EQ(options.command, "test");
    EXPECT_EQ(options.dir, "check");
    const char* show[] = {"zvtool", "--hex", "show", "--record", "central", "--", "-a.dat"};
    ASSERT_TRUE(ParseCommandLine(7, show, &options, &error)) << error.message;
    EXPECT_EQ(What(options), "show");
    EXPECT_EQ(options.records.record, 0);
    EXPECT_EQ(options.records.files, std::vector<std::string>{"-a.dat"});
    const char* none[] = {"zvtool", "--port=3", "--json"};
    EXPECT_FALSE(ParseCommandLine(3, none, &options, &error));
    EXPECT_EQ(error.message, "no command given");
}

}  // namespace

// An option for "every command" (--json, --help) and the keys of every object reach each row
// of the command table, the newest included.
TEST(ZvtoolOptions, EveryCommandIsEveryRowOfTheTable) {
    for (const TCommandRow& row : CommandRows()) {
        EXPECT_EQ(row.bit & kEveryBit, row.bit) << row.name;
    }
}
