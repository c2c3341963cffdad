// A bench's pure parts: the units from --ports and from a units file, each unit's command
// line, the screen, the table and the exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zvtool/bench/bench_screen.h"
#include "zvtool/bench/units.h"
#include "zvtool/jobs/request.h"

namespace {

TEST(BenchUnits, PortList) {
    const struct {
        const char* text;
        std::vector<std::string> ports;  // empty: refused
        const char* error;
    } rows[] = {
        {"1,2,3", {"1", "2", "3"}, ""},
        {"/dev/ttyUSB0,usb:0403:6001:A5,COM4", {"/dev/ttyUSB0", "usb:0403:6001:A5", "COM4"}, ""},
        {"1,,2", {}, "without an empty one"},
        {"1,", {}, "without an empty one"},
        {"1,com1", {}, "the port com1 is named twice"},
        {"1,ttyUSB0", {}, "not 'ttyUSB0'"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::vector<TBenchUnit> units;
        std::string error;
        ASSERT_EQ(ParsePortList(row.text, &units, &error), !row.ports.empty()) << error;
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
        for (std::size_t i = 0; i < row.ports.size(); ++i) {
            EXPECT_EQ(units[i].name, "unit" + std::to_string(i + 1));
            EXPECT_EQ(units[i].port, row.ports[i]);
        }
    }
}

TEST(BenchUnits, UnitsFile) {
    std::vector<TBenchUnit> units;
    std::string error;
    ASSERT_TRUE(ParseUnitsFile("# bench 2\n\nbay-1  /dev/ttyUSB0\r\n  bay_2\tusb:0403:6001:B7\n",
                               &units, &error))
        << error;
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].name, "bay-1");
    EXPECT_EQ(units[0].port, "/dev/ttyUSB0");
    EXPECT_EQ(units[1].name, "bay_2");
    EXPECT_EQ(units[1].port, "usb:0403:6001:B7");
    const struct {
        const char* text;
        const char* error;
    } refused[] = {
        {"", "no unit in the units file"},
        {"# only\n", "no unit in the units file"},
        {"bay1\n", "line 1: give a unit's name and its port"},
        {"bay1 1 2\n", "line 1: give a unit's name and its port"},
        {"a 1\n../up 2\n", "line 2: '../up' cannot name a unit and its folder"},
        {".. 2\n", "line 1: '..' cannot name a unit and its folder"},
        {"a 1\na 2\n", "line 2: the unit a is named twice"},
        {"a 1\nb COM1\n", "line 2: the port COM1 is named twice"},
        {"a 0\n", "line 1: --port takes"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.text);
        EXPECT_FALSE(ParseUnitsFile(row.text, &units, &error));
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
    }
}

TEST(BenchUnits, EachUnitRunsTheSameJobOnItsPort) {
    TZvOptions options;
    options.driver = "/opt/zordrive";
    options.output = "m.dat";
    const TBenchUnit unit{"bay1", "/dev/ttyUSB0"};
    const std::vector<std::string> tail{"--dir", "/bench/bay1", "--port", "/dev/ttyUSB0", "--json"};
    // Backups and restores go into the ledger under the unit's name.
    const struct {
        TZvJob job;
        int first;
        int last;
        const char* file;
        std::vector<std::string> words;
        bool named;
    } rows[] = {
        {TZvJob::kTest, 1, 200, "", {"test"}, false},
        {TZvJob::kFetchModules, 3, 5, "", {"fetch", "modules", "3-5"}, false},
        {TZvJob::kFetchCentral, 1, 200, "", {"fetch", "central"}, false},
        {TZvJob::kSendModules, 1, 200, "/golden.dat", {"send", "modules", "/golden.dat"}, false},
        {TZvJob::kBackup, 1, 20, "", {"backup", "--modules", "1-20"}, true},
        {TZvJob::kRestore, 1, 200, "/golden.dat", {"restore", "/golden.dat"}, true},
    };
    for (const auto& row : rows) {
        options.job = row.job;
        options.first = row.first;
        options.last = row.last;
        options.file = row.file;
        std::vector<std::string> want{"/bin/zvtool"};
        want.insert(want.end(), row.words.begin(), row.words.end());
        want.insert(want.end(), {"--output", "m.dat", "--driver", "/opt/zordrive"});
        if (row.named) {
            want.insert(want.end(), {"--unit", "bay1"});
        }
        want.insert(want.end(), tail.begin(), tail.end());
        EXPECT_EQ(UnitCommandLine(options, unit, "/bench/bay1", "/bin/zvtool"), want)
            << row.words[0];
    }
}

// Every option that changes what a job does reaches each unit: a bench dry run must not
// send, and a bench restore of some modules must not send the others.
TEST(BenchUnits, EachUnitTakesTheJobsOptions) {
    TZvOptions restore;
    restore.job = TZvJob::kRestore;
    restore.file = "/golden.dat";
    restore.first = 2;
    restore.last = 3;
    restore.rangeGiven = true;
    restore.dryRun = restore.noBackup = restore.sendAll = restore.resume = true;
    TZvOptions backup;
    backup.job = TZvJob::kBackup;
    backup.output = "b.dat";
    backup.resume = backup.skipRefused = backup.force = backup.dated = true;
    const TBenchUnit unit{"unit2", "3"};
    const std::vector<std::string> tail{"--dir", "/b/unit2", "--port", "3", "--json"};
    std::vector<std::string> want{"zv",    "restore",  "/golden.dat", "--modules",
                                  "2-3",   "--resume", "--dry-run",   "--no-backup",
                                  "--all", "--unit",   "unit2"};
    want.insert(want.end(), tail.begin(), tail.end());
    EXPECT_EQ(UnitCommandLine(restore, unit, "/b/unit2", "zv"), want);
    want = {"zv",      "backup",  "--modules", "1-200",          "--output", "b.dat",
            "--force", "--dated", "--resume",  "--skip-refused", "--unit",   "unit2"};
    want.insert(want.end(), tail.begin(), tail.end());
    EXPECT_EQ(UnitCommandLine(backup, unit, "/b/unit2", "zv"), want);
}

TEST(BenchScreen, LinesRedrawnTogether) {
    const std::vector<std::string> lines =
        BenchLines({{"unit1", "/dev/ttyUSB0", "module 3 (3 of 20)"}, {"bay-10", "2", "starting"}});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "unit1   /dev/ttyUSB0  module 3 (3 of 20)");
    EXPECT_EQ(lines[1], "bay-10  2             starting");
    EXPECT_EQ(Redraw(lines, 0), "\r\033[K" + lines[0] + "\n\r\033[K" + lines[1] + "\n");
    EXPECT_EQ(Redraw(lines, 2).compare(0, 4, "\033[2A"), 0);
}

TEST(BenchScreen, TableJsonAndExit) {
    TUnitOutcome good{"unit1",          "1", 0, "ok", 21, "/b/unit1/fromZv.dat", 75.4, 0.25,
                      "{\"result\": 1}"};
    TUnitOutcome bad{"unit2", "2", 4, "result 4: refused", 3, "", 9.0, 0.1, ""};
    EXPECT_EQ(OutcomeTable({good, bad}),
              "unit   port  result             records  time\n"
              "unit1  1     ok                 21       1:15\n"
              "unit2  2     result 4: refused  3        0:09\n");
    EXPECT_EQ(OutcomeJson(bad),
              "{\"version\": 1, \"unit\": \"unit2\", \"port\": \"2\", \"exit\": 4, \"result\": "
              "\"result 4: refused\", "
              "\"records\": 3, \"file\": null, \"seconds\": 9.0, \"cpu_seconds\": 0.100, \"run\": "
              "null}");
    EXPECT_NE(OutcomeJson(good).find("\"run\": {\"result\": 1}}"), std::string::npos);
    EXPECT_EQ(BenchExit({good, good}, false), 0);
    EXPECT_EQ(BenchExit({good, bad}, false), 4);
    EXPECT_EQ(BenchExit({good, bad}, true), 130);
    TUnitOutcome lost = bad;
    lost.exit = -1;
    EXPECT_EQ(BenchExit({good, lost}, false), 70);
}

TEST(BenchScreen, FieldsOfAUnitsJson) {
    const std::string json =
        "{\"job\": \"fetch\", \"account\": [\"\\\"records\\\": 9\"], \"records\": 12, "
        "\"file\": \"/a \\\"b\\\".dat\", \"partial\": null}";
    std::string value;
    ASSERT_TRUE(JsonField(json, "records", &value));
    EXPECT_EQ(value, "12");
    ASSERT_TRUE(JsonField(json, "file", &value));
    EXPECT_EQ(value, "/a \"b\".dat");
    EXPECT_FALSE(JsonField(json, "partial", &value));
    EXPECT_FALSE(JsonField(json, "result", &value));
}

}  // namespace
