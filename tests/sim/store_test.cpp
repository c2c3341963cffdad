// The record store: default contents, and the store file read and written.
#include "sim/store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

SimStore Defaults() {
    SimStore store;
    StoreSetDefaults(store);
    return store;
}

std::string TempPath(const std::string& name) {
    return testing::TempDir() + "sim-store-" + std::to_string(getpid()) + "-" + name;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A record line: `number`, then 130 copies of `value`, joined by `separator`.
std::string Line(const std::string& number, int value, const std::string& separator = " ") {
    std::string line = number;
    for (int k = 0; k < 130; ++k) {
        line += separator + std::to_string(value);
    }
    return line;
}

TEST(SimStore, DefaultContentsFollowTheDocumentedFormulas) {
    const SimStore store = Defaults();
    EXPECT_EQ(store.records[0][0], 1);
    EXPECT_EQ(store.records[0][1], 4);
    EXPECT_EQ(store.records[0][129], 132);  // 388 & 255
    EXPECT_EQ(store.records[1][0], 7);
    EXPECT_EQ(store.records[3][2], 23);
    EXPECT_EQ(store.records[200][129], 249);  // 1529 & 255
    EXPECT_EQ(store.centralFlag, 0);
}

TEST(SimStore, RecordLineIsNumberThenBytes) {
    const std::string line = StoreRecordLine(Defaults(), 2);
    EXPECT_EQ(line.substr(0, 15), "2 14 15 16 17 1");
    EXPECT_EQ(line.substr(line.size() - 8), " 142 143");
}

TEST(SimStore, SavedFileHoldsEveryRecordAndTheFlagAndLoadsBack) {
    SimStore store = Defaults();
    store.records[0].fill(0xFF);
    store.records[200].fill(0);
    store.records[17][5] = 0xAA;
    store.centralFlag = 1;
    const std::string path = TempPath("save");
    ASSERT_EQ(StoreSave(path, store), 0);

    const std::string text = ReadFile(path);
    EXPECT_EQ(text.substr(0, 8), "0 255 25");
    EXPECT_NE(text.find("\n200 0 0 0"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 7), "flag 1\n");
    std::size_t lines = 0;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    EXPECT_EQ(lines, 202u);

    SimStore loaded = Defaults();
    std::string error;
    ASSERT_EQ(StoreLoad(path, loaded, error), 0) << error;
    EXPECT_EQ(loaded.records, store.records);
    EXPECT_EQ(loaded.centralFlag, 1);
    std::remove(path.c_str());
}

TEST(SimStore, MissingFileLeavesTheDefaults) {
    SimStore store = Defaults();
    std::string error;
    EXPECT_EQ(StoreLoad(TempPath("missing"), store, error), 1);
    EXPECT_EQ(store.records, Defaults().records);
}

TEST(SimStore, FileMayListSomeRecordsInAnyOrderWithCommasAndCrLf) {
    const std::string path = TempPath("partial");
    WriteFile(path,
              "# two records\r\n\r\n" + Line("9", 3, ",") + "\r\n" + Line("4", 200) + "\r\nflag 1");
    SimStore store = Defaults();
    std::string error;
    ASSERT_EQ(StoreLoad(path, store, error), 0) << error;
    SimStore want = Defaults();
    want.records[9].fill(3);
    want.records[4].fill(200);
    EXPECT_EQ(store.records, want.records);
    EXPECT_EQ(store.centralFlag, 1);
    std::remove(path.c_str());
}

TEST(SimStore, MalformedFileIsRefusedAndChangesNothing) {
    struct Row {
        const char* what;
        std::string text;
    };
    std::string shortLine = Line("3", 1);
    shortLine.resize(shortLine.size() - 2);
    const Row rows[] = {
        {"record number 201", Line("201", 1)},
        {"129 bytes", shortLine},
        {"131 bytes", Line("3", 1) + " 1"},
        {"byte 256", Line("3", 256)},
        {"a word", Line("3", 1) + "\nmodule 3"},
        {"flag without value", Line("3", 1) + "\nflag"},
        {"negative byte", Line("3", 1).replace(2, 1, "-1")},
    };
    for (const Row& row : rows) {
        const std::string path = TempPath("bad");
        WriteFile(path, row.text);
        SimStore store = Defaults();
        std::string error;
        EXPECT_EQ(StoreLoad(path, store, error), 2) << row.what;
        EXPECT_FALSE(error.empty()) << row.what;
        EXPECT_EQ(store.records, Defaults().records) << row.what;
        std::remove(path.c_str());
    }
}

TEST(SimStore, SaveIntoMissingDirectoryFails) {
    EXPECT_EQ(StoreSave(TempPath("no-such-dir") + "/store.txt", Defaults()), 1);
}

}  // namespace
