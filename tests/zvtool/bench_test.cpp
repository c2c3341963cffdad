// A bench's pure parts: the units from --ports and from a units file, each unit's command
// line, the screen, the table and the exit status.
#include "zvtool/bench/bench.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zvtool/bench/unit_processes.h"
#include "zvtool/bench/units.h"
#include "zvtool/cli/bench_screen.h"
#include "zvtool/cli/options.h"
#include "zvtool/jobs/request.h"
#include "zvtool/platform/files.h"

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

// Each unit's zvtool is given the bench's own command line less the bench's options, with
// the file a job reads and the driver named from where the bench was started: every option
// that changes what a job does reaches it (a bench dry run must not send, a restore of some
// modules must not send the others).
TEST(BenchUnits, EachUnitIsGivenTheCommandLineAsItStands) {
    const std::string here = AbsolutePath(".");
    const struct {
        std::vector<std::string> line;
        std::vector<std::string> forwarded;
    } rows[] = {
        {{"--ports", "1,2", "test"}, {"test"}},
        {{"fetch", "modules", "3-5", "--units", "u.txt", "-o", "m.dat", "--json"},
         {"fetch", "modules", "3-5", "-o", "m.dat"}},
        {{"--dir", "/b", "send", "modules", "g.dat", "--ports=1,2"},
         {"send", "modules", here + "/g.dat"}},
        {{"--ports", "1", "restore", "/golden.dat", "--modules", "2-3", "--resume", "--dry-run",
          "--no-backup", "--all", "--driver", "d/zordrive"},
         {"restore", "/golden.dat", "--modules", "2-3", "--resume", "--dry-run", "--no-backup",
          "--all", "--driver", here + "/d/zordrive"}},
        {{"backup", "-o", "b.dat", "--force", "--dated", "--resume", "--skip-refused",
          "--trace=t.txt", "--ports", "1"},
         {"backup", "-o", "b.dat", "--force", "--dated", "--resume", "--skip-refused",
          "--trace=t.txt"}},
        {{"--ports", "1", "send", "central", "c.dat", "--ignore-mut-block", "--driver=/opt/z"},
         {"send", "central", here + "/c.dat", "--ignore-mut-block", "--driver", "/opt/z"}},
    };
    for (const auto& row : rows) {
        std::vector<const char*> argv{"zvtool"};
        for (const std::string& word : row.line) {
            argv.push_back(word.c_str());
        }
        TZvOptions options;
        TZvError error;
        ASSERT_TRUE(ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &options, &error))
            << error.message;
        EXPECT_EQ(BenchForwardedWords(static_cast<int>(argv.size()), argv.data(), options),
                  row.forwarded)
            << row.line[0];
    }
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
    TUnitOutcome good;
    good.name = "unit1";
    good.port = "1";
    good.exit = 0;
    good.result = 3;
    good.meaning = "all fetched";
    good.records = 21;
    good.file = "/b/unit1/fromZv.dat";
    good.seconds = 75.4;
    good.cpuSeconds = 0.25;
    good.json = "{\"result\": 1}";
    TUnitOutcome bad = good;
    bad.name = "unit2";
    bad.port = "2";
    bad.exit = 4;
    bad.result = 4;
    bad.meaning = "refused";
    bad.error = "result 4: refused";
    bad.records = 3;
    bad.file = "";
    bad.seconds = 9.0;
    bad.cpuSeconds = 0.1;
    bad.json = "";
    EXPECT_EQ(OutcomeTable({good, bad}),
              "unit   port  result             records  time\n"
              "unit1  1     ok                 21       1:15\n"
              "unit2  2     result 4: refused  3        0:09\n");
    EXPECT_EQ(
        OutcomeJson("fetch", bad),
        "{\"version\": 2, \"command\": \"fetch\", \"exit\": 4, \"error\": \"result 4: "
        "refused\", \"unit\": \"unit2\", \"unit_port\": \"2\", \"outcome\": \"result 4: "
        "refused\", \"result\": 4, \"meaning\": \"refused\", \"seconds\": 9.0, \"records\": 3, "
        "\"file\": null, \"cpu_seconds\": 0.100, \"run\": null}");
    EXPECT_NE(OutcomeJson("fetch", good).find("\"run\": {\"result\": 1}}"), std::string::npos);
    // Without a result, the outcome names the exit and what the unit said last.
    TUnitOutcome refused = bad;
    refused.exit = 73;
    refused.result = -1;
    refused.lastWords = "cannot write in /b/unit2";
    EXPECT_EQ(UnitResultText(refused), "exit 73: cannot write in /b/unit2");
    refused.exit = 130;
    EXPECT_EQ(UnitResultText(refused), "stopped by Ctrl-C");
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
