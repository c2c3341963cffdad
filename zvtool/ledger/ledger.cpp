#include "zvtool/ledger/ledger.h"

#include <cstdlib>

#include "zvtool/time_text.h"

namespace {

constexpr std::size_t kLongestUnitName = 64;
constexpr std::size_t kUtcTextSize = 23;  // "2026-12-09 04:30:12 UTC"
constexpr char kFolderKey[] = " folder=";

// A whole number of at most nine digits; false for anything else.
bool ReadWhole(const std::string& text, long long* value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::atoll(text.c_str());
    return true;
}

// The words of `text` between single spaces.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find(' ', start);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        if (stop > start) {
            words.push_back(text.substr(start, stop - start));
        }
        start = stop + 1;
    }
    return words;
}

bool IsHex64(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// One "key=value" word into the entry; false for a key it does not know or a bad value.
bool TakeWord(const std::string& word, TLedgerEntry* entry) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    const std::string key = word.substr(0, equals);
    const std::string value = word.substr(equals + 1);
    long long number = 0;
    if (key == "unit") {
        entry->unit = value;
        return IsUnitName(value);
    }
    if (key == "port") {
        entry->port = value;
    } else if (key == "version") {
        entry->version = value;
    } else if (key == "records") {
        if (!ReadWhole(value, &number)) {
            return false;
        }
        entry->records = static_cast<int>(number);
    } else if (key == "sha256") {
        entry->sha256 = value;
        return IsHex64(value);
    } else if (key == "file") {
        entry->file = value;
    }
    return !value.empty();
}

}  // namespace

bool IsUnitName(const std::string& name) {
    return !name.empty() && name.size() <= kLongestUnitName && name[0] != '.' &&
           name.find_first_not_of(
               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
               "0123456789._-") == std::string::npos;
}

std::string FormatLedgerLine(const TLedgerEntry& entry) {
    return TimeText(entry.time, TZone::kUtc) + " " + entry.kind + " unit=" + entry.unit +
           " port=" + entry.port + " version=" + entry.version +
           " records=" + std::to_string(entry.records) + " sha256=" + entry.sha256 +
           " file=" + entry.file + kFolderKey + entry.folder;
}

bool ParseLedgerLine(const std::string& line, TLedgerEntry* entry) {
    TLedgerEntry parsed;
    const std::size_t folder = line.find(kFolderKey);
    if (line.size() < kUtcTextSize + 2 || folder == std::string::npos ||
        !ReadUtcText(line.substr(0, kUtcTextSize), &parsed.time)) {
        return false;
    }
    parsed.folder = line.substr(folder + sizeof kFolderKey - 1);
    const std::vector<std::string> words =
        Words(line.substr(kUtcTextSize + 1, folder - kUtcTextSize - 1));
    if (words.empty() || words[0].find('=') != std::string::npos) {
        return false;
    }
    parsed.kind = words[0];
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (!TakeWord(words[i], &parsed)) {
            return false;
        }
    }
    if (parsed.unit.empty() || parsed.file.empty() || parsed.sha256.empty()) {
        return false;
    }
    *entry = parsed;
    return true;
}

std::vector<TLedgerEntry> ParseLedgerLog(const std::string& text) {
    std::vector<TLedgerEntry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        TLedgerEntry entry;
        if (ParseLedgerLine(line, &entry)) {
            entries.push_back(entry);
        }
        start = end + 1;
    }
    return entries;
}

bool FindLedgerEntry(const std::vector<TLedgerEntry>& entries, const std::string& name,
                     TLedgerEntry* entry, std::string* error) {
    error->clear();
    const std::size_t at = name.rfind('@');
    long long back = 0;
    if (at == std::string::npos || !IsUnitName(name.substr(0, at)) ||
        !ReadWhole(name.substr(at + 1), &back) || back < 1) {
        return false;
    }
    const std::string unit = name.substr(0, at);
    long long seen = 0;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->unit == unit && ++seen == back) {
            *entry = *it;
            return true;
        }
    }
    *error = seen == 0 ? "the ledger holds no backup of unit " + unit
                       : "the ledger holds " + std::to_string(seen) + " backup" +
                             (seen == 1 ? "" : "s") + " of unit " + unit + ", not " +
                             std::to_string(back) + " (see `zvtool history " + unit + "`)";
    return false;
}

std::string RememberedUnit(const std::vector<TLedgerEntry>& entries, const std::string& folder) {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->folder == folder) {
            return it->unit;
        }
    }
    return "";
}
