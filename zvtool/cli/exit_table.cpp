#include "zvtool/cli/exit_table.h"

#include <string>
#include <vector>

namespace {

constexpr std::size_t kHelpWidth = 88;
constexpr std::size_t kCodeColumn = 9;

const std::vector<TExitRow> kRows = {
    {"0",
     "the job did what was asked (the driver's result 0 for test, 1 for sends, 3 for "
     "fetches); check and diff: 0 sound or equal"},
    {"1-11",
     "the driver's result code (below); check and diff: 1 problems or different, 2 trouble"},
    {"64", "bad command line"},
    {"65", "a record file fails the check, or is not what the command sends"},
    {"66", "a file cannot be read, or the folder --dir names is not there"},
    {"69",
     "no driver found, or it cannot be started; ledger share and sync: no git, or the remote "
     "cannot be reached"},
    {"70", "the driver ended without a result"},
    {"73",
     "a file cannot be created or written: the folder, a job key, or -o FILE that is there "
     "(without --force); the driver was not started; ledger share and sync: the ledger cannot "
     "be committed, or the others' entries do not merge"},
    {"74", "reading or writing failed part-way"},
    {"75",
     "another zvtool job runs on the driver's files (its job and start time are named); "
     "ledger share and sync: the shared ledger's lock is held for more than 2 minutes"},
    {"76",
     "the driver did not run the job asked for: a result that job cannot give (it did not "
     "see the keys), an exit without \"ComStatus\", or a fetch without all the records asked "
     "for"},
    {"77", "you may not open the serial port (the message names the group that may)",
     "you may not open the serial port (the message says why)"},
    {"79", "backup --skip-refused: the unit refused modules, which the backup lacks"},
    {"80", "restore: a record read back differs from the one sent"},
    {"81",
     "a ledger copy is not what its line in the log says (its SHA-256 does not match, or it "
     "is missing): the file and both hashes are named"},
    {"82",
     "--resume, or a folder's remembered unit: the partial file, the unit or its port is not "
     "the one the stopped job left (both sides are named)"},
    {"83", "the port went away, or leads to another device, in the middle of a job"},
    {"84", "not possible on this system",
     "not possible on Windows: a bench (--ports, --units), since every driver shares the two "
     "INI files of the Windows directory"},
    {"130", "stopped by Ctrl-C"},
};

}  // namespace

const std::vector<TExitRow>& ExitRows() {
    return kRows;
}

std::string Wrapped(const std::string& text, std::size_t width, std::size_t indent) {
    std::string out;
    std::size_t column = indent;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string word = text.substr(start, end - start);
        if (column > indent && column + 1 + word.size() > width) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        start = end + 1;
    }
    return out;
}

std::string ExitHelpText(TSystem system) {
    std::string text;
    for (const TExitRow& row : kRows) {
        std::string code = std::string("  ") + row.codes;
        code.resize(kCodeColumn, ' ');
        const bool windows = system == TSystem::kWindows && row.windowsMeaning != nullptr;
        text += code +
                Wrapped(windows ? row.windowsMeaning : row.meaning, kHelpWidth, kCodeColumn) + "\n";
    }
    return text;
}
