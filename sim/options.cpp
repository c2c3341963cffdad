#include "sim/options.h"

#include <cstddef>

#include "device/setup_records.h"

namespace {

constexpr unsigned long kMaxCount = 1000000;
constexpr unsigned long kMaxStray = 10000;
constexpr unsigned long kMaxByte = 255;

const char kUsage[] =
    "Usage: minizv-sim [--link PATH | --device DEV] [options]\n"
    "\n"
    "Plays the MiniZv interface unit on a serial line: acknowledges every good data frame\n"
    "and answers each request from a store of one central and 200 module records.\n"
    "Prints \"ready PATH\" on stdout once the line can be opened, then runs until SIGINT\n"
    "or SIGTERM (on Windows: Ctrl-C, Ctrl-Break or its console closed).\n"
    "\n"
    "Line:\n"
    "  --link PATH        serve a pseudo-terminal and link its slave at PATH (an existing\n"
    "                     link is replaced, and removed again on exit); without --device\n"
    "                     and --link the slave's own path is printed (POSIX only)\n"
    "  --device DEV       use the serial device DEV at 2400 baud 8N1 instead (with --link,\n"
    "                     PATH links to DEV); on Windows a port such as COM4, and required\n"
    "\n"
    "Unit:\n"
    "  --store FILE       load the records from FILE if it exists; save them to FILE after\n"
    "                     every send that was carried out\n"
    "  --unit-version A,B version bytes of the version reply (default 1,0); the older\n"
    "                     spelling --version A,B still works\n"
    "  --print-record N   print record N (0 central, 1..200 module) as the unit holds it\n"
    "                     (after --store) in store-file form, and exit\n"
    "\n"
    "Faults (each count K covers the first K frames that reach it; a frame gets at most\n"
    "one of these, tried in the order listed):\n"
    "  --silent           never answer anything\n"
    "  --no-ack K         ignore the first K data frames entirely\n"
    "  --bad-ack K        acknowledge the next K frames with code 2 and carry nothing out\n"
    "  --wrong-reply K    the next K replies carry another reply code (2->4->..->10->2)\n"
    "  --damage-reply K   the next K replies have a wrong checksum\n"
    "  --truncate-reply K the next K replies are cut to half their length\n"
    "  --status C:M:V     answer request C (3, 5, 7 or 9) for module M (0 for the central\n"
    "                     record) with status byte V; repeatable; a send refused this way\n"
    "                     stores nothing\n"
    "  --stray N          send N junk bytes (never 0xAA) before every acknowledgement and\n"
    "                     every reply\n"
    "  --pace             send at the 2400-baud byte rate, 4.17 ms per byte\n"
    "  --exit-after K     exit after answering K frames, as if the unit vanished\n"
    "\n"
    "Other:\n"
    "  --trace            print every byte received and sent, and what the unit did, with\n"
    "                     milliseconds since start, on stderr\n"
    "  --version          print the program's version and exit\n"
    "  --help             print this text\n"
    "\n"
    "Records without a store file: byte k (0..129) of module n is (n*7 + k) & 255, byte k of\n"
    "the central record (k*3 + 1) & 255. Module 0 and modules above 200 do not exist: a\n"
    "fetch gets status 1 and 130 zero bytes, a send status 1.\n"
    "Store file: one line per record, its number (0 central) and its 130 bytes in decimal,\n"
    "separated by spaces; then \"flag F\", the flag byte of the last central send. Lines may\n"
    "be left out (defaults stay) or come in any order; '#' starts a comment line.\n";

// A number, decimal or 0x hexadecimal, from 0 to `limit`: true with `value`, else false.
bool ReadNumber(const std::string& text, unsigned long limit, unsigned long& value) {
    std::size_t i = 0;
    unsigned long base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i == text.size()) {
        return false;
    }
    unsigned long result = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned long digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned long>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned long>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned long>(c - 'A' + 10);
        } else {
            return false;
        }
        result = result * base + digit;
        if (result > limit) {
            return false;
        }
    }
    value = result;
    return true;
}

// Splits "A<sep>B<sep>C" into exactly `count` numbers up to `limit` each.
bool ReadNumberList(const std::string& text, char separator, std::size_t count, unsigned long limit,
                    unsigned long* values) {
    std::size_t start = 0;
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t end = n + 1 < count ? text.find(separator, start) : text.size();
        if (end == std::string::npos ||
            !ReadNumber(text.substr(start, end - start), limit, values[n])) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool ReadStatus(const std::string& text, StatusOverride& entry) {
    unsigned long values[3] = {};
    if (!ReadNumberList(text, ':', 3, kMaxByte, values)) {
        return false;
    }
    const bool central = values[0] == 3 || values[0] == 5;
    const bool modul = values[0] == 7 || values[0] == 9;
    if (!(central && values[1] == 0) && !modul) {
        return false;
    }
    entry = {static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
             static_cast<std::uint8_t>(values[2])};
    return true;
}

bool ReadCount(const std::string& text, unsigned long limit, unsigned& count) {
    unsigned long value = 0;
    if (!ReadNumber(text, limit, value)) {
        return false;
    }
    count = static_cast<unsigned>(value);
    return true;
}

// Applies one option that takes a value: true, or false when `value` does not fit.
bool TakeValue(const std::string& name, const std::string& value, SimOptions& options) {
    UnitFaults& faults = options.unit.faults;
    if (name == "--link") {
        options.link = value;
        return !value.empty();
    }
    if (name == "--device") {
        options.device = value;
        return !value.empty();
    }
    if (name == "--store") {
        options.store = value;
        return !value.empty();
    }
    if (name == "--unit-version") {
        unsigned long bytes[2] = {};
        if (!ReadNumberList(value, ',', 2, kMaxByte, bytes)) {
            return false;
        }
        options.unit.version[0] = static_cast<std::uint8_t>(bytes[0]);
        options.unit.version[1] = static_cast<std::uint8_t>(bytes[1]);
        return true;
    }
    if (name == "--status") {
        StatusOverride entry{};
        if (!ReadStatus(value, entry)) {
            return false;
        }
        faults.statuses.push_back(entry);
        return true;
    }
    if (name == "--print-record") {
        unsigned long number = 0;
        if (!ReadNumber(value, kLastModul, number)) {
            return false;
        }
        options.printRecord = static_cast<int>(number);
        return true;
    }
    unsigned stray = static_cast<unsigned>(options.unit.stray.size());
    struct Count {
        const char* name;
        unsigned* target;
        unsigned long limit;
    };
    const Count counts[] = {{"--no-ack", &faults.noAck, kMaxCount},
                            {"--bad-ack", &faults.badAck, kMaxCount},
                            {"--wrong-reply", &faults.wrongReply, kMaxCount},
                            {"--damage-reply", &faults.damageReply, kMaxCount},
                            {"--truncate-reply", &faults.truncateReply, kMaxCount},
                            {"--stray", &stray, kMaxStray},
                            {"--exit-after", &options.exitAfter, kMaxCount}};
    for (const Count& count : counts) {
        if (name == count.name && ReadCount(value, count.limit, *count.target)) {
            options.unit.stray = StrayJunk(stray);
            return true;
        }
    }
    return false;
}

bool IsValueOption(const std::string& name) {
    const char* const names[] = {
        "--link",           "--device", "--store",     "--unit-version", "--status",
        "--print-record",   "--no-ack", "--bad-ack",   "--wrong-reply",  "--damage-reply",
        "--truncate-reply", "--stray",  "--exit-after"};
    for (const char* known : names) {
        if (name == known) {
            return true;
        }
    }
    return false;
}

// The older spelling of --unit-version: "--version A,B" or "--version=A,B". A bare --version
// asks for the program's version; a value of the form N,N is taken for the two bytes.
bool IsOldUnitVersion(bool hasValue, int i, int argc, const char* const* argv) {
    if (hasValue) {
        return true;
    }
    if (i + 1 == argc) {
        return false;
    }
    const std::string next = argv[i + 1];
    return !next.empty() && next[0] >= '0' && next[0] <= '9' && next.find(',') != std::string::npos;
}

}  // namespace

int ParseOptions(int argc, const char* const* argv, SimOptions& options, std::string& error) {
    SimOptions parsed;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        const std::size_t equals = name.find('=');
        if (name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (name == "--silent" || name == "--pace" || name == "--trace" || name == "--help") {
            if (hasValue) {
                error = name + " takes no value";
                return 1;
            }
            parsed.unit.faults.silent = parsed.unit.faults.silent || name == "--silent";
            parsed.pace = parsed.pace || name == "--pace";
            parsed.trace = parsed.trace || name == "--trace";
            parsed.help = parsed.help || name == "--help";
            continue;
        }
        const std::string spelled = name;
        if (name == "--version") {
            if (!IsOldUnitVersion(hasValue, i, argc, argv)) {
                parsed.version = true;
                continue;
            }
            name = "--unit-version";
        }
        if (!IsValueOption(name)) {
            error = "unknown option " + name;
            return 1;
        }
        if (!hasValue) {
            if (i + 1 == argc) {
                error = name + " needs a value";
                return 1;
            }
            value = argv[++i];
        }
        if (!TakeValue(name, value, parsed)) {
            error = "bad value for " + spelled + ": '" + value + "'";
            return 1;
        }
    }
    options = parsed;
    return 0;
}

const char* SimUsage() {
    return kUsage;
}
