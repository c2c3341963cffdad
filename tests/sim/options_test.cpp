// The command line of minizv-sim.
#include "sim/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int Parse(std::vector<const char*> args, SimOptions& options, std::string& error) {
    args.insert(args.begin(), "minizv-sim");
    return ParseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(SimOptions, EveryOptionReachesItsField) {
    SimOptions options;
    std::string error;
    ASSERT_EQ(Parse({"--link",
                     "d/COM1",
                     "--store=s.txt",
                     "--version",
                     "3,0x10",
                     "--no-ack",
                     "1",
                     "--bad-ack=2",
                     "--wrong-reply",
                     "3",
                     "--damage-reply",
                     "4",
                     "--truncate-reply",
                     "5",
                     "--stray",
                     "6",
                     "--exit-after",
                     "7",
                     "--status",
                     "7:4:9",
                     "--status",
                     "5:0:0xFA",
                     "--store-wrong",
                     "7",
                     "--store-wrong=0",
                     "--pace",
                     "--trace",
                     "--silent"},
                    options, error),
              0)
        << error;
    EXPECT_EQ(options.link, "d/COM1");
    EXPECT_EQ(options.store, "s.txt");
    EXPECT_EQ(options.unit.version[0], 3);
    EXPECT_EQ(options.unit.version[1], 16);
    const UnitFaults& faults = options.unit.faults;
    EXPECT_EQ(faults.noAck, 1u);
    EXPECT_EQ(faults.badAck, 2u);
    EXPECT_EQ(faults.wrongReply, 3u);
    EXPECT_EQ(faults.damageReply, 4u);
    EXPECT_EQ(faults.truncateReply, 5u);
    EXPECT_EQ(options.unit.stray, StrayJunk(6));
    EXPECT_EQ(options.exitAfter, 7u);
    ASSERT_EQ(faults.statuses.size(), 2u);
    EXPECT_EQ(faults.statuses[0].code, 7);
    EXPECT_EQ(faults.statuses[0].modul, 4);
    EXPECT_EQ(faults.statuses[0].status, 9);
    EXPECT_EQ(faults.statuses[1].code, 5);
    EXPECT_EQ(faults.statuses[1].status, 0xFA);
    EXPECT_EQ(faults.wrongStores, (std::vector<int>{7, 0}));
    EXPECT_TRUE(options.pace);
    EXPECT_TRUE(options.trace);
    EXPECT_TRUE(faults.silent);
    EXPECT_FALSE(options.help);
}

TEST(SimOptions, DefaultsAreAHealthyUnitOnAPseudoTerminal) {
    SimOptions options;
    std::string error;
    ASSERT_EQ(Parse({}, options, error), 0);
    EXPECT_TRUE(options.link.empty());
    EXPECT_TRUE(options.device.empty());
    EXPECT_EQ(options.unit.version[0], 1);
    EXPECT_EQ(options.unit.version[1], 0);
    EXPECT_FALSE(options.unit.faults.silent);
    EXPECT_EQ(options.unit.faults.noAck, 0u);
    EXPECT_EQ(options.exitAfter, 0u);
    EXPECT_EQ(options.printRecord, -1);
}

// A bench: every --link one more unit, each with the --store of its place or none.
TEST(SimOptions, SeveralUnitsEachWithItsStore) {
    SimOptions options;
    std::string error;
    ASSERT_EQ(Parse({"--link", "a/COM1", "--store", "a.txt", "--link", "b/COM1", "--store=b.txt",
                     "--pace"},
                    options, error),
              0)
        << error;
    EXPECT_EQ(options.links, (std::vector<std::string>{"a/COM1", "b/COM1"}));
    EXPECT_EQ(options.stores, (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(options.link, "a/COM1");
    EXPECT_EQ(options.store, "a.txt");
    ASSERT_EQ(Parse({"--link", "a/COM1", "--link", "b/COM1", "--link", "c/COM1"}, options, error),
              0);
    EXPECT_EQ(options.links.size(), 3u);
    EXPECT_TRUE(options.stores.empty());
}

// --unit-version sets the bytes; --version alone asks for the program's version, and with a
// value of the form N,N is the older spelling of --unit-version.
TEST(SimOptions, VersionSpellings) {
    struct Row {
        std::vector<const char*> args;
        bool printVersion;
        int first;
        int second;
    };
    const Row rows[] = {
        {{"--version"}, true, 1, 0},
        {{"--version", "--pace"}, true, 1, 0},
        {{"--unit-version", "2,17"}, false, 2, 17},
        {{"--unit-version=2,0x11"}, false, 2, 17},
        {{"--version", "2,17"}, false, 2, 17},
        {{"--version=2,17", "--store", "s"}, false, 2, 17},
    };
    for (const Row& row : rows) {
        SimOptions options;
        std::string error;
        ASSERT_EQ(Parse(row.args, options, error), 0) << row.args[0] << ": " << error;
        EXPECT_EQ(options.version, row.printVersion) << row.args[0];
        EXPECT_EQ(options.unit.version[0], row.first) << row.args[0];
        EXPECT_EQ(options.unit.version[1], row.second) << row.args[0];
    }
}

// The help lists every option from the rows the parser reads, in its section.
TEST(SimOptions, HelpListsTheOptions) {
    const std::string usage = SimUsage();
    for (const char* line : {"\nLine:\n  --link PATH        serve a pseudo-terminal",
                             "\n  --unit-version A,B version bytes",
                             "\n  --truncate-reply K the next K replies are cut",
                             "\n  --store-wrong N    store record N (0 central)",
                             "\nOther:\n  --trace            print every byte"}) {
        EXPECT_NE(usage.find(line), std::string::npos) << line;
    }
}

TEST(SimOptions, BadCommandLinesAreRefused) {
    const std::vector<std::vector<const char*>> rows = {
        {"--bogus"},
        {"--link"},
        {"--trace=1"},
        {"--no-ack", "x"},
        {"--no-ack", "-1"},
        {"--stray", "10001"},
        {"--version", "1"},
        {"--version", "256,0"},
        {"--version=1"},
        {"--unit-version", "1"},
        {"--unit-version"},
        {"--link", "a/COM1", "--link", "b/COM1", "--store", "a.txt", "--store", "b.txt", "--store",
         "c.txt"},
        {"--link", "a/COM1", "--store", "a.txt", "--store", "b.txt"},
        {"--link", "a/COM1", "--link", "b/COM1", "--device", "/dev/ttyS0"},
        {"--status", "7:4"},
        {"--status", "1:0:0"},
        {"--status", "5:1:0"},
        {"--status", "7:256:0"},
        {"--status", "7:4:0x100"},
        {"--print-record", "201"},
        {"--store-wrong", "201"},
        {"--store-wrong"},
        {"COM1"},
        {"--", "--pace"},
        {"--link="},
    };
    for (const auto& row : rows) {
        SimOptions options;
        options.link = "untouched";
        std::string error;
        EXPECT_EQ(Parse(row, options, error), 1) << row[0];
        EXPECT_FALSE(error.empty()) << row[0];
        EXPECT_EQ(options.link, "untouched") << row[0];
    }
}

}  // namespace
