#pragma once
#include <string>
#include <utility>
#include <vector>

// What a command reports with --json: one object on standard output for every way zvtool
// ends, a job's outcome, a record-file command's findings and zvtool's own errors alike.
// Every object has the keys "version", "command", "exit" and "error"; a job adds the keys
// of its run (all of them, null where they do not apply), so a script reads the same keys
// whatever happened. README.md ("zvtool's JSON output") and the man page list them.

struct TReport {
    std::string command;  // "fetch", "check", ...; "" before a command was found
    int exit = 0;         // zvtool's exit status
    std::string error;    // why zvtool failed, as the message on standard error; "" for none

    bool job = false;     // a job's keys follow
    std::string jobName;  // "fetch modules 1-5"
    int result = -1;      // the driver's result code; -1 when it gave none
    std::string meaning;  // the result's meaning for the job that ran
    double seconds = 0;
    int records = -1;                  // records in `file`; -1 when there is no file
    std::string file;                  // the file written or sent
    bool partial = false;              // `file` holds only part of what was asked for
    int failedModule = -1;             // the module whose pass failed; -1 for none
    int port = -1;                     // the "Comport" the driver was given; -1 when unknown
    std::string portFrom;              // where that port came from ("--port", "zordrive.INI", ...)
    std::string trace;                 // the driver's trace of the run
    std::vector<std::string> account;  // the account of the run from the trace
    int repeats = -1;                  // repeated attempts in the run; -1 without a trace
    std::string cause;                 // "sound", "refused", "silent", ...; "" unknown

    // A record-file command's own members (a list of problems or differences), as JSON.
    std::vector<std::pair<std::string, std::string>> members;
};

// The report as one JSON object, without a line end.
std::string ReportJson(const TReport& report);

// The report of the command under way: filled in as the command goes, printed once at its
// end.
TReport& CommandReport();

// Whether the command prints its report as JSON (--json): then standard output carries the
// report only.
void SetJsonWanted(bool json);
bool JsonWanted();

// At the end of the command: the exit status into the report, and with `json` the report as
// one line on standard output. Returns `exitStatus`.
int FinishCommand(int exitStatus, bool json);
