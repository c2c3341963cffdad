#pragma once
#include <windows.h>

#include <atomic>

#include "zvtool/window/window_job.h"

// A window's job on a thread of its own, so that the window's message loop never waits on
// the line: the core's events reach the window as posted messages, in order, and the job's
// end as the last of them. A restore's plan is answered from the window; the thread waits.

// lParam: a copy of the event (a TEvent*), which the window deletes.
constexpr UINT kJobEventMessage = WM_APP + 1;
// A restore has planned what it sends; the window shows the plan and calls AnswerPlan.
// lParam: the TRunningJob.
constexpr UINT kJobPlannedMessage = WM_APP + 2;
// The job has ended; the window calls FinishJob. lParam: the TRunningJob.
constexpr UINT kJobDoneMessage = WM_APP + 3;

struct TRunningJob {
    TWindowJob job;
    TCancelRequest cancel;
    HWND window = nullptr;
    HANDLE thread = nullptr;
    HANDLE answered = nullptr;  // set once the plan is answered
    std::atomic<bool> send{false};
    const TRestorePrepared* prepared = nullptr;  // while the thread waits for the answer
};

// Starts `job` (its context lacks only the runner, the cancel request and the sink, which
// this fills in); null when no thread can be made.
TRunningJob* StartJob(HWND window, const TWindowJob& job);

// The technician's answer to a restore's plan: send it, or not.
void AnswerPlan(TRunningJob* running, bool send);

// Asks the job to stop, as Ctrl-C does in the terminal: the driver is stopped and the job says
// what the unit holds; a plan waiting for its answer is not sent.
void StopJob(TRunningJob* running);

// Waits up to `milliseconds` for the thread to end: true when it has.
bool WaitForJob(TRunningJob* running, DWORD milliseconds);

// Once kJobDoneMessage came: the job as it ended; the thread is gone and `running` freed.
TWindowJob FinishJob(TRunningJob* running);
