#pragma once
#include <string>

// A ledger moved to where zvtool keeps it now (on Windows from %LOCALAPPDATA%\zvtool, beside
// zvtool's logs and lock, to %LOCALAPPDATA%\zvtool\ledger), once: when `former` holds a log
// and `folder` none, each entry's record file goes, then the log, so that no entry is lost on
// the way. Anything else in `former` (the logs, the lock) stays.

// True with the number of record files moved, -1 when there was nothing to move; false and
// why, with every file back where it was.
bool MoveLedgerOnce(const std::string& former, const std::string& folder, int* moved,
                    std::string* why);
