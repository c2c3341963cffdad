#include "zvtool/bench/units.h"

#include <sstream>
#include <string>
#include <vector>

#include "zvtool/jobs/request.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/ports/port_arg.h"

namespace {

// The port as one key: 1, COM1 and com1 are the same port.
std::string PortKey(const std::string& port) {
    TPortArg wanted;
    std::string ignored;
    ParsePortArg(port, &wanted, &ignored);
    return wanted.kind == TPortKind::kNumber ? "COM" + std::to_string(wanted.number) : port;
}

// Adds a unit, refusing a port --port would not take and a name or port given twice.
bool AddUnit(const TBenchUnit& unit, const std::string& where, std::vector<TBenchUnit>* units,
             std::string* error) {
    TPortArg wanted;
    std::string why;
    if (!ParsePortArg(unit.port, &wanted, &why)) {
        *error = where + why;
        return false;
    }
    for (const TBenchUnit& other : *units) {
        if (PortKey(other.port) == PortKey(unit.port)) {
            *error = where + "the port " + unit.port + " is named twice";
            return false;
        }
        if (other.name == unit.name) {
            *error = where + "the unit " + unit.name + " is named twice";
            return false;
        }
    }
    units->push_back(unit);
    return true;
}

// The job's words on a command line: "fetch modules 3-5", "restore FILE --modules 2-3".
std::vector<std::string> JobWords(const TZvOptions& options) {
    const std::string range = std::to_string(options.first) + "-" + std::to_string(options.last);
    switch (options.job) {
        case TZvJob::kTest:
            return {"test"};
        case TZvJob::kFetchCentral:
            return {"fetch", "central"};
        case TZvJob::kFetchModules:
            return {"fetch", "modules", range};
        case TZvJob::kSendCentral:
            return {"send", "central", options.file};
        case TZvJob::kSendModules:
            return {"send", "modules", options.file};
        case TZvJob::kBackup:
            return {"backup", "--modules", range};
        default:
            if (options.rangeGiven) {
                return {"restore", options.file, "--modules", range};
            }
            return {"restore", options.file};
    }
}

}  // namespace

bool ParsePortList(const std::string& text, std::vector<TBenchUnit>* units, std::string* error) {
    std::vector<TBenchUnit> parsed;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string port =
            text.substr(start, comma == std::string::npos ? comma : comma - start);
        if (port.empty()) {
            *error =
                "--ports takes ports separated by commas (1,2,/dev/ttyUSB0), without an "
                "empty one";
            return false;
        }
        if (!AddUnit({"unit" + std::to_string(parsed.size() + 1), port}, "--ports: ", &parsed,
                     error)) {
            return false;
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    *units = parsed;
    return true;
}

bool ParseUnitsFile(const std::string& text, std::vector<TBenchUnit>* units, std::string* error) {
    std::vector<TBenchUnit> parsed;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        TBenchUnit unit;
        std::string extra;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (!(words >> unit.name) || unit.name[0] == '#') {
            continue;
        }
        if (!(words >> unit.port) || (words >> extra)) {
            *error = where + "give a unit's name and its port, as \"bay1 /dev/ttyUSB0\"";
            return false;
        }
        if (!IsUnitName(unit.name)) {
            *error = where + "'" + unit.name +
                     "' cannot name a unit and its folder: use 1 to 64 letters, digits, '.', "
                     "'-' and '_', not starting with '.'";
            return false;
        }
        if (!AddUnit(unit, where, &parsed, error)) {
            return false;
        }
    }
    if (parsed.empty()) {
        *error = "no unit in the units file";
        return false;
    }
    *units = parsed;
    return true;
}

std::vector<std::string> UnitCommandLine(const TZvOptions& options, const TBenchUnit& unit,
                                         const std::string& folder, const std::string& program) {
    std::vector<std::string> line{program};
    const std::vector<std::string> words = JobWords(options);
    line.insert(line.end(), words.begin(), words.end());
    const std::pair<const char*, const std::string*> valued[] = {
        {"--output", &options.output}, {"--driver", &options.driver}, {"--trace", &options.trace}};
    for (const auto& [name, value] : valued) {
        if (!value->empty()) {
            line.insert(line.end(), {name, *value});
        }
    }
    const std::pair<const char*, bool> flags[] = {{"--ignore-mut-block", options.ignoreMutBlock},
                                                  {"--force", options.force},
                                                  {"--dated", options.dated},
                                                  {"--resume", options.resume},
                                                  {"--skip-refused", options.skipRefused},
                                                  {"--dry-run", options.dryRun},
                                                  {"--no-backup", options.noBackup},
                                                  {"--all", options.sendAll}};
    for (const auto& [name, given] : flags) {
        if (given) {
            line.push_back(name);
        }
    }
    // Each unit's backups and copies go into the ledger under the unit's own name, and what it
    // says about finishing a job names its folder.
    if (options.job == TZvJob::kBackup || options.job == TZvJob::kRestore) {
        line.insert(line.end(), {"--unit", unit.name});
    }
    line.insert(line.end(), {"--dir", folder, "--port", unit.port, "--json"});
    return line;
}
