#include <fcntl.h>
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

int LineFd() {
    return hLine;
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
