#include "zvtool/bench/units.h"

#include <sstream>
#include <string>
#include <vector>

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
        if (CheckUnitName(unit.name) != TUnitName::kGood) {
            *error = where + "'" + unit.name + "' cannot name a unit and its folder: use " +
                     kUnitNameRule;
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
