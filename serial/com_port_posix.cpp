// The serial port over termios. "COMn" is an entry of that name in the current directory
// (a link to /dev/ttyUSB0 or to a pseudo-terminal's slave), otherwise /dev/ttyS<n-1>.
#include "serial/com_port_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "serial/com_names.h"
#include "serial/com_port.h"
#include "serial/deadline_posix.h"
#include "serial/trace.h"
#include "settings/ini.h"

namespace {

constexpr int kClosed = -1;

int hComPort = kClosed;
// The read time-out in force: what ReadTotalTimeoutConstant is on Windows.
std::uint32_t readTotalTimeoutMs = kReadTimeoutMs;
bool exitHandlerInstalled = false;
// The port of the last ComInitialise and, if it failed, why: only for the driver's report.
char portName[300] = "";
char failureReason[100] = "";
// The device the port was opened on, and how the line went away under the job ("" while
// it has not): for the report and the trace, which must say so rather than only "no reply".
char devicePath[256] = "";
dev_t deviceNumber = 0;
char lineLost[160] = "";

void NoteFailure(const char* reason) {
    std::snprintf(failureReason, sizeof failureReason, "%s", reason);
}

// A pseudo-terminal keeps TIOCEXCL after we are gone while its other side stays open,
// which would lock the next ordinary user out of it.
void ReleaseExclusive() {
    if (hComPort != kClosed) {
        ioctl(hComPort, TIOCNXCL);
    }
}

// Called where a read or write finds the line dead (end of file, EIO, a hang-up or error
// from poll). Once per run: the first sign is the one that tells what happened.
void NoteLineLost(const char* call, const char* sign) {
    if (lineLost[0] != '\0') {
        return;
    }
    struct stat now {};
    const bool removed = stat(devicePath, &now) != 0 || now.st_rdev != deviceNumber;
    std::snprintf(lineLost, sizeof lineLost, "%s (%s: %s)",
                  removed ? "the device was removed" : "the line hung up", call, sign);
    TraceNote("%s%s", kNotePortGone, lineLost);
}

// 2400 baud 8N1 as a raw byte pipe. Software flow control goes off because records and
// checksums carry 0x11 and 0x13; hardware flow control stays as the port had it. HUPCL
// goes off so that closing does not drop the modem lines.
bool SetLine(int fd) {
    termios line{};
    if (tcgetattr(fd, &line) != 0) {
        return false;
    }
    line.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INPCK | INLCR |
                                           IGNCR | ICRNL | IXON | IXOFF | IXANY);
    line.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    line.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | HUPCL);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (cfsetispeed(&line, B2400) != 0 || cfsetospeed(&line, B2400) != 0 ||
        tcsetattr(fd, TCSANOW, &line) != 0) {
        return false;
    }
    // tcsetattr succeeds when any part of the change was taken; a driver that refused
    // the speed or the frame format must fail the open as SetCommState would.
    termios taken{};
    const tcflag_t frame = CSIZE | PARENB | CSTOPB;
    return tcgetattr(fd, &taken) == 0 && cfgetispeed(&taken) == B2400 &&
           cfgetospeed(&taken) == B2400 && (taken.c_cflag & frame) == CS8;
}

// Opens and sets up the device; the descriptor, or kClosed with nothing left open. "COMn" of
// the folder may lead anywhere (a link another account left, a file by mistake): what is no
// character device is not even opened, since opening a FIFO or a file is seen by others.
int OpenPort(const char* path) {
    struct stat entry {};
    if (stat(path, &entry) == 0 && !S_ISCHR(entry.st_mode)) {
        NoteFailure(S_ISREG(entry.st_mode)   ? "not a serial device but a regular file"
                    : S_ISDIR(entry.st_mode) ? "not a serial device but a directory"
                                             : "not a serial device");
        return kClosed;
    }
    const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        NoteFailure(std::strerror(errno));
        return kClosed;
    }
    // flock keeps out a second driver even when it runs as root, which TIOCEXCL does not.
    if (!isatty(fd)) {
        NoteFailure("not a serial device");
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        NoteFailure(errno == EWOULDBLOCK ? "in use by another program" : std::strerror(errno));
    } else if (ioctl(fd, TIOCEXCL) != 0) {
        NoteFailure(std::strerror(errno));
    }
    if (failureReason[0] != '\0') {
        close(fd);
        return kClosed;
    }
    if (!SetLine(fd)) {
        NoteFailure("the device refused 2400 baud 8N1");
        ioctl(fd, TIOCNXCL);
        close(fd);
        return kClosed;
    }
    struct stat opened {};
    fstat(fd, &opened);
    deviceNumber = opened.st_rdev;
    return fd;
}

// Names the port for the report: an entry of the current directory with where it leads.
void NotePortName(const char* path) {
    char target[256];
    const ssize_t length = path[0] == '/' ? -1 : readlink(path, target, sizeof target - 1);
    if (length < 0) {
        std::snprintf(portName, sizeof portName, "%s", path);
        return;
    }
    target[length] = '\0';
    std::snprintf(portName, sizeof portName, "%s -> %s", path, target);
}

}  // namespace

bool ComDevicePath(std::uint8_t number, char* path, std::size_t size) {
    if (number == 0) {
        return false;
    }
    ComEntryName(number, path, size);
    struct stat entry {};
    if (lstat(path, &entry) == 0) {
        return true;
    }
    BuiltInComDevice(number, path, size);
    return true;
}

const char* ComPortName() {
    return portName;
}

const char* ComFailureReason() {
    return failureReason;
}

const char* ComLineLost() {
    return lineLost;
}

int ComInitialise() {
    portName[0] = '\0';
    failureReason[0] = '\0';
    lineLost[0] = '\0';
    if (!exitHandlerInstalled) {
        if (std::atexit(ReleaseExclusive) != 0) {
            NoteFailure("no room for an exit handler");
            return 1;
        }
        exitHandlerInstalled = true;
    }
    char path[32];
    if (!ComDevicePath(iniGetComPort(), path, sizeof path)) {
        NoteFailure("COM0 does not exist (Comport=0; ports are 1 to 255)");
        return 1;
    }
    NotePortName(path);
    // The device itself, so that its disappearance is seen even through a link.
    char* device = realpath(path, nullptr);
    std::snprintf(devicePath, sizeof devicePath, "%s", device != nullptr ? device : path);
    std::free(device);
    const int fd = OpenPort(path);
    if (fd == kClosed) {
        return 1;
    }
    hComPort = fd;
    readTotalTimeoutMs = kReadTimeoutMs;
    return 0;
}

std::uint32_t ComWrite(const std::uint8_t* buffer, std::uint32_t count) {
    std::uint32_t written = 0;
    while (written < count) {
        const ssize_t sent = write(hComPort, buffer + written, count - written);
        if (sent > 0) {
            written += static_cast<std::uint32_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Writes have no time-out: wait as long as the device (or its flow control)
            // holds the bytes back.
            pollfd ready{hComPort, POLLOUT, 0};
            const int events = poll(&ready, 1, -1);
            if ((events < 0 && errno != EINTR) ||
                (events > 0 && (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)) {
                NoteLineLost("write", "hang-up");
                break;
            }
            continue;
        }
        // The device is gone: the short count is the caller's sign, the note the report's.
        NoteLineLost("write", sent == 0 ? "nothing taken" : std::strerror(errno));
        break;
    }
    while (tcdrain(hComPort) != 0 && errno == EINTR) {
    }
    return written;
}

std::uint32_t ComRead(std::uint8_t* buffer, std::uint32_t count) {
    const timespec deadline = DeadlineAfter(readTotalTimeoutMs);
    std::uint32_t received = 0;
    bool lineDead = false;
    while (received < count) {
        const int leftMs = MsUntil(deadline);
        if (leftMs == 0) {
            break;
        }
        if (lineDead) {
            // A hung-up or vanished device answers every poll at once; sleeping out the
            // time-out keeps the processor free and shows the link layer a plain time-out.
            SleepUntil(deadline);
            break;
        }
        pollfd ready{hComPort, POLLIN, 0};
        const int events = poll(&ready, 1, leftMs);
        if (events < 0) {
            lineDead = errno != EINTR;
            if (lineDead) {
                NoteLineLost("poll", std::strerror(errno));
            }
            continue;
        }
        if (events == 0) {
            continue;
        }
        if ((ready.revents & POLLIN) == 0) {
            lineDead = true;
            NoteLineLost("read", (ready.revents & POLLHUP) != 0 ? "hang-up" : "line error");
            continue;
        }
        const ssize_t got = read(hComPort, buffer + received, count - received);
        if (got > 0) {
            received += static_cast<std::uint32_t>(got);
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            lineDead = true;
            NoteLineLost("read", got == 0 ? "end of file" : std::strerror(errno));
        }
    }
    buffer[received] = 0;
    return received;
}

void ComFlushInput() {
    readTotalTimeoutMs = kFlushReadTimeoutMs;
    std::uint8_t scratch[kFlushChunk + 1];
    while (ComRead(scratch, kFlushChunk) != 0) {
    }
    readTotalTimeoutMs = kReadTimeoutMs;
}

void ComClose() {
    if (hComPort == kClosed) {
        return;
    }
    ReleaseExclusive();
    close(hComPort);
    hComPort = kClosed;
}
