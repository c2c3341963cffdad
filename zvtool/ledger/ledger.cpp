#include "zvtool/ledger/ledger.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "zvtool/text_lines.h"
#include "zvtool/time_text.h"

const char kUnitNameRule[] =
    "1 to 64 ASCII letters, digits, '.', '_' or '-', not starting with '.', and not a device "
    "name of Windows (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9)";

namespace {

constexpr std::size_t kLongestUnitName = 64;
constexpr std::size_t kUtcTextSize = 23;  // "2026-12-09 04:30:12 UTC"
constexpr char kFolderKey[] = " folder=";
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kNameChars[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "0123456789._-";

// A whole number of at most eighteen digits; false for anything else.
bool ReadWhole(const std::string& text, long long* value) {
    if (text.empty() || text.size() > 18 ||
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

// An entry's id as it reads: UNIT/ then a name of the id's characters.
bool IsEntryId(const std::string& text) {
    const std::size_t slash = text.find('/');
    return slash != std::string::npos && IsUnitName(text.substr(0, slash)) &&
           slash + 1 < text.size() &&
           text.find_first_not_of(kNameChars, slash + 1) == std::string::npos;
}

// One "key=value" word into the entry: "" when it fits, else what is wrong. A key it does not
// know is skipped, as a newer writer's keys are.
std::string TakeWord(const std::string& word, TLedgerEntry* entry) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
        return "'" + word + "' is no key=value";
    }
    const std::string key = word.substr(0, equals);
    const std::string value = word.substr(equals + 1);
    long long number = 0;
    if (value.empty()) {
        return key + "= has no value";
    }
    if (key == "unit") {
        entry->unit = value;
        return IsUnitName(value) ? "" : "unit=" + value + " is no unit name";
    }
    if (key == "records" || key == "seq") {
        if (!ReadWhole(value, &number)) {
            return key + "=" + value + " is no whole number";
        }
        if (key == "seq") {
            entry->seq = number;
        } else {
            entry->records = static_cast<int>(number);
        }
    } else if (key == "sha256") {
        entry->sha256 = value;
        return IsHex64(value) ? "" : "sha256= is not 64 hex digits";
    } else if (key == "id") {
        entry->id = value;
        return IsEntryId(value) ? "" : "id=" + value + " is no entry's name";
    } else if (key == "port") {
        entry->port = value;
    } else if (key == "version") {
        entry->version = value;
    } else if (key == "file") {
        entry->file = value;
    } else if (key == "workstation") {
        entry->workstation = value;
    }
    return "";
}

// What the words of a line say wrong, after the first that is wrong is read past: the entry
// keeps the fields that read, so that its unit is known even when another field is damaged.
std::string TakeWords(const std::vector<std::string>& words, TLedgerEntry* entry) {
    std::string why;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string wrong = TakeWord(words[i], entry);
        why = why.empty() ? wrong : why;
    }
    return why;
}

// The text with one line per element, its line ends (LF or CR LF) taken off; the last element
// is what follows the last line end ("" when the text ends with one), a CR at its end taken
// off too.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines = SplitLines(text);
    if (text.empty() || text.back() == '\n') {
        lines.emplace_back();
    }
    return lines;
}

}  // namespace

TUnitName CheckUnitName(const std::string& name) {
    if (name.empty() || name.size() > kLongestUnitName || name[0] == '.' ||
        name.find_first_not_of(kNameChars) != std::string::npos) {
        return TUnitName::kNotAName;
    }
    // Windows keeps these for devices whatever follows the first dot: "nul.dat" is NUL too.
    const std::string stem = UnitKey(name.substr(0, name.find('.')), true);
    for (const char* device : {"con", "prn", "aux", "nul"}) {
        if (stem == device) {
            return TUnitName::kDeviceName;
        }
    }
    const bool numbered = stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9' &&
                          (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0);
    return numbered ? TUnitName::kDeviceName : TUnitName::kGood;
}

std::string UnitNameProblem(const std::string& name) {
    switch (CheckUnitName(name)) {
        case TUnitName::kGood:
            return "";
        case TUnitName::kDeviceName:
            return "'" + name +
                   "' is not a unit name: Windows keeps it for a device, so no folder of the "
                   "ledger can have it there; a unit name is " +
                   kUnitNameRule;
        case TUnitName::kNotAName:
            break;
    }
    return "'" + name + "' is not a unit name: " + kUnitNameRule;
}

bool IsUnitName(const std::string& name) {
    return CheckUnitName(name) != TUnitName::kNotAName;
}

bool SameUnitName(const std::string& a, const std::string& b, bool ignoreCase) {
    return UnitKey(a, ignoreCase) == UnitKey(b, ignoreCase);
}

std::string UnitKey(const std::string& name, bool ignoreCase) {
    std::string key = name;
    for (char& c : key) {
        c = ignoreCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return key;
}

std::string WorkstationWord(const std::string& name) {
    std::string word = name;
    for (char& c : word) {
        c = std::string(kNameChars).find(c) == std::string::npos ? '-' : c;
    }
    return word.empty() ? "local" : word;
}

std::string EntryId(const TLedgerEntry& entry) {
    return entry.unit + "/" + FileStamp(entry.time, TZone::kUtc) + "-" + entry.sha256.substr(0, 8) +
           "-" + WorkstationWord(entry.workstation);
}

std::string FormatLedgerLine(const TLedgerEntry& entry) {
    std::string line = TimeText(entry.time, TZone::kUtc) + " " + entry.kind +
                       " unit=" + entry.unit + " port=" + entry.port + " version=" + entry.version +
                       " records=" + std::to_string(entry.records) + " sha256=" + entry.sha256 +
                       " file=" + entry.file + " id=" + entry.id;
    if (!entry.workstation.empty()) {
        line += " workstation=" + entry.workstation + " seq=" + std::to_string(entry.seq);
    }
    return line + kFolderKey + entry.folder;
}

bool ParseLedgerLine(const std::string& line, TLedgerEntry* entry, std::string* why) {
    TLedgerEntry parsed;
    if (line.size() < kUtcTextSize || !ReadUtcText(line.substr(0, kUtcTextSize), &parsed.time)) {
        *why = "it does not start with a time stamp such as 2026-12-09 04:30:12 UTC";
        return false;
    }
    const std::size_t folder = line.find(kFolderKey);
    const std::vector<std::string> words = Words(line.substr(
        kUtcTextSize, folder == std::string::npos ? std::string::npos : folder - kUtcTextSize));
    *why = words.empty() || words[0].find('=') != std::string::npos ? "it names no kind"
                                                                    : TakeWords(words, &parsed);
    parsed.kind = words.empty() ? "" : words[0];
    if (why->empty() && folder == std::string::npos) {
        *why = "it has no folder= at its end";
    }
    for (const auto& [value, key] :
         {std::pair<const std::string*, const char*>{&parsed.unit, "unit"},
          {&parsed.file, "file"},
          {&parsed.sha256, "sha256"}}) {
        if (why->empty() && value->empty()) {
            *why = std::string("it has no ") + key + "=";
        }
    }
    if (folder != std::string::npos) {
        parsed.folder = line.substr(folder + sizeof kFolderKey - 1);
    }
    if (parsed.id.empty() && IsUnitName(parsed.unit) && IsHex64(parsed.sha256)) {
        parsed.id = EntryId(parsed);
    }
    parsed.damage = *why;
    if (IsUnitName(parsed.unit)) {
        *entry = parsed;
    }
    return why->empty();
}

TLedgerLog ParseLedgerLog(const std::string& text) {
    TLedgerLog log;
    const bool marked = text.compare(0, sizeof kByteOrderMark - 1, kByteOrderMark) == 0;
    const std::vector<std::string> lines =
        Lines(marked ? text.substr(sizeof kByteOrderMark - 1) : text);
    log.endsMidLine = !lines.back().empty();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const int number = static_cast<int>(i) + 1;
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        TLedgerEntry entry;
        std::string why;
        const bool read = ParseLedgerLine(line, &entry, &why);
        if (i + 1 == lines.size() && !why.empty()) {
            why = "it is cut off (the log ends without a line end): " + why;
        }
        if (!read) {
            log.problems.push_back({number, why});
        }
        if (!entry.unit.empty()) {
            entry.line = number;
            entry.damage = why;
            log.entries.push_back(entry);
        }
    }
    return log;
}
