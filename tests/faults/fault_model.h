#pragma once
// The fault matrix: every job against every way the unit can fail, at every record it moves,
// for every number of failed attempts, with and without stray bytes on the line; and what a
// host and the unit must see in each cell. The expectations come from the protocol's fixed
// costs (the wake pause, the read time-outs, the 5000 ms retry pause, the 1100 ms pass pause)
// and from the rule that a request acknowledged with code 1 is carried out.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/driver/driver_env.h"
#include "zvtool/jobs/line_cause.h"

namespace faults {

using drivertest::Bytes;
using drivertest::Pauses;

enum class Job { kConnection, kFetchCentral, kSendCentral, kFetchModuls, kSendModuls };

struct JobRow {
    Job job;
    const char* name;
    const char* settings;
    // The PC records the job moves, in order: what the unit holds for a fetch, what
    // "ToZv.dat" holds for a send; one empty entry for the connection test.
    std::vector<Bytes> records;
    int attempts;  // transmissions of one request: 1 for the version query, else 5
    int success;   // the result of a clean run
};

// What the unit does wrong, and what one failed attempt of that kind costs.
struct FaultRow {
    const char* name;
    FrameFault fault;
    std::uint64_t readMs;            // spent reading: hunting for the answer, then any flush
    bool carriedOut;                 // acknowledged with code 1, so a send is stored all the same
    int linkCode;                    // what the connection test and the send jobs report: 2 or 4
    std::vector<const char*> notes;  // what the driver's trace says of one failed attempt
    const char* seen;                // what zvtool's account of the trace counts it as
    // The cause the account names; kSilent only where the unit answered nothing else in the
    // run, else it fell silent at times (kIntermittent).
    TLineCause cause;
};

struct Cell {
    std::string name;
    const JobRow* job;
    const FaultRow* fault;  // none: the record is refused, or nothing goes wrong
    int failed;             // failed attempts in a row at record `at`
    std::size_t at;         // the record that meets the fault or the refusal
    std::uint8_t status;    // non-zero: the unit refuses record `at` with this status byte
    bool stray;             // junk before every acknowledgement and every reply
};

// What the host and the unit see after the run.
struct Outcome {
    int result = 0;
    std::vector<int> passes;                   // the numbers the module jobs showed
    std::optional<std::vector<Bytes>> fromZv;  // none: the run makes no "fromZv.dat"
    std::vector<Bytes> requests;               // request packets, in order
    std::vector<Bytes> stored;                 // records the unit stored, as PC records
    Pauses pauses;
    std::uint64_t endMs = 0;
    // The trace's notes from the first pass or attempt on, in order; each must hold its entry.
    std::vector<std::string> notes;
};

inline bool IsFetch(Job job) {
    return job == Job::kFetchCentral || job == Job::kFetchModuls;
}
inline bool IsSend(Job job) {
    return job == Job::kSendCentral || job == Job::kSendModuls;
}
inline bool IsModulJob(Job job) {
    return job == Job::kFetchModuls || job == Job::kSendModuls;
}

// The request packet that moves record `i` of the job.
inline Bytes RequestFor(const JobRow& row, std::size_t i) {
    const Bytes& record = row.records[i];
    switch (row.job) {
        case Job::kConnection:
            return {1, 0};
        case Job::kFetchCentral:
            return {3, 0};
        case Job::kFetchModuls:
            return {7, record[0]};
        case Job::kSendCentral: {
            Bytes packet{5, 0};  // "IgnoreMutBlock" is not set
            packet.insert(packet.end(), record.begin() + 1, record.end());
            return packet;
        }
        case Job::kSendModuls: {
            Bytes packet{9};
            packet.insert(packet.end(), record.begin(), record.end());
            return packet;
        }
    }
    return {};
}

// The request code and module that a refusal of record `i` is tied to (fake::SetUnitStatus).
inline std::pair<std::uint8_t, int> RefusalKey(const JobRow& row, std::size_t i) {
    const Bytes request = RequestFor(row, i);
    return {request[0], IsModulJob(row.job) ? request[1] : fake::kAnyModul};
}

// The number a module job shows for record `i`: the module number when fetching, the
// ordinal when sending.
inline int PassNumber(const JobRow& row, std::size_t i) {
    return row.job == Job::kFetchModuls ? row.records[i][0] : static_cast<int>(i) + 1;
}

inline int RefusalResult(Job job, std::uint8_t status) {
    if (IsFetch(job)) {
        return 4;
    }
    if (job == Job::kSendCentral && status == 8) {
        return 6;
    }
    if (job == Job::kSendCentral && status == 0xFA) {
        return 11;
    }
    return 2;
}

// A status byte as the trace writes it: two upper-case hex digits.
inline std::string HexByte(std::uint8_t byte) {
    return {"0123456789ABCDEF"[byte / 16], "0123456789ABCDEF"[byte % 16]};
}

// What a run of `cell` must leave, record by record and attempt by attempt: a failed attempt
// costs its wake pause, its reads and (where requests repeat) the retry pause; a module job
// pauses after each pass that moved its record, and the send job's passes after a failure
// run idle.
inline Outcome Expect(const Cell& cell) {
    using namespace drivertest;
    const JobRow& row = *cell.job;
    const bool moduls = IsModulJob(row.job);
    const bool repeats = row.attempts > 1;
    const auto attempt = [&row](int a) {
        return "attempt " + std::to_string(a) + " of " + std::to_string(row.attempts);
    };
    const std::string passPause = "pause 1100 ms after the pass";
    Outcome out;
    out.result = row.success;
    if (IsFetch(row.job)) {
        out.fromZv = std::vector<Bytes>{};
    }
    bool idle = false;  // the send-module job runs its remaining passes without traffic
    for (std::size_t i = 0; i < row.records.size(); ++i) {
        if (moduls) {
            out.passes.push_back(PassNumber(row, i));
            out.notes.push_back("pass " + std::to_string(i + 1) + " of " +
                                std::to_string(row.records.size()));
        }
        if (idle) {
            out.notes.push_back(passPause);
            out.pauses = out.pauses + kIdlePass;
            out.endMs += kPassPause;
            continue;
        }
        const int failed = i == cell.at && cell.fault != nullptr ? cell.failed : 0;
        for (int a = 0; a < std::min(failed, row.attempts); ++a) {
            out.requests.push_back(RequestFor(row, i));
            out.notes.push_back(attempt(a + 1));
            out.notes.insert(out.notes.end(), cell.fault->notes.begin(), cell.fault->notes.end());
            if (repeats) {
                out.notes.push_back("pause 5000 ms after attempt " + std::to_string(a + 1));
            }
            if (IsSend(row.job) && cell.fault->carriedOut) {
                out.stored.push_back(row.records[i]);
            }
            out.pauses = out.pauses + (repeats ? kFailedAttempt : Pauses{kWakePause});
            out.endMs += kWakePause + cell.fault->readMs + (repeats ? kRetryPause : 0);
        }
        if (failed >= row.attempts) {
            out.result = IsFetch(row.job) ? 4 : cell.fault->linkCode;
            if (row.job != Job::kSendModuls) {
                break;
            }
            idle = true;
            out.notes.push_back(passPause);
            out.pauses = out.pauses + kIdlePass;
            out.endMs += kPassPause;
            continue;
        }
        out.requests.push_back(RequestFor(row, i));
        out.notes.insert(out.notes.end(),
                         {attempt(failed + 1), "acknowledged", "reply frame good",
                          i == cell.at && cell.status != 0
                              ? "reply accepted: status byte " + HexByte(cell.status)
                              : "reply accepted"});
        out.pauses = out.pauses + Pauses{kWakePause};
        out.endMs += kWakePause;
        if (i == cell.at && cell.status != 0) {
            out.result = RefusalResult(row.job, cell.status);
            break;
        }
        if (IsSend(row.job)) {
            out.stored.push_back(row.records[i]);
        }
        if (out.fromZv) {
            out.fromZv->push_back(row.records[i]);
        }
        if (moduls) {
            out.notes.push_back(passPause);
            out.pauses.push_back(kPassPause);
            out.endMs += kPassPause;
        }
    }
    out.notes.push_back("result " + std::to_string(out.result));
    return out;
}

// "fromZv.dat" as the writer lays it out: a record's numbers joined by ", " while the next
// number and its comma still fit in 80 characters, a full line ending in "," CR LF, records
// separated by "," CR LF, nothing after the last number.
inline std::string SetupFileText(const std::vector<Bytes>& records) {
    std::string text;
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (r != 0) {
            text += ",\r\n";
        }
        std::string line = std::to_string(records[r][0]);
        for (std::size_t k = 1; k < records[r].size(); ++k) {
            line += ",";
            if (line.size() + 4 < 80) {
                line += " ";
            } else {
                text += line + "\r\n";
                line.clear();
            }
            line += std::to_string(records[r][k]);
        }
        text += line;
    }
    return text;
}

// "zordOUT.INI" after a run that marked itself running and finished with `out.result`.
inline std::string StatusFileText(const Outcome& out) {
    std::string lines = "ZorVekDriverRunning=0\r\n";
    if (!out.passes.empty()) {
        lines += "NowTransferingNo=" + std::to_string(out.passes.back()) + "\r\n";
    }
    return SectionWith(lines + "ComStatus=" + std::to_string(out.result) + "\r\n");
}

const std::vector<JobRow>& Jobs();
const std::vector<FaultRow>& Faults();
std::vector<Cell> AllCells();

}  // namespace faults
