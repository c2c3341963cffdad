// Any bytes as a record file. In memory, on every input: the scanner must hand over the
// fields the bytes say, and the complete records, laid out by the formatter, must keep to
// the layout. On a sample of the inputs (one in kFileSample, chosen by the bytes, so that a
// saved input runs the same way again): the formatted records read back unchanged, and the
// bytes as "ToZv.dat" read record by record as a send job reads them, each record holding
// what the fields say, 9 once the fields run out and no byte touched outside the 131 of its
// record; the records then written by the driver's writer, which must give the formatter's
// bytes, and read back unchanged.
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "datafile/record_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr std::size_t kRecordBytes = sizeof(TPcModulSetup);
constexpr std::uint8_t kCtrlZ = 26;
constexpr std::size_t kDigitsThatCount = 7;
// Fills the record before every read, so that a byte the reader must leave alone shows it.
constexpr std::uint8_t kUntouched = 0xA5;
constexpr unsigned kFileSample = 256;

using Record = std::array<std::uint8_t, kRecordBytes>;

std::filesystem::path callerDir;
std::filesystem::path workDir;

void RemoveWorkDir() {
    std::error_code ignored;
    std::filesystem::remove_all(workDir, ignored);
}

// The file as the reader must see it, worked out from all its bytes at once: the text in
// front of the first Ctrl-Z split at every comma, so one field more than there are commas;
// a field is the low 8 bits of the number that its first seven digits make, and every byte
// that is not a digit is skipped.
std::vector<std::uint8_t> Fields(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> fields;
    std::uint32_t value = 0;
    std::size_t digits = 0;
    for (std::size_t i = 0; i < size && data[i] != kCtrlZ; ++i) {
        const std::uint8_t c = data[i];
        if (c == ',') {
            fields.push_back(static_cast<std::uint8_t>(value & 0xFFu));
            value = 0;
            digits = 0;
        } else if (c >= '0' && c <= '9' && digits < kDigitsThatCount) {
            value = value * 10u + static_cast<std::uint32_t>(c - '0');
            ++digits;
        }
    }
    fields.push_back(static_cast<std::uint8_t>(value & 0xFFu));
    return fields;
}

void WriteToZv(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(kToZvFile, "wb");
    Require(file != nullptr, "the input can be written to ToZv.dat");
    Require(std::fwrite(data, 1, size, file) == size, "the input fits on the disk");
    Require(std::fclose(file) == 0, "ToZv.dat is closed");
}

std::string ReadWhole(const char* name) {
    std::string bytes;
    std::FILE* file = std::fopen(name, "rb");
    Require(file != nullptr, "the written file can be read");
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        bytes.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    return bytes;
}

// Writes the input as "ToZv.dat", then reads it record by record as a send job does,
// checking each record against the fields; returns the complete records.
std::vector<Record> ReadBack(const std::uint8_t* data, std::size_t size) {
    WriteToZv(data, size);
    TReturnCode opened = -1;
    TCommaSepFile file(kModeRead, &opened);
    Require(opened == 0, "an existing ToZv.dat opens");

    const std::vector<std::uint8_t> fields = Fields(data, size);
    // A heap block of exactly one record: AddressSanitizer's red zones on both sides catch
    // a stray write at once, the comparison below any wrong byte inside.
    const auto record = std::make_unique<TPcModulSetup>();
    Record expected{};
    std::size_t next = 0;  // the first field that no record has taken yet
    // A complete record takes 131 fields, so a file of k fields gives k / 131 records and
    // then 9; one call more than that means the reader does not see its end.
    const std::size_t maxCalls = fields.size() / kRecordBytes + 1;
    std::vector<Record> complete;
    for (std::size_t call = 0;; ++call) {
        Require(call < maxCalls, "the reader reports 9 once the fields run out");
        expected.fill(kUntouched);
        std::memcpy(record.get(), expected.data(), kRecordBytes);

        int expectedResult = 9;
        if (next < fields.size()) {
            const std::size_t taken = std::min(kRecordBytes, fields.size() - next);
            std::memcpy(expected.data(), fields.data() + next, taken);
            next += taken;
            expectedResult = taken == kRecordBytes ? 0 : 9;
        } else {
            // After the end every record reads one empty field into its number byte.
            expected[0] = 0;
        }

        const int result = file.LoadData(record.get());
        Require(result == expectedResult, "LoadData returns 0 for a full record, else 9");
        Require(std::memcmp(record.get(), expected.data(), kRecordBytes) == 0,
                "the record holds the file's fields and nothing else changed");
        if (result == 9) {
            return complete;
        }
        complete.push_back(expected);
    }
}

// The records as the formatter lays them out, one file of them.
std::string FormatRecords(const std::vector<Record>& records) {
    std::string text;
    for (std::size_t i = 0; i < records.size(); ++i) {
        text += i == 0 ? "" : kRecordSeparator;
        AppendRecordText(*reinterpret_cast<const TPcModulSetup*>(records[i].data()), text);
    }
    return text;
}

// No line holds more than 80 characters, every line end follows a comma, and the last line
// has none.
void CheckLayout(const std::string& written) {
    std::size_t lineStart = 0;
    for (std::size_t end = written.find("\r\n"); end != std::string::npos;
         end = written.find("\r\n", lineStart)) {
        Require(end - lineStart <= 80, "no line holds more than 80 characters");
        Require(end > lineStart && written[end - 1] == ',', "every line end follows a comma");
        lineStart = end + 2;
    }
    Require(written.size() - lineStart <= 80, "the last line holds at most 80 characters");
    Require(written.find_first_of("\r\n", lineStart) == std::string::npos,
            "lines end in CR LF, and the last line in nothing");
}

// The scanner's fields of the input, which must be those worked out from all its bytes; the
// complete records among them.
std::vector<Record> ScanInMemory(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> fields = Fields(data, size);
    TFieldReader reader = ReadFields(reinterpret_cast<const char*>(data), size);
    TRecordField field;
    std::size_t count = 0;
    while (NextField(reader, field)) {
        Require(count < fields.size(), "the scanner hands over one field per comma and one");
        Require(FieldByte(field) == fields[count], "a field holds the byte its digits make");
        Require(field.begin <= field.end && field.end <= size, "a field lies in the text");
        ++count;
    }
    Require(count == fields.size(), "the scanner hands over every field");
    std::vector<Record> complete(fields.size() / kRecordBytes);
    for (std::size_t r = 0; r < complete.size(); ++r) {
        std::memcpy(complete[r].data(), fields.data() + r * kRecordBytes, kRecordBytes);
    }
    return complete;
}

// The formatter's text keeps to the layout and reads back as the records it was made of.
void FormatAndScan(const std::vector<Record>& records) {
    const std::string text = FormatRecords(records);
    CheckLayout(text);
    TFieldReader reader = ReadFields(text.data(), text.size());
    TRecordField field;
    for (const Record& record : records) {
        for (std::uint8_t byte : record) {
            Require(NextField(reader, field) && FieldByte(field) == byte,
                    "a formatted record reads back as it was");
        }
    }
    Require(!NextField(reader, field) || records.empty(),
            "nothing follows the last formatted record");
}

// Writes the records as a fetch job does: the file must hold the formatter's bytes, and
// read back through the driver's reader unchanged.
void WriteAndReadBack(std::vector<Record> records) {
    {
        TReturnCode created = -1;
        TCommaSepFile writer(kModeWrite, &created);
        Require(created == 0, "fromZv.dat is created");
        for (Record& record : records) {
            Require(writer.WriteData(reinterpret_cast<TPcModulSetup*>(record.data())) == 0,
                    "WriteData succeeds on a good disk");
        }
    }
    Require(ReadWhole(kFromZvFile) == FormatRecords(records),
            "the driver's writer writes the formatter's bytes");

    std::rename(kFromZvFile, kToZvFile);
    TReturnCode opened = -1;
    TCommaSepFile reader(kModeRead, &opened);
    Require(opened == 0, "the written file opens for reading");
    const auto record = std::make_unique<TPcModulSetup>();
    for (const Record& expected : records) {
        Require(reader.LoadData(record.get()) == 0, "every written record reads back");
        Require(std::memcmp(record.get(), expected.data(), kRecordBytes) == 0,
                "a record reads back as it was written");
    }
    Require(reader.LoadData(record.get()) == 9, "nothing follows the last written record");
}

// FNV-1a over the bytes: a sum would pick most inputs of NUL bytes and zeros.
bool InFileSample(const std::uint8_t* data, std::size_t size) {
    std::uint32_t hash = 2166136261U;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ data[i]) * 16777619U;
    }
    return hash % kFileSample == 0;
}

}  // namespace

// Every process of a fuzzing run reads its "ToZv.dat" in a directory of its own, removed
// when the process ends. The reader opens the file by its bare name, so each input runs
// with that directory as the working directory and returns to the caller's afterwards. A
// crash leaves the working directory where it is; so that the crashing input still lands
// beside the caller, the caller's directory becomes the artifact prefix unless one is given.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    callerDir = std::filesystem::current_path();
    std::string pattern =
        (std::filesystem::temp_directory_path() / "zv-fuzz-setup-file.XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "a temporary directory can be made");
    workDir = pattern;
    std::atexit(RemoveWorkDir);

    static std::vector<char*> args(*argv, *argv + *argc);
    static std::string artifactPrefix = "-artifact_prefix=" + callerDir.string() + "/";
    const bool hasPrefix = std::any_of(args.begin(), args.end(), [](const char* arg) {
        return std::strncmp(arg, "-artifact_prefix=", 17) == 0;
    });
    if (!hasPrefix) {
        args.push_back(artifactPrefix.data());
        *argc = static_cast<int>(args.size());
        args.push_back(nullptr);
        *argv = args.data();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<Record> records = ScanInMemory(data, size);
    CheckLayout(FormatRecords(records));
    if (InFileSample(data, size)) {
        FormatAndScan(records);
        std::filesystem::current_path(workDir);
        const std::vector<Record> read = ReadBack(data, size);
        Require(read == records, "the file reader gives the records the scanner gives");
        WriteAndReadBack(read);
        std::filesystem::current_path(callerDir);
    }
    return 0;
}
