#pragma once
#include <string>

// Time as text, the zone said by the caller: the ledger's log and the JSON keep UTC, a
// person's screen and the names of files made on this machine use local time.

enum class TZone { kUtc, kLocal };

// "2026-12-09 04:30:12 UTC" in UTC; in local time with its offset from UTC, so that a time
// read in a workshop is never taken for another zone's: "2026-12-09 05:30:12 +01:00".
std::string TimeText(long long time, TZone zone);
// "20261209-043012", for file names.
std::string FileStamp(long long time, TZone zone);
// "2026-12-09 04:30:12 UTC" read back: true with the seconds since 1970 (UTC).
bool ReadUtcText(const std::string& text, long long* time);
// "45 s", "12 min", "3 h 5 min", "4 days".
std::string AgeText(long long seconds);
