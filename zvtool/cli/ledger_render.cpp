#include "zvtool/cli/ledger_render.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/json.h"
#include "zvtool/time_text.h"

namespace {

std::string EntryJson(const TListedEntry& listed, long long now) {
    const TLedgerEntry& entry = listed.entry;
    return TJsonObject()
        .String("name", listed.name)
        .String("unit", entry.unit)
        .String("time", TimeText(entry.time, TZone::kUtc))
        .Int("age_seconds", now - entry.time)
        .String("kind", entry.kind)
        .Int("records", entry.records)
        .String("port", entry.port)
        .String("version", entry.version)
        .String("sha256", entry.sha256)
        .String("file", listed.path)
        .String("folder", entry.folder)
        .Text();
}

std::string NothingKept(const std::string& folder, const std::string& unit) {
    return "the ledger (" + folder + ") holds no backup" +
           (unit.empty() ? "" : " of unit " + unit) + "\n";
}

}  // namespace

std::string HistoryText(const THistoryResult& result) {
    if (result.end.exit != 0) {
        return "";
    }
    std::string text;
    for (const TListedEntry& listed : result.entries) {
        const TLedgerEntry& entry = listed.entry;
        char line[512];
        std::snprintf(line, sizeof line,
                      "%-14s %s  %-11s %3d records  port %s  version %s  %s ago\n",
                      listed.name.c_str(), TimeText(entry.time, TZone::kUtc).c_str(),
                      entry.kind.c_str(), entry.records, entry.port.c_str(), entry.version.c_str(),
                      AgeText(result.now - entry.time).c_str());
        text += line + std::string("  ") + listed.path + "\n";
    }
    return result.entries.empty() ? NothingKept(result.folder, result.unit) : text;
}

std::string UnitsText(const TUnitsResult& result) {
    if (result.end.exit != 0) {
        return "";
    }
    std::string text;
    for (const TUnitSummary& unit : result.units) {
        const TLedgerEntry& last = unit.last.entry;
        char line[512];
        std::snprintf(line, sizeof line, "%-14s last %s %s (%s ago), %d records, %d kept\n",
                      unit.unit.c_str(), last.kind.c_str(),
                      TimeText(last.time, TZone::kUtc).c_str(),
                      AgeText(result.now - last.time).c_str(), last.records, unit.kept);
        text += line;
    }
    return result.units.empty() ? NothingKept(result.folder, "") : text;
}

std::string HistoryJson(const THistoryResult& result) {
    std::vector<std::string> entries;
    for (const TListedEntry& listed : result.entries) {
        entries.push_back(EntryJson(listed, result.now));
    }
    TJsonValues values = EnvelopeValues("history", result.end);
    values["ledger"] = JsonStringOrNull(result.folder);
    values["entries"] = JsonArray(entries);
    return SchemaObject(kHistoryBit, values);
}

std::string UnitsJson(const TUnitsResult& result) {
    std::vector<std::string> units;
    for (const TUnitSummary& unit : result.units) {
        units.push_back(TJsonObject()
                            .String("unit", unit.unit)
                            .Int("kept", unit.kept)
                            .Raw("last", EntryJson(unit.last, result.now))
                            .Text());
    }
    TJsonValues values = EnvelopeValues("units", result.end);
    values["ledger"] = JsonStringOrNull(result.folder);
    values["units"] = JsonArray(units);
    return SchemaObject(kUnitsBit, values);
}
