// Builds the status window with the driver's own start-up code and checks, from inside the
// process, what a user and the host application can see of it: title, minimised state,
// the one-item system menu, the refused restore, the system commands 102..106, the About
// box, and what destroying the window does. The system menu can only be read by the
// process that owns the window, hence a program of its own rather than a second process.
// Prints one line per check and "N passed, N failed"; the exit status is the failure count.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "serial/com_port.h"
#include "tests/wine/checks.h"
#include "ui/status_window.h"
#include "ui/status_window_win32.h"

namespace {

void CheckText(const std::string& actual, const char* expected, const char* what) {
    Check(actual == expected, what, "'" + actual + "', expected '" + expected + "'");
}

std::string WindowText(HWND window) {
    char text[256];
    const int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

// The stand-in serial port: the window procedure closes it when the window is destroyed.
int comCloseCalls = 0;

// Fake jobs for the system commands: each returns its own result code (21 for 102 .. 25 for
// 106), and Finish keeps what it was given.
int lastJob = 0;
int finishedWith = -1;
int RunFakeJob(int command) {
    lastJob = command;
    return command - 81;
}
int SendCentral() {
    return RunFakeJob(102);
}
int FetchCentral() {
    return RunFakeJob(103);
}
int SendModuls() {
    return RunFakeJob(104);
}
int FetchModuls() {
    return RunFakeJob(105);
}
int TestConnection() {
    return RunFakeJob(106);
}
void FakeFinish(int result) {
    finishedWith = result;
}

void CheckClassAndWindow(HWND window) {
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    CheckText(className, kWindowClass, "window class");
    Check(GetClassLongPtrA(window, GCL_STYLE) == ULONG_PTR{CS_HREDRAW | CS_VREDRAW}, "class style");
    Check(GetClassLongPtrA(window, GCLP_HICON) != 0, "class icon ZV_inf loaded");
    Check(reinterpret_cast<HGDIOBJ>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND)) ==
              GetStockObject(WHITE_BRUSH),
          "white background");
    CheckText(WindowText(window), kWindowTitle, "title");
    Check(IsIconic(window) != FALSE, "minimised");
    Check(IsWindowVisible(window) != FALSE, "visible");
    Check(GetForegroundWindow() != window && GetActiveWindow() != window, "not activated");
}

// Wine's standard system menu ends in a separator and "&About Wine" after Close; the
// seven removals take away the seven entries that Windows has, so under Wine those two
// stay in front of "&About...".
bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

void CheckSystemMenu(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    std::string items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        items += std::to_string(GetMenuItemID(menu, i)) + " '" + text + "'; ";
    }
    const char* expected =
        UnderWine() ? "0 ''; 61761 '&About Wine'; 100 '&About...'; " : "100 '&About...'; ";
    Check(items == expected, "system menu holds only \"&About...\" (100)",
          items + "expected " + expected);
}

void CheckRestoreRefused(HWND window) {
    Check(SendMessageA(window, WM_QUERYOPEN, 0, 0) == 0, "WM_QUERYOPEN answered 0");
    SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    Check(IsIconic(window) != FALSE, "SC_RESTORE leaves it minimised");
    ShowWindow(window, SW_RESTORE);
    Check(IsIconic(window) != FALSE, "ShowWindow(SW_RESTORE) leaves it minimised");
}

void CheckJobCommands(HWND window) {
    StatusWindowSetJobs(
        {SendCentral, FetchCentral, SendModuls, FetchModuls, TestConnection, FakeFinish});
    struct Row {
        WPARAM command;
        int job;     // the job that must run, 0 for none
        int result;  // what Finish must receive, -1 for no call
    };
    const Row rows[] = {
        {102, 102, 21},
        {103, 103, 22},
        {104, 104, 23},
        {105, 105, 24},
        {106, 106, 25},
        {101, 0, -1},
        {107, 0, -1},
        // High bits, in the 32-bit build's WPARAM as in the 64-bit one's.
        {(WPARAM{1} << 16) | 106, 0, -1},
        {(WPARAM{1} << (sizeof(WPARAM) * 8 - 1)) | 106, 0, -1},
    };
    for (const Row& row : rows) {
        lastJob = 0;
        finishedWith = -1;
        const LRESULT answer = SendMessageA(window, WM_SYSCOMMAND, row.command, 0);
        const std::string name = "system command " + std::to_string(row.command);
        const std::string seen = "job " + std::to_string(lastJob) + ", Finish(" +
                                 std::to_string(finishedWith) + "), answer " +
                                 std::to_string(answer);
        const bool ran = lastJob == row.job && finishedWith == row.result;
        Check(ran && (row.job == 0 || answer == 0), name.c_str(), seen);
    }
}

// The About box runs its own modal loop inside SendMessage; a thread timer, which that loop
// dispatches, inspects and drives it one step per tick.
constexpr char kAboutCaption[] = "Om: Zorvek PC-Interface";
int aboutTick = 0;
bool aboutSeen = false;
bool aboutOpenAfterEsc = false;
bool aboutForcedClosed = false;

void InspectAboutBox(HWND dialog, HWND owner) {
    aboutSeen = true;
    Check(GetWindow(dialog, GW_OWNER) == owner, "About box owned by the status window");
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE));
    Check((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) == 0,
          "About box has a caption and no system menu");
    // The icon's window text is not compared: it is the resource name or empty.
    const char* const expected[] = {"(C) 2026 zordrive developers", "OK", nullptr, "zordrive team",
                                    "Version 1.0"};
    HWND child = GetWindow(dialog, GW_CHILD);
    std::string texts;
    for (const char* text : expected) {
        const std::string actual = child != nullptr ? WindowText(child) : "<missing>";
        texts += "'" + actual + "' ";
        if (text != nullptr && actual != text) {
            texts += "(expected '" + std::string(text) + "') ";
        }
        child = child != nullptr ? GetWindow(child, GW_HWNDNEXT) : nullptr;
    }
    Check(texts.find("expected") == std::string::npos && child == nullptr,
          "About box controls in template order", texts);
    HWND icon = GetWindow(GetWindow(GetWindow(dialog, GW_CHILD), GW_HWNDNEXT), GW_HWNDNEXT);
    Check(SendMessageA(icon, STM_GETICON, 0, 0) != 0, "About box icon ZV_INF3 loaded");
    Check(GetFocus() == GetDlgItem(dialog, IDOK), "focus on OK");
}

void CALLBACK AboutTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindWindowA(nullptr, kAboutCaption);
    ++aboutTick;
    if (dialog == nullptr) {
        // A box with another caption would never be found: after 5 s end whatever dialog
        // this thread has open, so the check does not hang.
        if (aboutTick > 25 && (dialog = FindWindowA("#32770", nullptr)) != nullptr) {
            aboutForcedClosed = true;
            EndDialog(dialog, 0);
        }
        return;
    }
    if (!aboutSeen) {
        InspectAboutBox(dialog, StatusWindowHandle());
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (!aboutOpenAfterEsc) {
        aboutOpenAfterEsc = IsWindowVisible(dialog) != FALSE;
        PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_RETURN, 0);
    } else {
        // Enter did not close it: end it here so the check does not hang.
        aboutForcedClosed = true;
        EndDialog(dialog, 0);
    }
}

void CheckAboutBox(HWND window) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, AboutTimer);
    const LRESULT answer = SendMessageA(window, WM_SYSCOMMAND, kCmdAbout, 0);
    KillTimer(nullptr, timer);
    Check(aboutSeen, "system command 100 opens the About box");
    Check(aboutOpenAfterEsc, "Esc and IDCANCEL leave the About box open");
    Check(aboutSeen && !aboutForcedClosed, "Enter closes the About box");
    Check(answer == 0, "system command 100 answered 0");
    Check(FindWindowA(nullptr, kAboutCaption) == nullptr, "About box gone");
}

void CheckTitleAndDestroy(HWND window) {
    StatusWindowSetTitle("Zor Tool, Modul 7");
    CheckText(WindowText(window), "Zor Tool, Modul 7", "title set by a job");
    StatusWindowSetTitle(kWindowTitle);
    DestroyWindow(window);
    Check(comCloseCalls == 1, "destroying the window closes the port");
    MSG message;
    const BOOL quit = PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    Check(quit != FALSE && message.wParam == 0, "destroying the window posts quit code 0");
}

}  // namespace

void ComClose() {
    ++comCloseCalls;
}

int main() {
    StatusWindowCreate();
    HWND window = StatusWindowHandle();
    if (window == nullptr) {
        // Wine makes no window without a display: run this under xvfb-run.
        Check(false, "window created");
        return CheckSummary();
    }
    CheckClassAndWindow(window);
    CheckSystemMenu(window);
    CheckRestoreRefused(window);
    CheckJobCommands(window);
    CheckAboutBox(window);
    CheckTitleAndDestroy(window);
    return CheckSummary();
}
