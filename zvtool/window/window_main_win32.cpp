// zvtoolw.exe: the technician's window over zvtool's core. One window per user: a second
// start brings the first to the front and ends.
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include "zvtool/window/window_dialogs_win32.h"
#include "zvtool/window/window_ids.h"

namespace {

constexpr wchar_t kInstanceMutex[] = L"Local\\zordrive.zvtoolw";
// How long a second start looks for the first one's window, which may still be opening.
constexpr int kFindTries = 50;
constexpr DWORD kFindPauseMs = 100;

// Brings the running window to the front, its open dialog (if any) on top.
void ShowTheFirst() {
    for (int attempt = 0; attempt < kFindTries; ++attempt) {
        HWND first = FindWindowW(ZV_MAIN_CLASS, nullptr);
        if (first != nullptr) {
            if (IsIconic(first)) {
                ShowWindow(first, SW_RESTORE);
            }
            SetForegroundWindow(GetLastActivePopup(first));
            return;
        }
        Sleep(kFindPauseMs);
    }
}

int MessageLoop(HWND window) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutex);
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowTheFirst();
        CloseHandle(mutex);
        return 0;
    }
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES |
                                                                         ICC_PROGRESS_CLASS |
                                                                         ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    RegisterMainClass(instance);
    TMainWindow* window = new TMainWindow;
    PrepareMainWindow(window);
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(ZV_IDD_MAIN), nullptr,
                                     MainDialogProc, reinterpret_cast<LPARAM>(window));
    if (dialog == nullptr) {
        MessageBoxW(nullptr, L"The window could not be made.", L"zvtool", MB_ICONERROR);
        return 1;
    }
    ShowWindow(dialog, show);
    const int status = MessageLoop(dialog);
    delete window;
    if (mutex != nullptr) {
        CloseHandle(mutex);
    }
    return status;
}
