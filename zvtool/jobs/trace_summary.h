#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/line_cause.h"

// The account of a run from the driver's trace (the file ZORDRIVE_TRACE names), for a
// technician and for zvtool's JSON: each exchange that needed more than one attempt or
// failed, what went wrong in its attempts, and what to check on site. Of a file that several
// runs appended to, the last run is told. For example, the lines
//   module 7 fetch: 5 attempts, failed: 2 x bad checksum, 3 x no acknowledgement
//   the line is answering but garbling replies: check the cable and its earthing, ...
struct TTraceAccount {
    bool finished = false;  // the trace holds a whole run, up to its result
    int result = -1;        // the result the trace gives
    // Each exchange that had a failed attempt, then what to check (or, when the job got
    // through, how many repeats it needed and what to check); without the result line.
    std::vector<std::string> lines;
    int exchanges = 0;
    int repeats = 0;  // attempts beyond each exchange's first
    TLineCause cause = TLineCause::kSound;
    std::string advice;  // what to check for `cause`; "" when there is nothing to check
};
TTraceAccount AccountOfTrace(const std::string& traceText);

// What the exchange under way has met so far, for a pass that takes long: kSilent while
// it still waits for its first answer.
TLineCause CurrentCause(const std::string& traceText);
