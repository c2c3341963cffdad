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
#include <string>

#include "serial/com_port.h"
#include "tests/wine/checks.h"

namespace {

constexpr char kPortName[] = "\\\\.\\COM1";
constexpr DWORD kEarlierInterval = 7;

std::string Number(DWORD value) {
    return std::to_string(value);
}

// The fields that ComInitialise sets, clears and keeps, as one line each.
std::string LineFields(const DCB& d) {
    return Number(d.BaudRate) + " " + Number(d.ByteSize) + " parity " + Number(d.Parity) +
           " stop " + Number(d.StopBits);
}
std::string SoftwareFields(const DCB& d) {
    return "fOutX=" + Number(d.fOutX) + " fInX=" + Number(d.fInX) + " fNull=" + Number(d.fNull) +
           " fAbortOnError=" + Number(d.fAbortOnError) + " fParity=" + Number(d.fParity) +
           " fErrorChar=" + Number(d.fErrorChar);
}
std::string HardwareFields(const DCB& d) {
    return "fOutxCtsFlow=" + Number(d.fOutxCtsFlow) + " fOutxDsrFlow=" + Number(d.fOutxDsrFlow) +
           " fDtrControl=" + Number(d.fDtrControl) + " fRtsControl=" + Number(d.fRtsControl) +
           " fDsrSensitivity=" + Number(d.fDsrSensitivity);
}

void CheckText(const std::string& actual, const std::string& expected, const char* what) {
    Check(actual == expected, what, actual + ", want " + expected);
}

HANDLE OpenPort() {
    return CreateFileA(kPortName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

// What a terminal program might leave behind.
void AsTerminal(DCB* dcb) {
    dcb->BaudRate = CBR_9600;
    dcb->ByteSize = 7;
    dcb->Parity = EVENPARITY;
    dcb->StopBits = TWOSTOPBITS;
    dcb->fOutX = TRUE;
    dcb->fInX = TRUE;
    dcb->fNull = TRUE;
    dcb->fAbortOnError = TRUE;
    dcb->fParity = TRUE;
    dcb->fErrorChar = TRUE;
    dcb->ErrorChar = '?';
    dcb->fOutxCtsFlow = TRUE;
    dcb->fOutxDsrFlow = TRUE;
    dcb->fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb->fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb->fDsrSensitivity = TRUE;
}

bool SetUpAsTerminal() {
    HANDLE port = OpenPort();
    if (port == INVALID_HANDLE_VALUE) {
        Check(false, "COM1 opens", "error " + Number(GetLastError()));
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    AsTerminal(&dcb);
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
    DCB asSet{};
    AsTerminal(&asSet);
    if (SoftwareFields(found) != SoftwareFields(asSet)) {
        std::printf("note set   %s\nnote kept  %s\n", SoftwareFields(asSet).c_str(),
                    SoftwareFields(found).c_str());
    }
    if (HardwareFields(found) != HardwareFields(asSet)) {
        std::printf("note set   %s\nnote kept  %s\n", HardwareFields(asSet).c_str(),
                    HardwareFields(found).c_str());
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

    CheckText(LineFields(dcb), "2400 8 parity 0 stop 0", "2400 8N1");
    Check(dcb.fBinary != 0, "binary mode");
    CheckText(SoftwareFields(dcb), SoftwareFields(DCB{}),
              "XON/XOFF, NUL stripping, abort-on-error, parity check, error char off");
    CheckText(HardwareFields(dcb), HardwareFields(found), "handshake lines as the port had them");
    CheckTimeouts(port, foundTimeouts.ReadIntervalTimeout, kReadTimeoutMs,
                  "time-outs after ComInitialise: interval as found, 0/1600/0/0");

    ComFlushInput();
    CheckTimeouts(port, foundTimeouts.ReadIntervalTimeout, kReadTimeoutMs,
                  "time-outs after ComFlushInput: 1600 again");
    ComClose();
    return CheckSummary();
}
