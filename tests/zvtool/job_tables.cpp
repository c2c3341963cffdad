#include "tests/zvtool/job_tables.h"

#include <string>
#include <vector>

#include "tests/fakes/fake_unit.h"
#include "zvtool/records/record_write.h"

namespace jobtables {

std::string ExchangesFrom(std::size_t from) {
    std::string text;
    const std::vector<fake::UnitRequest>& requests = fake::UnitRequests();
    for (std::size_t i = from; i < requests.size(); ++i) {
        const std::vector<std::uint8_t>& packet = requests[i].packet;
        std::string word;
        switch (packet[0]) {
            case 1:
                word = "V";
                break;
            case 3:
                word = "C";
                break;
            case 5:
                word = "S0";
                break;
            case 7:
                word = std::to_string(packet[1]);
                break;
            default:
                word = "S" + std::to_string(packet[1]);
                break;
        }
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

std::string Exchanges() {
    return ExchangesFrom(0);
}

std::string NumbersIn(const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadRecordFile(path, &text, &error)) {
        return "-";
    }
    std::string numbers;
    for (const TZvRecord& record : ReadRecordText(text).records) {
        numbers += (numbers.empty() ? "" : " ") + std::to_string(record.number);
    }
    return numbers;
}

std::vector<TZvRecord> UnitRecords(const std::vector<int>& numbers) {
    std::vector<TZvRecord> records;
    for (const int number : numbers) {
        TZvRecord record{number, {}};
        const modul_setup& stored = fake::UnitRecord(static_cast<std::uint8_t>(number));
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&stored);
        std::copy(bytes, bytes + record.bytes.size(), record.bytes.begin());
        records.push_back(record);
    }
    return records;
}

bool HoldsTheUnits(const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadRecordFile(path, &text, &error)) {
        return false;
    }
    for (const TZvRecord& record : ReadRecordText(text).records) {
        if (UnitRecords({record.number})[0].bytes != record.bytes) {
            return false;
        }
    }
    return true;
}

void WriteRecords(const std::string& path, const std::vector<TZvRecord>& records) {
    std::string error;
    ASSERT_TRUE(WriteRecordFile(path, records, &error)) << error;
}

std::string FileToRestore(const std::string& file, const std::vector<int>& changed) {
    std::vector<TZvRecord> records = UnitRecords({0, 1, 2, 3, 4, 5});
    for (TZvRecord& record : records) {
        for (const int number : changed) {
            if (record.number == number) {
                record.bytes[0] = static_cast<std::uint8_t>(record.bytes[0] ^ 0xFF);
            }
        }
    }
    WriteRecords(file, records);
    return file;
}

std::string Stored() {
    std::string text;
    for (const fake::UnitStored& stored : fake::UnitStoredRecords()) {
        text += (text.empty() ? "" : " ") + std::to_string(stored.number);
    }
    return text;
}

std::string Passes(const std::vector<TEvent>& events) {
    std::string text;
    for (const TEvent& event : events) {
        if (event.kind == TEventKind::kProgress && event.pass == TPassEvent::kNewPass) {
            text += (text.empty() ? "" : " ") + std::to_string(event.progress.module);
        }
    }
    return text;
}

std::string Phases(const std::vector<TEvent>& events) {
    std::string text;
    for (const TEvent& event : events) {
        if (event.kind == TEventKind::kPhase) {
            text += (text.empty() ? "" : ", ") + std::string(PhaseName(event.phase));
        }
    }
    return text;
}

bool Said(const TJobOutcome& outcome, const std::string& text) {
    return Said(outcome.end, text);
}

bool Said(const TCommandEnd& end, const std::string& text) {
    for (const TMessage& message : end.messages) {
        if (message.text.find(text) != std::string::npos) {
            return true;
        }
        for (const std::string& line : message.lines) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

std::string AllSaid(const TJobOutcome& outcome) {
    std::string text;
    for (const TMessage& message : outcome.end.messages) {
        text += message.text + "\n";
        for (const std::string& line : message.lines) {
            text += "  " + line + "\n";
        }
    }
    return text;
}

TJobRequest Request(TZvJob job, const std::string& file, int first, int last) {
    TJobRequest request;
    request.job = job;
    request.first = first;
    request.last = last;
    request.rangeGiven = first != 1 || last != 200;
    (job == TZvJob::kBackup ? request.output : request.file) = file;
    return request;
}

}  // namespace jobtables
