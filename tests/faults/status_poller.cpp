// A host that polls "zordOUT.INI" in a tight loop while the driver runs, and checks every
// read: the file, once there, never vanishes; it is always one whole section of the driver's
// keys with decimal values; the progress never goes back; and when the running flag reads
// "0" after a "1", "ComStatus" is there and holds the final code.
//   status_poller FILE FINAL_CODE LAST_PASS TIMEOUT_MS
// Exit status 0 when every read passed and the run was seen to end, else 1.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

namespace {

const std::string kHeader = "[Zorvek PC interface driver]";
const std::set<std::string> kKeys = {"ZorVekDriverRunning", "NowTransferingNo", "ComStatus"};

enum class Read { kMissing, kRead, kFailed };

Read ReadFile(const char* path, std::string& text) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) {
        return errno == ENOENT ? Read::kMissing : Read::kFailed;
    }
    text.clear();
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    return count == 0 ? Read::kRead : Read::kFailed;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The keys of one read, or an empty map and `error` set when the text is not a whole status
// file.
std::map<std::string, std::string> Parse(const std::string& text, std::string& error) {
    std::map<std::string, std::string> keys;
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) {
        error = "does not end in CR LF";
        return {};
    }
    std::size_t start = 0;
    bool header = true;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (header) {
            if (line != kHeader) {
                error = "first line is not the section: " + line;
                return {};
            }
            header = false;
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        if (equals == std::string::npos || kKeys.count(key) == 0 ||
            !IsNumber(line.substr(equals + 1)) || keys.count(key) != 0) {
            error = "bad line: " + line;
            return {};
        }
        keys[key] = line.substr(equals + 1);
    }
    return keys;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: status_poller FILE FINAL_CODE LAST_PASS TIMEOUT_MS\n");
        return 2;
    }
    const char* path = argv[1];
    const std::string finalCode = argv[2];
    const long lastPass = std::strtol(argv[3], nullptr, 10);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atol(argv[4]));

    long reads = 0;
    long pass = 0;
    bool seen = false;
    bool running = false;
    std::set<std::string> states;
    std::string text;
    while (std::chrono::steady_clock::now() < deadline) {
        const Read read = ReadFile(path, text);
        if (read == Read::kMissing && !seen) {
            continue;
        }
        ++reads;
        if (read != Read::kRead) {
            std::printf("FAIL read %ld: the status file is gone or unreadable\n", reads);
            return 1;
        }
        seen = true;
        std::string error;
        const auto keys = Parse(text, error);
        if (keys.empty()) {
            std::printf("FAIL read %ld: %s\n", reads, error.empty() ? "no keys" : error.c_str());
            return 1;
        }
        const auto flag = keys.find("ZorVekDriverRunning");
        if (flag == keys.end() || (flag->second != "0" && flag->second != "1")) {
            std::printf("FAIL read %ld: no running flag of 0 or 1\n", reads);
            return 1;
        }
        const auto now = keys.find("NowTransferingNo");
        if (now != keys.end()) {
            const long n = std::atol(now->second.c_str());
            if (n < pass || n < 1 || n > lastPass) {
                std::printf("FAIL read %ld: progress %ld after %ld\n", reads, n, pass);
                return 1;
            }
            pass = n;
        }
        std::string state;
        for (const auto& [key, value] : keys) {
            state += key + "=" + value + " ";
        }
        states.insert(state);
        if (flag->second == "1") {
            running = true;
        } else if (running) {
            const auto status = keys.find("ComStatus");
            if (status == keys.end() || status->second != finalCode) {
                std::printf("FAIL read %ld: running flag 0 with ComStatus %s, want %s\n", reads,
                            status == keys.end() ? "missing" : status->second.c_str(),
                            finalCode.c_str());
                return 1;
            }
            if (pass != lastPass) {
                std::printf("FAIL read %ld: the run ended at pass %ld\n", reads, pass);
                return 1;
            }
            std::printf("reads %ld, distinct states %zu\n", reads, states.size());
            return 0;
        }
    }
    std::printf("FAIL the run was not seen to end (%ld reads)\n", reads);
    return 1;
}
