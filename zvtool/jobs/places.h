#pragma once
#include <string>
#include <vector>

// Where zvtool keeps its own files, and the few questions about files and folders whose
// answers differ between POSIX and Windows. places_posix.cpp and places_win32.cpp implement
// it.

// zvtool's per-user folder for its own files (the session traces, on Windows the lock):
// POSIX $XDG_STATE_HOME/zvtool, else ~/.local/state/zvtool; Windows %LOCALAPPDATA%\zvtool.
// Empty when neither variable is set. The folder need not exist.
std::string UserStateFolder();

// The system's words for an error number (errno on POSIX, GetLastError() on Windows), without
// a line end or a closing full stop; "error N" when the system has none.
std::string SystemErrorText(unsigned long code);

// `path` joined to `name` with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// Makes `path` and the folders above it that are missing. False with the system's reason.
bool MakeFolders(const std::string& path, std::string* error);

struct TFolderEntry {
    std::string name;
    long long size = 0;
};
// The plain files of `folder`, in no order; empty when it cannot be read.
std::vector<TFolderEntry> ListFiles(const std::string& folder);

bool FileExists(const std::string& path);

// This process's id, as the lock file and the session trace's name give it.
long long ThisProcessId();

// Why a file cannot be written at `path` (creating it if it is missing, and a little room
// beside it): "" when it can, else the system's reason ("Read-only file system", "No space
// left on device"). Leaves an existing file as it was.
std::string WhyNotWritable(const std::string& path);

// Where this driver reads the settings file, for a report that it did not see its keys.
std::string SettingsAdvice();
