#pragma once
// The unit-name rule as a table, run by the unit tests on POSIX (ledger_test.cpp) and by
// unit_names_check.exe under Wine, so that both systems read every name alike: whether it is
// a unit's name, and whether it and `other` are one unit where case is ignored (Windows) and
// where it is not (POSIX).
#include "zvtool/ledger/ledger.h"

struct TUnitNameRow {
    const char* name;
    TUnitName verdict;
    const char* other;      // a second name to compare it with
    bool sameIgnoringCase;  // one unit where the file system ignores case
    bool sameWithCase;      // one unit where it does not
};

inline constexpr TUnitNameRow kUnitNameRows[] = {
    {"pump-3", TUnitName::kGood, "pump-3", true, true},
    {"Pump-3", TUnitName::kGood, "pump-3", true, false},
    {"PUMP-3", TUnitName::kGood, "Pump-3", true, false},
    {"pump-3", TUnitName::kGood, "pump-4", false, false},
    {"A.b_c", TUnitName::kGood, "a.B_C", true, false},
    {"x", TUnitName::kGood, "X", true, false},
    {"0123456789012345678901234567890123456789012345678901234567890123", TUnitName::kGood, "x",
     false, false},
    // Windows keeps these names for devices, in any case and with any extension.
    {"CON", TUnitName::kDeviceName, "con", true, false},
    {"con", TUnitName::kDeviceName, "con", true, true},
    {"Prn", TUnitName::kDeviceName, "prn", true, false},
    {"aux", TUnitName::kDeviceName, "aux", true, true},
    {"NUL", TUnitName::kDeviceName, "nul", true, false},
    {"nul.dat", TUnitName::kDeviceName, "NUL.dat", true, false},
    {"COM1", TUnitName::kDeviceName, "com1", true, false},
    {"com9", TUnitName::kDeviceName, "com9", true, true},
    {"LPT1", TUnitName::kDeviceName, "lpt1", true, false},
    {"lpt9.old", TUnitName::kDeviceName, "lpt9.old", true, true},
    // Near those names but none of them: the folder is an ordinary folder.
    {"COM0", TUnitName::kGood, "com0", true, false},
    {"com10", TUnitName::kGood, "COM10", true, false},
    {"LPT", TUnitName::kGood, "lpt", true, false},
    {"console", TUnitName::kGood, "CONSOLE", true, false},
    {"xcon", TUnitName::kGood, "xcon", true, true},
    {"nul-3", TUnitName::kGood, "nul-3", true, true},
    {"con_1", TUnitName::kGood, "con_1", true, true},
    // Not a name at all: no word of the log, or no folder's name.
    {"", TUnitName::kNotAName, "", true, true},
    {".hidden", TUnitName::kNotAName, ".hidden", true, true},
    {"..", TUnitName::kNotAName, "..", true, true},
    {"a/b", TUnitName::kNotAName, "a/b", true, true},
    {"a\\b", TUnitName::kNotAName, "a\\b", true, true},
    {"a b", TUnitName::kNotAName, "a b", true, true},
    {"a@1", TUnitName::kNotAName, "a@1", true, true},
    {"pump:3", TUnitName::kNotAName, "pump:3", true, true},
    {"01234567890123456789012345678901234567890123456789012345678901234", TUnitName::kNotAName, "x",
     false, false},
};
