// The About box as a user meets it: the status window's system command 100 opens it, and a
// second thread works it with real keystrokes (SendInput), which go wherever the system
// sends keyboard input: the box must be the foreground window with the focus on OK, Esc
// must leave it open and Enter must close it. While it is open the program prints where it
// is on the screen ("about box at LEFT TOP RIGHT BOTTOM") and waits up to 20 s for the file
// "about_box.shot" in the working directory, so that a script can photograph the screen.
// Then the same template and dialog procedure are opened once more straight through
// DialogBoxParamA, for the result that Enter gives (the window procedure drops it).
// Prints one line per check and "N passed, N failed"; the exit status is the failure count.
#include <windows.h>

#include <cstdio>
#include <string>

#include "serial/com_port.h"
#include "tests/wine/checks.h"
#include "ui/status_window.h"
#include "ui/status_window_win32.h"

namespace {

constexpr char kAboutCaption[] = "Om: Zorvek PC-Interface";
constexpr char kDialogClass[] = "#32770";
constexpr char kAboutTemplate[] = "AboutBox";
constexpr char kShotTakenFile[] = "about_box.shot";

constexpr DWORD kOpenWaitMs = 10000;
constexpr DWORD kShotWaitMs = 20000;
// For the box to show, take the foreground, finish painting or close.
constexpr DWORD kStateWaitMs = 5000;
// Long enough for the box's modal loop to take a keystroke and act on it.
constexpr DWORD kKeyDwellMs = 500;

HWND FindAboutBox() {
    return FindWindowA(kDialogClass, kAboutCaption);
}

// A box that was not recognised is ended as OK would end it, so the program does not hang in
// its modal loop.
void EndUnrecognisedBox() {
    HWND dialog = FindWindowA(kDialogClass, nullptr);
    if (dialog != nullptr) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }
}

// Polls `condition` every 20 ms until it holds or `limitMs` has passed.
template <typename Condition>
bool WaitFor(Condition condition, DWORD limitMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

void PressKey(WORD key) {
    INPUT strokes[2] = {};
    strokes[0].type = INPUT_KEYBOARD;
    strokes[0].ki.wVk = key;
    strokes[1] = strokes[0];
    strokes[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, strokes, sizeof(INPUT));
}

// True when the box and its controls have no part left to paint.
bool Painted(HWND dialog) {
    if (GetUpdateRect(dialog, nullptr, FALSE)) {
        return false;
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetUpdateRect(child, nullptr, FALSE)) {
            return false;
        }
    }
    return true;
}

// Enter closes the box; if it did not, OK is sent the way a click would, so the program
// does not hang in the modal loop.
void CloseWithEnter(HWND dialog, const char* what) {
    PressKey(VK_RETURN);
    const bool closed = WaitFor([dialog] { return IsWindow(dialog) == FALSE; }, kStateWaitMs);
    Check(closed, what);
    if (!closed) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }
}

DWORD mainThread = 0;

// The first opening: the one the user sees, photographed, Esc and then Enter. Returns the
// box, or null when none opened.
HWND WorkFirstOpening(HWND owner) {
    HWND dialog = nullptr;
    Check(WaitFor([&dialog] { return (dialog = FindAboutBox()) != nullptr; }, kOpenWaitMs),
          "system command 100 opens a box captioned \"Om: Zorvek PC-Interface\"");
    if (dialog == nullptr) {
        EndUnrecognisedBox();
        return nullptr;
    }
    // The dialog manager creates the box hidden and shows it when its controls are made.
    Check(WaitFor([dialog] { return IsWindowVisible(dialog) != FALSE; }, kStateWaitMs),
          "About box visible");
    Check(GetWindow(dialog, GW_OWNER) == owner, "About box owned by the status window");
    Check(WaitFor([dialog] { return GetForegroundWindow() == dialog; }, kStateWaitMs),
          "About box is the foreground window");
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(mainThread, &gui);
    Check(gui.hwndFocus == GetDlgItem(dialog, IDOK), "keyboard focus on OK");

    WaitFor([dialog] { return Painted(dialog); }, kStateWaitMs);
    // The surface reaches the display a moment after the painting.
    Sleep(300);
    RECT box;
    GetWindowRect(dialog, &box);
    std::printf("about box at %ld %ld %ld %ld\n", box.left, box.top, box.right, box.bottom);
    std::fflush(stdout);
    Check(WaitFor([] { return GetFileAttributesA(kShotTakenFile) != INVALID_FILE_ATTRIBUTES; },
                  kShotWaitMs),
          "screenshot taken");

    PressKey(VK_ESCAPE);
    Sleep(kKeyDwellMs);
    Check(FindAboutBox() == dialog && IsWindowVisible(dialog) != FALSE,
          "Esc leaves the About box open");
    CloseWithEnter(dialog, "Enter closes the About box");
    return dialog;
}

// The second opening: only Enter, for the dialog's result.
void WorkSecondOpening(HWND first) {
    HWND dialog = nullptr;
    const auto opened = [&dialog, first] {
        dialog = FindAboutBox();
        return dialog != nullptr && dialog != first;
    };
    if (!WaitFor(opened, kOpenWaitMs)) {
        Check(false, "DialogBoxParamA opens the About box");
        EndUnrecognisedBox();
        return;
    }
    CloseWithEnter(dialog, "Enter closes the box opened by DialogBoxParamA");
}

DWORD WINAPI WorkAboutBox(LPVOID owner) {
    WorkSecondOpening(WorkFirstOpening(static_cast<HWND>(owner)));
    return 0;
}

}  // namespace

// The window procedure closes the serial port when its window is destroyed; there is none.
void ComClose() {}

int main() {
    StatusWindowCreate();
    HWND window = StatusWindowHandle();
    if (window == nullptr) {
        // Wine makes no window without a display.
        Check(false, "window created");
        return CheckSummary();
    }
    mainThread = GetCurrentThreadId();
    HANDLE worker = CreateThread(nullptr, 0, WorkAboutBox, window, 0, nullptr);
    // Both calls return only when the box has been closed.
    const LRESULT answer = SendMessageA(window, WM_SYSCOMMAND, kCmdAbout, 0);
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), kAboutTemplate, window, AboutDlgProc, 0);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    Check(answer == 0, "system command 100 answered 0");
    Check(result == 0, "the About box ends with result 0",
          "DialogBoxParamA returned " + std::to_string(result));
    return CheckSummary();
}
