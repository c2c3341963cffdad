// "Save a report...": one text file with this program's and the unit's versions, the last job,
// its outcome, everything it said and the driver's trace, for a technician to send.
#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <string>

#include "zvtool/jobs/guard.h"
#include "zvtool/platform/files.h"
#include "zvtool/window/controls_win32.h"
#include "zvtool/window/main_window_win32.h"
#include "zvtool/window/outcome_text.h"
#include "zvtool/window/window_facts_win32.h"
#include "zvtool/window/window_ids.h"

void SaveReport(HWND dialog, TMainWindow* window) {
    wchar_t path[MAX_PATH] = L"zvtool-report.txt";
    OPENFILENAMEW file{};
    file.lStructSize = sizeof file;
    file.hwndOwner = dialog;
    file.lpstrFilter = L"Text files (*.txt)\0*.txt\0All files\0*.*\0";
    file.lpstrFile = path;
    file.nMaxFile = MAX_PATH;
    file.lpstrDefExt = L"txt";
    file.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&file)) {
        return;
    }
    const TJobOutcome outcome = window->ran ? window->last.outcome : TJobOutcome();
    std::string trace;
    std::string error;
    if (!outcome.trace.empty()) {
        ReadWholeFile(outcome.trace, kMaxTraceBytes, &trace, &error);
    }
    const std::string text =
        ReportText(ReportFacts(window->driver, window->runFolder), outcome, trace);
    const std::string target = Narrow(path);
    SetControlText(dialog, ZV_IDC_STATUS,
                   WriteWholeFile(target, text, &error)
                       ? "the report is in " + target
                       : "cannot write the report to " + target + ": " + error);
}
