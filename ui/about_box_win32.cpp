#include "ui/status_window_win32.h"

// Esc (IDCANCEL) is deliberately not handled: the box has no other way out than OK.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            // TRUE: the dialog manager puts the focus on the first tab stop, the OK button.
            return TRUE;
        case WM_COMMAND:
            if (wParam == IDOK) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
