#pragma once
#include <string>

#include "zvtool/jobs/job_outcome.h"

// What the window says of a job that ended, in the core's words: the status line under the
// buttons, the outcome panel, whether Resume is offered, and the report a technician sends.

// One line: "backup: result 3: all module records fetched (11.2 s)", "restore: 2 of 2 records
// written and read back the same", or the first error.
std::string StatusLine(const TJobOutcome& outcome);

// The panel: the result and its meaning, the file and its records, the ledger's name for the
// copy, a restore's verdict with the records read back otherwise; when the job did not do what
// was asked, every message it said (the account and the advice among them) and how it is
// finished.
std::string OutcomeText(const TJobOutcome& outcome);

// Whether the job stopped leaving what a resume goes on from (a backup's partial file, a
// restore's note).
bool OffersResume(const TJobOutcome& outcome);

// The facts of this workstation that a report carries besides the job.
struct TReportFacts {
    std::string program;    // "zvtoolw 1.0.0 (32-bit)"
    std::string system;     // "Windows 10.0.19045"
    std::string driver;     // the driver program's path
    std::string runFolder;  // where the jobs run
    std::string settings;   // where the driver reads its settings
    std::string time;       // when the report was written
};

// The report: the facts, the job and its outcome, everything the job said and the driver's
// trace of it, as one text with CR LF line ends (it is read on Windows).
std::string ReportText(const TReportFacts& facts, const TJobOutcome& outcome,
                       const std::string& trace);
