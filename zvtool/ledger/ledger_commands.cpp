#include "zvtool/ledger/ledger_commands.h"

#include <map>
#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/platform/files.h"

THistoryResult LedgerHistory(const TLedgerPlace& place, const std::string& unit, long long now) {
    THistoryResult result;
    result.folder = place.folder;
    result.unit = unit;
    result.now = now;
    std::vector<TLedgerEntry> entries;
    std::string error;
    if (!ReadLedger(place, &entries, &error)) {
        result.end.Fail({kExitNoInput, error, ""});
        return result;
    }
    std::map<std::string, int> back;  // per unit: how many newer entries were listed
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const int n = ++back[it->unit];
        if (unit.empty() || it->unit == unit) {
            result.entries.push_back(
                {it->unit + "@" + std::to_string(n), LedgerFilePath(place.folder, *it), *it});
        }
    }
    return result;
}

TUnitsResult LedgerUnits(const TLedgerPlace& place, long long now) {
    TUnitsResult result;
    result.folder = place.folder;
    result.now = now;
    std::vector<TLedgerEntry> entries;
    std::string error;
    if (!ReadLedger(place, &entries, &error)) {
        result.end.Fail({kExitNoInput, error, ""});
        return result;
    }
    std::map<std::string, std::pair<const TLedgerEntry*, int>> units;
    for (const TLedgerEntry& entry : entries) {
        auto& unit = units[entry.unit];
        unit.first = &entry;
        ++unit.second;
    }
    for (const auto& unit : units) {
        const TLedgerEntry& last = *unit.second.first;
        result.units.push_back({unit.first,
                                unit.second.second,
                                {unit.first + "@1", LedgerFilePath(place.folder, last), last}});
    }
    return result;
}

TZvError ResolveLedgerNames(const TLedgerPlace& place, std::vector<std::string>* files) {
    std::vector<TLedgerEntry> entries;
    bool read = false;
    for (std::string& file : *files) {
        if (file.find('@') == std::string::npos || FileExists(file)) {
            continue;
        }
        std::string error;
        if (!read) {
            if (!ReadLedger(place, &entries, &error)) {
                return {kExitDiffTrouble, error, "diff"};
            }
            read = true;
        }
        TLedgerEntry entry;
        if (FindLedgerEntry(entries, file, &entry, &error)) {
            file = LedgerFilePath(place.folder, entry);
        } else if (!error.empty()) {
            return {kExitDiffTrouble, error, "diff"};
        }
    }
    return {};
}
