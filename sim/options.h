#pragma once
#include <string>
#include <vector>

#include "sim/unit.h"

// The command line of minizv-sim.
struct SimOptions {
    std::string link;    // symbolic link to create, pointing at the line
    std::string device;  // a real serial device instead of a pseudo-terminal
    std::string store;   // store file, loaded at start and saved after each send
    // Several units, one per --link, each with its own store (the --store of the same
    // place in the order, or none): one process serves them all (fanout_*.cpp).
    std::vector<std::string> links;
    std::vector<std::string> stores;
    UnitConfig unit;
    bool pace = false;
    bool trace = false;
    bool help = false;
    bool version = false;    // print the program's version and exit
    unsigned exitAfter = 0;  // 0: run until a signal
    int printRecord = -1;    // >= 0: print that record and exit
};

// 0 with `options` filled in, or 1 with a message in `error`.
int ParseOptions(int argc, const char* const* argv, SimOptions& options, std::string& error);

// The --help text.
const char* SimUsage();
