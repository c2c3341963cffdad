#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "driver/result_codes.h"
#include "tests/common/scratch_dir.h"
#include "zvtool/records/record_write.h"
#include "zvtool/report.h"

namespace {

TEST(ZvtoolOutcome, JsonObject) {
    TReport fetched;
    fetched.command = "fetch";
    fetched.job = true;
    fetched.jobName = "fetch modules 1-5";
    fetched.result = 3;
    fetched.meaning = ResultMeaning(3);
    fetched.seconds = 9.25;
    fetched.records = 5;
    fetched.file = "C:\\work\\\"m\".dat";
    fetched.port = 3;
    fetched.portFrom = "--port";
    fetched.account = {"central fetch: 2 attempts"};
    fetched.repeats = 1;
    fetched.cause = "silent";
    EXPECT_EQ(
        ReportJson(fetched),
        "{\"version\": 1, \"command\": \"fetch\", \"exit\": 0, \"error\": null, "
        "\"job\": \"fetch modules 1-5\", \"result\": 3, \"meaning\": \"every requested "
        "record was fetched and written to \\\"fromZv.dat\\\"\", \"seconds\": 9.2, "
        "\"records\": 5, \"file\": \"C:\\\\work\\\\\\\"m\\\".dat\", \"partial\": false, "
        "\"failed_module\": null, \"port\": 3, \"port_from\": \"--port\", \"trace\": null, "
        "\"account\": [\"central fetch: 2 attempts\"], \"repeats\": 1, \"cause\": \"silent\"}");
    TReport test;
    test.command = "test";
    test.exit = 69;
    test.error = "no driver";
    test.job = true;
    test.jobName = "test";
    test.seconds = 0.04;
    EXPECT_EQ(ReportJson(test),
              "{\"version\": 1, \"command\": \"test\", \"exit\": 69, \"error\": \"no driver\", "
              "\"job\": \"test\", \"result\": null, \"meaning\": null, \"seconds\": 0.0, "
              "\"records\": null, \"file\": null, \"partial\": false, \"failed_module\": null, "
              "\"port\": null, \"port_from\": null, \"trace\": null, \"account\": [], "
              "\"repeats\": null, \"cause\": null}");
    // zvtool's own error before any command: the four keys every object has.
    TReport usage;
    usage.exit = 64;
    usage.error = "no command given";
    EXPECT_EQ(ReportJson(usage),
              "{\"version\": 1, \"command\": null, \"exit\": 64, \"error\": \"no command "
              "given\"}");
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
