#include "zvtool/jobs/job_results.h"

#include <string>

#include "driver/result_codes.h"

namespace {

constexpr int kJobCount = 5;
constexpr int kResultCount = kResultCentralRefusedFA + 1;

// A row per result code, a column per job in TJobKind's order: whether the job gives it.
constexpr bool kGives[kResultCount][kJobCount] = {
    // test  fetch-c fetch-m send-c send-m
    {true, false, false, false, false},  // 0 the version query answered
    {false, false, false, true, true},   // 1 all sent
    {true, false, false, true, true},    // 2 no acknowledgement, or a record refused
    {false, true, true, false, false},   // 3 all fetched
    {true, true, true, true, true},      // 4 no valid reply / the fetch failed
    {true, true, true, true, true},      // 5 the port (before any job)
    {false, false, false, true, false},  // 6 central refused with 8
    {false, false, false, false, true},  // 7 a bad module number in "ToZv.dat"
    {false, false, false, true, true},   // 8 no "ToZv.dat"
    {false, false, false, true, true},   // 9 "ToZv.dat" short
    {false, true, true, false, false},   // 10 "fromZv.dat" cannot be written
    {false, false, false, true, false},  // 11 central refused with 0xFA
};

const char* const kJobNames[kJobCount] = {
    "the connection test", "the central fetch", "the module fetch",
    "the central send",    "the module send",
};

int Column(TJobKind job) {
    return static_cast<int>(job);
}

bool IsFetch(TJobKind job) {
    return job == TJobKind::kFetchCentral || job == TJobKind::kFetchModules;
}

}  // namespace

const char* JobKindName(TJobKind job) {
    return kJobNames[Column(job)];
}

bool JobCanGive(TJobKind job, int result) {
    return result >= 0 && result < kResultCount && kGives[result][Column(job)];
}

std::string JobResultMeaning(TJobKind job, int result) {
    if (result == kResultRefused) {
        return job == TJobKind::kTest ? "the unit did not acknowledge the version query"
                                      : "the unit did not acknowledge a request, or refused a "
                                        "record";
    }
    if (result == kResultFetchFailed) {
        if (IsFetch(job)) {
            return "the exchange failed or the unit refused the record";
        }
        return job == TJobKind::kTest ? "no valid reply came to the version query"
                                      : "no valid reply came from the unit";
    }
    return ResultMeaning(result);
}

std::string NotTheJobAsked(TJobKind job, int result, const std::string& settingsAdvice) {
    std::string givers;
    int count = 0;
    for (int other = 0; other < kJobCount; ++other) {
        if (result >= 0 && result < kResultCount && kGives[result][other]) {
            givers += std::string(count == 0 ? "" : " or ") + kJobNames[other];
            ++count;
        }
    }
    std::string text =
        "the driver did not run the job asked for: it ended with result " + std::to_string(result);
    text += count == 0 ? ", which no job gives" : ", which only " + givers + " gives";
    text += std::string(", not ") + JobKindName(job) + "; so it did not see the keys zvtool " +
            "wrote: " + settingsAdvice;
    return text;
}

std::string FetchedIntoMeaning(const std::string& file) {
    return "every requested record was fetched and written to " + file;
}
