#include "zvtool/jobs/session_log.h"

#include <algorithm>
#include <string>
#include <vector>

#include "zvtool/time_text.h"

namespace {

constexpr char kPrefix[] = "zvtool-";
constexpr char kSuffix[] = ".trace";
constexpr char kLogFolder[] = "logs";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string SessionTraceName(long long when, long long processId) {
    return kPrefix + FileStamp(when, TZone::kLocal) + "-" + std::to_string(processId) + kSuffix;
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

std::string StartSessionTrace(const std::string& stateFolder, long long now, long long processId,
                              std::string* error) {
    if (stateFolder.empty()) {
        *error = ThisSystem() == TSystem::kWindows ? "LOCALAPPDATA is not set"
                                                   : "neither XDG_STATE_HOME nor HOME is set";
        return "";
    }
    const std::string folder = JoinPath(stateFolder, kLogFolder);
    if (!MakeFolders(folder, TFolderMode::kPrivate, error)) {
        *error = folder + ": " + *error;
        return "";
    }
    for (const std::string& name :
         TracesToRemove(ListFiles(folder), kKeptTraces, kKeptTraceBytes)) {
        RemoveFile(JoinPath(folder, name));
    }
    return JoinPath(folder, SessionTraceName(now, processId));
}
