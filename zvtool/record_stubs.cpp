// Stand-ins for the record-file commands until they are built: the commands say so, and the
// loader reads numbers as the driver does, without the strict checks.
#include <cstdio>
#include <vector>

#include "zvtool/exit_codes.h"
#include "zvtool/record_commands.h"

namespace {
int NotYet(char** argv) {
    std::fprintf(stderr, "zvtool: %s is not built yet\n", argv[0]);
    return kExitDiffTrouble;
}
}  // namespace

int RunCheck(int, char** argv) {
    return NotYet(argv);
}
int RunShow(int, char** argv) {
    return NotYet(argv);
}
int RunDiff(int, char** argv) {
    return NotYet(argv);
}

bool LoadCheckedRecords(const char* path, std::vector<TZvRecord>& records) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "zvtool: cannot open %s\n", path);
        return false;
    }
    std::vector<int> numbers;
    int value = -1;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
        } else if (c == ',') {
            numbers.push_back(value);
            value = -1;
        }
    }
    std::fclose(file);
    numbers.push_back(value);
    records.clear();
    for (std::size_t at = 0; at + 131 <= numbers.size(); at += 131) {
        TZvRecord record{numbers[at], {}};
        for (std::size_t k = 0; k < 130; ++k) {
            record.bytes[k] = static_cast<std::uint8_t>(numbers[at + 1 + k]);
        }
        records.push_back(record);
    }
    if (records.empty() || numbers.size() % 131 != 0) {
        std::fprintf(stderr, "zvtool: %s is not a whole number of records\n", path);
        return false;
    }
    return true;
}
