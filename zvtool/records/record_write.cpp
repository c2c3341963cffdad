#include "zvtool/records/record_write.h"

#include <cstdio>
#include <string>

namespace {

// The layout the driver writes "fromZv.dat" in (datafile/comma_sep_file.cpp): a number goes
// on the line while it and its comma still fit in 80 characters, otherwise the line ends.
constexpr std::size_t kLineLimit = 80;
constexpr std::size_t kRoomForNextNumber = 4;
constexpr char kLineEnd[] = "\r\n";

void AppendRecord(const TZvRecord& record, std::string* text) {
    std::string line = std::to_string(record.number);
    for (std::uint8_t byte : record.bytes) {
        line += ",";
        if (line.size() + kRoomForNextNumber < kLineLimit) {
            line += " ";
        } else {
            *text += line + kLineEnd;
            line.clear();
        }
        line += std::to_string(byte);
    }
    *text += line;
}

}  // namespace

bool WriteRecordFile(const std::string& path, const std::vector<TZvRecord>& records) {
    std::string text;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i > 0) {
            text += std::string(",") + kLineEnd;
        }
        AppendRecord(records[i], &text);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

bool CopyWholeFile(const std::string& from, const std::string& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (in == nullptr) {
        return false;
    }
    std::FILE* out = std::fopen(to.c_str(), "wb");
    if (out == nullptr) {
        std::fclose(in);
        return false;
    }
    char buffer[4096];
    bool good = true;
    std::size_t count = 0;
    while (good && (count = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        good = std::fwrite(buffer, 1, count, out) == count;
    }
    good = good && std::ferror(in) == 0;
    std::fclose(in);
    return std::fclose(out) == 0 && good;
}

int CountWholeRecords(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return 0;
    }
    long numbers = 0;
    bool inNumber = false;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        const bool digit = c >= '0' && c <= '9';
        if (digit && !inNumber) {
            ++numbers;
        }
        inNumber = digit;
    }
    std::fclose(file);
    return static_cast<int>(numbers / 131);
}
