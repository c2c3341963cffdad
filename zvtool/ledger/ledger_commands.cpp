#include "zvtool/ledger/ledger_commands.h"

#include <map>
#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/ledger/ledger_order.h"
#include "zvtool/ledger/ledger_share.h"
#include "zvtool/platform/files.h"

namespace {

// The log's lines that do not read, as warnings of the command that read it.
void WarnOfProblems(const TLedgerPlace& place, const TLedgerLog& log, TCommandEnd* end) {
    for (const TLedgerProblem& problem : log.problems) {
        end->Say(Warning(JoinPath(place.folder, kLedgerLogName) + " line " +
                         std::to_string(problem.line) + " does not read: " + problem.what));
    }
}

// Reads the log for history or units: a log that cannot be read fails the command, in the
// system's words, and each line that does not read is a warning of it.
bool ReadForListing(const TLedgerPlace& place, TLedgerLog* log, TCommandEnd* end) {
    std::string error;
    if (!ReadLedger(place, log, &error)) {
        end->Fail({kExitNoInput, error, ""});
        return false;
    }
    WarnOfProblems(place, *log, end);
    return true;
}

std::vector<TListedEntry> Listed(const TLedgerPlace& place, const TLedgerLog& log,
                                 const std::string& unit, TCommandEnd* end) {
    std::vector<TListedEntry> listed;
    for (const TOrderedEntry& ordered : NewestFirst(log.entries)) {
        const TLedgerEntry& entry = *ordered.entry;
        if (!unit.empty() && entry.unit != unit) {
            continue;
        }
        TListedEntry one{entry.unit + "@" + std::to_string(ordered.back),
                         LedgerFilePath(place.folder, entry), entry,
                         VerifyCopy(place.folder, entry), ordered.clockBehind};
        if (one.clockBehind) {
            end->Say(Warning(one.name + " (" + entry.id +
                             ") is dated before the entry its workstation made before it: that "
                             "workstation's clock was behind"));
        }
        listed.push_back(one);
    }
    return listed;
}

}  // namespace

bool LooksLikeLedgerName(const std::string& word) {
    const std::size_t at = word.rfind('@');
    if (at != std::string::npos) {
        return IsUnitName(word.substr(0, at));
    }
    const std::size_t slash = word.find('/');
    return slash != std::string::npos && IsUnitName(word.substr(0, slash)) &&
           word.find('/', slash + 1) == std::string::npos && word.find('.') == std::string::npos;
}

THistoryResult LedgerHistory(const TLedgerPlace& place, const std::string& unit, long long now) {
    THistoryResult result;
    result.folder = place.folder;
    result.unit = unit;
    result.now = now;
    TLedgerLog log;
    if (!ReadForListing(place, &log, &result.end)) {
        return result;
    }
    result.entries = Listed(place, log, unit, &result.end);
    return result;
}

TUnitsResult LedgerUnits(const TLedgerPlace& place, long long now) {
    TUnitsResult result;
    result.folder = place.folder;
    result.now = now;
    TLedgerLog log;
    if (!ReadForListing(place, &log, &result.end)) {
        return result;
    }
    std::map<std::string, TUnitSummary> units;
    for (const TListedEntry& listed : Listed(place, log, "", &result.end)) {
        TUnitSummary& unit = units[listed.entry.unit];
        const bool sound = listed.check.state == TCopyState::kSound;
        if (unit.unit.empty() || (sound && unit.kept == 0)) {
            unit.last = listed;
        }
        unit.unit = listed.entry.unit;
        (sound ? unit.kept : unit.damaged) += 1;
    }
    for (const auto& unit : units) {
        result.units.push_back(unit.second);
    }
    return result;
}

TLedgerCheckResult CheckLedger(const TLedgerPlace& place) {
    TLedgerCheckResult result;
    result.folder = place.folder;
    TLedgerLog log;
    std::string error;
    if (!ReadLedger(place, &log, &error)) {
        result.end.Fail({kExitDiffTrouble, error, "ledger check"});
        return result;
    }
    for (const TLedgerProblem& problem : log.problems) {
        result.problems.push_back("line " + std::to_string(problem.line) +
                                  " does not read: " + problem.what);
    }
    for (const TLedgerEntry& entry : log.entries) {
        ++result.entries;
        const TCopyCheck check = VerifyCopy(place.folder, entry);
        if (check.state != TCopyState::kSound && check.state != TCopyState::kDamagedLine) {
            result.problems.push_back(CopyTrouble(place.folder, entry, check));
        }
    }
    for (const std::string& problem : MergedLedgerProblems(place.folder, log)) {
        result.problems.push_back(problem);
    }
    result.end.exit = result.problems.empty() ? kExitDiffSame : kExitDiffDiffer;
    return result;
}

TZvError ResolveLedgerNames(const TLedgerPlace& place, int troubleExit,
                            std::vector<std::string>* files, TCommandEnd* end) {
    TLedgerLog log;
    bool read = false;
    for (std::string& file : *files) {
        if (!LooksLikeLedgerName(file) || FileExists(file)) {
            continue;
        }
        std::string error;
        if (!read) {
            if (!ReadLedger(place, &log, &error)) {
                return {troubleExit, error, ""};
            }
            WarnOfProblems(place, log, end);
            read = true;
        }
        TLedgerEntry entry;
        if (!FindLedgerEntry(log.entries, file, &entry, &error)) {
            return {troubleExit, error.empty() ? "no ledger entry called " + file : error, ""};
        }
        const TCopyCheck check = VerifyCopy(place.folder, entry);
        if (check.state != TCopyState::kSound) {
            return {kExitLedgerDamaged, CopyTrouble(place.folder, entry, check), ""};
        }
        file = LedgerFilePath(place.folder, entry);
    }
    return {};
}
