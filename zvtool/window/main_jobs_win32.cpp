// The main window's jobs: started from its fields, shown while they run, ended into the
// outcome panel; and the ways a window or a session may end while one runs.
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include <string>
#include <vector>

#include "zvtool/jobs/context.h"
#include "zvtool/platform/files.h"
#include "zvtool/window/controls_win32.h"
#include "zvtool/window/main_window_win32.h"
#include "zvtool/window/outcome_text.h"
#include "zvtool/window/window_ids.h"

namespace {

constexpr DWORD kSessionEndWaitMs = 20000;

std::string ChosenPort(HWND dialog, const TMainWindow& window) {
    const std::vector<int> rows = ChosenRows(dialog, ZV_IDC_PORTS);
    return rows.empty() || static_cast<std::size_t>(rows[0]) >= window.ports.size()
               ? ""
               : window.ports[static_cast<std::size_t>(rows[0])].name;
}

void Remember(TMainWindow* window, const TWindowFields& fields) {
    window->memory.port = fields.port;
    window->memory.unit = fields.unit;
    window->memory.modules = fields.modules;
    std::string error;
    WriteWholeFile(WindowMemoryPath(window->data), WindowMemoryText(window->memory), &error);
}

void Focus(HWND dialog, int id) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

// Starts `job`, its context made from the window's folders.
void Start(HWND dialog, TMainWindow* window, TWindowJob job) {
    job.context = TJobContext();
    job.context.runFolder = window->runFolder;
    job.context.driver = window->driver;
    job.context.stateFolder = window->stateFolder;
    job.context.ledger = window->ledger;
    job.context.clock = SystemClock();
    job.outcome = TJobOutcome();
    window->display = TJobDisplay();
    ShowDisplay(dialog, &window->display);
    window->running = StartJob(dialog, job);
    if (window->running == nullptr) {
        SetControlText(dialog, ZV_IDC_STATUS, "no thread could be started for the job");
        return;
    }
    SetControlText(dialog, ZV_IDC_STATUS, JobName(job.request) + ": running");
    SetControlText(dialog, ZV_IDC_OUTCOME, "");
    ShowButtons(dialog, *window);
    Focus(dialog, ZV_IDC_CANCEL_JOB);
}

}  // namespace

void ShowDisplay(HWND dialog, TJobDisplay* shown) {
    const TJobDisplay& display = *shown;
    SetControlText(dialog, ZV_IDC_PHASE, display.phase);
    SetControlText(dialog, ZV_IDC_STEP, display.step);
    SetControlText(dialog, ZV_IDC_TIMES, display.times);
    SetControlText(dialog, ZV_IDC_WARNING, display.warning);
    HWND bar = GetDlgItem(dialog, ZV_IDC_BAR);
    const LONG_PTR style = GetWindowLongPtrW(bar, GWL_STYLE);
    const bool moving = (style & PBS_MARQUEE) != 0;
    if (moving != display.barMoving) {
        SetWindowLongPtrW(bar, GWL_STYLE,
                          display.barMoving ? style | PBS_MARQUEE : style & ~LONG_PTR{PBS_MARQUEE});
        SendMessageW(bar, PBM_SETMARQUEE, display.barMoving ? TRUE : FALSE, 0);
    }
    if (!display.barMoving) {
        SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(display.bar), 0);
    }
    if (display.logChanged) {
        shown->logChanged = false;
        SetControlText(dialog, ZV_IDC_OUTCOME, display.log);
        SendDlgItemMessageW(dialog, ZV_IDC_OUTCOME, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        SendDlgItemMessageW(dialog, ZV_IDC_OUTCOME, EM_SCROLLCARET, 0, 0);
    }
}

void ShowButtons(HWND dialog, const TMainWindow& window) {
    const bool idle = window.running == nullptr;
    const bool driver = !window.driver.empty() && !window.runFolder.empty();
    for (const int id : {ZV_IDC_TEST, ZV_IDC_BACKUP, ZV_IDC_RESTORE}) {
        EnableWindow(GetDlgItem(dialog, id), idle && driver);
    }
    EnableWindow(GetDlgItem(dialog, ZV_IDC_HISTORY), idle);
    EnableWindow(GetDlgItem(dialog, ZV_IDC_REPORT), idle);
    EnableWindow(GetDlgItem(dialog, ZV_IDC_CANCEL_JOB), !idle);
    EnableWindow(GetDlgItem(dialog, ZV_IDC_RESUME),
                 idle && driver && window.ran && OffersResume(window.last.outcome));
}

void StartWindowJob(HWND dialog, TMainWindow* window, TZvJob kind, const std::string& file) {
    if (window->running != nullptr) {
        return;
    }
    const TWindowFields fields{ChosenPort(dialog, *window), ControlText(dialog, ZV_IDC_UNIT),
                               ControlText(dialog, ZV_IDC_MODULES), file};
    TWindowJob job;
    TZvError error;
    if (!WindowRequest(kind, fields, window->runFolder, &job.request, &error)) {
        SetControlText(dialog, ZV_IDC_STATUS, error.message);
        return;
    }
    job.port = fields.port;
    Remember(window, fields);
    Start(dialog, window, job);
}

void ResumeWindowJob(HWND dialog, TMainWindow* window) {
    if (window->running == nullptr && window->ran && OffersResume(window->last.outcome)) {
        TWindowJob job = window->last;
        job.request = ResumeRequest(window->last);
        Start(dialog, window, job);
    }
}

void CancelWindowJob(HWND dialog, TMainWindow* window) {
    if (window->running != nullptr) {
        StopJob(window->running);
        SetControlText(dialog, ZV_IDC_STATUS, "stopping the job: the driver is being stopped");
    }
}

void AskAboutThePlan(HWND dialog, TMainWindow*, TRunningJob* running) {
    TPlanView view{&running->job.outcome, running->prepared};
    const INT_PTR answer =
        running->cancel.requested.load()
            ? IDCANCEL
            : DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ZV_IDD_PLAN), dialog,
                              PlanDialogProc, reinterpret_cast<LPARAM>(&view));
    AnswerPlan(running, answer == IDOK);
    if (answer == IDOK) {
        SetControlText(dialog, ZV_IDC_STATUS, "restore: sending the plan");
    }
}

void EndWindowJob(HWND dialog, TMainWindow* window, TRunningJob* running) {
    window->last = FinishJob(running);
    window->running = nullptr;
    window->ran = true;
    ShutdownBlockReasonDestroy(dialog);
    if (window->closeWhenDone) {
        DestroyWindow(dialog);
        return;
    }
    const TJobOutcome& outcome = window->last.outcome;
    SetControlText(dialog, ZV_IDC_STATUS, StatusLine(outcome));
    window->display.barMoving = false;
    window->display.bar = outcome.end.exit == 0 ? kBarFull : window->display.bar;
    window->display.log = OutcomeText(outcome);
    window->display.logChanged = true;
    ShowDisplay(dialog, &window->display);
    if (window->portsStale) {
        window->portsStale = false;
        ShowPorts(dialog, window);
    }
    ShowButtons(dialog, *window);
    Focus(dialog, OffersResume(outcome) ? ZV_IDC_RESUME : ZV_IDC_TEST);
}

void CloseMainWindow(HWND dialog, TMainWindow* window) {
    if (window->running == nullptr) {
        DestroyWindow(dialog);
        return;
    }
    const int answer = MessageBoxW(dialog,
                                   L"A job runs on the unit. Stop it and close the window?\n\n"
                                   L"The job stops as Cancel stops it, and the window closes "
                                   L"once the driver has ended.",
                                   L"zvtool", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer != IDYES) {
        return;
    }
    // The job may have ended while the question was open.
    if (window->running == nullptr) {
        DestroyWindow(dialog);
        return;
    }
    window->closeWhenDone = true;
    CancelWindowJob(dialog, window);
}

bool MayEndSession(HWND dialog, TMainWindow* window) {
    if (window->running == nullptr) {
        ShutdownBlockReasonDestroy(dialog);
        return true;
    }
    ShutdownBlockReasonCreate(dialog,
                              L"A job on the unit runs: stopping it now leaves the "
                              L"unit's records half sent or half copied. Wait for it, "
                              L"or press Cancel in zvtool first.");
    return false;
}

void EndSession(HWND dialog, TMainWindow* window, bool ending) {
    if (!ending) {
        ShutdownBlockReasonDestroy(dialog);
        return;
    }
    if (window->running != nullptr) {
        StopJob(window->running);
        WaitForJob(window->running, kSessionEndWaitMs);
    }
}
