#include "zvtool/ledger/ledger_move.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "zvtool/ledger/ledger.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/platform/files.h"

namespace {

constexpr std::size_t kMostLogBytes = 256u * 1024 * 1024;

// A record file as zvtool names them, UNIT/NAME: nothing a damaged line names elsewhere.
bool IsEntryFile(const TLedgerEntry& entry) {
    const std::string start = entry.unit + "/";
    const std::string name = entry.file.substr(start.size() < entry.file.size() ? start.size() : 0);
    return IsUnitName(entry.unit) && entry.file.compare(0, start.size(), start) == 0 &&
           !name.empty() && name[0] != '.' && name.find_first_of("/\\:") == std::string::npos;
}

// Puts back what was moved, the last first.
void MoveBack(const std::vector<std::pair<std::string, std::string>>& moved) {
    std::string ignored;
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
        RenameReplacing(it->second, it->first, &ignored);
    }
}

}  // namespace

bool MoveLedgerOnce(const std::string& former, const std::string& folder, int* moved,
                    std::string* why) {
    *moved = -1;
    const std::string formerLog = JoinPath(former, kLedgerLogName);
    const std::string log = JoinPath(folder, kLedgerLogName);
    if (former.empty() || folder.empty() || !FileExists(formerLog) || FileExists(log)) {
        return true;
    }
    std::string text;
    if (ReadWholeFile(formerLog, kMostLogBytes, &text, why) != TReadResult::kRead) {
        *why = "cannot read " + formerLog + (why->empty() ? "" : ": " + *why);
        return false;
    }
    if (!MakeFolders(folder, TFolderMode::kPrivate, why)) {
        *why = "cannot make " + folder + ": " + *why;
        return false;
    }
    std::vector<std::pair<std::string, std::string>> done;
    std::set<std::string> seen;
    for (const TLedgerEntry& entry : ParseLedgerLog(text).entries) {
        const std::string from = LedgerFilePath(former, entry);
        if (!IsEntryFile(entry) || !seen.insert(entry.file).second || !FileExists(from)) {
            continue;
        }
        const std::string to = LedgerFilePath(folder, entry);
        if (!MakeFolders(FolderOf(to), TFolderMode::kPrivate, why) ||
            !RenameReplacing(from, to, why)) {
            *why = "cannot move " + from + " to " + to + ": " + *why;
            MoveBack(done);
            return false;
        }
        done.emplace_back(from, to);
    }
    if (!RenameReplacing(formerLog, log, why)) {
        *why = "cannot move " + formerLog + " to " + log + ": " + *why;
        MoveBack(done);
        return false;
    }
    *moved = static_cast<int>(done.size());
    return true;
}
