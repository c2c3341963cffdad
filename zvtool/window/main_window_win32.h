#pragma once
#include <windows.h>

#include <string>

#include "zvtool/jobs/request.h"
#include "zvtool/window/job_display.h"
#include "zvtool/window/window_dialogs_win32.h"

// The main window's parts: the dialog procedure (main_dialog_win32.cpp) calls these for its
// buttons and for the messages of the job that runs (main_jobs_win32.cpp).

// Reads the ports again and chooses the one last used (else the first).
void ShowPorts(HWND dialog, TMainWindow* window);
// The progress controls from the display (and the log, when it changed).
void ShowDisplay(HWND dialog, TJobDisplay* display);
// Which buttons may be pressed now.
void ShowButtons(HWND dialog, const TMainWindow& window);

// Starts `job` from the window's fields (`file`: a restore's choice); a field that does not fit
// is said in the status line and nothing starts.
void StartWindowJob(HWND dialog, TMainWindow* window, TZvJob job, const std::string& file);
// Starts the job that goes on with the last one.
void ResumeWindowJob(HWND dialog, TMainWindow* window);
void CancelWindowJob(HWND dialog, TMainWindow* window);
// The restore's plan has come: shows it and answers it.
void AskAboutThePlan(HWND dialog, TMainWindow* window, TRunningJob* running);
void EndWindowJob(HWND dialog, TMainWindow* window, TRunningJob* running);

void ChooseAndRestore(HWND dialog, TMainWindow* window);
void ShowHistory(HWND dialog, TMainWindow* window);
void SaveReport(HWND dialog, TMainWindow* window);

// A close asks first while a job runs, then stops the job and closes once it has stopped.
void CloseMainWindow(HWND dialog, TMainWindow* window);
// WM_QUERYENDSESSION: a job holds a shutdown or log-off off, with its reason.
bool MayEndSession(HWND dialog, TMainWindow* window);
// WM_ENDSESSION: when the session ends all the same, the job is stopped cleanly first.
void EndSession(HWND dialog, TMainWindow* window, bool ending);
