#include "zvtool/jobs/line_cause.h"

#include <cstddef>
#include <initializer_list>
#include <string>

namespace {

// Whether a cause asks that the driver read a byte in the run: no answer to an exchange
// means a silent line when nothing ever came back, else a unit that falls silent at times.
enum class THeard { kEither, kNothing, kSomething };

struct TCauseRow {
    TLineCause cause;
    unsigned symptoms;  // the symptoms that point to it, one bit each (see Of)
    THeard heard;
    const char* stalled;  // the progress line's words
    const char* advice;   // "{port}" and "{status}" are filled in
    int repeatSeconds;
    const char* name;  // in the JSON output
};

constexpr unsigned Bit(TSymptom symptom) {
    return 1u << static_cast<unsigned>(symptom);
}

constexpr unsigned Of(std::initializer_list<TSymptom> symptoms) {
    unsigned bits = 0;
    for (const TSymptom symptom : symptoms) {
        bits |= Bit(symptom);
    }
    return bits;
}

using S = TSymptom;
using C = TLineCause;

// One row per cause, in the order of TLineCause. A sound line has no symptom; no line is
// told by the result (the port could not be opened), not by a symptom.
// clang-format off
constexpr TCauseRow kCauses[] = {
    {C::kSound, 0, THeard::kEither,
     "the unit is not answering", "", 10, "sound"},
    {C::kRefused, Of({S::kRefused}), THeard::kEither,
     "the unit refuses",
     "the unit refused the request with status byte {status}: check that the unit holds this "
     "record and accepts it (the unit's manual gives the meaning of its status bytes)",
     6, "refused"},
    {C::kWrongReply, Of({S::kWrongReplyCode}), THeard::kEither,
     "wrong replies come back",
     "the unit answers with another reply than the request calls for: check that the unit is "
     "the model this driver serves and that no other device shares the line",
     6, "wrong-reply"},
    {C::kDamagedSent, Of({S::kBadAck}), THeard::kEither,
     "requests arrive damaged",
     "the unit receives the requests damaged and says so: check the cable, its earthing and "
     "its length, and the line settings (2400 baud, 8N1) of any converter",
     6, "damaged-requests"},
    {C::kGarbled, Of({S::kBadChecksum, S::kBadEndByte, S::kShortReply}), THeard::kEither,
     "replies arrive damaged",
     "the line is answering but garbling replies: check the cable and its earthing, and keep "
     "it away from mains and motor cables",
     6, "garbled"},
    {C::kSilent, Of({S::kNoReply, S::kNoAck}), THeard::kNothing,
     "the unit is not answering",
     "the line is silent: check that {port} is the port the unit is connected to, the cable "
     "and its plugs, and that the unit is switched on",
     10, "silent"},
    {C::kIntermittent, Of({S::kNoReply, S::kNoAck}), THeard::kSomething,
     "the unit answers at times",
     "the unit answered at times and fell silent at others: check the unit's power supply and "
     "the cable's plugs",
     10, "intermittent"},
    {C::kNoLine, 0, THeard::kEither,
     "the unit is not answering",
     "check that {port} exists and that no other program holds it",
     10, "no-line"},
};
// clang-format on

static_assert(sizeof(kCauses) / sizeof(kCauses[0]) == kLineCauseCount, "a row per cause");

constexpr bool Matches(const TCauseRow& row, TSymptom symptom, bool heard) {
    return (row.symptoms & Bit(symptom)) != 0 &&
           (row.heard == THeard::kEither || (row.heard == THeard::kSomething) == heard);
}

// Row i is cause i, and every symptom, heard or not, points to exactly one cause.
constexpr bool TableIsWhole() {
    for (std::size_t i = 0; i < kLineCauseCount; ++i) {
        if (static_cast<std::size_t>(kCauses[i].cause) != i) {
            return false;
        }
    }
    for (std::size_t s = 0; s < kSymptomCount; ++s) {
        for (const bool heard : {false, true}) {
            int rows = 0;
            for (const TCauseRow& row : kCauses) {
                rows += Matches(row, static_cast<TSymptom>(s), heard) ? 1 : 0;
            }
            if (rows != 1) {
                return false;
            }
        }
    }
    return true;
}
static_assert(TableIsWhole(), "rows in the order of TLineCause, one cause per symptom");

const TCauseRow& Row(TLineCause cause) {
    return kCauses[static_cast<std::size_t>(cause)];
}

void Fill(std::string& text, const char* placeholder, const std::string& value) {
    const std::string key = placeholder;
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
}

}  // namespace

TLineCause CauseOfSymptom(TSymptom symptom, bool heard) {
    for (const TCauseRow& row : kCauses) {
        if (Matches(row, symptom, heard)) {
            return row.cause;
        }
    }
    return TLineCause::kSound;  // not reached: TableIsWhole
}

const char* CauseName(TLineCause cause) {
    return Row(cause).name;
}

bool CauseFromName(const std::string& name, TLineCause* cause) {
    for (const TCauseRow& row : kCauses) {
        if (name == row.name) {
            *cause = row.cause;
            return true;
        }
    }
    return false;
}

const char* StalledWords(TLineCause cause) {
    return Row(cause).stalled;
}

int RepeatSeconds(TLineCause cause) {
    return Row(cause).repeatSeconds;
}

std::string CauseAdvice(TLineCause cause, const std::string& port, const std::string& status) {
    std::string advice = Row(cause).advice;
    Fill(advice, "{port}", port.empty() ? std::string("the port") : port);
    Fill(advice, "{status}", status);
    return advice;
}

std::string RepeatsLine(int repeats, int exchanges, const std::string& advice) {
    std::string line = std::to_string(repeats) + (repeats == 1 ? " repeat in " : " repeats in ") +
                       std::to_string(exchanges) + (exchanges == 1 ? " exchange" : " exchanges") +
                       "; the line is weak";
    return advice.empty() ? line : line + ": " + advice;
}
