#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/jobs/line_cause.h"
#include "zvtool/ports/port_identity.h"

// What a job came to, for whoever ran it: a terminal prints it as text or JSON, a window
// shows it, a test reads it. Filled as the job goes; nothing here is printed by the job.

// What the driver's runs of a job came to, as the last one left it.
struct TRunReport {
    int result = -1;                   // the driver's result code; -1 when it gave none
    std::string meaning;               // the result's meaning for the job that ran
    int failedModule = -1;             // the module whose pass failed; -1 for none
    std::vector<std::string> account;  // the account of each run from its trace, in order
    int repeats = -1;                  // repeated attempts in all runs; -1 without a trace
    bool causeKnown = false;           // the trace told what the line did
    TLineCause cause = TLineCause::kSound;
};

// A restore's read-back: what was sent and how it came back.
struct TReadBack {
    bool done = false;  // the records sent were all read back
    int sent = 0;
    int same = 0;
    std::vector<int> differ;  // the record numbers read back otherwise than they were sent
};

struct TJobOutcome {
    std::string command;  // "fetch", "backup", ...
    std::string job;      // "fetch modules 1-5"
    TCommandEnd end;      // exit status, error and every message, in order
    TRunReport run;
    double seconds = 0;
    int records = -1;      // records in `file`; -1 when there is no file
    std::string file;      // the file written or sent
    bool partial = false;  // `file` holds only part of what was asked for
    int port = -1;         // the "Comport" the driver was given; -1 when unknown
    std::string portFrom;  // "--port", "settings", "default"
    std::string trace;     // the driver's trace, once a driver ran
    // The port as the job found it before its first driver run, and in words
    // ("/dev/ttyUSB0", "usb:0403:6001:A1"); "" before it was looked at.
    TPortIdentity portSeen;
    std::string portIdentity;
    // How to go on with a job that stopped ("zvtool backup ... --resume"), or "".
    std::string finishing;

    // backup and restore
    std::string unitVersion;   // "3.7", "-" when the trace does not tell; "" before the test
    int fetched = -1;          // backup: records fetched by this run
    std::vector<int> refused;  // backup: modules the unit refused
    bool keptTried = false;    // a copy was to be kept in the ledger
    std::string keptAs;        // the ledger's name for it ("pump-3@1"); "" when not kept
    // restore
    bool planned = false;
    std::string plan;  // the plan in words
    TReadBack readBack;
    std::string summary;  // "2 of 2 records written and read back the same"
};
