// The line on Windows: a COM port opened for overlapped I/O, so that one read can wait for
// the next bytes while the serve loop waits on it, on a write and on the stop request at once.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "sim/line.h"

namespace {

HANDLE hLine = INVALID_HANDLE_VALUE;
// Set by Ctrl-C, Ctrl-Break or a closing console; LineWait reports it.
HANDLE stopEvent = nullptr;
// Set once the line is closed, so a closing console lets the process end only after that.
HANDLE closedEvent = nullptr;

// How long a console close waits for the line to be closed. Windows ends the process after
// about 5 s whatever the handler does.
constexpr DWORD kCloseWaitMs = 3000;
// A read ends when all the bytes it asked for have come, or after this long with fewer; the
// loop then starts the next one.
constexpr DWORD kReadWaitMs = 10000;

// One outstanding operation and its buffer: the system writes into or reads from the buffer
// until the operation completes.
struct Transfer {
    OVERLAPPED overlapped{};
    bool pending = false;
    std::vector<std::uint8_t> buffer;
    DWORD done = 0;   // bytes the completed read brought
    DWORD taken = 0;  // of those, bytes LineRead handed out
};

Transfer reading;
Transfer writing;

std::string Failure(const std::string& what) {
    const DWORD code = GetLastError();
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return what + ": " + (message.empty() ? "error " + std::to_string(code) : message);
}

BOOL WINAPI OnConsoleEvent(DWORD type) {
    SetEvent(stopEvent);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
        // The process ends as soon as this returns.
        WaitForSingleObject(closedEvent, kCloseWaitMs);
    }
    return TRUE;
}

// 2400 baud 8N1, binary, no flow control of either kind (records and checksums carry the
// XON and XOFF bytes; a null-modem cable often has no handshake lines), nothing stripped
// or replaced, no abort after a line error. DTR and RTS stay on for adapters that draw power
// from them.
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
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(port, &dcb)) {
        return false;
    }
    // No interval time-out: a read asks only for bytes that are there, or for the next one.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = kReadWaitMs;
    return SetCommTimeouts(port, &timeouts) != FALSE;
}

// Starts the next read unless one is pending or its bytes are not all taken: false when the
// line failed. The read asks for the bytes that have arrived, or when none have for the next
// one, so it ends as soon as there is something to answer. (The read mode that returns
// "whatever is there, else the first byte" is not to be had on every system that runs this.)
bool StartRead(std::string& error) {
    if (reading.pending || reading.taken < reading.done) {
        return true;
    }
    reading.done = 0;
    reading.taken = 0;
    DWORD errors = 0;
    COMSTAT status{};
    DWORD want = 1;
    if (ClearCommError(hLine, &errors, &status) && status.cbInQue > want) {
        want = std::min<DWORD>(status.cbInQue, static_cast<DWORD>(reading.buffer.size()));
    }
    if (!ReadFile(hLine, reading.buffer.data(), want, nullptr, &reading.overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        error = Failure("read");
        return false;
    }
    reading.pending = true;
    return true;
}

// Collects a completed operation: false when it failed.
bool Finish(Transfer& transfer, const char* what, std::string& error) {
    transfer.pending = false;
    if (!GetOverlappedResult(hLine, &transfer.overlapped, &transfer.done, FALSE)) {
        error = Failure(what);
        return false;
    }
    return true;
}

bool IsSet(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

}  // namespace

bool LineHasPty() {
    return false;
}

int LineOpenPty(std::string& /*path*/, std::string& error) {
    error = "pseudo-terminals exist on POSIX systems only";
    return 1;
}

int LineOpenDevice(const std::string& device, std::string& error) {
    // The device-namespace form is the only one that reaches COM10 and above.
    const std::string name = device.compare(0, 2, "\\\\") == 0 ? device : "\\\\.\\" + device;
    const HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        error = Failure(device + ": cannot be opened");
        return 1;
    }
    if (!Configure(port)) {
        error = Failure(device + ": not a serial port that takes 2400 baud 8N1");
        CloseHandle(port);
        return 1;
    }
    reading.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    writing.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    reading.buffer.resize(512);
    hLine = port;
    return 0;
}

int LineLink(const std::string& /*target*/, const std::string& /*linkPath*/, std::string& error) {
    error = "--link exists on POSIX systems only";
    return 1;
}

int LineCatchStop() {
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    closedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent == nullptr || closedEvent == nullptr ||
        !SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
        return 1;
    }
    return 0;
}

int LineWait(bool wantRead, bool wantWrite, int timeoutMs, std::string& error) {
    if (wantRead && !StartRead(error)) {
        return kLineFailed;
    }
    int found = IsSet(stopEvent) ? kLineStop : 0;
    found |= wantRead && reading.taken < reading.done ? kLineReadable : 0;
    found |= wantWrite && !writing.pending ? kLineWritable : 0;
    if (found != 0) {
        return found;
    }
    HANDLE events[3] = {stopEvent};
    DWORD count = 1;
    if (wantRead) {
        events[count++] = reading.overlapped.hEvent;
    }
    if (writing.pending) {
        events[count++] = writing.overlapped.hEvent;
    }
    const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    if (WaitForMultipleObjects(count, events, FALSE, wait) == WAIT_FAILED) {
        error = Failure("wait");
        return kLineFailed;
    }
    found = IsSet(stopEvent) ? kLineStop : 0;
    if (wantRead && IsSet(reading.overlapped.hEvent)) {
        if (!Finish(reading, "read", error)) {
            return found | kLineFailed;
        }
        // A read that waited out kReadWaitMs brings nothing; the next wait starts another.
        found |= reading.done > 0 ? kLineReadable : 0;
    }
    if (writing.pending && IsSet(writing.overlapped.hEvent)) {
        if (!Finish(writing, "write", error)) {
            return found | kLineFailed;
        }
        found |= wantWrite ? kLineWritable : 0;
    }
    return found;
}

long LineRead(std::uint8_t* buffer, std::size_t size, std::string& /*error*/) {
    const std::size_t count = std::min<std::size_t>(size, reading.done - reading.taken);
    std::memcpy(buffer, reading.buffer.data() + reading.taken, count);
    reading.taken += static_cast<DWORD>(count);
    return static_cast<long>(count);
}

long LineWrite(const std::uint8_t* bytes, std::size_t count, std::string& error) {
    if (writing.pending) {
        return 0;
    }
    writing.buffer.assign(bytes, bytes + count);
    if (!WriteFile(hLine, writing.buffer.data(), static_cast<DWORD>(count), nullptr,
                   &writing.overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        error = Failure("write");
        return -1;
    }
    writing.pending = true;
    return static_cast<long>(count);
}

int LineUnread() {
    return 0;
}

void LineDrain() {
    if (writing.pending) {
        GetOverlappedResult(hLine, &writing.overlapped, &writing.done, TRUE);
        writing.pending = false;
    }
    FlushFileBuffers(hLine);
}

void LineClose() {
    if (hLine != INVALID_HANDLE_VALUE) {
        // The system must be done with both buffers before the handle and they go.
        CancelIo(hLine);
        for (Transfer* transfer : {&reading, &writing}) {
            if (transfer->pending) {
                GetOverlappedResult(hLine, &transfer->overlapped, &transfer->done, TRUE);
                transfer->pending = false;
            }
        }
        CloseHandle(hLine);
        hLine = INVALID_HANDLE_VALUE;
    }
    if (closedEvent != nullptr) {
        SetEvent(closedEvent);
    }
}
