#include "serial/com_port.h"
#include "ui/status_window.h"
#include "ui/status_window_win32.h"

namespace {

// Kept from the window's creation data for opening the About box later.
HINSTANCE hInstance = nullptr;
DLGPROC aboutDlgProc = nullptr;

constexpr char kAboutTemplate[] = "AboutBox";

// The whole of wParam is compared: a value with any high bit set is not one of ours.
bool IsJobCommand(WPARAM command) {
    return command >= kCmdSendCentral && command <= kCmdTestConnection;
}

LRESULT SystemCommand(HWND window, WPARAM command, LPARAM lParam) {
    if (command == kCmdAbout) {
        DialogBoxParamA(hInstance, kAboutTemplate, window, aboutDlgProc, 0);
        return 0;
    }
    if (IsJobCommand(command)) {
        StatusWindowRunJobCommand(static_cast<unsigned>(command));
        return 0;
    }
    return DefWindowProcA(window, WM_SYSCOMMAND, command, lParam);
}

}  // namespace

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            hInstance = reinterpret_cast<const CREATESTRUCTA*>(lParam)->hInstance;
            aboutDlgProc = AboutDlgProc;
            return 0;
        case WM_SIZE:
            return 0;
        case WM_QUERYOPEN:
            // Refuses every request to restore: the status window stays minimised.
            return 0;
        case WM_DESTROY:
            ComClose();
            PostQuitMessage(0);
            return 0;
        case WM_SYSCOMMAND:
            return SystemCommand(window, wParam, lParam);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
