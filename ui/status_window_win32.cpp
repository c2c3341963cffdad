#include "ui/status_window_win32.h"

#include "ui/status_window.h"

namespace {

HWND hMainWnd = nullptr;

constexpr char kAboutItem[] = "&About...";

// The standard system menu is Restore, Move, Size, Minimize, Maximize, a separator and
// Close. Every removal moves the later entries up by one, so these positions take away
// Restore, Minimize, Maximize, the separator, Size, Move and Close in turn.
constexpr UINT kRemovedPositions[] = {0, 2, 2, 2, 1, 0, 0};

void RegisterStatusWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, kWindowClass);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
}

void ReduceSystemMenu(HWND window) {
    HMENU systemMenu = GetSystemMenu(window, FALSE);
    for (UINT position : kRemovedPositions) {
        RemoveMenu(systemMenu, position, MF_BYPOSITION);
    }
    AppendMenuA(systemMenu, MF_STRING, kCmdAbout, kAboutItem);
}

}  // namespace

void StatusWindowCreateFor(HINSTANCE instance) {
    RegisterStatusWindowClass(instance);
    hMainWnd = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               instance, nullptr);
    ReduceSystemMenu(hMainWnd);
    // Minimised and not activated whatever show command the program was started with: the
    // driver must not take the focus from the host application.
    ShowWindow(hMainWnd, SW_SHOWMINNOACTIVE);
    UpdateWindow(hMainWnd);
}

HWND StatusWindowHandle() {
    return hMainWnd;
}

void StatusWindowCreate() {
    StatusWindowCreateFor(GetModuleHandleA(nullptr));
}

void StatusWindowSetTitle(const char* title) {
    SetWindowTextA(hMainWnd, title);
}

void StatusWindowPostQuit() {
    PostQuitMessage(0);
}
