// Any bytes as "ToZv.dat", read record by record as a send job reads it. Each record must
// hold what the file's fields say, the reader must stop with 9 once the fields run out, and
// no read may touch a byte outside the 131 of its record. The complete records then go
// through the writer and back through the reader, which must give them back unchanged.
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
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr std::size_t kRecordBytes = sizeof(TPcModulSetup);
constexpr std::uint8_t kCtrlZ = 26;
constexpr std::size_t kDigitsThatCount = 7;
// Fills the record before every read, so that a byte the reader must leave alone shows it.
constexpr std::uint8_t kUntouched = 0xA5;

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

// Writes the records as a fetch job does, checks the lines of "fromZv.dat", and reads the
// file back: the writer and the reader must agree on every byte.
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
    const std::string written = ReadWhole(kFromZvFile);
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
    std::filesystem::current_path(workDir);
    WriteAndReadBack(ReadBack(data, size));
    std::filesystem::current_path(callerDir);
    return 0;
}
