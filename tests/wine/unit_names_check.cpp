// unit_names_check.exe FOLDER: the unit-name rule on Windows, with the table the POSIX unit
// tests run (tests/zvtool/unit_name_rows.h), and against the system itself: every name the
// rule takes can be a folder in FOLDER, every device name cannot, and two names that differ in
// case only are one folder, which the ledger files as one unit.
#include <string>

#include "tests/wine/checks.h"
#include "tests/zvtool/unit_name_rows.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/platform/files.h"

namespace {

void CheckRow(const TUnitNameRow& row, const std::string& folder) {
    const std::string name = std::string("'") + row.name + "' vs '" + row.other + "'";
    Check(CheckUnitName(row.name) == row.verdict, ("verdict of " + name).c_str());
    Check(SameUnitName(row.name, row.other, FileNamesIgnoreCase()) == row.sameIgnoringCase,
          ("one unit or two: " + name).c_str());
    if (row.verdict == TUnitName::kNotAName) {
        return;
    }
    // What the system itself says of the name as a folder of the ledger.
    std::string error;
    const std::string path = JoinPath(folder, row.name);
    const bool made = MakeFolders(path, TFolderMode::kPrivate, &error) && IsFolder(path);
    Check(made == (row.verdict == TUnitName::kGood), ("a folder called " + name).c_str(), error);
    if (made && row.sameIgnoringCase) {
        Check(IsFolder(JoinPath(folder, row.other)), ("the same folder: " + name).c_str());
    }
}

// Two backups under pump-3 and Pump-3: one unit, one folder, one count of UNIT@N.
void CheckLedger(const std::string& folder) {
    const TLedgerPlace place{JoinPath(folder, "ledger"), "", "wine"};
    TLedgerEntry kept;
    for (const char* unit : {"pump-3", "Pump-3"}) {
        const TKeepRequest request{"0, 1, 2", "",    kKindBackup, unit,
                                   "COM1",    "1.0", folder,      1796790612};
        Check(KeepInLedger(place, request, &kept).exit == 0, (std::string("kept ") + unit).c_str());
    }
    Check(kept.unit == "pump-3", "the second copy is filed under the ledger's spelling", kept.unit);
    const TUnitsResult units = LedgerUnits(place, 1796790700);
    Check(units.units.size() == 1 && units.units[0].kept == 2, "one unit with two copies");
    const THistoryResult history = LedgerHistory(place, "PUMP-3", 1796790700);
    Check(history.entries.size() == 2 && history.entries[1].name == "pump-3@2",
          "history PUMP-3 lists pump-3@1 and pump-3@2");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: unit_names_check.exe FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    Check(FileNamesIgnoreCase(), "names ignore case on Windows");
    for (const TUnitNameRow& row : kUnitNameRows) {
        CheckRow(row, folder);
    }
    CheckLedger(folder);
    return CheckSummary();
}
