#include "zvtool/jobs/session_log.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "zvtool/jobs/places.h"
#include "zvtool/jobs/when.h"

namespace {

constexpr char kPrefix[] = "zvtool-";
constexpr char kSuffix[] = ".trace";
constexpr char kLogFolder[] = "logs";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string SessionTraceName(std::time_t when, long long processId) {
    return kPrefix + LocalTimeText(when, "%Y%m%d-%H%M%S") + "-" + std::to_string(processId) +
           kSuffix;
}

bool IsSessionTraceName(const std::string& name) {
    return name.compare(0, sizeof kPrefix - 1, kPrefix) == 0 && EndsWith(name, kSuffix);
}

std::vector<std::string> TracesToRemove(const std::vector<TFolderEntry>& files, int keep,
                                        long long keepBytes) {
    std::vector<TFolderEntry> traces;
    long long bytes = 0;
    for (const TFolderEntry& file : files) {
        if (IsSessionTraceName(file.name)) {
            traces.push_back(file);
            bytes += file.size;
        }
    }
    // The names hold the start time, so the oldest sort first.
    std::sort(traces.begin(), traces.end(),
              [](const TFolderEntry& a, const TFolderEntry& b) { return a.name < b.name; });
    std::vector<std::string> remove;
    // Room for the new trace, which starts empty: one file fewer than `keep`.
    std::size_t left = traces.size();
    for (const TFolderEntry& trace : traces) {
        if (static_cast<long long>(left) < keep && bytes < keepBytes) {
            break;
        }
        remove.push_back(trace.name);
        bytes -= trace.size;
        --left;
    }
    return remove;
}

std::string StartSessionTrace(std::string* error) {
    const std::string state = UserStateFolder();
    if (state.empty()) {
        *error = "neither XDG_STATE_HOME nor HOME (LOCALAPPDATA on Windows) is set";
        return "";
    }
    const std::string folder = JoinPath(state, kLogFolder);
    if (!MakeFolders(folder, error)) {
        *error = folder + ": " + *error;
        return "";
    }
    for (const std::string& name :
         TracesToRemove(ListFiles(folder), kKeptTraces, kKeptTraceBytes)) {
        std::remove(JoinPath(folder, name).c_str());
    }
    return JoinPath(folder, SessionTraceName(std::time(nullptr), ThisProcessId()));
}
