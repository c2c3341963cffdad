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

struct Row {
    const char* name;
    std::string trace;
    std::vector<const char*> want;  // parts of the account, in order
};

const Row kRows[] = {
    {"silent line",
     kHead + Times(kNoAck, 5) + Result(4),
     {"result 4: what it means\n", "module 7 fetch: 5 attempts, failed: 5 x no acknowledgement\n",
      "the line is silent: check that COM3 is the port"}},
    {"garbled replies",
     kHead + Attempts({kNoAck, kNoAck, kNoAck, kChecksum, kChecksum}) + Result(4),
     {"module 7 fetch: 5 attempts, failed: 2 x bad checksum, 3 x no acknowledgement\n",
      "garbling replies: check the cable and its earthing"}},
    {"fell silent",
     kHead + kRefused + Times(kNoAck, 5) + Result(4),
     {"module 9 fetch: 1 attempt, failed: 1 x refused with status byte 01\n",
      "module 7 fetch: 5 attempts", "answered at times and fell silent"}},
    {"short reply",
     kHead + Times(kShort, 5) + Result(4),
     {"central send: 5 attempts, failed: 5 x short reply\n", "garbling replies"}},
    {"wrong reply code",
     kHead + kWrongCode + Result(4),
     {"version query: 1 attempt, failed: 1 x wrong reply code\n", "another reply"}},
    {"bad acknowledgements",
     kHead + Times(kBadAck, 5) + Result(2),
     {"5 x bad acknowledgement\n", "receives the requests damaged"}},
    {"refused",
     kHead + kGood + kRefused + Result(4),
     {"module 9 fetch: 1 attempt, failed: 1 x refused with status byte 01\n",
      "refused the request with status byte 01"}},
    {"repeats on the way",
     kHead + Attempts({kNoAck, kGood}) + Result(3),
     {"module 7 fetch: 2 attempts, failed: 1 x no acknowledgement\n", "got through, but"}},
    {"port", kHead + Result(5), {"result 5", "that COM3 exists"}},
    {"file failure", kHead + kGood + Result(10), {"result 10", "the line is sound"}},
    {"two runs",
     kHead + Times(kNoAck, 5) + Result(4) + kHead + kGood + Result(3),
     {"result 3: what it means\n"}},
    {"cut off", kHead + kNoAck, {"the run did not finish"}},
    {"no run", "", {"the trace holds no run"}},
};

TEST(TraceSummary, TellsWhatFailedAndWhatToCheck) {
    for (const Row& row : kRows) {
        const std::string account = SummariseTrace(row.trace);
        std::size_t at = 0;
        for (const char* part : row.want) {
            at = account.find(part, at);
            EXPECT_NE(at, std::string::npos) << row.name << ": no \"" << part << "\" in\n"
                                             << account;
        }
    }
}

// A clean run says nothing beyond its result, with LF or CR LF line ends.
TEST(TraceSummary, CleanRunIsOneLine) {
    std::string trace = kHead + kGood + Result(3);
    EXPECT_EQ(SummariseTrace(trace), "result 3: what it means\n");
    trace.replace(trace.find('\n'), 1, "\r\n");
    EXPECT_EQ(SummariseTrace(trace + "\r"), "result 3: what it means\n");
}

// The account in parts: the cause that the advice, the repeats note and the progress line
// name, and the repeats of a job that got through.
TEST(TraceSummary, CauseAndRepeats) {
    struct CauseRow {
        const char* name;
        std::string trace;
        TLineCause cause;
        int repeats;
        const char* last;  // the last line of the account
    };
    const CauseRow rows[] = {
        {"silent", kHead + Times(kNoAck, 5) + Result(4), TLineCause::kSilent, 4,
         "the line is silent: check that COM3"},
        {"refused", kHead + kGood + kRefused + Result(4), TLineCause::kRefused, 0,
         "the unit refused the request with status byte 01"},
        {"garbled", kHead + Attempts({kNoAck, kChecksum, kChecksum}) + Result(4),
         TLineCause::kGarbled, 2, "garbling replies"},
        {"requests damaged", kHead + Times(kBadAck, 5) + Result(2), TLineCause::kDamagedSent, 4,
         "receives the requests damaged"},
        {"wrong unit", kHead + kWrongCode + Result(4), TLineCause::kWrongReply, 0, "another reply"},
        {"repeats", kHead + kGood + Attempts({kNoAck, kNoAck, kGood}) + Result(3),
         TLineCause::kIntermittent, 2,
         "2 repeats in 2 exchanges; the line is weak: the unit answered at times"},
        {"port", kHead + Result(5), TLineCause::kNoLine, 0, "check that COM3 exists"},
        {"clean", kHead + kGood + Result(3), TLineCause::kSound, 0, nullptr},
    };
    for (const CauseRow& row : rows) {
        const TTraceAccount account = AccountOfTrace(row.trace);
        EXPECT_TRUE(account.finished) << row.name;
        EXPECT_EQ(account.cause, row.cause) << row.name;
        EXPECT_EQ(account.repeats, row.repeats) << row.name;
        if (row.last == nullptr) {
            EXPECT_TRUE(account.lines.empty()) << row.name;
        } else {
            ASSERT_FALSE(account.lines.empty()) << row.name;
            EXPECT_NE(account.lines.back().find(row.last), std::string::npos)
                << row.name << ": " << account.lines.back();
        }
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
