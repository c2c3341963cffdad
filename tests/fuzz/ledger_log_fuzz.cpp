// The ledger's log reader against any text: every line either reads as an entry or is
// reported with its number, nothing crashes, and an entry's permanent name comes from its own
// line alone, so that no damage elsewhere moves it.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "tests/fuzz/fuzz_check.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/ledger/ledger_order.h"
#include "zvtool/platform/files.h"

// The reader runs without the platform room: names are compared as a POSIX file system does.
bool FileNamesIgnoreCase() {
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TLedgerLog log = ParseLedgerLog(text);
    std::set<int> reported;
    for (const TLedgerProblem& problem : log.problems) {
        Require(problem.line >= 1 && !problem.what.empty(), "a problem names its line and why");
        reported.insert(problem.line);
    }
    for (const TLedgerEntry& entry : log.entries) {
        Require(entry.line >= 1, "an entry knows its line");
        Require(entry.damage.empty() != (reported.count(entry.line) == 1),
                "a damaged entry is reported, a sound one is not");
        Require(IsUnitName(entry.unit), "an entry's unit is a unit name");
    }
    // The same text with a damaged line before it and another after: the same entries, with
    // the same names.
    const std::string mark = "\xEF\xBB\xBF";
    const bool marked = text.compare(0, mark.size(), mark) == 0;
    const TLedgerLog around = ParseLedgerLog((marked ? mark : "") + "x\n" +
                                             text.substr(marked ? mark.size() : 0) + "\ngarbage\n");
    Require(around.entries.size() == log.entries.size(), "damage elsewhere drops no entry");
    for (std::size_t i = 0; i < log.entries.size(); ++i) {
        Require(around.entries[i].id == log.entries[i].id, "damage elsewhere moves no name");
    }
    // Every entry is listed once, and UNIT@N counts each unit's entries from 1.
    std::size_t listed = 0;
    for (const TOrderedEntry& ordered : NewestFirst(log.entries)) {
        Require(ordered.back >= 1, "UNIT@N counts from 1");
        ++listed;
    }
    Require(listed == log.entries.size(), "every entry is listed once");
    return 0;
}
