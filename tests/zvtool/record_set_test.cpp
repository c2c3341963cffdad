// set's changes: how they are read from the command line and applied to records.
#include "zvtool/records/record_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(RecordSet, ChangesFromTheCommandLine) {
    const struct {
        std::vector<std::string> words;
        std::vector<TRecordEdit> edits;
        const char* error;  // a part of it, or "" when the words are good
    } rows[] = {
        {{"central", "0", "7"}, {{0, 0, 7}}, ""},
        {{"module", "12", "129", "0xff"}, {{12, 129, 255}}, ""},
        {{"module", "200", "0x10", "0", "central", "5", "1"}, {{200, 16, 0}, {0, 5, 1}}, ""},
        {{}, {}, "no change given"},
        {{"module", "0", "1", "1"}, {}, "not a module number 1 to 200"},
        {{"module", "201", "1", "1"}, {}, "not a module number"},
        {{"central", "130", "1"}, {}, "not an offset 0 to 129"},
        {{"central", "1", "256"}, {}, "not a byte value"},
        {{"central", "1", "-1"}, {}, "not a byte value"},
        {{"central", "1"}, {}, "central takes OFFSET VALUE"},
        {{"module", "3", "1"}, {}, "module takes N OFFSET VALUE"},
        {{"central", "1", "2", "3"}, {}, "'3': a change begins with central or module N"},
        {{"modules", "3", "1", "2"}, {}, "a change begins with"},
    };
    for (const auto& row : rows) {
        std::vector<TRecordEdit> edits;
        std::string error;
        const bool good = ParseRecordEdits(row.words, &edits, &error);
        const std::string what = row.words.empty() ? "(none)" : row.words[0];
        EXPECT_EQ(good, row.error[0] == '\0') << what << ": " << error;
        if (good) {
            ASSERT_EQ(edits.size(), row.edits.size()) << what;
            for (std::size_t i = 0; i < edits.size(); ++i) {
                EXPECT_EQ(edits[i].number, row.edits[i].number) << what;
                EXPECT_EQ(edits[i].offset, row.edits[i].offset) << what;
                EXPECT_EQ(edits[i].value, row.edits[i].value) << what;
            }
        } else {
            EXPECT_NE(error.find(row.error), std::string::npos) << error;
        }
    }
}

TEST(RecordSet, ChangesEveryCopyAndAddsNoRecord) {
    std::vector<TZvRecord> records = {{0, {}}, {5, {}}, {5, {}}};
    std::string error;
    ASSERT_TRUE(ApplyRecordEdits(&records, {{5, 3, 9}, {0, 129, 1}}, &error)) << error;
    EXPECT_EQ(records[1].bytes[3], 9);
    EXPECT_EQ(records[2].bytes[3], 9);
    EXPECT_EQ(records[0].bytes[129], 1);
    EXPECT_EQ(records[1].bytes[4], 0);
    EXPECT_FALSE(ApplyRecordEdits(&records, {{6, 0, 1}}, &error));
    EXPECT_EQ(error,
              "the file holds no module 6; set changes the records a file holds and adds none");
    EXPECT_EQ(records.size(), 3u);
}

}  // namespace
