#include "zvtool/ledger/ledger_commands.h"

#include <cstdio>
#include <map>

#include "zvtool/exit_codes.h"
#include "zvtool/json.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/report.h"

namespace {

// The ledger's entries, or false with the reason printed.
bool LoadLedger(std::string* folder, std::vector<TLedgerEntry>* entries) {
    *folder = LedgerFolder();
    std::string error;
    if (folder->empty()) {
        PrintError({kExitNoInput, "no ledger folder: neither XDG_DATA_HOME nor HOME is set", ""});
        return false;
    }
    if (!ReadLedger(*folder, entries, &error)) {
        PrintError({kExitNoInput, error, ""});
        return false;
    }
    return true;
}

bool FileExists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file != nullptr) {
        std::fclose(file);
    }
    return file != nullptr;
}

std::string EntryJson(const std::string& name, const std::string& folder, const TLedgerEntry& entry,
                      long long now) {
    return TJsonObject()
        .String("name", name)
        .String("unit", entry.unit)
        .String("time", UtcText(entry.time))
        .Int("age_seconds", now - entry.time)
        .String("kind", entry.kind)
        .Int("records", entry.records)
        .String("port", entry.port)
        .String("version", entry.version)
        .String("sha256", entry.sha256)
        .String("file", LedgerFilePath(folder, entry))
        .String("folder", entry.folder)
        .Text();
}

}  // namespace

int RunHistory(const std::string& unit, long long now) {
    std::string folder;
    std::vector<TLedgerEntry> entries;
    if (!LoadLedger(&folder, &entries)) {
        return kExitNoInput;
    }
    std::map<std::string, int> back;  // per unit: how many newer entries were listed
    int listed = 0;
    std::vector<std::string> json;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const int n = ++back[it->unit];
        if (!unit.empty() && it->unit != unit) {
            continue;
        }
        const std::string name = it->unit + "@" + std::to_string(n);
        json.push_back(EntryJson(name, folder, *it, now));
        ++listed;
        if (JsonWanted()) {
            continue;
        }
        std::printf("%-14s %s  %-11s %3d records  port %s  version %s  %s ago\n  %s\n",
                    name.c_str(), UtcText(it->time).c_str(), it->kind.c_str(), it->records,
                    it->port.c_str(), it->version.c_str(), AgeText(now - it->time).c_str(),
                    LedgerFilePath(folder, *it).c_str());
    }
    CommandReport().members.push_back({"ledger", JsonString(folder)});
    CommandReport().members.push_back({"entries", JsonArray(json)});
    if (listed == 0 && !JsonWanted()) {
        std::printf("the ledger (%s) holds no backup%s\n", folder.c_str(),
                    unit.empty() ? "" : (" of unit " + unit).c_str());
    }
    return kExitOk;
}

int RunUnits(long long now) {
    std::string folder;
    std::vector<TLedgerEntry> entries;
    if (!LoadLedger(&folder, &entries)) {
        return kExitNoInput;
    }
    std::map<std::string, std::pair<const TLedgerEntry*, int>> units;
    for (const TLedgerEntry& entry : entries) {
        auto& unit = units[entry.unit];
        unit.first = &entry;
        ++unit.second;
    }
    std::vector<std::string> json;
    for (const auto& unit : units) {
        const TLedgerEntry& last = *unit.second.first;
        json.push_back(TJsonObject()
                           .String("unit", unit.first)
                           .Int("kept", unit.second.second)
                           .Raw("last", EntryJson(unit.first + "@1", folder, last, now))
                           .Text());
        if (JsonWanted()) {
            continue;
        }
        std::printf("%-14s last %s %s (%s ago), %d records, %d kept\n", unit.first.c_str(),
                    last.kind.c_str(), UtcText(last.time).c_str(), AgeText(now - last.time).c_str(),
                    last.records, unit.second.second);
    }
    CommandReport().members.push_back({"ledger", JsonString(folder)});
    CommandReport().members.push_back({"units", JsonArray(json)});
    if (units.empty() && !JsonWanted()) {
        std::printf("the ledger (%s) holds no backup\n", folder.c_str());
    }
    return kExitOk;
}

TZvError ResolveLedgerNames(std::vector<std::string>* files) {
    std::vector<TLedgerEntry> entries;
    std::string folder;
    bool read = false;
    for (std::string& file : *files) {
        if (file.find('@') == std::string::npos || FileExists(file)) {
            continue;
        }
        std::string error;
        if (!read) {
            folder = LedgerFolder();
            if (folder.empty() || !ReadLedger(folder, &entries, &error)) {
                return {kExitDiffTrouble,
                        error.empty() ? "no ledger folder: neither XDG_DATA_HOME nor HOME is set"
                                      : error,
                        "diff"};
            }
            read = true;
        }
        TLedgerEntry entry;
        if (FindLedgerEntry(entries, file, &entry, &error)) {
            file = LedgerFilePath(folder, entry);
        } else if (!error.empty()) {
            return {kExitDiffTrouble, error, "diff"};
        }
    }
    return {};
}
