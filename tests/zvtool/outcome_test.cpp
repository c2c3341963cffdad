#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "driver/result_codes.h"
#include "tests/common/scratch_dir.h"
#include "zvtool/bench/bench.h"
#include "zvtool/cli/bench_screen.h"
#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/commands.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/json_schema.h"
#include "zvtool/cli/ledger_render.h"
#include "zvtool/cli/records_render.h"
#include "zvtool/records/record_write.h"

namespace {

// The top-level members of one JSON object, each as its key and its value's text.
using Members = std::vector<std::pair<std::string, std::string>>;

// Reads the end of the JSON value starting at `i` (a string, a number, a literal, a list or
// an object) and returns where it ends.
std::size_t ValueEnd(const std::string& json, std::size_t i) {
    int depth = 0;
    bool quoted = false;
    for (; i < json.size(); ++i) {
        const char c = json[i];
        if (quoted) {
            i += c == '\\' ? 1 : 0;
            quoted = c != '"';
            if (!quoted && depth == 0) {
                return i + 1;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (depth == 0) {
                return i;
            }
            if (--depth == 0) {
                return i + 1;
            }
        } else if (depth == 0 && c == ',') {
            return i;
        }
    }
    return i;
}

Members TopLevel(const std::string& json) {
    Members members;
    std::size_t i = 1;
    while (i < json.size() && json[i] == '"') {
        const std::size_t keyEnd = json.find('"', i + 1);
        const std::string key = json.substr(i + 1, keyEnd - i - 1);
        const std::size_t start = keyEnd + 3;  // past `": `
        const std::size_t end = ValueEnd(json, start);
        members.push_back({key, json.substr(start, end - start)});
        i = end + 2;  // past `, `
    }
    return members;
}

bool HasType(const std::string& value, TJsonType type) {
    const char first = value.empty() ? ' ' : value[0];
    switch (type) {
        case TJsonType::kInteger:
            return value.find_first_not_of("-0123456789") == std::string::npos;
        case TJsonType::kNumber:
            return value.find_first_not_of("-0123456789.") == std::string::npos;
        case TJsonType::kString:
            return first == '"';
        case TJsonType::kBoolean:
            return value == "true" || value == "false";
        case TJsonType::kList:
            return first == '[';
        case TJsonType::kObject:
            break;
    }
    return first == '{';
}

// Every key the schema gives objects of `objects`, in its order, with a value of its type or
// null where the schema allows null; no other key.
void ExpectSchema(const std::string& json, unsigned objects) {
    SCOPED_TRACE(json);
    const Members members = TopLevel(json);
    const std::vector<const TJsonKey*> keys = JsonKeysOf(objects);
    ASSERT_EQ(members.size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(members[i].first, keys[i]->key);
        if (members[i].second == "null") {
            EXPECT_NE(keys[i]->null, nullptr) << keys[i]->key << " may not be null";
        } else {
            EXPECT_TRUE(HasType(members[i].second, keys[i]->type))
                << keys[i]->key << " is not " << JsonTypeName(keys[i]->type) << ": "
                << members[i].second;
        }
    }
}

TJobOutcome Fetched() {
    TJobOutcome fetched;
    fetched.command = "fetch";
    fetched.job = "fetch modules 1-5";
    fetched.run.result = 3;
    fetched.run.meaning = ResultMeaning(3);
    fetched.seconds = 9.25;
    fetched.records = 5;
    fetched.file = "C:\\work\\\"m\".dat";
    fetched.port = 3;
    fetched.portFrom = "--port";
    fetched.run.account = {"central fetch: 2 attempts"};
    fetched.run.repeats = 1;
    fetched.run.causeKnown = true;
    fetched.run.cause = TLineCause::kSilent;
    return fetched;
}

TEST(ZvtoolOutcome, JobObject) {
    EXPECT_EQ(
        JobJson(kFetchBit, Fetched()),
        "{\"version\": 2, \"command\": \"fetch\", \"exit\": 0, \"error\": null, "
        "\"job\": \"fetch modules 1-5\", \"result\": 3, \"meaning\": \"every requested "
        "record was fetched and written to \\\"fromZv.dat\\\"\", \"seconds\": 9.2, "
        "\"records\": 5, \"file\": \"C:\\\\work\\\\\\\"m\\\".dat\", \"partial\": false, "
        "\"failed_module\": null, \"port\": 3, \"port_from\": \"--port\", \"trace\": null, "
        "\"account\": [\"central fetch: 2 attempts\"], \"repeats\": 1, \"cause\": \"silent\", "
        "\"finishing\": null}");
    TJobOutcome refused;
    refused.command = "test";
    refused.job = "test";
    refused.end.Fail({69, "no driver", ""});
    refused.seconds = 0.04;
    EXPECT_EQ(JobJson(kTestBit, refused),
              "{\"version\": 2, \"command\": \"test\", \"exit\": 69, \"error\": \"no driver\", "
              "\"job\": \"test\", \"result\": null, \"meaning\": null, \"seconds\": 0.0, "
              "\"records\": null, \"file\": null, \"partial\": false, \"failed_module\": null, "
              "\"port\": null, \"port_from\": null, \"trace\": null, \"account\": [], "
              "\"repeats\": null, \"cause\": null, \"finishing\": null}");
}

// Every object zvtool writes holds to the schema table: each command's job outcome, the
// record-file and ledger findings, a bench unit's object.
TEST(ZvtoolOutcome, EveryObjectHoldsToTheSchema) {
    for (const TCommandRow& row : CommandRows()) {
        if (row.kind != TCommandKind::kDriverJob) {
            continue;
        }
        TJobOutcome outcome = Fetched();
        outcome.command = row.name;
        ExpectSchema(JobJson(row.bit, outcome), row.bit);
        TJobOutcome service = outcome;
        service.unitVersion = "3.7";
        service.fetched = 4;
        service.refused = {7, 9};
        service.keptAs = "pump-3@1";
        service.planned = true;
        service.plan = "send module 7 (1 record)";
        service.readBack = {true, 1, 0, {7}};
        service.summary = "sent, but not all read back the same";
        ExpectSchema(JobJson(row.bit, service), row.bit);
    }
    TCheckResult check;
    check.files.push_back({"a.dat", true, ReadRecordText("1,2,3")});
    ExpectSchema(CheckJson(check), kCheckBit);
    TShowResult show;
    show.file = {"a.dat", false, {}};
    ExpectSchema(ShowJson(show), kShowBit);
    TDiffResult diff;
    ExpectSchema(DiffJson(diff), kDiffBit);
    diff.compared = true;
    ExpectSchema(DiffJson(diff), kDiffBit);
    TSetResult set;
    set.file = "a.dat";
    ExpectSchema(SetJson(set), kSetBit);
    THistoryResult history;
    history.folder = "/ledger";
    history.entries.push_back({"pump-3@1", "/ledger/pump-3/x.dat", {}, {}, false});
    ExpectSchema(HistoryJson(history), kHistoryBit);
    TUnitsResult units;
    ExpectSchema(UnitsJson(units), kUnitsBit);
    TLedgerCheckResult checked;
    checked.problems = {"line 3 does not read"};
    ExpectSchema(LedgerCheckJson(checked), kLedgerBit);
    TLedgerShareResult shared;
    ExpectSchema(LedgerShareJson(shared, "share"), kLedgerBit);
    shared = {"/ledger", "/srv/l.git", "2.39.5", 4, 2, 1, 0, {}};
    ExpectSchema(LedgerShareJson(shared, "sync"), kLedgerBit);
    TUnitOutcome unit;
    unit.name = "bay1";
    unit.port = "/dev/ttyUSB0";
    ExpectSchema(OutcomeJson("fetch", unit), kBenchUnitObject);
    unit.exit = 4;
    unit.result = 4;
    unit.meaning = "the fetch failed";
    unit.json = "{\"version\": 2}";
    ExpectSchema(OutcomeJson("fetch", unit), kBenchUnitObject);
}

// A key means one thing with one type wherever it appears.
TEST(ZvtoolOutcome, OneTypeForEachKey) {
    const std::vector<TJsonKey>& schema = JsonSchema();
    for (std::size_t i = 0; i < schema.size(); ++i) {
        for (std::size_t j = i + 1; j < schema.size(); ++j) {
            EXPECT_NE(std::string(schema[i].key), schema[j].key) << "two rows for one key";
        }
        EXPECT_NE(schema[i].objects, 0u) << schema[i].key;
        EXPECT_GT(std::string(schema[i].meaning).size(), 4u) << schema[i].key;
    }
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
    std::string error;
    ASSERT_TRUE(WriteRecordFile("zvtool.dat", records, &error)) << error;
    EXPECT_EQ(ReadBytes("zvtool.dat"), ReadBytes(kFromZvFile));
    EXPECT_EQ(CountWholeRecords("zvtool.dat"), 3);
}

}  // namespace
