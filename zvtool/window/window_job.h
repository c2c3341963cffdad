#pragma once
#include <functional>
#include <string>

#include "zvtool/jobs/context.h"
#include "zvtool/jobs/job_outcome.h"
#include "zvtool/jobs/request.h"
#include "zvtool/jobs/restore.h"

// A job of the window, run the way the terminal's job command runs one: the lock on the
// driver's files, the port chosen in the list, then the core's own job. Portable, so that
// the whole of it runs in virtual time in the tests; only the thread it runs on and the
// posting of its events are the window's.

// The fields of the main window a job is made from.
struct TWindowFields {
    std::string port;     // the port list's choice ("COM3"); "" leaves the settings' port
    std::string unit;     // the unit's name; "" the one last named in the run folder
    std::string modules;  // "1-200", "1-5", "all"
    std::string file;     // restore: a record file or a ledger entry's name (UNIT@N)
};

// The request for `job` from the fields. False with the error for a range or a unit name
// that does not fit (kExitUsage).
bool WindowRequest(TZvJob job, const TWindowFields& fields, const std::string& runFolder,
                   TJobRequest* request, TZvError* error);

struct TWindowJob {
    TJobRequest request;
    std::string port;     // as TWindowFields::port
    TJobContext context;  // the folders, driver, runner, clock, cancel request and sink
    // Asked once a restore has planned something to send, with the plan in the outcome; the
    // plan is sent only when it returns true. It blocks the job's thread, not the window.
    std::function<bool(const TJobOutcome& outcome, const TRestorePrepared& prepared)> confirm;
    TJobOutcome outcome;
};

// Runs the job. A backup goes into the run folder under the unit's name with the date and
// time, and `request.output` is left naming that file, for a resume.
void RunWindowJob(TWindowJob* job);

// The request that goes on with a job that stopped (OffersResume).
TJobRequest ResumeRequest(const TWindowJob& job);
