// Works zvtoolw.exe from another process, as a person at the keyboard would see it, for the
// `gui` rows: finds the main window by its class and a control by its ID (in the window, or in
// the dialog it has open), presses buttons with a posted BM_CLICK (a modal dialog opened by
// the press would block a sent one), sets fields with WM_SETTEXT, reads text with WM_GETTEXT
// and a list view's cells with LVM_GETITEMTEXTW through a buffer placed in the window's
// process (Wine does not carry list-view messages between processes), and waits for the state
// a step leads to. Never touches the common file dialog.
//   gui_probe.exe COMMAND ARGS...   (one command a run; see Commands below)
// Prints what it found; exit status 0 when the command's condition held, 1 when it did not
// (with the reason), 2 for a bad command line.
#include <windows.h>
// commctrl.h and dbt.h need the types of windows.h first.
#include <commctrl.h>
#include <dbt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "zvtool/window/window_ids.h"

namespace {

constexpr DWORD kPollMs = 50;
constexpr UINT kAnswerLimitMs = 3000;
constexpr int kCellChars = 512;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return "";
    }
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

std::wstring FromUtf8(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

HWND MainWindow() {
    return FindWindowW(ZV_MAIN_CLASS, nullptr);
}

// The window a person would be working in: the dialog the main window has open, else itself.
HWND ActiveWindow() {
    HWND main = MainWindow();
    if (main == nullptr) {
        return nullptr;
    }
    HWND popup = GetLastActivePopup(main);
    return popup != nullptr && IsWindowVisible(popup) ? popup : main;
}

HWND Control(int id) {
    HWND window = ActiveWindow();
    return window == nullptr ? nullptr : GetDlgItem(window, id);
}

std::string Text(HWND window) {
    wchar_t text[8192] = L"";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, sizeof text / sizeof text[0],
                             reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kAnswerLimitMs,
                             &copied)) {
        return "";
    }
    return Utf8(text);
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD limitMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs) {
            return false;
        }
        Sleep(kPollMs);
    }
    return true;
}

// A buffer in the list view's process, for the messages whose data is a pointer.
struct TRemote {
    HANDLE process = nullptr;
    char* base = nullptr;
};

bool OpenRemote(HWND window, std::size_t size, TRemote* remote) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    remote->process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (remote->process == nullptr) {
        return false;
    }
    remote->base = static_cast<char*>(
        VirtualAllocEx(remote->process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    return remote->base != nullptr;
}

void CloseRemote(TRemote* remote) {
    if (remote->base != nullptr) {
        VirtualFreeEx(remote->process, remote->base, 0, MEM_RELEASE);
    }
    if (remote->process != nullptr) {
        CloseHandle(remote->process);
    }
}

std::string Cell(HWND list, const TRemote& remote, int row, int column) {
    LVITEMW item{};
    item.iSubItem = column;
    item.cchTextMax = kCellChars;
    item.pszText = reinterpret_cast<wchar_t*>(remote.base + sizeof item);
    WriteProcessMemory(remote.process, remote.base, &item, sizeof item, nullptr);
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(remote.base));
    wchar_t text[kCellChars] = L"";
    ReadProcessMemory(remote.process, remote.base + sizeof item, text, sizeof text - sizeof text[0],
                      nullptr);
    return Utf8(text);
}

// The list's rows, each its cells joined by " | ".
std::vector<std::string> Rows(HWND list) {
    std::vector<std::string> rows;
    TRemote remote;
    if (list == nullptr ||
        !OpenRemote(list, sizeof(LVITEMW) + kCellChars * sizeof(wchar_t), &remote)) {
        CloseRemote(&remote);
        return rows;
    }
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns =
        header == nullptr ? 1 : static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::string line;
        for (int column = 0; column < columns; ++column) {
            line += (column == 0 ? "" : " | ") + Cell(list, remote, row, column);
        }
        rows.push_back(line);
    }
    CloseRemote(&remote);
    return rows;
}

bool HasRow(HWND list, const char* part) {
    for (const std::string& row : Rows(list)) {
        if (row.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Chooses the rows given (and no other), as a click with Ctrl held would.
bool Choose(HWND list, const std::vector<int>& rows) {
    TRemote remote;
    if (list == nullptr || !OpenRemote(list, sizeof(LVITEMW), &remote)) {
        CloseRemote(&remote);
        return false;
    }
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(remote.process, remote.base, &item, sizeof item, nullptr);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(remote.base));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(remote.process, remote.base, &item, sizeof item, nullptr);
    for (const int row : rows) {
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(remote.base));
    }
    CloseRemote(&remote);
    return true;
}

int Fail(const std::string& why) {
    std::printf("FAIL %s\n", why.c_str());
    return 1;
}

void PrintRect(HWND window) {
    RECT box;
    GetWindowRect(window, &box);
    std::printf("rect %ld %ld %ld %ld\n", box.left, box.top, box.right, box.bottom);
}

using TArgs = std::vector<std::string>;

int Id(const std::string& text) {
    return std::atoi(text.c_str());
}

DWORD Ms(const std::string& text) {
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
}

// ---- Commands

// window MS: the main window is there (and no second one); prints its rectangle.
int WaitWindow(const TArgs& args) {
    if (!WaitFor([] { return MainWindow() != nullptr && IsWindowVisible(MainWindow()); },
                 Ms(args[0]))) {
        return Fail("no zvtoolw window");
    }
    PrintRect(MainWindow());
    return 0;
}

// gone MS: the main window has gone.
int WaitGone(const TArgs& args) {
    return WaitFor([] { return MainWindow() == nullptr; }, Ms(args[0]))
               ? 0
               : Fail("the window is still there");
}

// dialog CAPTION MS: the window a person works in is captioned CAPTION; prints its rectangle.
int WaitDialog(const TArgs& args) {
    const bool seen = WaitFor(
        [&args] {
            HWND active = ActiveWindow();
            return active != nullptr && active != MainWindow() &&
                   Text(active).find(args[0]) != std::string::npos;
        },
        Ms(args[1]));
    if (!seen) {
        return Fail("no dialog '" + args[0] + "'; the window shows '" + Text(ActiveWindow()) + "'");
    }
    PrintRect(ActiveWindow());
    return 0;
}

// click ID MS: waits for the control to be there and enabled, then presses it.
int Click(const TArgs& args) {
    const int id = Id(args[0]);
    if (!WaitFor([id] { return Control(id) != nullptr && IsWindowEnabled(Control(id)); },
                 Ms(args[1]))) {
        return Fail("no enabled control " + args[0] + " in '" + Text(ActiveWindow()) + "'");
    }
    PostMessageW(Control(id), BM_CLICK, 0, 0);
    return 0;
}

// set ID TEXT
int Set(const TArgs& args) {
    HWND control = Control(Id(args[0]));
    if (control == nullptr) {
        return Fail("no control " + args[0]);
    }
    const std::wstring text = FromUtf8(args[1].c_str());
    DWORD_PTR done = 0;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, kAnswerLimitMs, &done);
    return 0;
}

// text ID: prints the control's text.
int PrintText(const TArgs& args) {
    HWND control = Control(Id(args[0]));
    if (control == nullptr) {
        return Fail("no control " + args[0]);
    }
    std::printf("%s\n", Text(control).c_str());
    return 0;
}

// wait ID PART MS: the control's text comes to hold PART; prints it.
int WaitText(const TArgs& args) {
    const int id = Id(args[0]);
    std::string last;
    const bool seen = WaitFor(
        [&] {
            last = Control(id) == nullptr ? "" : Text(Control(id));
            return last.find(args[1]) != std::string::npos;
        },
        Ms(args[2]));
    std::printf("%s\n", last.c_str());
    return seen ? 0 : Fail("control " + args[0] + " never held '" + args[1] + "'");
}

// enabled ID 0|1 MS: the control comes to be disabled or enabled.
int WaitEnabled(const TArgs& args) {
    const int id = Id(args[0]);
    const bool want = args[1] == "1";
    const bool seen = WaitFor(
        [id, want] {
            return Control(id) != nullptr && (IsWindowEnabled(Control(id)) != FALSE) == want;
        },
        Ms(args[2]));
    return seen ? 0 : Fail("control " + args[0] + (want ? " never enabled" : " never disabled"));
}

// items ID: prints the list's rows.
int Items(const TArgs& args) {
    for (const std::string& row : Rows(Control(Id(args[0])))) {
        std::printf("%s\n", row.c_str());
    }
    return 0;
}

// item ID PART 0|1 MS: a row holding PART comes (1) or goes (0); prints the rows.
int WaitItem(const TArgs& args) {
    const int id = Id(args[0]);
    const bool want = args[2] == "1";
    const bool seen =
        WaitFor([&] { return HasRow(Control(id), args[1].c_str()) == want; }, Ms(args[3]));
    for (const std::string& row : Rows(Control(id))) {
        std::printf("%s\n", row.c_str());
    }
    return seen ? 0
                : Fail("list " + args[0] + (want ? " never held '" : " still holds '") + args[1] +
                       "'");
}

// choose ID ROW...: chooses those rows of the list.
int ChooseRows(const TArgs& args) {
    std::vector<int> rows;
    for (std::size_t i = 1; i < args.size(); ++i) {
        rows.push_back(Id(args[i]));
    }
    return Choose(Control(Id(args[0])), rows) ? 0 : Fail("cannot reach list " + args[0]);
}

// devices: tells the window that the device tree changed, as Windows does after an adapter
// comes or goes (an arrival carries a pointer, which Wine refuses to send between processes).
int Devices(const TArgs&) {
    DWORD_PTR answer = 0;
    const LRESULT sent = SendMessageTimeoutW(MainWindow(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0,
                                             SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer);
    return sent != 0 ? 0 : Fail("WM_DEVICECHANGE not answered");
}

// answers: the window answers a sent WM_GETTEXT within 3 s; prints how long it took.
int Answers(const TArgs&) {
    wchar_t text[256] = L"";
    DWORD_PTR copied = 0;
    const DWORD start = GetTickCount();
    const LRESULT sent =
        SendMessageTimeoutW(MainWindow(), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, kAnswerLimitMs, &copied);
    std::printf("answered in %lu ms: '%s'\n", GetTickCount() - start, Utf8(text).c_str());
    return sent != 0 ? 0 : Fail("the window did not answer within 3 s");
}

// query-end 0|1: asks the window whether the session may end; the answer must be as given.
int QueryEnd(const TArgs& args) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(MainWindow(), WM_QUERYENDSESSION, 0, static_cast<LPARAM>(ENDSESSION_LOGOFF),
                        SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer);
    std::printf("the window answers %s\n",
                answer != 0 ? "TRUE: it may end" : "FALSE: it holds the end off");
    return (answer != 0) == (args[0] == "1") ? 0 : Fail("not the answer expected");
}

// end-session MS: the session ends all the same; the window has until MS to stop its job.
int EndSession(const TArgs& args) {
    DWORD_PTR answer = 0;
    const DWORD start = GetTickCount();
    const LRESULT sent = SendMessageTimeoutW(MainWindow(), WM_ENDSESSION, TRUE,
                                             static_cast<LPARAM>(ENDSESSION_LOGOFF),
                                             SMTO_ABORTIFHUNG, Ms(args[0]), &answer);
    std::printf("WM_ENDSESSION answered after %lu ms\n", GetTickCount() - start);
    return sent != 0 ? 0 : Fail("WM_ENDSESSION not answered in time");
}

// close: asks the window to close, as its close box does.
int Close(const TArgs&) {
    PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
    return 0;
}

// front: the main window (or its open dialog) is the foreground window.
int Front(const TArgs& args) {
    const bool front = WaitFor([] { return GetForegroundWindow() == ActiveWindow(); }, Ms(args[0]));
    return front ? 0 : Fail("the window is not in front");
}

// rect: prints the rectangle of the window a person works in.
int Rect(const TArgs&) {
    HWND active = ActiveWindow();
    if (active == nullptr) {
        return Fail("no zvtoolw window");
    }
    PrintRect(active);
    return 0;
}

struct TCommand {
    const char* name;
    std::size_t arguments;  // at least
    int (*run)(const TArgs&);
};

const TCommand kCommands[] = {
    {"window", 1, WaitWindow},
    {"gone", 1, WaitGone},
    {"dialog", 2, WaitDialog},
    {"click", 2, Click},
    {"set", 2, Set},
    {"text", 1, PrintText},
    {"wait", 3, WaitText},
    {"enabled", 3, WaitEnabled},
    {"items", 1, Items},
    {"item", 4, WaitItem},
    {"choose", 2, ChooseRows},
    {"devices", 0, Devices},
    {"answers", 0, Answers},
    {"query-end", 1, QueryEnd},
    {"end-session", 1, EndSession},
    {"close", 0, Close},
    {"rect", 0, Rect},
    {"front", 1, Front},
};

}  // namespace

int main(int argc, char** argv) {
    const TArgs args(argc > 2 ? argv + 2 : argv + argc, argv + argc);
    for (const TCommand& command : kCommands) {
        if (argc >= 2 && std::strcmp(argv[1], command.name) == 0 &&
            args.size() >= command.arguments) {
            const int status = command.run(args);
            std::fflush(stdout);
            return status;
        }
    }
    std::fprintf(stderr,
                 "usage: gui_probe.exe COMMAND ARGS... (see the source for the commands)\n");
    return 2;
}
