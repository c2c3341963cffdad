#pragma once
#include <cstddef>
#include <string>

// What the driver's trace says was wrong with the line, reduced to the cause a technician
// acts on: the advice of a failed job, the note of a job that got through only after
// repeats, and the progress line of a pass that takes long all name the same cause. Each
// cause is one row of a table (line_cause.cpp): the symptoms that point to it, its words
// and its cost; the functions below read that row.

enum class TLineCause {
    kSound,         // nothing went wrong
    kRefused,       // the unit answered and refused the request (a status byte)
    kWrongReply,    // another reply than the request calls for
    kDamagedSent,   // the unit says the requests arrive damaged
    kGarbled,       // replies arrive, damaged or cut short
    kSilent,        // not a byte came back
    kIntermittent,  // answers at times, silent at others
    kNoLine,        // the port could not be opened: no exchange took place
};
constexpr std::size_t kLineCauseCount = 8;

// What the driver saw go wrong in one attempt, as the trace's notes say it: silence, damage
// or a refusal. This is not the unit's fault (sim/unit.h's FrameFault): a late
// acknowledgement is seen as none, a truncated reply as a short one. In the order of the
// advice they call for, the most telling first.
enum class TSymptom {
    kRefused,
    kWrongReplyCode,
    kBadAck,
    kBadChecksum,
    kBadEndByte,
    kShortReply,
    kNoReply,
    kNoAck,
};
constexpr std::size_t kSymptomCount = 8;

// The cause of an exchange whose most telling symptom is `symptom`; `heard` says whether the
// driver read any byte in the run, which tells a silent line from one that falls silent.
TLineCause CauseOfSymptom(TSymptom symptom, bool heard);

// The cause as the JSON output names it: "sound", "refused", "wrong-reply",
// "damaged-requests", "garbled", "silent", "intermittent", "no-line".
const char* CauseName(TLineCause cause);

// The cause that `name` names (as CauseName gives it); false, and `cause` untouched, for a
// name that is none of them.
bool CauseFromName(const std::string& name, TLineCause* cause);

// The short words for the progress line of a pass that takes long: "the unit is not
// answering", "replies arrive damaged", ...; at most 26 characters, for the bar line.
const char* StalledWords(TLineCause cause);

// What one more attempt of an exchange that meets this costs, in whole seconds: about 10
// where the unit stays silent (three 1.6 s reads that time out, then the 5 s pause), about 6
// where something comes back (the answer, the 0.4 s flush, then the 5 s pause).
int RepeatSeconds(TLineCause cause);

// What to check on site for `cause`; "" for a sound line. `port` is the port the trace names
// ("" when it names none: "the port"), `status` the status byte of a refusal in hex.
std::string CauseAdvice(TLineCause cause, const std::string& port, const std::string& status);

// The note of a job that got through after repeats: "3 repeats in 200 exchanges; the line
// is weak: " and the advice.
std::string RepeatsLine(int repeats, int exchanges, const std::string& advice);
