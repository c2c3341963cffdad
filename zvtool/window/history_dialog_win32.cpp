// History: the unit's ledger entries, each copy verified; two chosen compared record by record
// (the older as A); the folder of a copy opened.
#include <windows.h>
// commctrl.h and shellapi.h need the types of windows.h first.
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/platform/files.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/window/controls_win32.h"
#include "zvtool/window/main_window_win32.h"
#include "zvtool/window/window_ids.h"

namespace {

const std::vector<TColumn> kEntryList = {{L"Entry", 54},   {L"Kind", 40},    {L"Time", 84},
                                         {L"Records", 36}, {L"Version", 36}, {L"Port", 36},
                                         {L"Copy", 38}};
const std::vector<TColumn> kDiffList = {{L"Record", 80}, {L"Offset", 40}, {L"A", 50}, {L"B", 50}};

struct THistoryState {
    THistoryView view;
    THistoryResult history;
};

THistoryState* State(HWND dialog) {
    return reinterpret_cast<THistoryState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void Compare(HWND dialog, const THistoryState& state) {
    const std::vector<int> rows = ChosenRows(dialog, ZV_IDC_HISTORY_LIST);
    if (rows.size() != 2) {
        SetControlText(dialog, ZV_IDC_DIFF_SUMMARY, "choose two entries to compare");
        return;
    }
    // Newest first: the second row chosen is the older, A.
    const TListedEntry& a = state.history.entries[static_cast<std::size_t>(rows[1])];
    const TListedEntry& b = state.history.entries[static_cast<std::size_t>(rows[0])];
    const TDiffResult diff = DiffRecordFiles(a.path, b.path);
    SetRows(dialog, ZV_IDC_DIFF, DiffRows(diff.diff));
    if (!diff.compared) {
        SetControlText(dialog, ZV_IDC_DIFF_SUMMARY, diff.end.error);
        return;
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "A = %s, B = %s: %d changed, %d only in A, %d only in B, %d the same",
                  a.name.c_str(), b.name.c_str(), diff.diff.changed, diff.diff.onlyA,
                  diff.diff.onlyB, diff.diff.same);
    SetControlText(dialog, ZV_IDC_DIFF_SUMMARY, text);
}

void OpenFolder(HWND dialog, const THistoryState& state) {
    const std::vector<int> rows = ChosenRows(dialog, ZV_IDC_HISTORY_LIST);
    const std::string folder =
        rows.empty() ? state.history.folder
                     : FolderOf(state.history.entries[static_cast<std::size_t>(rows[0])].path);
    ShellExecuteW(dialog, L"open", Wide(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

BOOL OnInit(HWND dialog, THistoryState* state) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    SetColumns(dialog, ZV_IDC_HISTORY_LIST, kEntryList);
    SetColumns(dialog, ZV_IDC_DIFF, kDiffList);
    state->history = LedgerHistory(state->view.ledger, state->view.unit, state->view.now);
    std::vector<TListRow> rows;
    for (const TListedEntry& listed : state->history.entries) {
        rows.push_back(HistoryRow(listed));
    }
    SetRows(dialog, ZV_IDC_HISTORY_LIST, rows);
    const std::string unit = state->view.unit.empty() ? "every unit" : "unit " + state->view.unit;
    SetControlText(dialog, ZV_IDC_DIFF_SUMMARY,
                   state->history.end.exit != 0 ? state->history.end.error
                   : rows.empty()
                       ? "the ledger (" + state->history.folder + ") holds nothing of " + unit
                       : std::to_string(rows.size()) + " entries of " + unit);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK HistoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return OnInit(dialog, new THistoryState{*reinterpret_cast<THistoryView*>(lParam), {}});
    }
    THistoryState* state = State(dialog);
    if (state == nullptr) {
        return FALSE;
    }
    if (message == WM_DESTROY) {
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        delete state;
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
        case ZV_IDC_COMPARE:
            Compare(dialog, *state);
            return TRUE;
        case ZV_IDC_OPEN_FOLDER:
            OpenFolder(dialog, *state);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

void ShowHistory(HWND dialog, TMainWindow* window) {
    THistoryView view{window->ledger, ControlText(dialog, ZV_IDC_UNIT),
                      static_cast<long long>(std::time(nullptr))};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ZV_IDD_HISTORY), dialog,
                    HistoryDialogProc, reinterpret_cast<LPARAM>(&view));
}
