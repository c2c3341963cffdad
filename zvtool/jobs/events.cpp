#include "zvtool/jobs/events.h"

const char* PhaseName(TPhase phase) {
    switch (phase) {
        case TPhase::kTesting:
            return "testing the link";
        case TPhase::kFetching:
            return "fetching";
        case TPhase::kCopying:
            return "copying the unit";
        case TPhase::kPlanning:
            return "planning";
        case TPhase::kSending:
            return "sending";
        case TPhase::kReadingBack:
            break;
    }
    return "reading back";
}
