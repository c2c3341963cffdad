// Restore: the choice of what to restore (a file, or a ledger entry of the unit), and the
// plan shown before anything is sent, with what each record sent changes on the unit.
#include <windows.h>
// commctrl.h and commdlg.h need the types of windows.h first.
#include <commctrl.h>
#include <commdlg.h>

#include <ctime>
#include <string>
#include <vector>

#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/window/controls_win32.h"
#include "zvtool/window/main_window_win32.h"
#include "zvtool/window/window_ids.h"

namespace {

const std::vector<TColumn> kEntryList = {{L"Entry", 56},   {L"Kind", 40},    {L"Time", 86},
                                         {L"Records", 36}, {L"Version", 34}, {L"Copy", 32}};
const std::vector<TColumn> kChangeList = {
    {L"Record", 70}, {L"Offset", 40}, {L"Unit", 40}, {L"File", 40}};

void Browse(HWND dialog) {
    wchar_t path[MAX_PATH] = L"";
    OPENFILENAMEW file{};
    file.lStructSize = sizeof file;
    file.hwndOwner = dialog;
    file.lpstrFilter = L"Setup files (*.dat)\0*.dat\0All files\0*.*\0";
    file.lpstrFile = path;
    file.nMaxFile = MAX_PATH;
    file.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&file)) {
        SetWindowTextW(GetDlgItem(dialog, ZV_IDC_FILE), path);
    }
}

// The entries as the history lists them, without the columns the choice needs not.
void ListEntries(HWND dialog, const TRestoreChoice& choice) {
    const THistoryResult history = LedgerHistory(choice.ledger, choice.unit, choice.now);
    std::vector<TListRow> rows;
    for (const TListedEntry& listed : history.entries) {
        const TListRow row = HistoryRow(listed);
        rows.push_back({row[0], row[1], row[2], row[3], row[4], row[6]});
    }
    SetRows(dialog, ZV_IDC_ENTRIES, rows);
}

// A chosen entry fills the field with its name, which the restore resolves as the terminal
// resolves UNIT@N, checking the copy.
INT_PTR OnEntryChosen(HWND dialog, const NMHDR* header) {
    if (header->idFrom != ZV_IDC_ENTRIES || header->code != LVN_ITEMCHANGED) {
        return FALSE;
    }
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if ((change->uNewState & LVIS_SELECTED) != 0 && (change->uOldState & LVIS_SELECTED) == 0) {
        wchar_t name[128] = L"";
        ListView_GetItemText(header->hwndFrom, change->iItem, 0, name, 128);
        SetWindowTextW(GetDlgItem(dialog, ZV_IDC_FILE), name);
    }
    return TRUE;
}

INT_PTR OnRestoreCommand(HWND dialog, TRestoreChoice* choice, int id) {
    switch (id) {
        case ZV_IDC_BROWSE:
            Browse(dialog);
            return TRUE;
        case IDOK:
            choice->file = ControlText(dialog, ZV_IDC_FILE);
            if (!choice->file.empty()) {
                EndDialog(dialog, IDOK);
            }
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK RestoreDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        TRestoreChoice* choice = reinterpret_cast<TRestoreChoice*>(lParam);
        SetColumns(dialog, ZV_IDC_ENTRIES, kEntryList);
        SetControlText(dialog, ZV_IDC_FILE, choice->file);
        ListEntries(dialog, *choice);
        return TRUE;
    }
    TRestoreChoice* choice =
        reinterpret_cast<TRestoreChoice*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (choice == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND:
            return OnRestoreCommand(dialog, choice, LOWORD(wParam));
        case WM_NOTIFY:
            return OnEntryChosen(dialog, reinterpret_cast<const NMHDR*>(lParam));
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK PlanDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const TPlanView* view = reinterpret_cast<const TPlanView*>(lParam);
        SetControlText(dialog, ZV_IDC_PLAN_TEXT, "The plan: " + view->outcome->plan);
        SetColumns(dialog, ZV_IDC_CHANGES, kChangeList);
        SetRows(dialog, ZV_IDC_CHANGES, PlanRows(*view->prepared));
        // Nothing goes before the technician has looked: the focus starts on the list.
        SetFocus(GetDlgItem(dialog, ZV_IDC_CHANGES));
        return FALSE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void ChooseAndRestore(HWND dialog, TMainWindow* window) {
    TRestoreChoice choice;
    choice.ledger = window->ledger;
    choice.unit = ControlText(dialog, ZV_IDC_UNIT);
    choice.now = static_cast<long long>(std::time(nullptr));
    choice.file = window->ran && window->last.request.job == TZvJob::kRestore
                      ? window->last.request.file
                      : "";
    if (DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ZV_IDD_RESTORE), dialog,
                        RestoreDialogProc, reinterpret_cast<LPARAM>(&choice)) == IDOK) {
        StartWindowJob(dialog, window, TZvJob::kRestore, choice.file);
    }
}
