// zvtool's own places on POSIX: the XDG state folder, mkdir, readdir.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/profile.h"
#include "zvtool/jobs/places.h"
#include "zvtool/jobs/process.h"

namespace {

constexpr char kProbeSuffix[] = ".zvtool-probe";
// The room a job needs beside its settings: a rewritten INI file and a few records.
constexpr std::size_t kProbeBytes = 16 * 1024;

std::string Variable(const char* name) {
    const char* value = getenv(name);
    return value != nullptr ? value : "";
}

// Creates `path` with `bytes` zero bytes, flushed to the disk: 0, or errno.
int WriteZeros(const std::string& path, std::size_t bytes) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (descriptor < 0) {
        return errno;
    }
    const std::string zeros(bytes, '\0');
    int error = 0;
    if (write(descriptor, zeros.data(), zeros.size()) != static_cast<ssize_t>(zeros.size()) ||
        fsync(descriptor) != 0) {
        error = errno != 0 ? errno : ENOSPC;
    }
    close(descriptor);
    unlink(path.c_str());
    return error;
}

}  // namespace

std::string UserStateFolder() {
    const std::string state = Variable("XDG_STATE_HOME");
    if (!state.empty() && state[0] == '/') {
        return state + "/zvtool";
    }
    const std::string home = Variable("HOME");
    return home.empty() ? "" : home + "/.local/state/zvtool";
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool MakeFolders(const std::string& path, std::string* error) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            *error = std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

std::vector<TFolderEntry> ListFiles(const std::string& folder) {
    std::vector<TFolderEntry> files;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        return files;
    }
    while (const dirent* entry = readdir(directory)) {
        struct stat info {};
        const std::string name = entry->d_name;
        if (stat(JoinPath(folder, name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            files.push_back({name, static_cast<long long>(info.st_size)});
        }
    }
    closedir(directory);
    return files;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

long long ThisProcessId() {
    return getpid();
}

std::string WhyNotWritable(const std::string& path) {
    errno = 0;
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (descriptor < 0) {
        return std::strerror(errno);
    }
    close(descriptor);
    // The file opens, but the driver's settings writer and the job's files need room beside it.
    const int error = WriteZeros(path + kProbeSuffix, kProbeBytes);
    return error == 0 ? "" : std::strerror(error);
}

std::string SettingsAdvice() {
    return "this driver reads \"" + std::string(kSettingsFile) +
           "\" in the folder it runs in, here " + ProfileFilePath(kSettingsFile) +
           "; check that the driver runs in this folder and that no other program rewrote the "
           "file while it ran";
}

std::string SystemErrorText(unsigned long code) {
    const char* text = std::strerror(static_cast<int>(code));
    return text != nullptr && *text != '\0' ? text : "error " + std::to_string(code);
}
