#include "zvtool/ledger/ledger_store.h"

#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/ledger/sha256.h"
#include "zvtool/numbered_name.h"
#include "zvtool/platform/files.h"
#include "zvtool/records/record_file.h"
#include "zvtool/time_text.h"

namespace {

constexpr char kUnnamedUnit[] = "unnamed";
// The log of years of backups is a few megabytes; a far larger one is no log of ours.
constexpr std::size_t kMostLogBytes = 256u * 1024 * 1024;

std::string LogPath(const std::string& folder) {
    return JoinPath(folder, kLedgerLogName);
}

}  // namespace

bool ReadLedger(const TLedgerPlace& place, std::vector<TLedgerEntry>* entries, std::string* error) {
    entries->clear();
    if (place.folder.empty()) {
        *error = "no ledger folder: " + place.missing;
        return false;
    }
    const std::string log = LogPath(place.folder);
    std::string text;
    switch (ReadWholeFile(log, kMostLogBytes, &text, error)) {
        case TReadResult::kMissing:
            return true;
        case TReadResult::kRead:
            *entries = ParseLedgerLog(text);
            return true;
        case TReadResult::kTooLarge:
            *error = "cannot read " + log + ": it is larger than 256 MB";
            return false;
        case TReadResult::kFailed:
            break;
    }
    *error = "cannot read " + log + ": " + *error;
    return false;
}

std::string LedgerFilePath(const std::string& folder, const TLedgerEntry& entry) {
    std::string file = entry.file;
    for (char& c : file) {
        c = c == '/' ? FolderSeparator() : c;
    }
    return JoinPath(folder, file);
}

TZvError KeepInLedger(const TLedgerPlace& place, const TKeepRequest& request, TLedgerEntry* kept) {
    const auto failed = [&](const std::string& what) {
        return TZvError{kExitCannotCreate,
                        what + "; this backup is not kept in the ledger (" + request.path +
                            " is whole all the same)",
                        ""};
    };
    if (place.folder.empty()) {
        return failed("no ledger folder: " + place.missing);
    }
    const std::string unitFolder = JoinPath(place.folder, request.unit);
    std::string error;
    if (!MakeFolders(unitFolder, TFolderMode::kPrivate, &error)) {
        return failed("cannot make the ledger folder " + unitFolder);
    }
    std::string text;
    if (!ReadRecordFile(request.path, &text, &error)) {
        return failed("cannot read " + request.path + ": " + error);
    }
    TLedgerEntry entry;
    entry.time = request.time;
    entry.kind = request.kind;
    entry.unit = request.unit;
    entry.port = request.port.empty() ? "-" : request.port;
    entry.version = request.version.empty() ? "-" : request.version;
    entry.records = static_cast<int>(ReadRecordText(text).records.size());
    entry.sha256 = Sha256Hex(text);
    entry.folder = request.folder;
    const std::string stem =
        request.unit + "/" + FileStamp(request.time, TZone::kUtc) + "-" + request.kind + ".dat";
    entry.file = FirstFreeName(stem, [&](const std::string& name) {
        TLedgerEntry probe = entry;
        probe.file = name;
        return FileExists(LedgerFilePath(place.folder, probe));
    });
    const std::string path = LedgerFilePath(place.folder, entry);
    if (entry.file.empty() || !WriteWholeFile(path, text, &error)) {
        RemoveFile(path);
        return failed("cannot write " + path);
    }
    const std::string log = LogPath(place.folder);
    if (!AppendToFile(log, FormatLedgerLine(entry) + "\n", &error)) {
        RemoveFile(path);
        return failed("cannot append to " + log);
    }
    *kept = entry;
    return {};
}

std::string UnitForFolder(const TLedgerPlace& place, const std::string& given,
                          const std::string& folder) {
    if (!given.empty()) {
        return given;
    }
    std::vector<TLedgerEntry> entries;
    std::string error;
    const std::string remembered =
        ReadLedger(place, &entries, &error) ? RememberedUnit(entries, folder) : "";
    return remembered.empty() ? kUnnamedUnit : remembered;
}
