#include "zvtool/jobs/outcome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "tests/common/scratch_dir.h"
#include "zvtool/records/record_write.h"

namespace {

TEST(ZvtoolOutcome, JsonObject) {
    EXPECT_EQ(OutcomeJson({"fetch modules 1-5", 3, 9.25, 5, "C:\\work\\\"m\".dat"}),
              "{\"job\": \"fetch modules 1-5\", \"result\": 3, \"meaning\": \"every requested "
              "record was fetched and written to \\\"fromZv.dat\\\"\", \"seconds\": 9.2, "
              "\"records\": 5, \"file\": \"C:\\\\work\\\\\\\"m\\\".dat\"}");
    EXPECT_EQ(OutcomeJson({"test", -1, 0.04, -1, ""}),
              "{\"job\": \"test\", \"result\": null, \"meaning\": null, \"seconds\": 0.0, "
              "\"records\": null, \"file\": null}");
}

// A setup file that zvtool writes must be byte for byte what the driver writes, so that a
// backup compares equal with the driver's own fetches.
TEST(ZvtoolRecordFile, SameLayoutAsTheDriver) {
    ScratchDir scratch;
    std::vector<TZvRecord> records;
    for (int number : {0, 7, 200}) {
        TZvRecord record{number, {}};
        for (std::size_t k = 0; k < record.bytes.size(); ++k) {
            record.bytes[k] =
                static_cast<std::uint8_t>((static_cast<std::size_t>(number) * 37 + k * 11) % 256);
        }
        records.push_back(record);
    }
    records[1].bytes.fill(255);
    {
        TReturnCode result = 0;
        TCommaSepFile driverFile(kModeWrite, &result);
        ASSERT_EQ(result, 0);
        for (const TZvRecord& record : records) {
            TPcModulSetup setup;
            auto* bytes = reinterpret_cast<std::uint8_t*>(&setup);
            bytes[0] = static_cast<std::uint8_t>(record.number);
            std::copy(record.bytes.begin(), record.bytes.end(), bytes + 1);
            ASSERT_EQ(driverFile.WriteData(&setup), 0);
        }
    }
    ASSERT_TRUE(WriteRecordFile("zvtool.dat", records));
    EXPECT_EQ(ReadBytes("zvtool.dat"), ReadBytes(kFromZvFile));
    EXPECT_EQ(CountWholeRecords("zvtool.dat"), 3);
}

}  // namespace
