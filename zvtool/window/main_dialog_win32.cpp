// The main window: the port list, the unit, the job buttons, the progress of the job that
// runs and the outcome of the last one. Its buttons start the core's jobs on a thread of
// their own (main_jobs_win32.cpp); its controls show the events they post.
#include <windows.h>
// dbt.h and commctrl.h need the types of windows.h first.
#include <commctrl.h>
#include <dbt.h>

#include <memory>
#include <string>
#include <vector>

#include "zvtool/ports/serial_ports.h"
#include "zvtool/window/controls_win32.h"
#include "zvtool/window/main_window_win32.h"
#include "zvtool/window/window_dialogs_win32.h"
#include "zvtool/window/window_facts_win32.h"
#include "zvtool/window/window_ids.h"

namespace {

const std::vector<TColumn> kPortList = {
    {L"Port", 30}, {L"Name", 90}, {L"USB adapter", 84}, {L"State", 96}};

TMainWindow* Window(HWND dialog) {
    return reinterpret_cast<TMainWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// A dialog procedure's answer to a message whose result is not TRUE or FALSE.
INT_PTR Answer(HWND dialog, LONG_PTR result) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

void SetIcons(HWND dialog) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const int size : {ICON_BIG, ICON_SMALL}) {
        const int side = GetSystemMetrics(size == ICON_BIG ? SM_CXICON : SM_CXSMICON);
        HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(ZV_IDI_WINDOW), IMAGE_ICON, side, side,
                                 LR_DEFAULTCOLOR);
        SendMessageW(dialog, WM_SETICON, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(icon));
    }
}

BOOL OnInit(HWND dialog, TMainWindow* window) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
    SetIcons(dialog);
    SetColumns(dialog, ZV_IDC_PORTS, kPortList);
    SendDlgItemMessageW(dialog, ZV_IDC_UNIT, EM_LIMITTEXT, 64, 0);
    SendDlgItemMessageW(dialog, ZV_IDC_MODULES, EM_LIMITTEXT, 16, 0);
    SetControlText(dialog, ZV_IDC_UNIT, window->memory.unit);
    SetControlText(dialog, ZV_IDC_MODULES, window->memory.modules);
    SendDlgItemMessageW(dialog, ZV_IDC_BAR, PBM_SETRANGE32, 0, kBarFull);
    SetControlText(
        dialog, ZV_IDC_FOLDERS,
        window->runFolder.empty() ? window->driverError.message : FoldersText(window->runFolder));
    ShowPorts(dialog, window);
    SetControlText(dialog, ZV_IDC_STATUS,
                   window->driver.empty()        ? window->driverError.message
                   : !window->ledgerNote.empty() ? window->ledgerNote
                                                 : "Ready: choose the port, then a job.");
    ShowButtons(dialog, *window);
    return TRUE;
}

// Arrival, removal, or any change of the device tree: the list is read again, never from
// the message's data (which Windows does not always send, and which may name another device).
INT_PTR OnDeviceChange(HWND dialog, TMainWindow* window, WPARAM change) {
    if (change == DBT_DEVICEARRIVAL || change == DBT_DEVICEREMOVECOMPLETE ||
        change == DBT_DEVNODES_CHANGED) {
        // Looking at a port opens it for a moment: never while a driver may be opening one.
        if (window->running != nullptr) {
            window->portsStale = true;
        } else {
            ShowPorts(dialog, window);
        }
    }
    return Answer(dialog, TRUE);
}

// Posted to itself once the dialog manager has scaled the window to a new DPI.
constexpr UINT kScaleColumnsMessage = WM_APP + 10;

// On a screen of another DPI the dialog manager scales the window, its controls and its font
// (per-monitor v2), but not the list's columns, which are in pixels: they follow once it has.
INT_PTR OnDpiChanged(HWND dialog) {
    PostMessageW(dialog, kScaleColumnsMessage, 0, 0);
    return FALSE;
}

INT_PTR OnCommand(HWND dialog, TMainWindow* window, int id) {
    switch (id) {
        case ZV_IDC_TEST:
            StartWindowJob(dialog, window, TZvJob::kTest, "");
            return TRUE;
        case ZV_IDC_BACKUP:
            StartWindowJob(dialog, window, TZvJob::kBackup, "");
            return TRUE;
        case ZV_IDC_RESTORE:
            ChooseAndRestore(dialog, window);
            return TRUE;
        case ZV_IDC_HISTORY:
            ShowHistory(dialog, window);
            return TRUE;
        case ZV_IDC_CANCEL_JOB:
        case IDCANCEL:  // Esc
            CancelWindowJob(dialog, window);
            return TRUE;
        case ZV_IDC_RESUME:
            ResumeWindowJob(dialog, window);
            return TRUE;
        case ZV_IDC_REPORT:
            SaveReport(dialog, window);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR OnJobMessage(HWND dialog, TMainWindow* window, UINT message, LPARAM lParam) {
    if (message == kJobEventMessage) {
        const std::unique_ptr<TEvent> event(reinterpret_cast<TEvent*>(lParam));
        ShowEvent(*event, &window->display);
        if (window->display.changed) {
            ShowDisplay(dialog, &window->display);
        }
    } else if (message == kJobPlannedMessage) {
        AskAboutThePlan(dialog, window, reinterpret_cast<TRunningJob*>(lParam));
    } else {
        EndWindowJob(dialog, window, reinterpret_cast<TRunningJob*>(lParam));
    }
    return TRUE;
}

}  // namespace

void ShowPorts(HWND dialog, TMainWindow* window) {
    window->ports = ListSerialPorts();
    std::vector<TListRow> rows;
    int chosen = window->ports.empty() ? -1 : 0;
    for (std::size_t i = 0; i < window->ports.size(); ++i) {
        rows.push_back(PortRow(window->ports[i]));
        if (window->ports[i].name == window->memory.port) {
            chosen = static_cast<int>(i);
        }
    }
    SetRows(dialog, ZV_IDC_PORTS, rows);
    if (chosen >= 0) {
        ChooseRow(dialog, ZV_IDC_PORTS, chosen);
    }
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return OnInit(dialog, reinterpret_cast<TMainWindow*>(lParam));
    }
    TMainWindow* window = Window(dialog);
    if (window == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND:
            return OnCommand(dialog, window, LOWORD(wParam));
        case kJobEventMessage:
        case kJobPlannedMessage:
        case kJobDoneMessage:
            return OnJobMessage(dialog, window, message, lParam);
        case WM_DEVICECHANGE:
            return OnDeviceChange(dialog, window, wParam);
        case WM_QUERYENDSESSION:
            return Answer(dialog, MayEndSession(dialog, window) ? TRUE : FALSE);
        case WM_ENDSESSION:
            EndSession(dialog, window, wParam != FALSE);
            return Answer(dialog, 0);
        case WM_DPICHANGED:
            return OnDpiChanged(dialog);
        case kScaleColumnsMessage:
            ScaleColumns(dialog, ZV_IDC_PORTS, kPortList);
            return TRUE;
        case WM_CLOSE:
            CloseMainWindow(dialog, window);
            return TRUE;
        case WM_DESTROY:
            PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
}
