// The serial port over the Win32 communications API, opened for overlapped I/O; every
// operation is waited for to completion, so at most one is outstanding at a time.
#include <windows.h>

#include <cstdio>

#include "serial/com_names.h"
#include "serial/com_port.h"
#include "settings/ini.h"

namespace {

HANDLE hComPort = nullptr;
COMMTIMEOUTS comTimeouts;
// No event and offset 0: a wait on either falls back to the port handle itself.
OVERLAPPED writeOverlapped;
OVERLAPPED readOverlapped;

// Refills comTimeouts from the port first, so the fields left alone keep the port's values.
bool SetReadTimeout(HANDLE port, DWORD ms) {
    if (!GetCommTimeouts(port, &comTimeouts)) {
        return false;
    }
    comTimeouts.ReadTotalTimeoutConstant = ms;
    return SetCommTimeouts(port, &comTimeouts) != FALSE;
}

// 2400 baud 8N1, binary-safe whatever an earlier program left in the port: records carry
// 0x11 and 0x13, which XON/XOFF would swallow, and 0x00, which NUL stripping would drop;
// abort-on-error would fail every read and write after one line error, as nothing here
// calls ClearCommError. The handshake lines stay as found (a unit or cable may be powered
// or gated by them), and so does every other field. Reads end after 1600 ms whatever
// their length, writes have no time-out.
bool Configure(HANDLE port) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) {
        return false;
    }
    dcb.BaudRate = CBR_2400;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fParity = FALSE;
    dcb.fErrorChar = FALSE;
    if (!SetCommState(port, &dcb)) {
        return false;
    }
    if (!GetCommTimeouts(port, &comTimeouts)) {
        return false;
    }
    comTimeouts.ReadTotalTimeoutMultiplier = 0;
    comTimeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
    comTimeouts.WriteTotalTimeoutMultiplier = 0;
    comTimeouts.WriteTotalTimeoutConstant = 0;
    return SetCommTimeouts(port, &comTimeouts) != FALSE;
}

}  // namespace

int ComInitialise() {
    // The device-namespace form is the only one that reaches COM10 and above.
    char name[16];
    ComDeviceName(iniGetComPort(), name, sizeof name);
    const HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        return 1;
    }
    if (!Configure(port)) {
        CloseHandle(port);
        return 1;
    }
    hComPort = port;
    return 0;
}

// A write or read that fails at once leaves its count at 0; one that fails later counts
// the bytes it moved. Neither is reported otherwise: a short count is the caller's sign.
std::uint32_t ComWrite(const std::uint8_t* buffer, std::uint32_t count) {
    DWORD written = 0;
    if (WriteFile(hComPort, buffer, count, nullptr, &writeOverlapped) ||
        GetLastError() == ERROR_IO_PENDING) {
        GetOverlappedResult(hComPort, &writeOverlapped, &written, TRUE);
    }
    return written;
}

std::uint32_t ComRead(std::uint8_t* buffer, std::uint32_t count) {
    DWORD received = 0;
    if (ReadFile(hComPort, buffer, count, nullptr, &readOverlapped) ||
        GetLastError() == ERROR_IO_PENDING) {
        GetOverlappedResult(hComPort, &readOverlapped, &received, TRUE);
    }
    buffer[received] = 0;
    return received;
}

void ComFlushInput() {
    if (!SetReadTimeout(hComPort, kFlushReadTimeoutMs)) {
        return;
    }
    std::uint8_t scratch[kFlushChunk + 1];
    while (ComRead(scratch, kFlushChunk) != 0) {
    }
    SetReadTimeout(hComPort, kReadTimeoutMs);
}

void ComClose() {
    if (hComPort != nullptr) {
        CloseHandle(hComPort);
        hComPort = nullptr;
    }
}
