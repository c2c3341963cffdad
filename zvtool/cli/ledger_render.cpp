#include "zvtool/cli/ledger_render.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/json.h"
#include "zvtool/time_text.h"

namespace {

// "2 s ago", or for an entry dated after now (a clock ahead) "in the future".
std::string Age(long long now, long long time) {
    return time > now ? "in the future" : AgeText(now - time) + " ago";
}

std::string EntryJson(const TListedEntry& listed, long long now) {
    const TLedgerEntry& entry = listed.entry;
    return TJsonObject()
        .String("name", listed.name)
        .String("id", entry.id)
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
        .StringOrNull("workstation", entry.workstation)
        .String("state", CopyStateWords(listed.check.state))
        .Bool("clock_behind", listed.clockBehind)
        .Text();
}

std::string NothingKept(const std::string& folder, const std::string& unit) {
    return "the ledger (" + folder + ") holds no backup" +
           (unit.empty() ? "" : " of unit " + unit) + "\n";
}

std::string OrDash(const std::string& value) {
    return value.empty() ? "-" : value;
}

std::string EntryText(const TListedEntry& listed, long long now, const std::string& folder) {
    const TLedgerEntry& entry = listed.entry;
    char line[512];
    std::snprintf(line, sizeof line, "%-14s %s  %-11s %3d records  port %s  version %s  %s\n",
                  listed.name.c_str(), TimeText(entry.time, TZone::kLocal).c_str(),
                  entry.kind.c_str(), entry.records, OrDash(entry.port).c_str(),
                  OrDash(entry.version).c_str(), Age(now, entry.time).c_str());
    // The workstation that made it (a shared ledger holds several); a line older than the
    // workstation key names none. A damaged line may name no entry or no file: said as such,
    // not as the ledger's folder.
    const std::string made = entry.workstation.empty() ? "" : "  on " + entry.workstation;
    std::string text = line + made + "  " + OrDash(entry.id) + "  " +
                       (entry.file.empty() ? "(the line names no file)" : listed.path) + "\n";
    const std::string trouble = CopyTrouble(folder, entry, listed.check);
    return trouble.empty() ? text : text + "  ! " + trouble + "\n";
}

// "1 entry", "2 entries".
std::string Counted(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string HistoryText(const THistoryResult& result) {
    if (result.end.exit != 0) {
        return "";
    }
    std::string text;
    for (const TListedEntry& listed : result.entries) {
        text += EntryText(listed, result.now, result.folder);
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
        std::snprintf(line, sizeof line, "%-14s last %s %s (%s), %d records, %d kept",
                      unit.unit.c_str(), last.kind.c_str(),
                      TimeText(last.time, TZone::kLocal).c_str(),
                      Age(result.now, last.time).c_str(), last.records, unit.kept);
        text += line;
        text += unit.damaged == 0 ? "\n"
                                  : ", " + std::to_string(unit.damaged) + " damaged or missing\n";
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
                            .Int("damaged", unit.damaged)
                            .Raw("last", EntryJson(unit.last, result.now))
                            .Text());
    }
    TJsonValues values = EnvelopeValues("units", result.end);
    values["ledger"] = JsonStringOrNull(result.folder);
    values["units"] = JsonArray(units);
    return SchemaObject(kUnitsBit, values);
}

std::string LedgerCheckText(const TLedgerCheckResult& result) {
    if (result.end.exit == 2) {
        return "";
    }
    std::string text;
    for (const std::string& problem : result.problems) {
        text += result.folder + ": " + problem + "\n";
    }
    const std::string entries =
        std::to_string(result.entries) + (result.entries == 1 ? " entry" : " entries");
    return text + "the ledger (" + result.folder + ") holds " + entries + ": " +
           (result.problems.empty()
                ? "every copy is what its line says"
                : std::to_string(result.problems.size()) +
                      (result.problems.size() == 1 ? " problem" : " problems")) +
           "\n";
}

std::string LedgerCheckJson(const TLedgerCheckResult& result) {
    TJsonValues values = EnvelopeValues("ledger", result.end);
    values["ledger"] = JsonStringOrNull(result.folder);
    values["action"] = JsonString("check");
    values["checked"] = JsonInt(result.entries);
    values["ledger_problems"] = JsonStrings(result.problems);
    return SchemaObject(kLedgerBit, values);
}

std::string LedgerShareText(const TLedgerShareResult& result, const std::string& action) {
    if (result.end.exit != 0) {
        return "";
    }
    const std::string held = Counted(result.entries, "entry", "entries");
    const std::string merged = Counted(result.merged, "entry", "entries") + " came from the others";
    const std::string pushed =
        Counted(result.pushed, "commit", "commits") + " went to " + result.remote;
    if (action == "share") {
        return "the ledger (" + result.folder + ") is shared with " + result.remote + " (git " +
               result.gitVersion + "): it holds " + held + "; " + merged + ", " + pushed + "\n";
    }
    return "the ledger (" + result.folder + ") and " + result.remote + ": " + merged + ", " +
           pushed + "; it holds " + held + "\n";
}

std::string LedgerShareJson(const TLedgerShareResult& result, const std::string& action) {
    TJsonValues values = EnvelopeValues("ledger", result.end);
    values["ledger"] = JsonStringOrNull(result.folder);
    values["action"] = JsonString(action);
    values["remote"] = JsonStringOrNull(result.remote);
    values["git_version"] = JsonStringOrNull(result.gitVersion);
    values["merged"] = JsonIntOrNull(result.merged);
    values["pushed"] = JsonIntOrNull(result.pushed);
    values["waiting"] = JsonInt(result.waiting);
    values["held"] = JsonInt(result.entries);
    return SchemaObject(kLedgerBit, values);
}
