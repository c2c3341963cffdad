#include "sim/store.h"

#include <cerrno>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kFlagWord = "flag";

// Splits a line into tokens at spaces, tabs, commas and CR.
std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> tokens;
    std::string current;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
            if (!current.empty()) {
                tokens.push_back(current);
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        tokens.push_back(current);
    }
    return tokens;
}

// A decimal number from 0 to `limit`: true and `value` set, or false.
bool ReadNumber(const std::string& token, unsigned limit, unsigned& value) {
    if (token.empty() || token.size() > 3) {
        return false;
    }
    unsigned result = 0;
    for (char c : token) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + static_cast<unsigned>(c - '0');
    }
    if (result > limit) {
        return false;
    }
    value = result;
    return true;
}

// One line of a store file into `store`: true, or false with a message.
bool ParseLine(const std::string& line, SimStore& store, std::string& error) {
    const std::vector<std::string> tokens = Tokens(line);
    if (tokens.empty() || tokens[0][0] == '#') {
        return true;
    }
    unsigned value = 0;
    if (tokens[0] == kFlagWord) {
        if (tokens.size() != 2 || !ReadNumber(tokens[1], 255, value)) {
            error = "the flag line needs one number 0..255";
            return false;
        }
        store.centralFlag = static_cast<std::uint8_t>(value);
        return true;
    }
    unsigned number = 0;
    if (!ReadNumber(tokens[0], kLastModul, number)) {
        error = "a record line must start with a record number 0..200";
        return false;
    }
    if (tokens.size() != kSetupBytes + 1) {
        error = "record " + std::to_string(number) + " needs 130 bytes, has " +
                std::to_string(tokens.size() - 1);
        return false;
    }
    SimRecord record{};
    for (std::size_t k = 0; k < record.size(); ++k) {
        if (!ReadNumber(tokens[k + 1], 255, value)) {
            error = "record " + std::to_string(number) + ": '" + tokens[k + 1] +
                    "' is not a byte value";
            return false;
        }
        record[k] = static_cast<std::uint8_t>(value);
    }
    store.records[number] = record;
    return true;
}

}  // namespace

void StoreSetDefaults(SimStore& store) {
    for (std::size_t k = 0; k < kSetupBytes; ++k) {
        store.records[0][k] = static_cast<std::uint8_t>((k * 3 + 1) & 0xFF);
    }
    for (std::size_t n = 1; n <= kLastModul; ++n) {
        for (std::size_t k = 0; k < kSetupBytes; ++k) {
            store.records[n][k] = static_cast<std::uint8_t>((n * 7 + k) & 0xFF);
        }
    }
    store.centralFlag = 0;
}

int StoreLoad(const std::string& path, SimStore& store, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        if (errno == ENOENT) {
            return 1;
        }
        error = path + ": cannot be opened";
        return 2;
    }
    SimStore loaded = store;
    std::string line;
    int lineNumber = 1;
    bool good = true;
    for (int c = std::fgetc(file); good && c != EOF; c = std::fgetc(file)) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        good = ParseLine(line, loaded, error);
        if (good) {
            line.clear();
            ++lineNumber;
        }
    }
    if (good) {
        good = ParseLine(line, loaded, error);
    }
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    if (readFailed) {
        error = path + ": read error";
        return 2;
    }
    if (!good) {
        error = path + ":" + std::to_string(lineNumber) + ": " + error;
        return 2;
    }
    store = loaded;
    return 0;
}

int StoreSave(const std::string& path, const SimStore& store) {
    const std::string temporary = path + ".tmp";
    // Binary, so the file holds LF line ends on every platform.
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return 1;
    }
    bool good = true;
    for (int n = 0; n <= kLastModul; ++n) {
        good = good && std::fprintf(file, "%s\n", StoreRecordLine(store, n).c_str()) > 0;
    }
    good = good && std::fprintf(file, "%s %d\n", kFlagWord, store.centralFlag) > 0;
    good = std::fclose(file) == 0 && good;
    if (!good || StoreReplace(temporary, path) != 0) {
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}

std::string StoreRecordLine(const SimStore& store, int number) {
    std::string line = std::to_string(number);
    for (std::uint8_t byte : store.records[static_cast<std::size_t>(number)]) {
        line += ' ';
        line += std::to_string(byte);
    }
    return line;
}
