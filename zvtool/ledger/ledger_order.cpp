#include "zvtool/ledger/ledger_order.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "zvtool/platform/files.h"

namespace {

struct TPlaced {
    TOrderedEntry ordered;
    long long effective = 0;  // its time, never before the time of its workstation's previous
};

bool MadeBefore(const TLedgerEntry* a, const TLedgerEntry* b) {
    return a->seq != b->seq ? a->seq < b->seq : a->line < b->line;
}

}  // namespace

std::vector<TOrderedEntry> NewestFirst(const std::vector<TLedgerEntry>& entries) {
    std::map<std::string, std::vector<const TLedgerEntry*>> byWorkstation;
    for (const TLedgerEntry& entry : entries) {
        byWorkstation[entry.workstation].push_back(&entry);
    }
    std::vector<TPlaced> placed;
    for (auto& [workstation, made] : byWorkstation) {
        std::stable_sort(made.begin(), made.end(), MadeBefore);
        long long latest = 0;
        for (std::size_t i = 0; i < made.size(); ++i) {
            TPlaced one;
            one.ordered.entry = made[i];
            one.ordered.clockBehind = i > 0 && made[i]->time < latest;
            latest = std::max(latest, made[i]->time);
            one.effective = latest;
            placed.push_back(one);
        }
    }
    std::stable_sort(placed.begin(), placed.end(), [](const TPlaced& a, const TPlaced& b) {
        if (a.effective != b.effective) {
            return a.effective > b.effective;
        }
        if (a.ordered.entry->workstation != b.ordered.entry->workstation) {
            return a.ordered.entry->workstation > b.ordered.entry->workstation;
        }
        return MadeBefore(b.ordered.entry, a.ordered.entry);
    });
    // Where names ignore case, "Pump-3" and "pump-3" are one unit with one count.
    const bool ignoreCase = FileNamesIgnoreCase();
    std::map<std::string, int> back;
    std::vector<TOrderedEntry> ordered;
    for (TPlaced& one : placed) {
        one.ordered.back = ++back[UnitKey(one.ordered.entry->unit, ignoreCase)];
        ordered.push_back(one.ordered);
    }
    return ordered;
}

bool FindLedgerEntry(const std::vector<TLedgerEntry>& entries, const std::string& name,
                     TLedgerEntry* entry, std::string* error) {
    error->clear();
    const std::size_t at = name.rfind('@');
    const std::string unit = at == std::string::npos ? "" : name.substr(0, at);
    const std::string number = at == std::string::npos ? "" : name.substr(at + 1);
    const bool byAge = IsUnitName(unit) && !number.empty() && number.size() < 9 &&
                       number.find_first_not_of("0123456789") == std::string::npos &&
                       std::atoi(number.c_str()) >= 1;
    const bool byName =
        !byAge && name.find('/') != std::string::npos && name.find('@') == std::string::npos;
    if (!byAge && !byName) {
        return false;
    }
    const bool ignoreCase = FileNamesIgnoreCase();
    int seen = 0;
    for (const TOrderedEntry& ordered : NewestFirst(entries)) {
        const TLedgerEntry& candidate = *ordered.entry;
        const bool ofUnit = SameUnitName(candidate.unit, unit, ignoreCase);
        if (byName ? candidate.id == name : ofUnit && ordered.back == std::atoi(number.c_str())) {
            *entry = candidate;
            return true;
        }
        seen += ofUnit ? 1 : 0;
    }
    if (byName) {
        *error = "the ledger holds no entry called " + name;
    } else {
        *error = seen == 0 ? "the ledger holds no backup of unit " + unit
                           : "the ledger holds " + std::to_string(seen) + " entr" +
                                 (seen == 1 ? "y" : "ies") + " of unit " + unit + ", not " +
                                 number + " (see `zvtool history " + unit + "`)";
    }
    return false;
}

std::string LedgerSpelling(const std::vector<TLedgerEntry>& entries, const std::string& unit) {
    for (const TOrderedEntry& ordered : NewestFirst(entries)) {
        if (SameUnitName(ordered.entry->unit, unit, FileNamesIgnoreCase())) {
            return ordered.entry->unit;
        }
    }
    return unit;
}

std::vector<TLedgerEntry> EntriesMadeBy(const std::vector<TLedgerEntry>& entries,
                                        const std::string& workstation) {
    std::vector<TLedgerEntry> made;
    for (const TLedgerEntry& entry : entries) {
        if (entry.workstation.empty() || entry.workstation == workstation) {
            made.push_back(entry);
        }
    }
    return made;
}

const TLedgerEntry* RememberedEntry(const std::vector<TLedgerEntry>& entries,
                                    const std::string& folder) {
    for (const TOrderedEntry& ordered : NewestFirst(entries)) {
        if (ordered.entry->folder == folder) {
            return ordered.entry;
        }
    }
    return nullptr;
}

long long NextSeq(const std::vector<TLedgerEntry>& entries, const std::string& workstation) {
    long long last = 0;
    for (const TLedgerEntry& entry : entries) {
        if (entry.workstation == workstation) {
            last = std::max(last, entry.seq);
        }
    }
    return last + 1;
}
