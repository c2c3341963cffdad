#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/line.h"

namespace {

int hLine = -1;
// The simulator keeps a descriptor of its own pseudo-terminal's slave open for the whole
// run. When no descriptor of the slave is open, the master reports a hang-up: poll() would
// return at once, again and again, between two driver runs, and reads would fail with EIO.
// Holding the slave also keeps the raw line settings from one driver run to the next.
int hSlave = -1;
std::string linkPath;
std::string linkTarget;
// Signals reach LineWait through this pipe, so none is lost between two polls.
int stopPipe[2] = {-1, -1};

extern "C" void OnSignal(int) {
    const char byte = 0;
    const ssize_t ignored = write(stopPipe[1], &byte, 1);
    (void)ignored;
}

std::string Failure(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

template <typename Flags>
void Clear(Flags& flags, Flags bits) {
    flags = static_cast<Flags>(flags & ~bits);
}

// Raw bytes at 2400 baud 8N1: no echo, no line editing, no signals, no translation and no
// XON/XOFF (records and checksums carry 0x11 and 0x13).
int SetRaw(int fd, bool realLine) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return 1;
    }
    Clear<tcflag_t>(settings.c_iflag, IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                          IXON | IXOFF | IXANY | INPCK);
    Clear<tcflag_t>(settings.c_oflag, OPOST);
    Clear<tcflag_t>(settings.c_lflag, ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    Clear<tcflag_t>(settings.c_cflag, CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
#ifdef CRTSCTS
    // A null-modem cable often has no handshake lines; waiting for CTS would stop the unit.
    if (realLine) {
        Clear<tcflag_t>(settings.c_cflag, CRTSCTS);
    }
#else
    (void)realLine;
#endif
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (cfsetispeed(&settings, B2400) != 0 || cfsetospeed(&settings, B2400) != 0) {
        return 1;
    }
    return tcsetattr(fd, TCSANOW, &settings) == 0 ? 0 : 1;
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

}  // namespace

bool LineHasPty() {
    return true;
}

int LineOpenPty(std::string& path, std::string& error) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = Failure("posix_openpt");
        return 1;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        error = Failure("pseudo-terminal set-up");
        close(master);
        return 1;
    }
    const std::string slavePath = name;
    int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    // The master and the slave carry separate settings on some systems: both are made raw.
    if (slave < 0 || SetRaw(master, false) != 0 || SetRaw(slave, false) != 0 ||
        fcntl(master, F_SETFL, O_NONBLOCK) != 0) {
        error = Failure(slavePath);
        if (slave >= 0) {
            close(slave);
        }
        close(master);
        return 1;
    }
    hLine = master;
    hSlave = slave;
    path = slavePath;
    return 0;
}

int LineOpenDevice(const std::string& device, std::string& error) {
    int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = Failure(device);
        return 1;
    }
    if (!isatty(fd) || SetRaw(fd, true) != 0) {
        error = device + ": not a serial line that takes 2400 baud 8N1";
        close(fd);
        return 1;
    }
    hLine = fd;
    return 0;
}

int LineLink(const std::string& target, const std::string& path, std::string& error) {
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = path + ": exists and is not a symbolic link";
        return 1;
    }
    // A new link renamed over the old one: a driver that opens the path meanwhile finds
    // either link, never none.
    const std::string temporary = path + ".minizv-sim-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0) {
        error = Failure(temporary);
        return 1;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = Failure(path);
        unlink(temporary.c_str());
        return 1;
    }
    linkPath = path;
    linkTarget = target;
    return 0;
}

int LineCatchStop() {
    if (pipe(stopPipe) != 0) {
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return 0;
}

int LineWait(bool wantRead, bool wantWrite, int timeoutMs, std::string& error) {
    pollfd fds[2] = {{hLine, 0, 0}, {stopPipe[0], POLLIN, 0}};
    fds[0].events = static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
    const int ready = poll(fds, 2, timeoutMs);
    if (ready < 0) {
        if (errno == EINTR) {
            return 0;
        }
        error = Failure("poll");
        return kLineFailed;
    }
    int found = 0;
    if (fds[1].revents != 0) {
        found |= kLineStop;
    }
    const short line = fds[0].revents;
    // A hang-up with bytes still to read is read first; the next wait reports it.
    if ((line & (POLLERR | POLLNVAL)) != 0 || (line & (POLLHUP | POLLIN)) == POLLHUP) {
        error = "the line hung up";
        return found | kLineFailed;
    }
    found |= (line & POLLIN) != 0 ? kLineReadable : 0;
    found |= (line & POLLOUT) != 0 ? kLineWritable : 0;
    return found;
}

long LineRead(std::uint8_t* buffer, std::size_t size, std::string& error) {
    const ssize_t received = read(hLine, buffer, size);
    if (received < 0) {
        if (errno == EAGAIN || errno == EINTR) {
            return 0;
        }
        error = Failure("read");
        return -1;
    }
    return static_cast<long>(received);
}

long LineWrite(const std::uint8_t* bytes, std::size_t count, std::string& error) {
    const ssize_t written = write(hLine, bytes, count);
    if (written < 0) {
        if (errno == EAGAIN || errno == EINTR) {
            return 0;
        }
        error = Failure("write");
        return -1;
    }
    return static_cast<long>(written);
}

int LineUnread() {
    int unread = 0;
    if (hSlave < 0 || ioctl(hSlave, FIONREAD, &unread) != 0) {
        return 0;
    }
    return unread;
}

void LineDrain() {
    if (hLine >= 0 && hSlave < 0) {
        tcdrain(hLine);
    }
}

void LineClose() {
    if (!linkPath.empty()) {
        // Another simulator may have taken the path over since; its link stays.
        char target[4096];
        const ssize_t length = readlink(linkPath.c_str(), target, sizeof target - 1);
        if (length >= 0 && linkTarget == std::string(target, static_cast<std::size_t>(length))) {
            unlink(linkPath.c_str());
        }
        linkPath.clear();
    }
    CloseFd(hSlave);
    CloseFd(hLine);
}
