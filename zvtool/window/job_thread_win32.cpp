#include "zvtool/window/job_thread_win32.h"

#include "zvtool/jobs/context.h"
#include "zvtool/ledger/user_ledger.h"

namespace {

DWORD WINAPI JobThread(LPVOID parameter) {
    TRunningJob* running = static_cast<TRunningJob*>(parameter);
    RunWindowJob(&running->job);
    PostMessageW(running->window, kJobDoneMessage, 0, reinterpret_cast<LPARAM>(running));
    return 0;
}

// Sent from the job's thread: a copy of each event, posted, so that the thread never waits
// for the window.
void PostEvent(HWND window, const TEvent& event) {
    TEvent* copy = new TEvent(event);
    if (!PostMessageW(window, kJobEventMessage, 0, reinterpret_cast<LPARAM>(copy))) {
        delete copy;
    }
}

bool AskForThePlan(TRunningJob* running, const TRestorePrepared& prepared) {
    if (running->cancel.requested.load()) {
        return false;
    }
    running->prepared = &prepared;
    if (!PostMessageW(running->window, kJobPlannedMessage, 0, reinterpret_cast<LPARAM>(running))) {
        return false;
    }
    WaitForSingleObject(running->answered, INFINITE);
    running->prepared = nullptr;
    return running->send.load() && !running->cancel.requested.load();
}

}  // namespace

TRunningJob* StartJob(HWND window, const TWindowJob& job) {
    TRunningJob* running = new TRunningJob;
    running->job = job;
    running->window = window;
    TJobContext& context = running->job.context;
    context.cancel = &running->cancel;
    context.runner = ProcessRunner(&running->cancel);
    // A shared ledger's commits and pushes run without a console window, and end at Cancel.
    context.git = UserGit(&running->cancel.requested);
    context.sink = [window](const TEvent& event) { PostEvent(window, event); };
    running->job.confirm = [running](const TJobOutcome&, const TRestorePrepared& prepared) {
        return AskForThePlan(running, prepared);
    };
    running->answered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    running->thread = running->answered == nullptr
                          ? nullptr
                          : CreateThread(nullptr, 0, JobThread, running, 0, nullptr);
    if (running->thread == nullptr) {
        if (running->answered != nullptr) {
            CloseHandle(running->answered);
        }
        delete running;
        return nullptr;
    }
    return running;
}

void AnswerPlan(TRunningJob* running, bool send) {
    running->send.store(send);
    SetEvent(running->answered);
}

void StopJob(TRunningJob* running) {
    running->cancel.requested.store(true);
    AnswerPlan(running, false);
}

bool WaitForJob(TRunningJob* running, DWORD milliseconds) {
    return WaitForSingleObject(running->thread, milliseconds) == WAIT_OBJECT_0;
}

TWindowJob FinishJob(TRunningJob* running) {
    WaitForSingleObject(running->thread, INFINITE);
    CloseHandle(running->thread);
    CloseHandle(running->answered);
    TWindowJob job = running->job;
    delete running;
    return job;
}
