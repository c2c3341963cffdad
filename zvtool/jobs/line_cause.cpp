#include "zvtool/jobs/line_cause.h"

#include <string>

const char* StalledWords(TLineCause cause) {
    switch (cause) {
        case TLineCause::kRefused:
            return "the unit refuses";
        case TLineCause::kWrongReply:
            return "wrong replies come back";
        case TLineCause::kDamagedSent:
            return "requests arrive damaged";
        case TLineCause::kGarbled:
            return "replies arrive damaged";
        case TLineCause::kIntermittent:
            return "the unit answers at times";
        case TLineCause::kSilent:
        case TLineCause::kSound:
        case TLineCause::kNoLine:
            break;
    }
    return "the unit is not answering";
}

int RepeatSeconds(TLineCause cause) {
    switch (cause) {
        case TLineCause::kRefused:
        case TLineCause::kWrongReply:
        case TLineCause::kDamagedSent:
        case TLineCause::kGarbled:
            return 6;
        case TLineCause::kSilent:
        case TLineCause::kIntermittent:
        case TLineCause::kSound:
        case TLineCause::kNoLine:
            break;
    }
    return 10;
}

std::string RepeatsLine(int repeats, int exchanges, const std::string& advice) {
    std::string line = std::to_string(repeats) + (repeats == 1 ? " repeat in " : " repeats in ") +
                       std::to_string(exchanges) + (exchanges == 1 ? " exchange" : " exchanges") +
                       "; the line is weak";
    return advice.empty() ? line : line + ": " + advice;
}

const char* CauseName(TLineCause cause) {
    switch (cause) {
        case TLineCause::kSound:
            return "sound";
        case TLineCause::kRefused:
            return "refused";
        case TLineCause::kWrongReply:
            return "wrong-reply";
        case TLineCause::kDamagedSent:
            return "damaged-requests";
        case TLineCause::kGarbled:
            return "garbled";
        case TLineCause::kSilent:
            return "silent";
        case TLineCause::kIntermittent:
            return "intermittent";
        case TLineCause::kNoLine:
            break;
    }
    return "no-line";
}
