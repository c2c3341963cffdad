#pragma once
#include <string>

// Which results each of the driver's five jobs can end with, and what a result means for the
// job that ran. A result that the job asked for cannot give means the driver ran another job:
// it did not see the keys zvtool wrote (it reads its settings elsewhere, or they could not be
// written), and the driver's meaning of that result would mislead.

enum class TJobKind { kTest, kFetchCentral, kFetchModules, kSendCentral, kSendModules };

// "the connection test", "the module fetch", ...
const char* JobKindName(TJobKind job);

// Whether the driver running `job` can end with `result`.
bool JobCanGive(TJobKind job, int result);

// The meaning of `result` for `job`, one reading only ("no valid reply came to the version
// query" rather than both readings of 4).
std::string JobResultMeaning(TJobKind job, int result);

// What to say when the driver, asked for `job`, ended with `result` that the job cannot give:
// which jobs give that result, and where to look (`settingsAdvice`: where this driver reads
// its settings). Without a final full stop.
std::string NotTheJobAsked(TJobKind job, int result, const std::string& settingsAdvice);

// The meaning of a fetch's success when its records went on into the file the technician
// asked for (-o FILE, a backup's FILE): that file named, rather than the driver's "fromZv.dat".
std::string FetchedIntoMeaning(const std::string& file);
