#include "zvtool/records/record_write.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "datafile/record_text.h"
#include "zvtool/platform/files.h"

namespace {

TPcModulSetup PcRecord(const TZvRecord& record) {
    TPcModulSetup pc{};
    pc.number = static_cast<std::uint8_t>(record.number);
    std::memcpy(reinterpret_cast<std::uint8_t*>(&pc) + 1, record.bytes.data(), record.bytes.size());
    return pc;
}

}  // namespace

std::string RecordFileText(const std::vector<TZvRecord>& records) {
    std::string text;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i > 0) {
            text += kRecordSeparator;
        }
        AppendRecordText(PcRecord(records[i]), text);
    }
    return text;
}

bool WriteRecordFile(const std::string& path, const std::vector<TZvRecord>& records,
                     std::string* error) {
    return WriteWholeFile(path, RecordFileText(records), error);
}

int CountWholeRecords(const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadRecordFile(path, &text, &error)) {
        return 0;
    }
    return WholeRecordsIn(text.data(), text.size());
}
