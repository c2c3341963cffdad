#include "zvtool/records/record_commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "zvtool/exit_codes.h"

namespace {

constexpr int kShownProblems = 20;
constexpr int kBytesPerRow = 16;

const char kCheckHelp[] =
    "Usage: zvtool check [--all] FILE...\n"
    "\n"
    "Reads record files as strictly as a send needs them and lists each problem with its\n"
    "line and column (FILE:LINE:COLUMN) and what the driver's reader would make of it.\n"
    "\n"
    "A sound file holds whole records of 131 numbers 0 to 255, separated by commas: the\n"
    "record number (0 for the central record, 1 to 200 for a module) and the 130 setup\n"
    "bytes. Only white space (spaces, tabs, line ends) may stand between the numbers; the\n"
    "line layout is free. Only the first record may be the central record, so a backup (the\n"
    "central record, then modules) and a file of one central record are both sound. No\n"
    "module may appear twice. A comma after the last number and a Ctrl-Z at the very end\n"
    "are allowed.\n"
    "\n"
    "The driver reads record files leniently: it skips any other character and joins the\n"
    "digits on either side of it, keeps the first seven digits of a number and the low 8\n"
    "bits of its value, reads an empty field as 0, stops at a Ctrl-Z, and counts records by\n"
    "numbers, not lines, so a record with a number too many or too few shifts every record\n"
    "behind it. A send that runs out of numbers within a record ends with result 9.\n"
    "\n"
    "Options:\n"
    "  --all    list every problem (otherwise the first 20 of each file)\n"
    "\n"
    "Exit status: 0 every file is sound, 1 problems found, 2 a file cannot be read or the\n"
    "command line is wrong.\n";

const char kShowHelp[] =
    "Usage: zvtool show [--record N] [--hex] FILE\n"
    "\n"
    "Shows each record of a record file as a table: a line naming the record (central\n"
    "record, module N) and the line of the file it starts on, then its 130 setup bytes,\n"
    "16 to a row, each row led by the offset of its first byte (0 to 129).\n"
    "\n"
    "Options:\n"
    "  --record N   only record N (0 or \"central\" for the central record, 1 to 200 a module)\n"
    "  --hex        offsets and values in hexadecimal\n"
    "\n"
    "A file that fails `zvtool check` is still shown, as the driver would read it, with a\n"
    "warning on stderr.\n"
    "\n"
    "Exit status: 0 shown, 1 shown but the file fails the check, 2 the file cannot be read,\n"
    "holds no record N, or the command line is wrong.\n";

const char kDiffHelp[] =
    "Usage: zvtool diff [--hex] A B\n"
    "\n"
    "Compares two record files record by record, matched by record number whatever their\n"
    "order: lists the records found in only one of them and, for each record that differs,\n"
    "every offset (0 to 129) with the byte in A and in B. When a file holds a number twice,\n"
    "its later record counts, as the unit keeps the one sent last. A file that fails\n"
    "`zvtool check` is compared as the driver would read it, with a warning on stderr.\n"
    "\n"
    "Options:\n"
    "  --hex    offsets and values in hexadecimal\n"
    "\n"
    "Exit status, as cmp has it: 0 the same records, 1 they differ, 2 a file cannot be read\n"
    "or the command line is wrong.\n";

bool IsHelp(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

int Usage(const char* command, const std::string& what, const char* usage) {
    std::fprintf(stderr, "zvtool %s: %s\n%s(zvtool %s --help tells more)\n", command, what.c_str(),
                 usage, command);
    return kExitDiffTrouble;
}

// Reads and checks a file; false with the reason on stderr when it cannot be read.
bool ReadChecked(const char* command, const char* path, TRecordReading& reading) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, error)) {
        std::fprintf(stderr, "zvtool %s: cannot read %s: %s\n", command, path, error.c_str());
        return false;
    }
    reading = ReadRecordText(text);
    return true;
}

void PrintProblems(std::FILE* out, const char* path, const TRecordReading& reading, bool all) {
    int shown = 0;
    for (const TRecordProblem& problem : reading.problems) {
        if (!all && shown == kShownProblems) {
            break;
        }
        std::fprintf(out, "%s:%d:%d: %s\n", path, problem.line, problem.column,
                     problem.text.c_str());
        ++shown;
    }
    if (reading.problemCount > shown) {
        std::fprintf(out, "%s: ... and %d more problems\n", path, reading.problemCount - shown);
    }
}

std::string Problems(int count) {
    return std::to_string(count) + (count == 1 ? " problem" : " problems");
}

void WarnUnsound(const char* command, const char* path, const TRecordReading& reading,
                 const char* doing) {
    std::fprintf(stderr,
                 "zvtool %s: warning: %s fails the check (%s, the first at line %d; zvtool "
                 "check %s lists them): %s as the driver would read it\n",
                 command, path, Problems(reading.problemCount).c_str(), reading.problems[0].line,
                 path, doing);
}

// The value of --record: 0 to 255, or "central".
bool ParseRecordNumber(const char* text, int& number) {
    if (std::strcmp(text, "central") == 0) {
        number = 0;
        return true;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 255) {
        return false;
    }
    number = static_cast<int>(value);
    return true;
}

void PrintRecord(const TZvRecord& record, int line, bool hex) {
    std::printf("%s (line %d)\n", RecordName(record.number).c_str(), line);
    std::printf("offset");
    for (int column = 0; column < kBytesPerRow; ++column) {
        char label[8];
        std::snprintf(label, sizeof label, hex ? "+%X" : "+%d", column);
        std::printf(hex ? "  %2s" : " %4s", label);
    }
    std::printf("\n");
    for (int row = 0; row < static_cast<int>(kSetupBytes); row += kBytesPerRow) {
        std::printf(hex ? "  0x%02X" : "%6d", row);
        for (int i = row; i < row + kBytesPerRow && i < static_cast<int>(kSetupBytes); ++i) {
            std::printf(hex ? "  %02X" : " %4d", record.bytes[static_cast<std::size_t>(i)]);
        }
        std::printf("\n");
    }
}

// The records by number; a number held twice gives its later record, as the unit keeps it.
std::map<int, const TZvRecord*> ByNumber(const TRecordReading& reading) {
    std::map<int, const TZvRecord*> records;
    for (const TZvRecord& record : reading.records) {
        records[record.number] = &record;
    }
    return records;
}

}  // namespace

int RunCheck(int argc, char** argv) {
    const char kUsage[] = "usage: zvtool check [--all] FILE...\n";
    bool all = false;
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            std::fputs(kCheckHelp, stdout);
            return kExitDiffSame;
        }
        if (std::strcmp(argv[i], "--all") == 0) {
            all = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return Usage("check", std::string("unknown option ") + argv[i], kUsage);
        } else {
            paths.push_back(argv[i]);
        }
    }
    if (paths.empty()) {
        return Usage("check", "no file named", kUsage);
    }
    int status = kExitDiffSame;
    for (const char* path : paths) {
        TRecordReading reading;
        if (!ReadChecked("check", path, reading)) {
            status = kExitDiffTrouble;
            continue;
        }
        if (reading.problemCount == 0) {
            std::printf("%s: sound: %d records (%s)\n", path,
                        static_cast<int>(reading.records.size()),
                        DescribeNumbers(reading.records).c_str());
            continue;
        }
        PrintProblems(stdout, path, reading, all);
        std::printf("%s: %s; a send would not carry what the file seems to say\n", path,
                    Problems(reading.problemCount).c_str());
        if (status == kExitDiffSame) {
            status = kExitDiffDiffer;
        }
    }
    return status;
}

int RunShow(int argc, char** argv) {
    const char kUsage[] = "usage: zvtool show [--record N] [--hex] FILE\n";
    bool hex = false;
    int only = -1;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (IsHelp(arg)) {
            std::fputs(kShowHelp, stdout);
            return kExitDiffSame;
        }
        if (std::strcmp(arg, "--hex") == 0) {
            hex = true;
        } else if (std::strcmp(arg, "--record") == 0 || std::strncmp(arg, "--record=", 9) == 0) {
            const char* value = arg[8] == '=' ? arg + 9 : i + 1 < argc ? argv[++i] : nullptr;
            if (value == nullptr || !ParseRecordNumber(value, only)) {
                return Usage("show", "--record takes a record number 0 to 255 or \"central\"",
                             kUsage);
            }
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return Usage("show", std::string("unknown option ") + arg, kUsage);
        } else if (path != nullptr) {
            return Usage("show", "one file at a time", kUsage);
        } else {
            path = arg;
        }
    }
    if (path == nullptr) {
        return Usage("show", "no file named", kUsage);
    }
    TRecordReading reading;
    if (!ReadChecked("show", path, reading)) {
        return kExitDiffTrouble;
    }
    if (reading.problemCount != 0) {
        WarnUnsound("show", path, reading, "showing it");
    }
    bool shown = false;
    for (std::size_t i = 0; i < reading.records.size(); ++i) {
        if (only >= 0 && reading.records[i].number != only) {
            continue;
        }
        if (shown) {
            std::printf("\n");
        }
        PrintRecord(reading.records[i], reading.lines[i], hex);
        shown = true;
    }
    if (only >= 0 && !shown) {
        std::fprintf(
            stderr, "zvtool show: %s holds no %s (it holds %s)\n", path, RecordName(only).c_str(),
            reading.records.empty() ? "no record" : DescribeNumbers(reading.records).c_str());
        return kExitDiffTrouble;
    }
    return reading.problemCount != 0 ? kExitDiffDiffer : kExitDiffSame;
}

int RunDiff(int argc, char** argv) {
    const char kUsage[] = "usage: zvtool diff [--hex] A B\n";
    bool hex = false;
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            std::fputs(kDiffHelp, stdout);
            return kExitDiffSame;
        }
        if (std::strcmp(argv[i], "--hex") == 0) {
            hex = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return Usage("diff", std::string("unknown option ") + argv[i], kUsage);
        } else {
            paths.push_back(argv[i]);
        }
    }
    if (paths.size() != 2) {
        return Usage("diff", "two files to compare, A and B", kUsage);
    }
    TRecordReading a;
    TRecordReading b;
    if (!ReadChecked("diff", paths[0], a) || !ReadChecked("diff", paths[1], b)) {
        return kExitDiffTrouble;
    }
    if (a.problemCount != 0) {
        WarnUnsound("diff", paths[0], a, "comparing it");
    }
    if (b.problemCount != 0) {
        WarnUnsound("diff", paths[1], b, "comparing it");
    }
    const auto inA = ByNumber(a);
    const auto inB = ByNumber(b);
    std::map<int, int> numbers;  // number -> 1 only in A, 2 only in B, 3 in both
    for (const auto& entry : inA) {
        numbers[entry.first] |= 1;
    }
    for (const auto& entry : inB) {
        numbers[entry.first] |= 2;
    }
    int changed = 0;
    int onlyA = 0;
    int onlyB = 0;
    int same = 0;
    bool named = false;
    for (const auto& entry : numbers) {
        const std::string name = RecordName(entry.first);
        if (!named) {
            std::printf("A = %s, B = %s\n", paths[0], paths[1]);
            named = true;
        }
        if (entry.second != 3) {
            std::printf("%s: only in %s\n", name.c_str(), entry.second == 1 ? "A" : "B");
            ++(entry.second == 1 ? onlyA : onlyB);
            continue;
        }
        const TZvRecord& ra = *inA.at(entry.first);
        const TZvRecord& rb = *inB.at(entry.first);
        int differing = 0;
        for (int i = 0; i < static_cast<int>(kSetupBytes); ++i) {
            differing +=
                ra.bytes[static_cast<std::size_t>(i)] != rb.bytes[static_cast<std::size_t>(i)];
        }
        if (differing == 0) {
            ++same;
            continue;
        }
        ++changed;
        std::printf("%s: %d of 130 bytes differ\n  offset    A    B\n", name.c_str(), differing);
        for (int i = 0; i < static_cast<int>(kSetupBytes); ++i) {
            const int va = ra.bytes[static_cast<std::size_t>(i)];
            const int vb = rb.bytes[static_cast<std::size_t>(i)];
            if (va != vb) {
                std::printf(hex ? "    0x%02X   %02X   %02X\n" : "  %6d  %3d  %3d\n", i, va, vb);
            }
        }
    }
    if (changed + onlyA + onlyB == 0) {
        std::printf("%s and %s hold the same %d records\n", paths[0], paths[1], same);
        return kExitDiffSame;
    }
    std::printf("%d changed, %d only in A, %d only in B, %d the same\n", changed, onlyA, onlyB,
                same);
    return kExitDiffDiffer;
}

int LoadCheckedRecords(const char* path, std::vector<TZvRecord>& records) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, error)) {
        std::fprintf(stderr, "zvtool: cannot read %s: %s\n", path, error.c_str());
        return kExitNoInput;
    }
    const TRecordReading reading = ReadRecordText(text);
    if (reading.problemCount != 0) {
        PrintProblems(stderr, path, reading, false);
        std::fprintf(stderr,
                     "zvtool: %s fails the check (%s): correct it and try again; `zvtool check "
                     "%s --all` lists every problem\n",
                     path, Problems(reading.problemCount).c_str(), path);
        return kExitDataError;
    }
    records = reading.records;
    return kExitOk;
}
