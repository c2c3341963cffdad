#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "zvtool/ledger/ledger_store.h"
#include "zvtool/ports/serial_ports.h"
#include "zvtool/window/job_display.h"
#include "zvtool/window/job_thread_win32.h"
#include "zvtool/window/window_memory.h"

// The window's dialogs: each a resource template (zvtoolw.rc) and a procedure, given its
// state through the creation's parameter. zvtoolw.exe makes them; the DPI check of the tests
// makes each with made-up state and measures it.

// The main window, for as long as it is open. Only the window's thread touches it.
struct TMainWindow {
    std::string data;         // where the run folder and what the window remembers are
    std::string runFolder;    // where the jobs run
    std::string stateFolder;  // zvtool's per-user state (the lock, the session traces)
    std::string driver;       // the driver program; "" when none was found
    TZvError driverError;     // why none was found
    TLedgerPlace ledger;
    std::string ledgerNote;  // the ledger moved where zvtool keeps it now, or could not be
    TWindowMemory memory;
    std::vector<TSerialPort> ports;
    TRunningJob* running = nullptr;
    TWindowJob last;  // the last job that ended, for Resume and the report
    bool ran = false;
    TJobDisplay display;
    bool closeWhenDone = false;  // the window closes once the running job has stopped
    bool portsStale = false;     // a device change came while a job ran
};

// This user's folders, the driver beside this program, what the window remembers; the run
// folder is made. Said in the window when something is missing.
void PrepareMainWindow(TMainWindow* window);

// lParam of the creation: the TMainWindow.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the main window's class (a dialog's, under its own name).
bool RegisterMainClass(HINSTANCE instance);

// Restore: the file or ledger entry chosen; IDOK when one was.
struct TRestoreChoice {
    TLedgerPlace ledger;
    std::string unit;  // whose entries are listed; "" every unit's
    long long now = 0;
    std::string file;  // in: the last one chosen; out: the choice
};
INT_PTR CALLBACK RestoreDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The restore's plan before anything is sent: IDOK sends it.
struct TPlanView {
    const TJobOutcome* outcome = nullptr;
    const TRestorePrepared* prepared = nullptr;
};
INT_PTR CALLBACK PlanDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The unit's ledger entries, and the difference of two of them.
struct THistoryView {
    TLedgerPlace ledger;
    std::string unit;
    long long now = 0;
};
INT_PTR CALLBACK HistoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
