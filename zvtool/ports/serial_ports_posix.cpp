// The probe of a port on POSIX: which programs hold it open (from /proc, so the port itself
// is never opened: opening a real UART raises its modem lines and may reset what hangs on
// them), and whether this user may open it, or which group would let them.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "zvtool/ports/serial_ports.h"

namespace {

std::string ProgramName(const std::string& process) {
    std::ifstream in(process + "/comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "?" : name;
}

// Whether any descriptor of the process at `process` (/proc/PID) is the device `device`.
bool HoldsDevice(const std::string& process, dev_t device) {
    const std::string fdDir = process + "/fd";
    DIR* fds = opendir(fdDir.c_str());
    if (fds == nullptr) {
        return false;  // another user's process: not ours to look into
    }
    bool holds = false;
    while (const dirent* fd = readdir(fds)) {
        struct stat info {};
        if (fd->d_name[0] != '.' && stat((fdDir + "/" + fd->d_name).c_str(), &info) == 0 &&
            S_ISCHR(info.st_mode) && info.st_rdev == device) {
            holds = true;
            break;
        }
    }
    closedir(fds);
    return holds;
}

std::vector<std::string> Holders(dev_t device) {
    std::vector<std::string> holders;
    DIR* processes = opendir("/proc");
    if (processes == nullptr) {
        return holders;
    }
    const std::string self = std::to_string(getpid());
    while (const dirent* entry = readdir(processes)) {
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) {
            continue;
        }
        const std::string process = "/proc/" + pid;
        if (HoldsDevice(process, device)) {
            holders.push_back(ProgramName(process) + " (pid " + pid + ")");
        }
    }
    closedir(processes);
    return holders;
}

bool InSessionGroups(gid_t group) {
    if (getegid() == group) {
        return true;
    }
    gid_t groups[256];
    const int count = getgroups(256, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] == group) {
            return true;
        }
    }
    return false;
}

// The fields of the line of /etc/group or /etc/passwd whose third field, the id, is `id`;
// none when there is no such line. The files are read as they are, not through the name
// service, which the statically linked zvtool cannot call: a group that only a directory
// service knows shows as its number.
std::vector<std::string> EntryById(const char* path, unsigned long id) {
    std::ifstream in(path);
    const std::string wanted = std::to_string(id);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t colon; (colon = line.find(':', start)) != std::string::npos;
             start = colon + 1) {
            fields.push_back(line.substr(start, colon - start));
        }
        fields.push_back(line.substr(start));
        if (fields.size() >= 3 && fields[2] == wanted) {
            return fields;
        }
    }
    return {};
}

// The group that may read and write the device, and whether this user is listed in it
// without having it in this login (added to the group, not logged in again since).
void FindGroup(const struct stat& info, TSerialPort* port) {
    if ((info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
        return;
    }
    const std::vector<std::string> group = EntryById("/etc/group", info.st_gid);
    if (group.empty()) {
        port->group = std::to_string(info.st_gid);
        return;
    }
    port->group = group[0];
    const std::vector<std::string> user = EntryById("/etc/passwd", getuid());
    if (user.empty() || group.size() < 4 || InSessionGroups(info.st_gid)) {
        return;
    }
    if (("," + group[3] + ",").find("," + user[0] + ",") != std::string::npos) {
        port->inGroupNotSession = true;
    }
}

}  // namespace

void ProbeSerialPort(TSerialPort* port) {
    struct stat info {};
    if (stat(port->device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) {
        return;
    }
    port->probed = true;
    port->holders = Holders(info.st_rdev);
    port->mayOpen = access(port->device.c_str(), R_OK | W_OK) == 0;
    FindGroup(info, port);
}

std::vector<TSerialPort> ListSerialPorts() {
    std::vector<TSerialPort> ports = ReadSysfsPorts("/");
    for (TSerialPort& port : ports) {
        ProbeSerialPort(&port);
    }
    return ports;
}

std::vector<TSerialPort> RunFolderPorts(const std::string& runFolder,
                                        const std::vector<TSerialPort>& known) {
    std::vector<TSerialPort> ports;
    DIR* folder = opendir(runFolder.c_str());
    if (folder == nullptr) {
        return ports;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
            name.find_first_not_of("0123456789", 3) == std::string::npos) {
            names.push_back(name);
        }
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        char target[PATH_MAX];
        TSerialPort port;
        const std::string entry = runFolder + "/" + name;
        if (realpath(entry.c_str(), target) != nullptr) {
            port.device = target;
            port.name = port.device.substr(port.device.find('/', 1) + 1);
            for (const TSerialPort& other : known) {
                if (other.device == port.device) {
                    port = other;
                }
            }
            if (port.device.compare(0, 9, "/dev/pts/") == 0) {
                port.driver = "pseudo-terminal";
            }
            ProbeSerialPort(&port);
        } else {
            const ssize_t length = readlink(entry.c_str(), target, sizeof target - 1);
            port.device = length > 0 ? std::string(target, static_cast<std::size_t>(length)) : "";
        }
        port.link = name;
        ports.push_back(port);
    }
    return ports;
}
