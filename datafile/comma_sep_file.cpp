#include "datafile/comma_sep_file.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "datafile/file_error.h"
#include "datafile/record_text.h"
#include "datafile/write_file.h"

// Both files are opened in binary mode and the text-mode work is done here, so the bytes on
// disk are the same on every platform: lines end in CR LF, and a Ctrl-Z ends the read file.
namespace {

constexpr char kReadMode[] = "rb";
constexpr int kNoChar = -1;
constexpr int kLastByte = static_cast<int>(kNumbersPerRecord) - 1;

constexpr TReturnCode kOk = 0;
constexpr TReturnCode kCannotOpenToZv = 8;
constexpr int kFileEnded = 9;
constexpr int kWriteFailed = 10;

// The output line being built, one for the whole program (there is never more than one
// writer). Room for the longest line the layout lets grow, its line end and a terminator.
char lineBuffer[kLineLimit + sizeof(kLineEnd)] = {};
std::size_t lineLength = 0;

void Append(const char* text) {
    const std::size_t length = std::strlen(text);
    if (lineLength + length < sizeof(lineBuffer)) {
        std::memcpy(lineBuffer + lineLength, text, length + 1);
        lineLength += length;
    }
}

// Writes the line out and empties it; 0, or kWriteFailed when the stream refused it.
int FlushLine(std::FILE* file) {
    const bool written = std::fwrite(lineBuffer, 1, lineLength, file) == lineLength;
    if (!written) {
        NoteFileError(kFromZvFile, errno);
    }
    lineLength = 0;
    lineBuffer[0] = '\0';
    return written ? 0 : kWriteFailed;
}

}  // namespace

TCommaSepFile::TCommaSepFile(char mode, TReturnCode* result) {
    firstRecord = 1;
    if (mode == kModeRead) {
        readFile = std::fopen(kToZvFile, kReadMode);
        // A name that opens but cannot be read at all (a directory on POSIX) is a file that
        // cannot be opened, as on Windows, not a file that ends before its first record.
        if (readFile != nullptr) {
            const int c = std::fgetc(readFile);
            if (std::ferror(readFile) != 0) {
                NoteFileError(kToZvFile, errno);
                std::fclose(readFile);
                readFile = nullptr;
            } else if (c != EOF) {
                std::ungetc(c, readFile);
            }
        }
        if (readFile == nullptr) {
            NoteFileError(kToZvFile, errno);
        }
        *result = readFile != nullptr ? kOk : kCannotOpenToZv;
    } else {
        writeFile = OpenWriteFile(kFromZvFile);
        if (writeFile == nullptr) {
            NoteFileError(kFromZvFile, errno);
        }
        *result = writeFile != nullptr ? kOk : kWriteFailed;
    }
}

TCommaSepFile::~TCommaSepFile() {
    Close();
}

// A file system may report a write only when the file is closed (a network share, a quota
// on a deferred write), so a failed close of the write file counts as a failed write.
int TCommaSepFile::Close() {
    int code = 0;
    if (readFile != nullptr) {
        std::fclose(readFile);
        readFile = nullptr;
    }
    if (writeFile != nullptr) {
        if (std::fclose(writeFile) != 0) {
            NoteFileError(kFromZvFile, errno);
            code = kWriteFailed;
        }
        writeFile = nullptr;
    }
    return code;
}

int TCommaSepFile::ReadChar() {
    if (readFileEnded == 0 && readFile != nullptr) {
        const int c = std::fgetc(readFile);
        if (c != EOF && c != kEndOfText) {
            return c;
        }
    }
    readFileEnded = 1;
    return kNoChar;
}

int TCommaSepFile::LoadData(TPcModulSetup* record) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(record);
    endOfFile = 0;
    int code = 0;
    for (int i = 0; i <= kLastByte && code == 0; ++i) {
        code = GetOneNumber(&bytes[i]);
    }
    return code;
}

// Reads one field up to and including its comma; the record text's rules make the number.
int TCommaSepFile::GetOneNumber(std::uint8_t* target) {
    if (endOfFile != 0) {
        return kFileEnded;
    }
    TFieldScanner scanner;
    TRecordField field;
    int c = ReadChar();
    while (c != kNoChar && !ScanChar(scanner, static_cast<char>(c), field)) {
        c = ReadChar();
    }
    if (c == kNoChar) {
        EndScan(scanner, field);
        endOfFile = 1;
    }
    *target = FieldByte(field);
    return 0;
}

// Flushes the stream after every record and reports 10 on any stream error: a fetch that
// lost records must not report success. Records written before a failure stay in the file.
int TCommaSepFile::WriteData(TPcModulSetup* record) {
    if (writeFile == nullptr) {
        return kWriteFailed;
    }
    auto* bytes = reinterpret_cast<std::uint8_t*>(record);
    int code = 0;
    firstNumber = 1;
    lastNumber = 0;
    if (firstRecord == 0) {
        std::fputs(kRecordSeparator, writeFile);
    }
    firstRecord = 0;
    // A failed number does not stop the record: the line buffer must end the record empty.
    for (int i = 0; i < kLastByte; ++i) {
        if (WriteOneNumber(&bytes[i]) != 0) {
            code = kWriteFailed;
        }
    }
    lastNumber = 1;
    if (WriteOneNumber(&bytes[kLastByte]) != 0) {
        code = kWriteFailed;
    }
    if (std::fflush(writeFile) != 0 || std::ferror(writeFile) != 0) {
        NoteFileError(kFromZvFile, errno);
        code = kWriteFailed;
    }
    return code;
}

// Appends one number to the line; a full line ends in "," and a line end and goes out first.
int TCommaSepFile::WriteOneNumber(std::uint8_t* value) {
    int code = 0;
    if (firstNumber != 0) {
        firstNumber = 0;
    } else if (NextNumberFits(lineLength)) {
        Append(kNextOnLine);
    } else {
        Append(kNextOnNewLine);
        code = FlushLine(writeFile);
    }
    char text[kNumberTextSize];
    NumberText(*value, text);
    Append(text);
    if (lastNumber != 0 && FlushLine(writeFile) != 0) {
        code = kWriteFailed;
    }
    return code;
}
