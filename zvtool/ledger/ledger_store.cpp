#include "zvtool/ledger/ledger_store.h"

#include <algorithm>
#include <string>
#include <vector>

#include "zvtool/exit_codes.h"
#include "zvtool/ledger/ledger_order.h"
#include "zvtool/ledger/sha256.h"
#include "zvtool/numbered_name.h"
#include "zvtool/platform/files.h"
#include "zvtool/records/record_file.h"

namespace {

constexpr char kUnnamedUnit[] = "unnamed";
// The log of years of backups is a few megabytes; a far larger one is no log of ours.
constexpr std::size_t kMostLogBytes = 256u * 1024 * 1024;
constexpr std::size_t kMostCopyBytes = 16u * 1024 * 1024;

std::string LogPath(const std::string& folder) {
    return JoinPath(folder, kLedgerLogName);
}

// Whether an id is taken by an entry of the log or a file of the ledger.
bool Taken(const std::string& folder, const TLedgerLog& log, const std::string& id) {
    for (const TLedgerEntry& entry : log.entries) {
        if (entry.id == id) {
            return true;
        }
    }
    TLedgerEntry probe;
    probe.file = id + ".dat";
    return FileExists(LedgerFilePath(folder, probe));
}

}  // namespace

bool ReadLedger(const TLedgerPlace& place, TLedgerLog* log, std::string* error) {
    *log = TLedgerLog{};
    if (place.folder.empty()) {
        *error = "no ledger folder: " + place.missing;
        return false;
    }
    const std::string path = LogPath(place.folder);
    std::string text;
    switch (ReadWholeFile(path, kMostLogBytes, &text, error)) {
        case TReadResult::kMissing:
            // No log yet (a folder that cannot be searched fails the open otherwise).
            return true;
        case TReadResult::kRead:
            *log = ParseLedgerLog(text);
            return true;
        case TReadResult::kTooLarge:
            *error = "cannot read " + path + ": it is larger than 256 MB";
            return false;
        case TReadResult::kFailed:
            break;
    }
    *error = "cannot read " + path + ": " + *error;
    return false;
}

std::string LedgerFilePath(const std::string& folder, const TLedgerEntry& entry) {
    // A line names its file with the separator of the system that wrote it ("pump-3/..." on
    // POSIX, "pump-3\\..." on Windows); a ledger shared between them reads on both.
    std::string file = entry.file;
    for (char& c : file) {
        c = c == '/' || c == '\\' ? FolderSeparator() : c;
    }
    return JoinPath(folder, file);
}

std::vector<std::string> OpenToOthers(const std::string& folder,
                                      const std::vector<TLedgerEntry>& entries) {
    std::vector<std::string> paths{folder, LogPath(folder)};
    for (const TLedgerEntry& entry : entries) {
        const std::string copy = LedgerFilePath(folder, entry);
        for (const std::string& path : {FolderOf(copy), copy}) {
            if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
                paths.push_back(path);
            }
        }
    }
    std::vector<std::string> problems;
    for (const std::string& path : paths) {
        const std::string why = OthersMayChange(path);
        if (!why.empty()) {
            problems.push_back(path + " can be changed by other accounts: " + why);
        }
    }
    return problems;
}

TCopyCheck VerifyCopy(const std::string& folder, const TLedgerEntry& entry) {
    TCopyCheck check;
    if (!entry.damage.empty()) {
        check.state = TCopyState::kDamagedLine;
        check.reason = entry.damage;
        return check;
    }
    std::string text;
    switch (ReadWholeFile(LedgerFilePath(folder, entry), kMostCopyBytes, &text, &check.reason)) {
        case TReadResult::kRead:
            check.sha256 = Sha256Hex(text);
            check.state = check.sha256 == entry.sha256 ? TCopyState::kSound : TCopyState::kAltered;
            return check;
        case TReadResult::kMissing:
            check.state = TCopyState::kMissing;
            return check;
        case TReadResult::kTooLarge:
            check.state = TCopyState::kAltered;
            return check;
        case TReadResult::kFailed:
            break;
    }
    check.state = TCopyState::kUnreadable;
    return check;
}

const char* CopyStateWords(TCopyState state) {
    switch (state) {
        case TCopyState::kSound:
            return "sound";
        case TCopyState::kDamagedLine:
            return "its line does not read";
        case TCopyState::kMissing:
            return "missing";
        case TCopyState::kAltered:
            return "altered";
        case TCopyState::kUnreadable:
            break;
    }
    return "unreadable";
}

std::string CopyTrouble(const std::string& folder, const TLedgerEntry& entry,
                        const TCopyCheck& check) {
    const std::string path = LedgerFilePath(folder, entry);
    const std::string name = entry.id.empty() ? entry.unit : entry.id;
    switch (check.state) {
        case TCopyState::kSound:
            return "";
        case TCopyState::kDamagedLine:
            return "line " + std::to_string(entry.line) + " of the ledger's log (" + name +
                   ") does not read: " + check.reason;
        case TCopyState::kMissing:
            return "the ledger's copy " + name + " is missing: " + path + " is not there";
        case TCopyState::kAltered:
            return "the ledger's copy " + name + " was altered: " + path + " has SHA-256 " +
                   check.sha256 + ", its line in the log says " + entry.sha256;
        case TCopyState::kUnreadable:
            break;
    }
    return "cannot read the ledger's copy " + name + " (" + path + "): " + check.reason;
}

namespace {

// The entry `request` makes of `unit` in the ledger `log` read: the next of this workstation,
// named by a free id, its file the id with ".dat" in this system's way of naming paths.
TLedgerEntry NewEntry(const TLedgerPlace& place, const TLedgerLog& log, const TKeepRequest& request,
                      const std::string& unit) {
    TLedgerEntry entry;
    entry.time = request.time;
    entry.kind = request.kind;
    entry.unit = unit;
    entry.port = request.port.empty() ? "-" : request.port;
    entry.version = request.version.empty() ? "-" : request.version;
    entry.records = static_cast<int>(ReadRecordText(request.text).records.size());
    entry.sha256 = Sha256Hex(request.text);
    entry.workstation = WorkstationWord(place.workstation);
    entry.seq = NextSeq(log.entries, entry.workstation);
    entry.folder = request.folder;
    entry.id = FirstFreeName(EntryId(entry),
                             [&](const std::string& id) { return Taken(place.folder, log, id); });
    // The log names the file as this system names paths, beside the run folder's path.
    entry.file = entry.id + ".dat";
    for (char& c : entry.file) {
        c = c == '/' ? FolderSeparator() : c;
    }
    return entry;
}

}  // namespace

TZvError KeepInLedger(const TLedgerPlace& place, const TKeepRequest& request, TLedgerEntry* kept) {
    const std::string whole =
        request.source.empty() ? "" : " (" + request.source + " is whole all the same)";
    const auto failed = [&](const std::string& what) {
        return TZvError{kExitCannotCreate, what + "; this copy is not kept in the ledger" + whole,
                        ""};
    };
    if (place.folder.empty()) {
        return failed("no ledger folder: " + place.missing);
    }
    TLedgerLog log;
    std::string error;
    if (!ReadLedger(place, &log, &error)) {
        return failed(error);
    }
    // One unit, one folder: where names ignore case, "Pump-3" is filed as the ledger's pump-3.
    const std::string unit = LedgerSpelling(log.entries, request.unit);
    const std::string unitFolder = JoinPath(place.folder, unit);
    if (!MakeFolders(unitFolder, TFolderMode::kPrivate, &error)) {
        return failed("cannot make the ledger folder " + unitFolder + ": " + error);
    }
    const TLedgerEntry entry = NewEntry(place, log, request, unit);
    const std::string path = LedgerFilePath(place.folder, entry);
    // The copies and the log are the user's alone, as their folders are (0700): a ledger that
    // another account may write is no record of what the unit held.
    if (entry.id.empty() || !WriteWholeFile(path, request.text, &error, TFolderMode::kPrivate)) {
        RemoveFile(path);
        return failed("cannot write " + path + ": " + error);
    }
    // A log whose last line was cut off gets the new entry on a line of its own.
    const std::string logPath = LogPath(place.folder);
    const std::string line = (log.endsMidLine ? "\n" : "") + FormatLedgerLine(entry) + "\n";
    if (!AppendTextToFile(logPath, line, &error, TFolderMode::kPrivate)) {
        RemoveFile(path);
        return failed("cannot append to " + logPath + ": " + error);
    }
    *kept = entry;
    return {};
}

std::string UnitForFolder(const std::vector<TLedgerEntry>& entries, const std::string& given,
                          const std::string& folder) {
    if (!given.empty()) {
        return given;
    }
    const TLedgerEntry* remembered = RememberedEntry(entries, folder);
    return remembered != nullptr ? remembered->unit : kUnnamedUnit;
}
