// minizv-sim: the simulated unit on a serial line. The same program on every platform; the
// line and the stop request are the platform's (line_posix.cpp, line_win32.cpp).
#include <cstdio>
#include <string>

#include "sim/fanout.h"
#include "sim/line.h"
#include "sim/options.h"
#include "sim/serve.h"
#include "sim/store.h"
#include "sim/trace.h"
#include "sim/unit.h"
#include "version.h"

namespace {

// A line this platform can serve: 0, or 1 with `error` set.
int CheckLine(const SimOptions& options, std::string& error) {
    if (LineHasPty()) {
        return 0;
    }
    if (!options.link.empty()) {
        error = "--link needs a pseudo-terminal, which only POSIX systems have; use --device";
        return 1;
    }
    if (options.device.empty()) {
        error = "no pseudo-terminals on this system: name a serial port with --device COMn";
        return 1;
    }
    return 0;
}

int OpenLine(const SimOptions& options, std::string& readyPath) {
    std::string error;
    std::string linePath = options.device;
    const int opened = options.device.empty() ? LineOpenPty(linePath, error)
                                              : LineOpenDevice(options.device, error);
    if (opened != 0 || (!options.link.empty() && LineLink(linePath, options.link, error) != 0)) {
        std::fprintf(stderr, "minizv-sim: %s\n", error.c_str());
        LineClose();
        return 1;
    }
    readyPath = options.link.empty() ? linePath : options.link;
    return 0;
}

// Serves one unit on its line until it ends: the program's exit status.
int ServeUnit(const SimOptions& options) {
    std::string error;
    SimStore store;
    StoreSetDefaults(store);
    if (!options.store.empty() && StoreLoad(options.store, store, error) == 2) {
        std::fprintf(stderr, "minizv-sim: %s\n", error.c_str());
        return kExitUsage;
    }
    if (options.printRecord >= 0) {
        std::printf("%s\n", StoreRecordLine(store, options.printRecord).c_str());
        return kExitDone;
    }
    if (CheckLine(options, error) != 0) {
        std::fprintf(stderr, "minizv-sim: %s (see --help)\n", error.c_str());
        return kExitUsage;
    }
    TraceStart(options.trace);
    std::string readyPath;
    if (LineCatchStop() != 0 || OpenLine(options, readyPath) != 0) {
        return kExitLineFailed;
    }
    SimUnit unit;
    UnitInit(unit, options.unit, store);
    std::printf("ready %s\n", readyPath.c_str());
    std::fflush(stdout);
    const int status = Serve(options, unit);
    LineClose();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (ParseOptions(argc, argv, options, error) != 0) {
        std::fprintf(stderr, "minizv-sim: %s (see --help)\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(SimUsage(), stdout);
        return kExitDone;
    }
    if (options.version) {
        std::printf("minizv-sim %s\n", ZV_VERSION);
        return kExitDone;
    }
    if (options.links.size() > 1 && options.printRecord < 0) {
        if (CheckLine(options, error) != 0) {
            std::fprintf(stderr, "minizv-sim: %s (see --help)\n", error.c_str());
            return kExitUsage;
        }
        return ServeUnits(options, ServeUnit);
    }
    return ServeUnit(options);
}
