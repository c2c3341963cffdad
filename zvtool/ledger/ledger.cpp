#include "zvtool/ledger/ledger.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr long long kSecondsPerDay = 86400;
constexpr std::size_t kLongestUnitName = 64;
constexpr char kUtcSuffix[] = " UTC";
constexpr std::size_t kUtcTextSize = 23;  // "2026-12-09 04:30:12 UTC"
constexpr char kFolderKey[] = " folder=";

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
long long DaysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, long long* y, long long* m, long long* d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp + (mp < 10 ? 3 : -9);
    *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

struct TCivil {
    long long year, month, day, hour, minute, second;
};

TCivil Civil(long long time) {
    long long days = time / kSecondsPerDay;
    long long rest = time % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    TCivil c{};
    CivilFromDays(days, &c.year, &c.month, &c.day);
    c.hour = rest / 3600;
    c.minute = rest / 60 % 60;
    c.second = rest % 60;
    return c;
}

// A whole number of at most nine digits; false for anything else.
bool ReadWhole(const std::string& text, long long* value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::atoll(text.c_str());
    return true;
}

bool ReadUtcText(const std::string& text, long long* time) {
    long long y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (text.size() != kUtcTextSize || text.compare(19, 4, kUtcSuffix) != 0 || text[4] != '-' ||
        text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':' ||
        !ReadWhole(text.substr(0, 4), &y) || !ReadWhole(text.substr(5, 2), &mo) ||
        !ReadWhole(text.substr(8, 2), &d) || !ReadWhole(text.substr(11, 2), &h) ||
        !ReadWhole(text.substr(14, 2), &mi) || !ReadWhole(text.substr(17, 2), &s) || mo < 1 ||
        mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) {
        return false;
    }
    *time = DaysFromCivil(y, mo, d) * kSecondsPerDay + h * 3600 + mi * 60 + s;
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

std::string UtcText(long long time) {
    const TCivil c = Civil(time);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld%s", c.year, c.month,
                  c.day, c.hour, c.minute, c.second, kUtcSuffix);
    return text;
}

std::string FileStamp(long long time) {
    const TCivil c = Civil(time);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld%02lld%02lld-%02lld%02lld%02lld", c.year, c.month,
                  c.day, c.hour, c.minute, c.second);
    return text;
}

std::string AgeText(long long seconds) {
    if (seconds < 60) {
        return std::to_string(seconds < 0 ? 0 : seconds) + " s";
    }
    if (seconds < 3600) {
        return std::to_string(seconds / 60) + " min";
    }
    if (seconds < 2 * kSecondsPerDay) {
        const long long minutes = seconds / 60 % 60;
        return std::to_string(seconds / 3600) + " h" +
               (minutes != 0 ? " " + std::to_string(minutes) + " min" : "");
    }
    return std::to_string(seconds / kSecondsPerDay) + " days";
}

bool IsUnitName(const std::string& name) {
    return !name.empty() && name.size() <= kLongestUnitName && name[0] != '.' &&
           name.find_first_not_of(
               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
               "0123456789._-") == std::string::npos;
}

std::string FormatLedgerLine(const TLedgerEntry& entry) {
    return UtcText(entry.time) + " " + entry.kind + " unit=" + entry.unit + " port=" + entry.port +
           " version=" + entry.version + " records=" + std::to_string(entry.records) +
           " sha256=" + entry.sha256 + " file=" + entry.file + kFolderKey + entry.folder;
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

std::string LedgerFolderFrom(bool windows, const char* xdgDataHome, const char* home,
                             const char* localAppData) {
    const auto given = [](const char* value) { return value != nullptr && value[0] != '\0'; };
    if (windows) {
        return given(localAppData) ? std::string(localAppData) + "\\zvtool" : "";
    }
    // A relative XDG_DATA_HOME is to be ignored, as the base directory rules have it.
    if (given(xdgDataHome) && xdgDataHome[0] == '/') {
        return std::string(xdgDataHome) + "/zvtool";
    }
    return given(home) ? std::string(home) + "/.local/share/zvtool" : "";
}
