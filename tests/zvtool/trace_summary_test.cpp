// The account of a run that zvtool gives from the driver's trace: traces laid out as the
// driver writes them, and the lines a technician must find in the account.
#include "zvtool/jobs/trace_summary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kHead =
    "       0 ms -- zordrive 1.0.0, run started 2026-12-08 22:32:24\n"
    "       0 ms -- port COM3 (Comport setting)\n";

// One attempt each, up to its end; Attempts() numbers them.
const char kNoAck[] =
    "  10 ms -- module 7 fetch (request 7): attempt 1 of 5\n"
    "1660 ms rx (0 of 1 in 1600 ms: time-out)\n"
    "4860 ms -- no acknowledgement after 3 empty reads\n";
const char kChecksum[] =
    "  10 ms -- module 7 fetch (request 7): attempt 1 of 5\n"
    "  60 ms rx AA 02 01 03 00 55 (6 of 6 in 0 ms)\n"
    "  61 ms -- reply rejected: bad checksum F9 2B (summed F8 2B)\n";
const char kGood[] =
    "  10 ms -- module 7 fetch (request 7): attempt 1 of 5\n"
    "  60 ms rx AA 03 01 04 00 55 (6 of 6 in 0 ms)\n"
    "  61 ms -- reply accepted: status byte 00\n";
const char kRefused[] =
    "  10 ms -- module 9 fetch (request 7): attempt 1 of 5\n"
    "  60 ms rx AA 04 01 05 00 55 (6 of 6 in 0 ms)\n"
    "  61 ms -- reply accepted: status byte 01\n";
const char kShort[] =
    "  10 ms -- central send (request 5): attempt 1 of 5\n"
    "  61 ms -- reply rejected: short, 3 of 6 bytes after the start byte\n";
const char kWrongCode[] =
    "  10 ms -- version query (request 1): attempt 1 of 1\n"
    "  61 ms -- reply rejected: wrong reply code 4 (want 2)\n";
const char kBadEnd[] =
    "  10 ms -- central fetch (request 3): attempt 1 of 5\n"
    "  60 ms rx AA 01 (2 of 2 in 0 ms)\n"
    "  61 ms -- acknowledged\n"
    "  62 ms -- reply rejected: bad end byte 54\n";
const char kNoReply[] =
    "  10 ms -- central fetch (request 3): attempt 1 of 5\n"
    "  60 ms rx AA 01 (2 of 2 in 0 ms)\n"
    "  61 ms -- acknowledged\n"
    "8061 ms -- no reply after 5 empty reads\n";
const char kBadAck[] =
    "  10 ms -- module 17 send (request 9): attempt 1 of 5\n"
    "  60 ms -- bad acknowledgement: code 02, checksum 03 00 (want 02 00), end 55\n";

std::string Attempts(const std::vector<const char*>& attempts) {
    std::string all;
    for (std::size_t i = 0; i < attempts.size(); ++i) {
        std::string attempt = attempts[i];
        all += attempt.replace(attempt.find("attempt 1"), 9, "attempt " + std::to_string(i + 1));
    }
    return all;
}

std::string Times(const char* attempt, std::size_t n) {
    return Attempts(std::vector<const char*>(n, attempt));
}

std::string Result(int code) {
    return "9999 ms -- result " + std::to_string(code) + ": what it means\n";
}

// What to check, word for word as a technician reads it.
const char kSilentCom3[] =
    "the line is silent: check that COM3 is the port the unit is connected to, the cable and its "
    "plugs, and that the unit is switched on";
const char kGarbled[] =
    "the line is answering but garbling replies: check the cable and its earthing, and keep it "
    "away from mains and motor cables";
const char kFellSilent[] =
    "the unit answered at times and fell silent at others: check the unit's power supply and the "
    "cable's plugs";
const char kWrongReply[] =
    "the unit answers with another reply than the request calls for: check that the unit is the "
    "model this driver serves and that no other device shares the line";
const char kDamagedRequests[] =
    "the unit receives the requests damaged and says so: check the cable, its earthing and its "
    "length, and the line settings (2400 baud, 8N1) of any converter";
const char kRefused01[] =
    "the unit refused the request with status byte 01: check that the unit holds this record and "
    "accepts it (the unit's manual gives the meaning of its status bytes)";
const char kNoCom3[] = "check that COM3 exists and that no other program holds it";

std::string Weak(const char* repeats, const char* advice) {
    return std::string(repeats) + "; the line is weak: " + advice;
}

struct Row {
    const char* name;
    std::string trace;
    bool finished;
    int result;
    TLineCause cause;
    int repeats;
    std::vector<std::string> lines;  // the whole account, in order
};

const Row kRows[] = {
    {"silent line",
     kHead + Times(kNoAck, 5) + Result(4),
     true,
     4,
     TLineCause::kSilent,
     4,
     {"module 7 fetch: 5 attempts, failed: 5 x no acknowledgement", kSilentCom3}},
    {"garbled replies",
     kHead + Attempts({kNoAck, kNoAck, kNoAck, kChecksum, kChecksum}) + Result(4),
     true,
     4,
     TLineCause::kGarbled,
     4,
     {"module 7 fetch: 5 attempts, failed: 2 x bad checksum, 3 x no acknowledgement", kGarbled}},
    {"garbled after silence",
     kHead + Attempts({kNoAck, kChecksum, kChecksum}) + Result(4),
     true,
     4,
     TLineCause::kGarbled,
     2,
     {"module 7 fetch: 3 attempts, failed: 2 x bad checksum, 1 x no acknowledgement", kGarbled}},
    {"fell silent",
     kHead + kRefused + Times(kNoAck, 5) + Result(4),
     true,
     4,
     TLineCause::kIntermittent,
     4,
     {"module 9 fetch: 1 attempt, failed: 1 x refused with status byte 01",
      "module 7 fetch: 5 attempts, failed: 5 x no acknowledgement", kFellSilent}},
    {"short reply",
     kHead + Times(kShort, 5) + Result(4),
     true,
     4,
     TLineCause::kGarbled,
     4,
     {"central send: 5 attempts, failed: 5 x short reply", kGarbled}},
    {"bad end byte",
     kHead + Attempts({kNoReply, kBadEnd}) + Result(4),
     true,
     4,
     TLineCause::kGarbled,
     1,
     {"central fetch: 2 attempts, failed: 1 x bad end byte, 1 x no reply", kGarbled}},
    // Acknowledged but never answered: the unit is heard, so it fell silent.
    {"no reply",
     kHead + Times(kNoReply, 5) + Result(4),
     true,
     4,
     TLineCause::kIntermittent,
     4,
     {"central fetch: 5 attempts, failed: 5 x no reply", kFellSilent}},
    {"wrong reply code",
     kHead + kWrongCode + Result(4),
     true,
     4,
     TLineCause::kWrongReply,
     0,
     {"version query: 1 attempt, failed: 1 x wrong reply code", kWrongReply}},
    {"bad acknowledgements",
     kHead + Times(kBadAck, 5) + Result(2),
     true,
     2,
     TLineCause::kDamagedSent,
     4,
     {"module 17 send: 5 attempts, failed: 5 x bad acknowledgement", kDamagedRequests}},
    {"refused",
     kHead + kGood + kRefused + Result(4),
     true,
     4,
     TLineCause::kRefused,
     0,
     {"module 9 fetch: 1 attempt, failed: 1 x refused with status byte 01", kRefused01}},
    {"repeats on the way",
     kHead + Attempts({kNoAck, kGood}) + Result(3),
     true,
     3,
     TLineCause::kIntermittent,
     1,
     {"module 7 fetch: 2 attempts, failed: 1 x no acknowledgement",
      Weak("1 repeat in 1 exchange", kFellSilent)}},
    {"repeats after a good exchange",
     kHead + kGood + Attempts({kNoAck, kNoAck, kGood}) + Result(3),
     true,
     3,
     TLineCause::kIntermittent,
     2,
     {"module 7 fetch: 3 attempts, failed: 2 x no acknowledgement",
      Weak("2 repeats in 2 exchanges", kFellSilent)}},
    {"port", kHead + Result(5), true, 5, TLineCause::kNoLine, 0, {kNoCom3}},
    // The line is sound and the job failed for its result's reason: nothing to tell.
    {"file failure", kHead + kGood + Result(10), true, 10, TLineCause::kSound, 0, {}},
    {"clean", kHead + kGood + Result(3), true, 3, TLineCause::kSound, 0, {}},
    // The last run is told, not the one before it.
    {"two runs",
     kHead + Times(kNoAck, 5) + Result(4) + kHead + kGood + Result(3),
     true,
     3,
     TLineCause::kSound,
     0,
     {}},
    {"cut off",
     kHead + kNoAck,
     false,
     -1,
     TLineCause::kSilent,
     0,
     {"module 7 fetch: 1 attempt, failed: 1 x no acknowledgement",
      "the run did not finish: the trace ends without a result", kSilentCom3}},
    {"no run", "", false, -1, TLineCause::kSound, 0, {"the trace holds no run"}},
};

void ExpectAccount(const Row& row, const TTraceAccount& account, const char* ends) {
    EXPECT_EQ(account.finished, row.finished) << row.name << ends;
    EXPECT_EQ(account.result, row.result) << row.name << ends;
    EXPECT_EQ(account.cause, row.cause) << row.name << ends;
    EXPECT_EQ(account.repeats, row.repeats) << row.name << ends;
    EXPECT_EQ(account.lines, row.lines) << row.name << ends;
}

// Each exchange that failed an attempt, what went wrong, what to check; the cause that the
// advice, the repeats note and the progress line name; the repeats of a job that got through.
TEST(TraceSummary, TellsWhatFailedAndWhatToCheck) {
    for (const Row& row : kRows) {
        ExpectAccount(row, AccountOfTrace(row.trace), "");
    }
}

// A trace with CR LF line ends reads as one with LF, a lone CR at its end too.
TEST(TraceSummary, ReadsCrLfLineEnds) {
    for (const Row& row : kRows) {
        std::string trace;
        for (const char c : row.trace) {
            trace += c == '\n' ? "\r\n" : std::string(1, c);
        }
        ExpectAccount(row, AccountOfTrace(trace + "\r"), " (CR LF)");
    }
}

// While a pass takes long, what its exchange has met so far.
TEST(TraceSummary, CauseOfTheExchangeUnderWay) {
    EXPECT_EQ(CurrentCause(kHead + "  10 ms -- module 7 fetch (request 7): attempt 1 of 5\n"),
              TLineCause::kSilent);
    EXPECT_EQ(CurrentCause(kHead + Attempts({kChecksum, kChecksum})), TLineCause::kGarbled);
    EXPECT_EQ(CurrentCause(kHead + kRefused), TLineCause::kRefused);
    EXPECT_EQ(CurrentCause(kHead + kGood + Times(kNoAck, 2)), TLineCause::kIntermittent);
}

}  // namespace
