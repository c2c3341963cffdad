// What ComInitialise leaves on a port that an earlier program set up for a terminal: XON/XOFF,
// NUL stripping, abort-on-error, parity checking with an error character, RTS/CTS and DTR/DSR
// handshaking, 9600 7E2 and a ReadIntervalTimeout of 7. The line must come out binary-safe
// at 2400 8N1 with the handshake lines as found, and the read time-outs as the driver needs
// them; ComFlushInput must put the 1600 ms back.
// The earlier program's settings go through one handle, which is closed; what a second open
// reads back is what the port kept, and the driver finds. Under Wine that is less than was
// set: the fields it drops are named in "note" lines, and the hardware fields and the
// interval are compared with what the port kept.
// Needs COM1 (a pseudo-terminal that another process holds open, so its settings last).
// Prints one line per check and "N passed, N failed"; the exit status is the failure count.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "serial/com_port.h"
#include "tests/wine/checks.h"

namespace {

constexpr char kPortName[] = "\\\\.\\COM1";
constexpr DWORD kEarlierInterval = 7;

// The DCB fields that this test looks at, by name.
struct TField {
    const char* name;
    DWORD (*get)(const DCB&);
};

const TField kLineFields[] = {
    {"BaudRate", [](const DCB& d) { return d.BaudRate; }},
    {"ByteSize", [](const DCB& d) { return DWORD{d.ByteSize}; }},
    {"Parity", [](const DCB& d) { return DWORD{d.Parity}; }},
    {"StopBits", [](const DCB& d) { return DWORD{d.StopBits}; }},
};
const TField kSoftwareFields[] = {
    {"fOutX", [](const DCB& d) { return DWORD{d.fOutX}; }},
    {"fInX", [](const DCB& d) { return DWORD{d.fInX}; }},
    {"fNull", [](const DCB& d) { return DWORD{d.fNull}; }},
    {"fAbortOnError", [](const DCB& d) { return DWORD{d.fAbortOnError}; }},
    {"fParity", [](const DCB& d) { return DWORD{d.fParity}; }},
    {"fErrorChar", [](const DCB& d) { return DWORD{d.fErrorChar}; }},
};
const TField kHardwareFields[] = {
    {"fOutxCtsFlow", [](const DCB& d) { return DWORD{d.fOutxCtsFlow}; }},
    {"fOutxDsrFlow", [](const DCB& d) { return DWORD{d.fOutxDsrFlow}; }},
    {"fDtrControl", [](const DCB& d) { return DWORD{d.fDtrControl}; }},
    {"fRtsControl", [](const DCB& d) { return DWORD{d.fRtsControl}; }},
    {"fDsrSensitivity", [](const DCB& d) { return DWORD{d.fDsrSensitivity}; }},
};

std::string Number(DWORD value) {
    return std::to_string(value);
}

HANDLE OpenPort() {
    return CreateFileA(kPortName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

// What a terminal program might leave behind.
bool SetUpAsTerminal() {
    HANDLE port = OpenPort();
    if (port == INVALID_HANDLE_VALUE) {
        Check(false, "COM1 opens", "error " + Number(GetLastError()));
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    dcb.fNull = TRUE;
    dcb.fAbortOnError = TRUE;
    dcb.fParity = TRUE;
    dcb.fErrorChar = TRUE;
    dcb.ErrorChar = '?';
    dcb.fOutxCtsFlow = TRUE;
    dcb.fOutxDsrFlow = TRUE;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fDsrSensitivity = TRUE;
    const bool stateSet = SetCommState(port, &dcb) != FALSE;
    COMMTIMEOUTS timeouts{kEarlierInterval, 5, 300, 11, 13};
    const bool timeoutsSet = SetCommTimeouts(port, &timeouts) != FALSE;
    CloseHandle(port);
    Check(stateSet && timeoutsSet, "terminal settings applied through a first handle");
    return stateSet && timeoutsSet;
}

// What a second open finds: the port's own settings, which the driver starts from.
bool ReadAsFound(DCB* dcb, COMMTIMEOUTS* timeouts) {
    HANDLE port = OpenPort();
    dcb->DCBlength = sizeof *dcb;
    const bool read =
        port != INVALID_HANDLE_VALUE && GetCommState(port, dcb) && GetCommTimeouts(port, timeouts);
    CloseHandle(port);
    Check(read, "settings read back through a second handle");
    return read;
}

void NoteWhatThePortKept(const DCB& found, const COMMTIMEOUTS& timeouts) {
    for (const TField& field : kSoftwareFields) {
        if (field.get(found) == 0) {
            std::printf("note %s: set to 1, the port kept 0\n", field.name);
        }
    }
    DCB asSet{};
    asSet.fOutxCtsFlow = TRUE;
    asSet.fOutxDsrFlow = TRUE;
    asSet.fDtrControl = DTR_CONTROL_HANDSHAKE;
    asSet.fRtsControl = RTS_CONTROL_HANDSHAKE;
    asSet.fDsrSensitivity = TRUE;
    for (const TField& field : kHardwareFields) {
        if (field.get(found) != field.get(asSet)) {
            std::printf("note %s: set to %lu, the port kept %lu\n", field.name,
                        static_cast<unsigned long>(field.get(asSet)),
                        static_cast<unsigned long>(field.get(found)));
        }
    }
    if (timeouts.ReadIntervalTimeout != kEarlierInterval) {
        std::printf("note ReadIntervalTimeout: set to %lu, a new handle has %lu\n",
                    static_cast<unsigned long>(kEarlierInterval),
                    static_cast<unsigned long>(timeouts.ReadIntervalTimeout));
    }
    std::fflush(stdout);
}

// ComInitialise keeps its handle to itself: it is the one handle of this process that is a
// serial port.
HANDLE FindDriverPort() {
    HANDLE port = nullptr;
    int found = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (GetFileType(handle) == FILE_TYPE_CHAR && GetCommState(handle, &dcb)) {
            port = handle;
            ++found;
        }
    }
    Check(found == 1, "one serial port handle open", Number(static_cast<DWORD>(found)));
    return port;
}

void CheckFields(const DCB& dcb, const TField* fields, std::size_t count, const DCB& expected,
                 const char* what) {
    std::string wrong;
    for (std::size_t i = 0; i < count; ++i) {
        if (fields[i].get(dcb) != fields[i].get(expected)) {
            wrong += std::string(fields[i].name) + "=" + Number(fields[i].get(dcb)) + " (want " +
                     Number(fields[i].get(expected)) + ") ";
        }
    }
    Check(wrong.empty(), what, wrong);
}

void CheckTimeouts(HANDLE port, DWORD interval, DWORD readConstant, const char* what) {
    COMMTIMEOUTS t{};
    GetCommTimeouts(port, &t);
    const std::string seen =
        Number(t.ReadIntervalTimeout) + "/" + Number(t.ReadTotalTimeoutMultiplier) + "/" +
        Number(t.ReadTotalTimeoutConstant) + "/" + Number(t.WriteTotalTimeoutMultiplier) + "/" +
        Number(t.WriteTotalTimeoutConstant);
    const std::string want = Number(interval) + "/0/" + Number(readConstant) + "/0/0";
    Check(seen == want, what, seen + ", want " + want);
}

}  // namespace

int main() {
    DCB found{};
    COMMTIMEOUTS foundTimeouts{};
    if (!SetUpAsTerminal() || !ReadAsFound(&found, &foundTimeouts)) {
        return CheckSummary();
    }
    NoteWhatThePortKept(found, foundTimeouts);
    Check(found.fOutX != 0 && found.fInX != 0, "the port kept XON/XOFF for the driver to find");

    Check(ComInitialise() == 0, "ComInitialise returns 0");
    HANDLE port = FindDriverPort();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    Check(GetCommState(port, &dcb) != FALSE, "GetCommState on the driver's handle");

    DCB line{};
    line.BaudRate = CBR_2400;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    CheckFields(dcb, kLineFields, std::size(kLineFields), line, "2400 8N1");
    Check(dcb.fBinary != 0, "binary mode");
    const DCB allOff{};
    CheckFields(dcb, kSoftwareFields, std::size(kSoftwareFields), allOff,
                "XON/XOFF, NUL stripping, abort-on-error, parity check, error char off");
    CheckFields(dcb, kHardwareFields, std::size(kHardwareFields), found,
                "handshake lines as the port had them");
    CheckTimeouts(port, foundTimeouts.ReadIntervalTimeout, kReadTimeoutMs,
                  "time-outs after ComInitialise: interval as found, 0/1600/0/0");

    ComFlushInput();
    CheckTimeouts(port, foundTimeouts.ReadIntervalTimeout, kReadTimeoutMs,
                  "time-outs after ComFlushInput: 1600 again");
    ComClose();
    return CheckSummary();
}
