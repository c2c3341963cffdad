#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "tests/common/scratch_dir.h"

namespace {

std::vector<TPcModulSetup> RandomRecords(std::size_t count) {
    std::mt19937 random(20260108);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<TPcModulSetup> records(count);
    for (TPcModulSetup& record : records) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(&record);
        for (std::size_t i = 0; i < sizeof(record); ++i) {
            bytes[i] = static_cast<std::uint8_t>(byte(random));
        }
    }
    std::memset(&records[0], 0, sizeof(TPcModulSetup));
    std::memset(&records[1], 255, sizeof(TPcModulSetup));
    return records;
}

TEST(CommaSepRoundTrip, RandomRecordsReadBackUnchanged) {
    ScratchDir cwd;
    const std::vector<TPcModulSetup> records = RandomRecords(400);
    {
        TReturnCode result = -1;
        TCommaSepFile writer(kModeWrite, &result);
        ASSERT_EQ(result, 0);
        for (TPcModulSetup record : records) {
            ASSERT_EQ(writer.WriteData(&record), 0);
        }
    }

    // Every line ends in CR LF, holds at most 80 characters and, unless last, ends in ",";
    // the file ends in a number.
    const std::string text = ReadBytes(kFromZvFile);
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        ASSERT_GE(end, start + 2);
        EXPECT_EQ(text[end - 1], '\r');
        EXPECT_EQ(text[end - 2], ',');
        EXPECT_LE(end - 1 - start, 80U);
    }
    EXPECT_EQ(text.find('\r', start), std::string::npos);
    EXPECT_LE(text.size() - start, 80U);
    EXPECT_TRUE(text.back() >= '0' && text.back() <= '9');

    std::rename(kFromZvFile, kToZvFile);
    TReturnCode result = -1;
    TCommaSepFile reader(kModeRead, &result);
    ASSERT_EQ(result, 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        TPcModulSetup record;
        ASSERT_EQ(reader.LoadData(&record), 0) << "record " << i;
        EXPECT_EQ(std::memcmp(&record, &records[i], sizeof(record)), 0) << "record " << i;
    }
    TPcModulSetup extra;
    EXPECT_EQ(reader.LoadData(&extra), 9);
}

}  // namespace
