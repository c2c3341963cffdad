#include "driver/jobs.h"

#include <cstdio>

#include "datafile/comma_sep_file.h"
#include "device/minizv_ptk.h"
#include "driver/result_codes.h"
#include "serial/pause.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "ui/status_window.h"

namespace {

constexpr std::uint32_t kPassPauseMs = 1100;

constexpr std::uint8_t kCentralStatus8 = 8;
constexpr std::uint8_t kCentralStatusFA = 0xFA;

void ShowPass(int n) {
    char title[32];
    std::snprintf(title, sizeof title, kModulTitleFormat, n);
    iniNowTransferingNo(n);
    StatusWindowSetTitle(title);
}

// The trace is written out while the line rests between passes.
void PassPause() {
    TraceNote("pause %lu ms after the pass", static_cast<unsigned long>(kPassPauseMs));
    PauseMs(TraceWriteOutWithin(kPassPauseMs));
}

// A send job's verdict: a refusal by the unit comes with a result code of 0 (the status
// byte is written only by an exchange that succeeded); a file or link failure keeps its code.
int SendVerdict(TReturnCode result, std::uint8_t status) {
    if (result == 0 && status == 0) {
        return kResultAllSent;
    }
    return status != 0 ? kResultRefused : result;
}

// A fetch closes "fromZv.dat" before it decides: a close that fails (10) turns a complete
// fetch into a failed one; a job that has already failed keeps its own code.
int FirstFailure(int result, int closeResult) {
    return result != 0 ? result : closeResult;
}

}  // namespace

int SendCentralSetupJob() {
    std::uint8_t status = 0;
    TReturnCode result = 0;
    TCommaSepFile file(kModeRead, &result);
    TPcModulSetup pcRecord{};
    if (result == 0) {
        result = file.LoadData(&pcRecord);
    }
    if (result == 0) {
        modul_setup unitRecord{};
        PcToUnitSetup(pcRecord, unitRecord);
        const auto flag = static_cast<std::uint8_t>(iniIgnoreMutBlock());
        TraceNote("settings: IgnoreMutBlock, flag byte %u", flag);
        TMiniZvPtk device;
        result = device.SendCpModulSetup(unitRecord, status, flag);
    }
    if (status == kCentralStatus8) {
        return kResultCentralRefused8;
    }
    if (status == kCentralStatusFA) {
        return kResultCentralRefusedFA;
    }
    return SendVerdict(result, status);
}

int FetchCentralSetupJob() {
    TReturnCode result = 0;
    TCommaSepFile file(kModeWrite, &result);
    if (result == 0) {
        modul_setup unitRecord{};
        std::uint8_t status = 0;
        TMiniZvPtk device;
        if (device.GetCpModulSetup(unitRecord, status) != 0 || status != 0) {
            result = kResultFetchFailed;
        } else {
            TPcModulSetup pcRecord{};
            UnitToPcSetup(unitRecord, kCentralRecordNumber, pcRecord);
            result = file.WriteData(&pcRecord);
        }
    }
    result = FirstFailure(result, file.Close());
    return result == 0 ? kResultAllFetched : result;
}

// After a failure the remaining passes still run, idle: they show their number and pause,
// so a host watching "NowTransferingNo" sees the count reached as in a good run. Only a
// refusal by the unit ends the loop early.
int SendModulSetupsJob() {
    TReturnCode result = 0;
    TCommaSepFile file(kModeRead, &result);
    std::uint8_t status = 0;
    const std::uint8_t count = iniSendNumberOfModuls();
    TraceNote("settings: SendNumberOfModuls=%u", count);
    TMiniZvPtk device;
    TPcModulSetup record{};
    for (int n = 1; n <= count; ++n) {
        TraceNote("pass %d of %u: record %d of \"ToZv.dat\"", n, count, n);
        ShowPass(n);
        if (result == 0) {
            result = file.LoadData(&record);
        }
        if (result == 0) {
            // The record goes to the module it names itself, not to module n.
            result = device.SendZVModulSetup(record, status);
        }
        if (status != 0) {
            break;
        }
        PassPause();
    }
    StatusWindowSetTitle(kWindowTitle);
    return SendVerdict(result, status);
}

// A write error on "fromZv.dat" ends the loop with 10: the host must not take a file that
// lacks records for a complete fetch. The records written before it stay in the file.
int FetchModulSetupsJob() {
    TReturnCode result = 0;
    TCommaSepFile file(kModeWrite, &result);
    const std::uint8_t first = iniGetFromModulNumber();
    const std::uint8_t last = iniGetToModulNumber();
    TraceNote("settings: GetFromModulNumber=%u GetToModulNumber=%u", first, last);
    if (result == 0) {
        TMiniZvPtk device;
        for (int n = first; n <= last; ++n) {
            TraceNote("pass %d of %d: module %d", n - first + 1, last - first + 1, n);
            ShowPass(n);
            modul_setup unitRecord{};
            std::uint8_t status = 0;
            const auto modul = static_cast<std::uint8_t>(n);
            if (device.GetZVModulSetup(unitRecord, status, modul) != 0 || status != 0) {
                result = kResultFetchFailed;
                break;
            }
            TPcModulSetup pcRecord{};
            UnitToPcSetup(unitRecord, modul, pcRecord);
            result = file.WriteData(&pcRecord);
            if (result != 0) {
                break;
            }
            PassPause();
        }
    }
    result = FirstFailure(result, file.Close());
    StatusWindowSetTitle(kWindowTitle);
    return result == 0 ? kResultAllFetched : result;
}

// Only asks for the version: no file, no setting, no title, no progress key.
int ConnectionTestJob() {
    TMiniZvPtk device;
    std::uint8_t version1 = 0;
    std::uint8_t version2 = 0;
    const int result = device.GetVersion(version1, version2);
    return result == 0 ? kResultVersionAnswered : result;
}
