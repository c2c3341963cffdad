#include "zvtool/cli/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct OptionsCase {
    const char* line;  // the arguments after the program name
    bool ok;
    TZvJob job;
    int first;
    int last;
    const char* file;
    const char* output;
    int port;
    const char* error;  // a part of the error line when !ok
};

const OptionsCase kCases[] = {
    {"test", true, TZvJob::kTest, 1, 200, "", "", 0, ""},
    {"--port 3 test", true, TZvJob::kTest, 1, 200, "", "", 3, ""},
    {"test --port=255", true, TZvJob::kTest, 1, 200, "", "", 255, ""},
    {"fetch central -o c.dat", true, TZvJob::kFetchCentral, 1, 200, "", "c.dat", 0, ""},
    {"fetch modules 3-5", true, TZvJob::kFetchModules, 3, 5, "", "", 0, ""},
    {"fetch modules 7 --output=m.dat", true, TZvJob::kFetchModules, 7, 7, "", "m.dat", 0, ""},
    {"fetch modules all", true, TZvJob::kFetchModules, 1, 200, "", "", 0, ""},
    {"fetch modules 200-200", true, TZvJob::kFetchModules, 200, 200, "", "", 0, ""},
    {"send central c.dat --ignore-mut-block", true, TZvJob::kSendCentral, 1, 200, "c.dat", "", 0,
     ""},
    {"send modules m.dat --dir /tmp", true, TZvJob::kSendModules, 1, 200, "m.dat", "", 0, ""},
    {"backup -o unit.dat", true, TZvJob::kBackup, 1, 200, "", "unit.dat", 0, ""},
    {"backup -o unit.dat --modules 10-12", true, TZvJob::kBackup, 10, 12, "", "unit.dat", 0, ""},
    {"restore unit.dat", true, TZvJob::kRestore, 1, 200, "unit.dat", "", 0, ""},
    {"-- restore -o", true, TZvJob::kRestore, 1, 200, "-o", "", 0, ""},
    {"set a.dat module 3 0 1 -o b.dat", true, TZvJob::kSet, 1, 200, "", "b.dat", 0, ""},
    {"history", true, TZvJob::kHistory, 1, 200, "", "", 0, ""},
    {"history pump-3", true, TZvJob::kHistory, 1, 200, "", "", 0, ""},
    {"units", true, TZvJob::kUnits, 1, 200, "", "", 0, ""},
    {"backup -o u.dat --unit pump-3", true, TZvJob::kBackup, 1, 200, "", "u.dat", 0, ""},
    {"restore u.dat --unit=pump-3", true, TZvJob::kRestore, 1, 200, "u.dat", "", 0, ""},
    // A port by number, by path or by USB identity; only a number is the "Comport" itself.
    {"test --port COM7", true, TZvJob::kTest, 1, 200, "", "", 7, ""},
    {"test --port /dev/ttyUSB0", true, TZvJob::kTest, 1, 200, "", "", 0, ""},
    {"test --port usb:0403:6001:A50285BI", true, TZvJob::kTest, 1, 200, "", "", 0, ""},
    {"ports", true, TZvJob::kPorts, 1, 200, "", "", 0, ""},
    {"ports --json --dir /tmp", true, TZvJob::kPorts, 1, 200, "", "", 0, ""},
    // Refused: each names what is wrong.
    {"", false, TZvJob::kNone, 0, 0, "", "", 0, "no command"},
    {"fly", false, TZvJob::kNone, 0, 0, "", "", 0, "unknown command 'fly'"},
    {"test extra", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool test"},
    {"fetch modules 5-3", false, TZvJob::kNone, 0, 0, "", "", 0, "'5-3' is not a module range"},
    {"fetch modules 0-3", false, TZvJob::kNone, 0, 0, "", "", 0, "not a module range"},
    {"fetch modules 1-201", false, TZvJob::kNone, 0, 0, "", "", 0, "not a module range"},
    {"fetch modules 1-", false, TZvJob::kNone, 0, 0, "", "", 0, "not a module range"},
    {"fetch modules -3", false, TZvJob::kNone, 0, 0, "", "", 0, "unknown option '-3'"},
    {"fetch modules", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool fetch modules"},
    {"fetch", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool fetch central"},
    {"send modules", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool send modules FILE"},
    {"send modules m.dat --ignore-mut-block", false, TZvJob::kNone, 0, 0, "", "", 0,
     "--ignore-mut-block is for send central"},
    {"send central c.dat -o x", false, TZvJob::kNone, 0, 0, "", "", 0, "-o is for fetch"},
    {"backup", false, TZvJob::kNone, 0, 0, "", "", 0, "backup needs -o FILE"},
    {"fetch modules 3 --modules 1-2", false, TZvJob::kNone, 0, 0, "", "", 0,
     "--modules is for backup"},
    {"test --port 0", false, TZvJob::kNone, 0, 0, "", "", 0, "--port takes a port number"},
    {"test --port 256", false, TZvJob::kNone, 0, 0, "", "", 0, "--port takes a port number"},
    {"test --port", false, TZvJob::kNone, 0, 0, "", "", 0, "--port needs a value"},
    {"test --dir=", false, TZvJob::kNone, 0, 0, "", "", 0, "--dir needs a value"},
    {"test --json=1", false, TZvJob::kNone, 0, 0, "", "", 0, "--json takes no value"},
    {"test --fast", false, TZvJob::kNone, 0, 0, "", "", 0, "unknown option '--fast'"},
    {"test -- --port 3", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool test"},
    {"set", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool set FILE"},
    {"set a.dat", false, TZvJob::kNone, 0, 0, "", "", 0, "no change given"},
    {"set a.dat module 3 130 1", false, TZvJob::kNone, 0, 0, "", "", 0, "not an offset"},
    {"history a b", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool history [UNIT]"},
    {"history ../x", false, TZvJob::kNone, 0, 0, "", "", 0, "'../x' is not a unit name"},
    {"units x", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool units"},
    {"backup -o u.dat --unit a/b", false, TZvJob::kNone, 0, 0, "", "", 0, "not a unit name"},
    {"fetch central --unit a", false, TZvJob::kNone, 0, 0, "", "", 0,
     "--unit is for backup and restore"},
    {"restore u.dat --all --modules 7-200 --resume --dry-run --no-backup", true, TZvJob::kRestore,
     7, 200, "u.dat", "", 0, ""},
    {"backup -o u.dat --skip-refused --resume", true, TZvJob::kBackup, 1, 200, "", "u.dat", 0, ""},
    {"restore u.dat --skip-refused", false, TZvJob::kNone, 0, 0, "", "", 0,
     "--skip-refused is for backup"},
    {"backup -o u.dat --dry-run", false, TZvJob::kNone, 0, 0, "", "", 0,
     "--dry-run is for restore"},
    {"fetch central --resume", false, TZvJob::kNone, 0, 0, "", "", 0,
     "--resume is for backup and restore"},
    {"test --port ttyUSB0", false, TZvJob::kNone, 0, 0, "", "", 0, "a device path (/dev/ttyUSB0)"},
    {"test --port usb:403:6001", false, TZvJob::kNone, 0, 0, "", "", 0, "usb:VID:PID[:SERIAL]"},
    {"ports extra", false, TZvJob::kNone, 0, 0, "", "", 0, "usage: zvtool ports"},
    {"ports --port 3", false, TZvJob::kNone, 0, 0, "", "", 0, "--port is for test, fetch"},
    // --force lets -o replace a file; --dated names a backup with the date and time.
    {"backup -o u.dat --force", true, TZvJob::kBackup, 1, 200, "", "u.dat", 0, ""},
    {"fetch central -o c.dat --force", true, TZvJob::kFetchCentral, 1, 200, "", "c.dat", 0, ""},
    {"backup -o u.dat --dated", true, TZvJob::kBackup, 1, 200, "", "u.dat", 0, ""},
    {"send central c.dat --force", false, TZvJob::kNone, 0, 0, "", "", 0,
     "--force is for fetch and backup"},
    {"fetch central -o c.dat --dated", false, TZvJob::kNone, 0, 0, "", "", 0,
     "--dated is for backup"},
};

// The record-file commands: their words and options, and their usage errors (exit status 2,
// as cmp has it).
struct RecordCase {
    const char* line;
    TZvJob job;  // kNone: refused
    std::vector<std::string> files;
    bool all;
    bool hex;
    int record;
    const char* error;
};

const RecordCase kRecordCases[] = {
    {"check a.dat b.dat", TZvJob::kCheck, {"a.dat", "b.dat"}, false, false, -1, ""},
    {"check --all a.dat", TZvJob::kCheck, {"a.dat"}, true, false, -1, ""},
    {"check -- --all", TZvJob::kCheck, {"--all"}, false, false, -1, ""},
    {"show --record=7 --hex a.dat", TZvJob::kShow, {"a.dat"}, false, true, 7, ""},
    {"show a.dat --record central", TZvJob::kShow, {"a.dat"}, false, false, 0, ""},
    {"diff --hex a.dat b.dat", TZvJob::kDiff, {"a.dat", "b.dat"}, false, true, -1, ""},
    {"check", TZvJob::kNone, {}, false, false, -1, "no file named"},
    {"check --hex a.dat", TZvJob::kNone, {}, false, false, -1, "--hex is for show, diff and set"},
    {"check --port 3 a.dat", TZvJob::kNone, {}, false, false, -1, "--port is for test, fetch"},
    {"show a.dat b.dat", TZvJob::kNone, {}, false, false, -1, "one file at a time"},
    {"show --record 256 a.dat", TZvJob::kNone, {}, false, false, -1, "--record takes a record"},
    {"show --record a.dat", TZvJob::kNone, {}, false, false, -1, "--record takes a record"},
    {"show --hex", TZvJob::kNone, {}, false, false, -1, "no file named"},
    {"diff a.dat", TZvJob::kNone, {}, false, false, -1, "two files to compare"},
    {"diff --all a.dat b.dat",
     TZvJob::kNone,
     {},
     false,
     false,
     -1,
     "--all is for restore and check"},
    {"diff --bogus a.dat b.dat", TZvJob::kNone, {}, false, false, -1, "unknown option '--bogus'"},
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
        EXPECT_EQ(options.job, row.job);
        EXPECT_EQ(options.first, row.first);
        EXPECT_EQ(options.last, row.last);
        EXPECT_EQ(options.file, row.file);
        EXPECT_EQ(options.output, row.output);
        EXPECT_EQ(options.port, row.port);
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
        EXPECT_EQ(options.rangeGiven, row.range) << row.line;
        EXPECT_EQ(options.resume, row.resume) << row.line;
        EXPECT_EQ(options.skipRefused, row.skip) << row.line;
        EXPECT_EQ(options.dryRun, row.dry) << row.line;
        EXPECT_EQ(options.noBackup, row.noBackup) << row.line;
        EXPECT_EQ(options.sendAll, row.all) << row.line;
    }
}

TEST(ZvtoolOptions, RecordCommandLines) {
    for (const RecordCase& row : kRecordCases) {
        SCOPED_TRACE(row.line);
        TZvOptions options;
        TZvError error;
        const bool ok = Parse(row.line, &options, &error);
        ASSERT_EQ(ok, row.job != TZvJob::kNone) << error.message;
        if (!ok) {
            EXPECT_NE(error.message.find(row.error), std::string::npos) << error.message;
            EXPECT_EQ(error.exit, 2);
            const std::string line = row.line;
            EXPECT_EQ(error.command, line.substr(0, line.find(' ')));
            continue;
        }
        EXPECT_EQ(options.job, row.job);
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
        const std::string help = OptionsHelpFor(row.command);
        for (const char* listed : row.listed) {
            EXPECT_NE(help.find(listed), std::string::npos) << listed << "\n" << help;
        }
        for (const char* absent : row.absent) {
            EXPECT_EQ(help.find(absent), std::string::npos) << absent << "\n" << help;
        }
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
    EXPECT_EQ(options.job, TZvJob::kShow);
    EXPECT_EQ(options.records.record, 0);
    EXPECT_EQ(options.records.files, std::vector<std::string>{"-a.dat"});
    const char* none[] = {"zvtool", "--port=3", "--json"};
    EXPECT_FALSE(ParseCommandLine(3, none, &options, &error));
    EXPECT_EQ(error.message, "no command given");
}

}  // namespace
