#pragma once
#include <string>
#include <vector>

// The units of a bench: a name (its run folder's name) and the port it hangs on, from
// `--ports A,B,C` or from a units file. Pure.

struct TBenchUnit {
    std::string name;  // "unit1", or as the units file names it
    std::string port;  // as --port takes it: a number, a device path, usb:VID:PID[:SERIAL]
};

// "A,B,C": the units unit1, unit2, ... on ports A, B, C. False with `error` for an empty
// entry, a port that --port would refuse, or a port named twice.
bool ParsePortList(const std::string& text, std::vector<TBenchUnit>* units, std::string* error);

// A units file: one unit a line, "NAME PORT"; blank lines and lines starting with '#' are
// skipped. A name is 1 to 64 letters, digits, '.', '-' and '_', not starting with '.': it
// names the unit's folder and its backups in the ledger.
// False with `error` naming the line for anything else, or a name or port given twice.
bool ParseUnitsFile(const std::string& text, std::vector<TBenchUnit>* units, std::string* error);
