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
    const bool ignoreCase = FileNamesIgnoreCase();
    std::vector<TListedEntry> listed;
    // Each entry is named as its unit's newest entry spells the unit, where case is ignored:
    // the first met, newest first.
    std::map<std::string, std::string> spelling;
    for (const TOrderedEntry& ordered : NewestFirst(log.entries)) {
        const TLedgerEntry& entry = *ordered.entry;
        const std::string& spelled =
            spelling.emplace(UnitKey(entry.unit, ignoreCase), entry.unit).first->second;
        if (!unit.empty() && !SameUnitName(entry.unit, unit, ignoreCase)) {
            continue;
        }
        TListedEntry one{spelled + "@" + std::to_string(ordered.back),
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

// Whether `path` lies inside the ledger's folder.
bool InLedgerFolder(const TLedgerPlace& place, const std::string& path) {
    const std::string folder = AbsolutePath(place.folder) + FolderSeparator();
    return AbsolutePath(path).compare(0, folder.size(), folder) == 0;
}

// The entry whose copy is the file at `path`; false when no entry has it.
bool EntryOfCopy(const TLedgerPlace& place, const TLedgerLog& log, const std::string& path,
                 TLedgerEntry* entry) {
    const std::string wanted = AbsolutePath(path);
    for (const TLedgerEntry& one : log.entries) {
        if (AbsolutePath(LedgerFilePath(place.folder, one)) == wanted) {
            *entry = one;
            return true;
        }
    }
    return false;
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
        TUnitSummary& unit = units[UnitKey(listed.entry.unit, FileNamesIgnoreCase())];
        const bool sound = listed.check.state == TCopyState::kSound;
        if (unit.unit.empty() || (sound && unit.kept == 0)) {
            unit.last = listed;
        }
        if (unit.unit.empty()) {
            unit.unit = listed.name.substr(0, listed.name.rfind('@'));
        }
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
    std::vector<std::string> more = OpenToOthers(place.folder, log.entries);
    for (std::string& problem : MergedLedgerProblems(place.folder, log)) {
        more.push_back(std::move(problem));
    }
    for (const std::string& problem : more) {
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
        // A copy named by its path in the ledger folder is verified as one named by its entry.
        const bool copyPath = FileExists(file) && InLedgerFolder(place, file);
        if (!copyPath && (!LooksLikeLedgerName(file) || FileExists(file))) {
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
        if (copyPath) {
            if (!EntryOfCopy(place, log, file, &entry)) {
                continue;
            }
        } else if (!FindLedgerEntry(log.entries, file, &entry, &error)) {
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
