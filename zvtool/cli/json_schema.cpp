#include "zvtool/cli/json_schema.h"

#include <vector>

#include "zvtool/cli/command_bits.h"

namespace {

constexpr unsigned kEvery = kEveryBit | kBenchUnitObject | kVersionObject;
constexpr unsigned kJobs = kJobBits;
constexpr unsigned kService = kBackupBit | kRestoreBit;

using T = TJsonType;

// clang-format off
const std::vector<TJsonKey> kKeys = {
    {"version", T::kInteger, kEvery, nullptr, "the schema version, 2"},
    {"command", T::kString, kEvery, "the command line named no command",
     "the command: test, fetch, send, backup, restore, check, show, diff, set, history, units, "
     "ledger, ports"},
    {"exit", T::kInteger, kEvery, "the object is of a bench's unit that did not end by itself",
     "zvtool's exit status"},
    {"error", T::kString, kEvery, "it did not fail",
     "why it failed, as the message on standard error says it"},
    {"zvtool", T::kString, kVersionObject, nullptr, "zvtool's version"},
    {"unit", T::kString, kBenchUnitObject, nullptr, "the unit's name, its run folder's name"},
    {"unit_port", T::kString, kBenchUnitObject, nullptr, "the unit's port, as --port takes it"},
    {"outcome", T::kString, kBenchUnitObject, nullptr,
     "how the unit's job ended in words: \"ok\", \"result 4: ...\", \"exit 73: ...\""},
    {"job", T::kString, kJobs, nullptr, "the job, \"fetch modules 3-5\""},
    {"result", T::kInteger, kJobs | kBenchUnitObject, "the driver gave none (not started, stopped)",
     "the driver's result code"},
    {"meaning", T::kString, kJobs | kBenchUnitObject, "there is no result",
     "the result's meaning for the job that ran; a result that job cannot give reads \"the "
     "driver did not run the job asked for\""},
    {"seconds", T::kNumber, kJobs | kBenchUnitObject, nullptr, "how long the job ran"},
    {"records", T::kInteger, kJobs | kBenchUnitObject, "there is no file",
     "the records in file; a restore: the records of FILE the unit took (0 when none differed)"},
    {"file", T::kString, kJobs | kShowBit | kSetBit | kBenchUnitObject, "there is no file",
     "the file written, sent or read: -o, the backup, the file sent, after a failure the file "
     "that holds what was fetched (\"fromZv.dat\", FILE.partial); show and set: FILE"},
    {"partial", T::kBoolean, kJobs, nullptr, "file holds only part of what was asked for"},
    {"failed_module", T::kInteger, kJobs, "no module's pass failed",
     "the module whose pass failed (module fetches, module sends, backups)"},
    {"port", T::kInteger, kJobs, "the job was refused before the port was known",
     "the port number the driver was given (Comport)"},
    {"port_from", T::kString, kJobs, "as port",
     "where that number came from: \"--port\", \"settings\" (an earlier --port or another "
     "host), \"default\" (the driver's default, COM1)"},
    {"trace", T::kString, kJobs, "no driver ran",
     "the driver's trace of the run: the session trace or the --trace file"},
    {"account", T::kList, kJobs, nullptr,
     "the account of each run read from that trace, a list of lines (empty for a clean run)"},
    {"repeats", T::kInteger, kJobs, "there is no trace", "attempts that had to be repeated"},
    {"cause", T::kString, kJobs, "there is no trace",
     "what the trace says of the line: \"sound\", \"refused\", \"wrong-reply\", "
     "\"damaged-requests\", \"garbled\", \"silent\", \"intermittent\", \"no-line\""},
    {"finishing", T::kString, kJobs, "the job did not stop part-way, or nothing finishes it",
     "the command that finishes a job that stopped part-way (--resume)"},
    {"unit_version", T::kString, kService, "the connection test did not run",
     "the unit's version, \"-\" when the trace does not tell it"},
    {"fetched", T::kInteger, kBackupBit, "nothing was fetched yet",
     "records fetched by this run; fewer than records after --resume"},
    {"refused", T::kList, kBackupBit, nullptr,
     "the module numbers the unit refused (--skip-refused)"},
    {"kept_as", T::kString, kService, "no copy was kept (the ledger could not be written, or no "
     "copy was due)", "the permanent name of the ledger entry kept: the backup, or after a restore its "
     "\"restored\" entry (UNIT/STAMP-SHA8-WORKSTATION)"},
    {"plan", T::kString, kRestoreBit, "the restore stopped before its plan", "the plan in words"},
    {"sent", T::kInteger, kRestoreBit, "nothing was read back", "the records sent"},
    {"read_back_same", T::kInteger, kRestoreBit, "nothing was read back",
     "the records sent that read back the same"},
    {"read_back_differ", T::kList, kRestoreBit, "nothing was read back",
     "the record numbers that read back otherwise than they were sent"},
    {"summary", T::kString, kRestoreBit, "the restore stopped before it began", "its last line"},
    {"files", T::kList, kCheckBit, nullptr,
     "each file checked: {\"file\", \"records\", \"sound\", \"problem_count\"}"},
    {"problems", T::kList, kCheckBit, nullptr,
     "each problem: {\"file\", \"line\", \"column\", \"message\"} (empty for sound files)"},
    {"problem_count", T::kInteger, kShowBit, "the file could not be read",
     "the problems of the file shown"},
    {"shown", T::kList, kShowBit, nullptr,
     "each record shown: {\"number\", \"line\", \"bytes\"}"},
    {"a", T::kString, kDiffBit, nullptr, "file A"},
    {"b", T::kString, kDiffBit, nullptr, "file B"},
    {"same", T::kInteger, kDiffBit, "the files could not be compared",
     "the records that are equal"},
    {"written", T::kString, kSetBit, "nothing was written", "where the changed records went"},
    {"differences", T::kList, kDiffBit | kSetBit, nullptr,
     "each differing byte {\"record\", \"offset\", \"a\", \"b\"}; each record in one file only "
     "{\"record\", \"only_in\"} (\"a\" or \"b\")"},
    {"ledger", T::kString, kHistoryBit | kUnitsBit | kLedgerBit, "there is no ledger folder",
     "the ledger's folder"},
    {"entries", T::kList, kHistoryBit, nullptr,
     "the entries, newest first: {\"name\" (UNIT@N), \"id\" (the permanent name), \"unit\", "
     "\"time\", \"age_seconds\", \"kind\", \"records\", \"port\", \"version\", \"sha256\", "
     "\"file\", \"folder\", \"workstation\", \"state\" (\"sound\", \"missing\", \"altered\", "
     "\"unreadable\", \"its line does not read\"), \"clock_behind\"}"},
    {"units", T::kList, kUnitsBit, nullptr,
     "each unit: {\"unit\", \"kept\" (sound copies), \"damaged\", \"last\"} with last an "
     "entry as history lists it"},
    {"action", T::kString, kLedgerBit, nullptr, "what ledger did: \"check\", \"share\", \"sync\""},
    {"checked", T::kInteger, kLedgerBit, "the ledger could not be read, or it was not checked",
     "the entries checked"},
    {"ledger_problems", T::kList, kLedgerBit, nullptr,
     "each line that does not read and each copy that is not what its line says, in words"},
    {"remote", T::kString, kLedgerBit, "the ledger is not shared (share: it stays so)",
     "the remote the ledger is shared with"},
    {"git_version", T::kString, kLedgerBit, "git was not found, or not looked for (check)",
     "the version of the git that share and sync ran, \"2.39.5\""},
    {"merged", T::kInteger, kLedgerBit, "the remote was not reached, or not tried (check)",
     "the entries that came from the remote"},
    {"pushed", T::kInteger, kLedgerBit, "the push failed or was not tried",
     "the commits the remote took"},
    {"waiting", T::kInteger, kLedgerBit, "check",
     "the commits here that the remote still lacks (each entry is one)"},
    {"held", T::kInteger, kLedgerBit, "check (see checked)",
     "the entries the ledger holds after share or sync"},
    {"ports", T::kList, kPortsBit, nullptr,
     "the machine's serial ports: {\"name\", \"device\", \"link\", \"driver\", \"uart\", "
     "\"usb\", \"vendor_id\", \"product_id\", \"serial\", \"manufacturer\", \"product\", "
     "\"description\", \"by_id\", \"in_use\", \"holders\", \"may_open\", \"group\", \"advice\"}"},
    {"folder", T::kList, kPortsBit, nullptr,
     "the run folder's COMn entries, each as a port with its link"},
    {"cpu_seconds", T::kNumber, kBenchUnitObject, nullptr,
     "processor time of the unit's zvtool and its driver"},
    {"run", T::kObject, kBenchUnitObject, "the unit's zvtool printed no object",
     "the unit's own zvtool's object"},
};
// clang-format on

}  // namespace

const std::vector<TJsonKey>& JsonSchema() {
    return kKeys;
}

std::vector<const TJsonKey*> JsonKeysOf(unsigned objects) {
    std::vector<const TJsonKey*> keys;
    for (const TJsonKey& key : kKeys) {
        if ((key.objects & objects) != 0) {
            keys.push_back(&key);
        }
    }
    return keys;
}

const char* JsonTypeName(TJsonType type) {
    switch (type) {
        case TJsonType::kInteger:
            return "integer";
        case TJsonType::kNumber:
            return "number";
        case TJsonType::kString:
            return "string";
        case TJsonType::kBoolean:
            return "boolean";
        case TJsonType::kList:
            return "list";
        case TJsonType::kObject:
            break;
    }
    return "object";
}
