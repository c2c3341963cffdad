#include "zvtool/ledger/ledger_store.h"

#include <cstdio>

#include "zvtool/exit_codes.h"
#include "zvtool/ledger/sha256.h"
#include "zvtool/records/record_file.h"
#include "zvtool/records/record_write.h"

namespace {

constexpr char kUnnamedUnit[] = "unnamed";
// Two backups of one unit in the same second get "-2", "-3" ... behind the stamp.
constexpr int kMostInOneSecond = 99;

bool Exists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file != nullptr) {
        std::fclose(file);
    }
    return file != nullptr;
}

// Appends one line in one write, so that two zvtools appending at once do not mix lines.
bool AppendLine(const std::string& path, const std::string& line) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) {
        return false;
    }
    const std::string text = line + "\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

bool ReadLedger(const std::string& folder, std::vector<TLedgerEntry>* entries, std::string* error) {
    entries->clear();
    const std::string log = folder + FolderSeparator() + kLedgerLogName;
    if (!Exists(log)) {
        return true;
    }
    std::string text;
    if (!ReadWholeFile(log.c_str(), text, *error)) {
        *error = "cannot read " + log + ": " + *error;
        return false;
    }
    *entries = ParseLedgerLog(text);
    return true;
}

std::string LedgerFilePath(const std::string& folder, const TLedgerEntry& entry) {
    std::string file = entry.file;
    for (char& c : file) {
        c = c == '/' ? FolderSeparator() : c;
    }
    return folder + FolderSeparator() + file;
}

TZvError KeepInLedger(const TKeepRequest& request, TLedgerEntry* kept) {
    const std::string folder = LedgerFolder();
    const auto failed = [&](const std::string& what) {
        return TZvError{kExitCannotCreate,
                        what + "; this backup is not kept in the ledger (" + request.path +
                            " is whole all the same)",
                        ""};
    };
    if (folder.empty()) {
        return failed("no ledger folder: neither XDG_DATA_HOME nor HOME is set");
    }
    const std::string unitFolder = folder + FolderSeparator() + request.unit;
    if (!MakeFolders(unitFolder)) {
        return failed("cannot make the ledger folder " + unitFolder);
    }
    std::string text;
    std::string error;
    if (!ReadWholeFile(request.path.c_str(), text, error)) {
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
    const std::string stem = request.unit + "/" + FileStamp(request.time) + "-" + request.kind;
    for (int n = 1; n <= kMostInOneSecond && entry.file.empty(); ++n) {
        const std::string name = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".dat";
        TLedgerEntry probe = entry;
        probe.file = name;
        if (!Exists(LedgerFilePath(folder, probe))) {
            entry.file = name;
        }
    }
    const std::string path = LedgerFilePath(folder, entry);
    if (entry.file.empty() || !CopyWholeFile(request.path, path)) {
        std::remove(path.c_str());
        return failed("cannot write " + path);
    }
    const std::string log = folder + FolderSeparator() + kLedgerLogName;
    if (!AppendLine(log, FormatLedgerLine(entry))) {
        std::remove(path.c_str());
        return failed("cannot append to " + log);
    }
    *kept = entry;
    return {};
}

std::string UnitForFolder(const std::string& given, const std::string& folder) {
    if (!given.empty()) {
        return given;
    }
    std::vector<TLedgerEntry> entries;
    std::string error;
    const std::string ledger = LedgerFolder();
    const std::string remembered = ledger.empty() || !ReadLedger(ledger, &entries, &error)
                                       ? ""
                                       : RememberedUnit(entries, folder);
    return remembered.empty() ? kUnnamedUnit : remembered;
}
