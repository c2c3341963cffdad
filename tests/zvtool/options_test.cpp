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
};

std::vector<std::string> Words(const char* line) {
    std::vector<std::string> words{"zvtool"};
    std::istringstream in(line);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

TEST(ZvtoolOptions, TableOfCommandLines) {
    for (const OptionsCase& row : kCases) {
        SCOPED_TRACE(row.line);
        const std::vector<std::string> words = Words(row.line);
        std::vector<const char*> argv;
        for (const std::string& word : words) {
            argv.push_back(word.c_str());
        }
        TZvOptions options;
        TZvError error;
        const bool ok =
            ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &options, &error);
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
