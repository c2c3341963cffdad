#include "zvtool/records/record_write.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "datafile/record_text.h"

namespace {

TPcModulSetup PcRecord(const TZvRecord& record) {
    TPcModulSetup pc{};
    pc.number = static_cast<std::uint8_t>(record.number);
    std::memcpy(reinterpret_cast<std::uint8_t*>(&pc) + 1, record.bytes.data(), record.bytes.size());
    return pc;
}

}  // namespace

bool WriteRecordFile(const std::string& path, const std::vector<TZvRecord>& records) {
    std::string text;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i > 0) {
            text += kRecordSeparator;
        }
        AppendRecordText(PcRecord(records[i]), text);
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
    std::string text;
    std::string error;
    if (!ReadWholeFile(path.c_str(), text, error)) {
        return 0;
    }
    return WholeRecordsIn(text.data(), text.size());
}
