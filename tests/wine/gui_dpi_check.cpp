// The window's dialogs at the DPI of this process (Wine's LogPixels, set before it starts):
// each made from its own template and procedure, as zvtoolw.exe makes it, with made-up state
// and the longest texts its changing fields show, then measured. Checks, per control, that its
// text fits its rectangle in its own font (a label's lines, a button's caption, a list's
// column titles), that it lies inside the dialog and overlaps no other; and for a person at
// the keyboard, that every input follows a label with an access key in the tab order, every
// button has one, no two share one, and Tab reaches every control that takes the focus.
//   gui_dpi_check.exe main|restore|plan|history DPI [shot]
// Prints "dialog NAME at DPI: W x H px" and one line per check; with `shot`, prints
// "dialog at L T R B" once painted and waits up to 20 s for the file "gui_dpi.shot" in the
// working directory, so that a script can photograph it. Exit status: the failures.
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/checks.h"
#include "zvtool/jobs/restore_plan.h"
#include "zvtool/window/controls_win32.h"
#include "zvtool/window/window_dialogs_win32.h"
#include "zvtool/window/window_facts_win32.h"
#include "zvtool/window/window_ids.h"

namespace {

// Room a push button's frame and focus rectangle take from its caption, each side.
constexpr int kButtonMarginDlu = 2;
constexpr DWORD kShotWaitMs = 20000;

std::wstring ClassOf(HWND control) {
    wchar_t name[64] = L"";
    GetClassNameW(control, name, 64);
    return name;
}

std::wstring TextOf(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string Name(HWND control) {
    return "control " + std::to_string(GetDlgCtrlID(control)) + " '" + Narrow(TextOf(control)) +
           "'";
}

// The size `text` takes in the control's font, wrapped at `width` when `wrap`.
SIZE TextSize(HWND control, const std::wstring& text, int width, UINT flags) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT box{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {box.right, box.bottom};
}

void CheckFits(HWND control, const SIZE& need, const RECT& room, const char* what) {
    const bool fits = need.cx <= room.right - room.left && need.cy <= room.bottom - room.top;
    char detail[128];
    std::snprintf(detail, sizeof detail, "needs %ld x %ld px, has %ld x %ld", need.cx, need.cy,
                  room.right - room.left, room.bottom - room.top);
    Check(fits, (Name(control) + ": " + what + " fits").c_str(), detail);
}

void CheckText(HWND dialog, HWND control) {
    const std::wstring kind = ClassOf(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const std::wstring text = TextOf(control);
    RECT room;
    GetClientRect(control, &room);
    if (text.empty()) {
        return;
    }
    // A line that ends with an ellipsis where it is longer (the status line) is cut by design.
    if (kind == L"Static" && (style & SS_TYPEMASK) <= SS_RIGHT && (style & SS_ELLIPSISMASK) == 0) {
        const UINT prefix = (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
        CheckFits(control, TextSize(control, text, room.right, prefix | DT_WORDBREAK), room,
                  "its text");
    } else if (kind == L"Button" && (style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) {
        RECT margin{0, 0, kButtonMarginDlu, 0};
        MapDialogRect(dialog, &margin);
        InflateRect(&room, -margin.right, -1);
        CheckFits(control, TextSize(control, text, 0, DT_SINGLELINE), room, "its caption");
    }
}

// A list view's column titles fit their columns (with the header's padding).
void CheckColumns(HWND list) {
    HWND header = ListView_GetHeader(list);
    const int columns = Header_GetItemCount(header);
    for (int column = 0; column < columns; ++column) {
        wchar_t title[64] = L"";
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = 64;
        Header_GetItem(header, column, &item);
        RECT room{0, 0, ListView_GetColumnWidth(list, column) - 12, 1000};
        const SIZE need = TextSize(header, title, 0, DT_SINGLELINE);
        char what[96];
        std::snprintf(what, sizeof what, "column '%s' title", Narrow(title).c_str());
        CheckFits(list, need, room, what);
    }
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

RECT RectIn(HWND dialog, HWND control) {
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

void CheckPlaces(HWND dialog, const std::vector<HWND>& children) {
    RECT client;
    GetClientRect(dialog, &client);
    for (std::size_t i = 0; i < children.size(); ++i) {
        const RECT box = RectIn(dialog, children[i]);
        RECT inside;
        IntersectRect(&inside, &box, &client);
        Check(EqualRect(&inside, &box) != FALSE,
              (Name(children[i]) + " lies inside the dialog").c_str());
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            RECT other = RectIn(dialog, children[j]);
            RECT both;
            if (IntersectRect(&both, &box, &other)) {
                Check(false, (Name(children[i]) + " overlaps " + Name(children[j])).c_str());
            }
        }
    }
}

// The character after the '&' of a label or caption, upper case; 0 when there is none.
wchar_t AccessKey(const std::wstring& text) {
    const std::size_t at = text.find(L'&');
    return at == std::wstring::npos || at + 1 >= text.size()
               ? 0
               : static_cast<wchar_t>(towupper(text[at + 1]));
}

bool IsInput(HWND control) {
    const std::wstring kind = ClassOf(control);
    return kind == L"Edit" || kind == L"SysListView32" || kind == L"ComboBox";
}

void CheckKeyboard(HWND dialog, const std::vector<HWND>& children) {
    std::wstring keys;
    int stops = 0;
    for (std::size_t i = 0; i < children.size(); ++i) {
        HWND control = children[i];
        const bool button = ClassOf(control) == L"Button";
        if (IsInput(control)) {
            const bool labelled = i > 0 && ClassOf(children[i - 1]) == L"Static" &&
                                  AccessKey(TextOf(children[i - 1])) != 0;
            Check(labelled, (Name(control) + " follows a label with an access key").c_str());
        }
        const wchar_t key = AccessKey(TextOf(control));
        if (button) {
            Check(key != 0, (Name(control) + " has an access key").c_str());
        }
        if (key != 0) {
            Check(keys.find(key) == std::wstring::npos,
                  (Name(control) + ": its access key is its own").c_str());
            keys += key;
        }
        if ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0 && IsWindowEnabled(control)) {
            ++stops;
        }
        if (IsInput(control) || button) {
            Check((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0,
                  (Name(control) + " is a tab stop").c_str());
        }
    }
    // Tab from the first stop round to it again reaches every enabled stop once.
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    int reached = 0;
    for (HWND at = first; at != nullptr && reached <= stops;) {
        ++reached;
        at = GetNextDlgTabItem(dialog, at, FALSE);
        if (at == first) {
            break;
        }
    }
    Check(reached == stops, "Tab reaches every control that takes the focus",
          std::to_string(reached) + " of " + std::to_string(stops));
}

// ---- The dialogs, with made-up state

TZvRecord Record(int number, std::uint8_t fill) {
    TZvRecord record{number, {}};
    record.bytes.fill(fill);
    return record;
}

// A restore's plan of three records, the central one among them.
struct TSamplePlan {
    TJobOutcome outcome;
    TRestorePrepared prepared;
    TPlanView view;
    TSamplePlan() {
        prepared.unit = {Record(0, 1), Record(7, 1), Record(150, 1)};
        prepared.central = Record(0, 2);
        prepared.plan.central = true;
        prepared.plan.modules = {Record(7, 200), Record(150, 3)};
        prepared.plan.readBack = {{7, 7}, {150, 150}};
        prepared.plan.same = 197;
        prepared.plan.sendSeconds = 5.4;
        prepared.plan.readBackSeconds = 5.4;
        outcome.plan = DescribePlan(prepared.plan);
        view = {&outcome, &prepared};
    }
};

// The longest texts the main window's changing fields show.
void FillMain(HWND dialog) {
    SetControlText(dialog, ZV_IDC_PHASE, "copying the unit: fetching modules 100-200");
    SetControlText(dialog, ZV_IDC_STEP, "module 200 (200 of 200)");
    SetControlText(dialog, ZV_IDC_TIMES, "1:02:03 so far, about 1:02:03 left");
    SetControlText(dialog, ZV_IDC_WARNING,
                   "module 200: the unit is not answering; each repeat costs 10 s");
}

HWND MakeDialog(const std::string& name, TMainWindow* main, TRestoreChoice* choice,
                TSamplePlan* plan, THistoryView* history) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (name == "main") {
        RegisterMainClass(instance);
        PrepareMainWindow(main);
        HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(ZV_IDD_MAIN), nullptr,
                                         MainDialogProc, reinterpret_cast<LPARAM>(main));
        if (dialog != nullptr) {
            FillMain(dialog);
        }
        return dialog;
    }
    if (name == "restore") {
        choice->unit = "pump-3";
        choice->file = "C:\\Users\\technician\\Documents\\pump-3-20261209-043012.dat";
        return CreateDialogParamW(instance, MAKEINTRESOURCEW(ZV_IDD_RESTORE), nullptr,
                                  RestoreDialogProc, reinterpret_cast<LPARAM>(choice));
    }
    if (name == "plan") {
        return CreateDialogParamW(instance, MAKEINTRESOURCEW(ZV_IDD_PLAN), nullptr, PlanDialogProc,
                                  reinterpret_cast<LPARAM>(&plan->view));
    }
    history->unit = "pump-3";
    return name != "history"
               ? nullptr
               : CreateDialogParamW(instance, MAKEINTRESOURCEW(ZV_IDD_HISTORY), nullptr,
                                    HistoryDialogProc, reinterpret_cast<LPARAM>(history));
}

// Lets the dialog paint, then waits for the script's photograph.
void WaitForTheShot(HWND dialog) {
    const DWORD start = GetTickCount();
    bool told = false;
    while (GetTickCount() - start < kShotWaitMs) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!told && GetTickCount() - start > 500) {
            RECT box;
            GetWindowRect(dialog, &box);
            std::printf("dialog at %ld %ld %ld %ld\n", box.left, box.top, box.right, box.bottom);
            std::fflush(stdout);
            told = true;
        }
        if (told && GetFileAttributesA("gui_dpi.shot") != INVALID_FILE_ATTRIBUTES) {
            return;
        }
        Sleep(20);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: gui_dpi_check.exe main|restore|plan|history DPI [shot]\n");
        return 2;
    }
    const std::string name = argv[1];
    const UINT want = static_cast<UINT>(std::atoi(argv[2]));
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    TMainWindow* main = new TMainWindow;
    TRestoreChoice choice;
    TSamplePlan plan;
    THistoryView history;
    HWND dialog = MakeDialog(name, main, &choice, &plan, &history);
    if (dialog == nullptr) {
        Check(false, ("dialog " + name + " made").c_str());
        return CheckSummary();
    }
    ShowWindow(dialog, SW_SHOW);
    RECT box;
    GetWindowRect(dialog, &box);
    std::printf("dialog %s at %u dpi: %ld x %ld px\n", name.c_str(), WindowDpi(dialog),
                box.right - box.left, box.bottom - box.top);
    Check(WindowDpi(dialog) == want,
          ("the dialog is shown at " + std::to_string(want) + " dpi").c_str(),
          std::to_string(WindowDpi(dialog)));
    const std::vector<HWND> children = Children(dialog);
    for (HWND child : children) {
        CheckText(dialog, child);
        if (ClassOf(child) == L"SysListView32") {
            CheckColumns(child);
        }
    }
    CheckPlaces(dialog, children);
    CheckKeyboard(dialog, children);
    if (argc > 3 && std::strcmp(argv[3], "shot") == 0) {
        WaitForTheShot(dialog);
    }
    DestroyWindow(dialog);
    return CheckSummary();
}
