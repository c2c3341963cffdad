// The rows of the fault matrix: the five jobs, the eight faults, and the cells they make.
#include "tests/faults/fault_model.h"

namespace faults {
namespace {

using drivertest::PcBytes;
using fake::PatternRecord;

constexpr char kFetchModuls[] =
    "TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=1\r\n"
    "GetFromModulNumber=3\r\nGetToModulNumber=5\r\n";
constexpr char kSendModuls[] =
    "TestMiniZvConnection=0\r\nGetData=0\r\nToZorvek=1\r\nSendNumberOfModuls=3\r\n";

constexpr std::uint64_t kRead = 1600;
constexpr std::uint64_t kFlush = 400;

// What the driver's trace says of the steps of a failed attempt.
constexpr char kNoAck[] = "no acknowledgement after 3 empty reads";
constexpr char kAcked[] = "acknowledged";
constexpr char kFlushed[] = "input flushed in 400 ms";

// Failed attempts in a row at one record: the unit recovers after one, two or four, or the
// request fails all five. The version query has one attempt only.
const std::vector<int> kRepeatedCounts = {1, 2, 4, 5};
const std::vector<int> kSingleCounts = {1};

// Status bytes the unit refuses a record with, per job.
std::vector<std::uint8_t> RefusalStatuses(Job job) {
    switch (job) {
        case Job::kSendCentral:
            return {1, 8, 0xFA};
        case Job::kSendModuls:
            return {8};
        case Job::kFetchCentral:
        case Job::kFetchModuls:
            return {1};
        case Job::kConnection:
            break;
    }
    return {};
}

std::string Position(const JobRow& row, std::size_t at) {
    if (row.records.size() == 1) {
        return "";
    }
    if (at == 0) {
        return "_First";
    }
    return at + 1 == row.records.size() ? "_Last" : "_Middle";
}

}  // namespace

const std::vector<JobRow>& Jobs() {
    static const std::vector<JobRow> rows = {
        {Job::kConnection, "Connection", "TestMiniZvConnection=1\r\n", {Bytes{}}, 1, 0},
        {Job::kFetchCentral,
         "FetchCentral",
         "TestMiniZvConnection=0\r\nGetData=1\r\nToZorvek=0\r\n",
         {PcBytes(0, PatternRecord(0))},
         5,
         3},
        {Job::kSendCentral,
         "SendCentral",
         "TestMiniZvConnection=0\r\nGetData=0\r\nToZorvek=0\r\n",
         {PcBytes(0, PatternRecord(60))},
         5,
         1},
        {Job::kFetchModuls,
         "FetchModuls",
         kFetchModuls,
         {PcBytes(3, PatternRecord(3)), PcBytes(4, PatternRecord(4)), PcBytes(5, PatternRecord(5))},
         5,
         3},
        {Job::kSendModuls,
         "SendModuls",
         kSendModuls,
         {PcBytes(17, PatternRecord(61)), PcBytes(4, PatternRecord(62)),
          PcBytes(kLastModul, PatternRecord(63))},
         5,
         1},
    };
    return rows;
}

// A late acknowledgement comes after the driver gave up; its stale bytes wait on the line and
// the next attempt's hunt passes over them. A truncated reply times out its one read of the
// frame's rest, then the flush waits out its 400 ms. The last column is what the driver saw,
// which is not always the unit's fault: a late acknowledgement is seen as none; then the
// cause the account names for it.
const std::vector<FaultRow>& Faults() {
    static const std::vector<FaultRow> rows = {
        // clang-format off
        {"NoAck", FrameFault::kNoAck, 3 * kRead, false, 2, {kNoAck}, "no acknowledgement",
            TLineCause::kSilent},
        {"LateAck", FrameFault::kLateAck, 3 * kRead, true, 2, {kNoAck}, "no acknowledgement",
            TLineCause::kSilent},
        {"BadAck", FrameFault::kBadAck, kFlush, false, 2, {"bad acknowledgement: code 02", kFlushed},
            "bad acknowledgement", TLineCause::kDamagedSent},
        {"NoReply", FrameFault::kNoReply, 5 * kRead, true, 4, {kAcked, "no reply after 5 empty"},
            "no reply", TLineCause::kIntermittent},
        {"WrongReply", FrameFault::kWrongReply, 0, true, 4,
            {kAcked, "reply frame good", "reply rejected: wrong reply code"}, "wrong reply code",
            TLineCause::kWrongReply},
        {"DamageReply", FrameFault::kDamageReply, kFlush, true, 4,
            {kAcked, "reply rejected: bad checksum", kFlushed}, "bad checksum", TLineCause::kGarbled},
        {"BadEndByte", FrameFault::kBadEndByte, kFlush, true, 4,
            {kAcked, "reply rejected: bad end byte 54", kFlushed}, "bad end byte",
            TLineCause::kGarbled},
        {"TruncateReply", FrameFault::kTruncateReply, kRead + kFlush, true, 4,
            {kAcked, "reply rejected: short", kFlushed}, "short reply", TLineCause::kGarbled},
        // clang-format on
    };
    return rows;
}

std::vector<Cell> AllCells() {
    std::vector<Cell> cells;
    for (const bool stray : {false, true}) {
        const std::string suffix = stray ? "_Stray" : "";
        for (const JobRow& row : Jobs()) {
            const std::string job = row.name;
            cells.push_back({job + "_Clean" + suffix, &row, nullptr, 0, 0, 0, stray});
            const auto& counts = row.attempts > 1 ? kRepeatedCounts : kSingleCounts;
            for (const FaultRow& fault : Faults()) {
                for (const int failed : counts) {
                    for (std::size_t at = 0; at < row.records.size(); ++at) {
                        cells.push_back({job + "_" + fault.name + "_x" + std::to_string(failed) +
                                             Position(row, at) + suffix,
                                         &row, &fault, failed, at, 0, stray});
                    }
                }
            }
            for (const std::uint8_t status : RefusalStatuses(row.job)) {
                for (std::size_t at = 0; at < row.records.size(); ++at) {
                    cells.push_back(
                        {job + "_Status" + std::to_string(status) + Position(row, at) + suffix,
                         &row, nullptr, 0, at, status, stray});
                }
            }
        }
    }
    return cells;
}

}  // namespace faults
