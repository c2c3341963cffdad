#pragma once
#include <string>

// What the driver's trace says was wrong with the line, reduced to the cause a technician
// acts on: the advice of a failed job, the note of a job that got through only after
// repeats, and the progress line of a pass that takes long all name the same cause.

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

// The cause as the JSON output names it: "sound", "refused", "wrong-reply",
// "damaged-requests", "garbled", "silent", "intermittent", "no-line".
const char* CauseName(TLineCause cause);

// The short words for the progress line of a pass that takes long: "the unit is not
// answering", "replies arrive damaged", ...; at most 26 characters, for the bar line.
const char* StalledWords(TLineCause cause);

// What one more attempt of an exchange that meets this costs, in whole seconds: about 10
// where the unit stays silent (three 1.6 s reads that time out, then the 5 s pause), about 6
// where something comes back (the answer, the 0.4 s flush, then the 5 s pause).
int RepeatSeconds(TLineCause cause);

// The note of a job that got through after repeats: "3 repeats in 200 exchanges; the line
// is weak: " and the advice.
std::string RepeatsLine(int repeats, int exchanges, const std::string& advice);
