#include "sim/options.h"

#include <cstddef>
#include <string>

#include "device/setup_records.h"
#include "tools/option_table.h"

namespace {

constexpr unsigned long kMaxCount = 1000000;
constexpr unsigned long kMaxStray = 10000;
constexpr unsigned long kMaxByte = 255;

enum OptionId {
    kLink,
    kDevice,
    kStore,
    kUnitVersion,
    kPrintRecord,
    kSilent,
    kNoAck,
    kBadAck,
    kWrongReply,
    kDamageReply,
    kTruncateReply,
    kStatus,
    kStoreWrong,
    kStray,
    kPace,
    kExitAfter,
    kTrace,
    kVersion,
    kHelp,
};

// The help sections the rows go under.
constexpr unsigned kLineSection = 1;
constexpr unsigned kUnitSection = 2;
constexpr unsigned kFaultSection = 4;
constexpr unsigned kOtherSection = 8;
constexpr int kHelpColumn = 21;

// The older spelling of --unit-version: "--version A,B". A bare --version asks for the
// program's version; an argument of the form N,N after it is taken for the two bytes.
bool LooksLikeVersionBytes(const char* next) {
    const std::string text = next;
    return !text.empty() && text[0] >= '0' && text[0] <= '9' && text.find(',') != std::string::npos;
}

const TOptionRow kRows[] = {
    {kLink,
     {"--link"},
     "PATH",
     kLineSection,
     "serve a pseudo-terminal and link its slave at PATH (an existing\n"
     "link is replaced, and removed again on exit); without --device\n"
     "and --link the slave's own path is printed (POSIX only). Given\n"
     "again, each --link is one more unit with its own pseudo-terminal\n"
     "(a bench); the faults apply to every unit"},
    {kDevice,
     {"--device"},
     "DEV",
     kLineSection,
     "use the serial device DEV at 2400 baud 8N1 instead (with --link,\n"
     "PATH links to DEV); on Windows a port such as COM4, and required"},
    {kStore,
     {"--store"},
     "FILE",
     kUnitSection,
     "load the records from FILE if it exists; save them to FILE after\n"
     "every send that was carried out; with several --link, one --store\n"
     "for each, in the same order"},
    {kUnitVersion,
     {"--unit-version"},
     "A,B",
     kUnitSection,
     "version bytes of the version reply (default 1,0); the older\n"
     "spelling --version A,B still works"},
    {kPrintRecord,
     {"--print-record"},
     "N",
     kUnitSection,
     "print record N (0 central, 1..200 module) as the unit holds it\n"
     "(after --store) in store-file form, and exit"},
    {kSilent, {"--silent"}, nullptr, kFaultSection, "never answer anything"},
    {kNoAck, {"--no-ack"}, "K", kFaultSection, "ignore the first K data frames entirely"},
    {kBadAck,
     {"--bad-ack"},
     "K",
     kFaultSection,
     "acknowledge the next K frames with code 2 and carry nothing out"},
    {kWrongReply,
     {"--wrong-reply"},
     "K",
     kFaultSection,
     "the next K replies carry another reply code (2->4->..->10->2)"},
    {kDamageReply,
     {"--damage-reply"},
     "K",
     kFaultSection,
     "the next K replies have a wrong checksum"},
    {kTruncateReply,
     {"--truncate-reply"},
     "K",
     kFaultSection,
     "the next K replies are cut to half their length"},
    {kStatus,
     {"--status"},
     "C:M:V",
     kFaultSection,
     "answer request C (3, 5, 7 or 9) for module M (0 for the central\n"
     "record) with status byte V; repeatable; a send refused this way\n"
     "stores nothing"},
    {kStoreWrong,
     {"--store-wrong"},
     "N",
     kFaultSection,
     "store record N (0 central) of every send with the top bit of its\n"
     "first byte flipped, and answer done; repeatable; only a fetch of\n"
     "the record shows it"},
    {kStray,
     {"--stray"},
     "N",
     kFaultSection,
     "send N junk bytes (never 0xAA) before every acknowledgement and\n"
     "every reply"},
    {kPace,
     {"--pace"},
     nullptr,
     kFaultSection,
     "send at the 2400-baud byte rate, 4.17 ms per byte"},
    {kExitAfter,
     {"--exit-after"},
     "K",
     kFaultSection,
     "exit after answering K frames, as if the unit vanished"},
    {kTrace,
     {"--trace"},
     nullptr,
     kOtherSection,
     "print every byte received and sent, and what the unit did, with\n"
     "milliseconds since start, on stderr"},
    {kVersion,
     {"--version"},
     nullptr,
     kOtherSection,
     "print the program's version and exit",
     LooksLikeVersionBytes},
    {kHelp, {"--help"}, nullptr, kOtherSection, "print this text"},
};

const char kUsageHead[] =
    "Usage: minizv-sim [--link PATH | --device DEV] [options]\n"
    "\n"
    "Plays the MiniZv interface unit on a serial line: acknowledges every good data frame\n"
    "and answers each request from a store of one central and 200 module records.\n"
    "Prints \"ready PATH\" on stdout once the line can be opened, then runs until SIGINT\n"
    "or SIGTERM (on Windows: Ctrl-C, Ctrl-Break or its console closed).\n";

const char kFaultsIntro[] =
    "Faults (each count K covers the first K frames that reach it; a frame gets at most\n"
    "one of these, tried in the order listed):\n";

const char kUsageTail[] =
    "Records without a store file: byte k (0..129) of module n is (n*7 + k) & 255, byte k of\n"
    "the central record (k*3 + 1) & 255. Module 0 and modules above 200 do not exist: a\n"
    "fetch gets status 1 and 130 zero bytes, a send status 1.\n"
    "Store file: one line per record, its number (0 central) and its 130 bytes in decimal,\n"
    "separated by spaces; then \"flag F\", the flag byte of the last central send. Lines may\n"
    "be left out (defaults stay) or come in any order; '#' starts a comment line.\n";

std::string BuildUsage() {
    return std::string(kUsageHead) + "\nLine:\n" + OptionHelp(kRows, kLineSection, kHelpColumn) +
           "\nUnit:\n" + OptionHelp(kRows, kUnitSection, kHelpColumn) + "\n" + kFaultsIntro +
           OptionHelp(kRows, kFaultSection, kHelpColumn) + "\nOther:\n" +
           OptionHelp(kRows, kOtherSection, kHelpColumn) + "\n" + kUsageTail;
}

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

bool ReadVersionBytes(const std::string& text, SimOptions& options) {
    unsigned long bytes[2] = {};
    if (!ReadNumberList(text, ',', 2, kMaxByte, bytes)) {
        return false;
    }
    options.unit.version[0] = static_cast<std::uint8_t>(bytes[0]);
    options.unit.version[1] = static_cast<std::uint8_t>(bytes[1]);
    return true;
}

// The options that count frames (or stray bytes): true when `value` is a count in range.
bool TakeCount(int id, const std::string& value, SimOptions& options) {
    UnitFaults& faults = options.unit.faults;
    unsigned stray = static_cast<unsigned>(options.unit.stray.size());
    struct Count {
        int id;
        unsigned* target;
        unsigned long limit;
    };
    const Count counts[] = {{kNoAck, &faults.noAck, kMaxCount},
                            {kBadAck, &faults.badAck, kMaxCount},
                            {kWrongReply, &faults.wrongReply, kMaxCount},
                            {kDamageReply, &faults.damageReply, kMaxCount},
                            {kTruncateReply, &faults.truncateReply, kMaxCount},
                            {kStray, &stray, kMaxStray},
                            {kExitAfter, &options.exitAfter, kMaxCount}};
    for (const Count& count : counts) {
        if (id == count.id) {
            if (!ReadCount(value, count.limit, *count.target)) {
                return false;
            }
            options.unit.stray = StrayJunk(stray);
            return true;
        }
    }
    return false;
}

// Applies one option: true, or false when its value does not fit.
bool TakeOption(const TGivenOption& given, SimOptions& options) {
    const std::string& value = given.value;
    const struct {
        int id;
        std::string* text;
        bool* flag;
    } plain[] = {{kDevice, &options.device, nullptr},
                 {kSilent, nullptr, &options.unit.faults.silent},
                 {kPace, nullptr, &options.pace},
                 {kTrace, nullptr, &options.trace},
                 {kHelp, nullptr, &options.help}};
    for (const auto& target : plain) {
        if (target.id == given.row->id) {
            if (target.text != nullptr) {
                *target.text = value;
            } else {
                *target.flag = true;
            }
            return true;
        }
    }
    switch (given.row->id) {
        case kLink:
            options.links.push_back(value);
            options.link = options.links[0];
            return true;
        case kStore:
            options.stores.push_back(value);
            options.store = options.stores[0];
            return true;
        case kVersion:
            options.version = options.version || !given.hasValue;
            return !given.hasValue || ReadVersionBytes(value, options);
        case kUnitVersion:
            return ReadVersionBytes(value, options);
        case kStatus: {
            StatusOverride entry{};
            if (!ReadStatus(value, entry)) {
                return false;
            }
            options.unit.faults.statuses.push_back(entry);
            return true;
        }
        case kStoreWrong: {
            unsigned long number = 0;
            if (!ReadNumber(value, kLastModul, number)) {
                return false;
            }
            options.unit.faults.wrongStores.push_back(static_cast<int>(number));
            return true;
        }
        case kPrintRecord: {
            unsigned long number = 0;
            if (!ReadNumber(value, kLastModul, number)) {
                return false;
            }
            options.printRecord = static_cast<int>(number);
            return true;
        }
        default:
            return TakeCount(given.row->id, value, options);
    }
}

}  // namespace

int ParseOptions(int argc, const char* const* argv, SimOptions& options, std::string& error) {
    TParsedLine line;
    if (!ParseOptionLine(kRows, argc, argv, &line, &error)) {
        return 1;
    }
    if (!line.words.empty()) {
        error = "unexpected argument '" + line.words[0] + "'";
        return 1;
    }
    SimOptions parsed;
    for (const TGivenOption& given : line.options) {
        if (!TakeOption(given, parsed)) {
            error = "bad value for " + given.spelled + ": '" + given.value + "'";
            return 1;
        }
    }
    if (parsed.stores.size() > 1 && parsed.stores.size() != parsed.links.size()) {
        error = "several units take one --store each, in the order of their --link";
        return 1;
    }
    if (parsed.links.size() > 1 && !parsed.device.empty()) {
        error = "--device serves one unit; several units need one --link each";
        return 1;
    }
    options = parsed;
    return 0;
}

const char* SimUsage() {
    static const std::string usage = BuildUsage();
    return usage.c_str();
}
