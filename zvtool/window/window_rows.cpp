#include "zvtool/window/window_rows.h"

#include <string>
#include <vector>

#include "zvtool/ports/port_words.h"
#include "zvtool/time_text.h"

namespace {

// `absent`: what the side that lacks a record shows ("absent", "not copied").
std::vector<TListRow> ChangeRows(const TRecordDiff& diff, const char* absent) {
    std::vector<TListRow> rows;
    for (const TRecordChange& change : diff.records) {
        const std::string name = RecordName(change.number);
        if (change.in != 3) {
            const bool inA = change.in == 1;
            rows.push_back(
                {name, "-", inA ? "whole record" : absent, inA ? absent : "whole record"});
            continue;
        }
        for (const TByteChange& byte : change.bytes) {
            rows.push_back({name, std::to_string(byte.offset), std::to_string(byte.a),
                            std::to_string(byte.b)});
        }
    }
    return rows;
}

}  // namespace

TListRow PortRow(const TSerialPort& port) {
    std::string usb;
    if (port.usb) {
        usb = "usb:" + port.vendorId + ":" + port.productId +
              (port.serial.empty() ? "" : ":" + port.serial);
        usb += port.manufacturer.empty() ? "" : "  " + port.manufacturer;
    }
    return {port.name, port.description.empty() ? port.product : port.description, usb,
            PortAvailability(port)};
}

TListRow HistoryRow(const TListedEntry& listed) {
    const TLedgerEntry& entry = listed.entry;
    return {
        listed.name,   entry.kind, TimeText(entry.time, TZone::kUtc), std::to_string(entry.records),
        entry.version, entry.port, CopyStateWords(listed.check.state)};
}

std::vector<TListRow> DiffRows(const TRecordDiff& diff) {
    return ChangeRows(diff, "absent");
}

std::vector<TListRow> PlanRows(const TRestorePrepared& prepared) {
    std::vector<TZvRecord> sent;
    if (prepared.plan.central) {
        sent.push_back(prepared.central);
    }
    sent.insert(sent.end(), prepared.plan.modules.begin(), prepared.plan.modules.end());
    // Only what is sent is compared: the unit's other records stay as they are.
    std::vector<TZvRecord> held;
    for (const TZvRecord& record : prepared.unit) {
        for (const TZvRecord& planned : sent) {
            if (planned.number == record.number) {
                held.push_back(record);
                break;
            }
        }
    }
    return ChangeRows(CompareRecords(held, sent), "not copied");
}
