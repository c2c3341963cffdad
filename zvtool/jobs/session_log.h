#pragma once
#include <string>
#include <vector>

#include "zvtool/platform/files.h"

// The session traces: every zvtool command that runs the driver has it trace into a file of
// its own in the per-user log folder (STATE/logs), so that a failed job is explained from the
// trace at once, never by running it again. The folder is kept in bounds: before a new trace,
// the oldest are removed until at most kKeptTraces remain with the new one and together they
// stay under kKeptTraceBytes.

constexpr int kKeptTraces = 20;
constexpr long long kKeptTraceBytes = 32LL * 1024 * 1024;

// "zvtool-20261209-033004-4711.trace" (local time): sorts by time, unique per process.
std::string SessionTraceName(long long when, long long processId);

// Whether `name` is one of the session traces.
bool IsSessionTraceName(const std::string& name);

// Of the files of the log folder, the names of the session traces to remove before a new one
// starts, oldest first; other files are not counted and never removed.
std::vector<std::string> TracesToRemove(const std::vector<TFolderEntry>& files, int keep,
                                        long long keepBytes);

// Makes the log folder under `stateFolder`, prunes it and returns the path for this session's
// trace; "" with the reason in `error` when there is no folder for it.
std::string StartSessionTrace(const std::string& stateFolder, long long now, long long processId,
                              std::string* error);
