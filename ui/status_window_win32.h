#pragma once
#include <windows.h>

// The Windows side of the status window: what start-up and the window check need beyond
// status_window.h.

// Registers class "ZV_inf" for `instance`, creates the window as hMainWnd, reduces its
// system menu to the one item "&About..." (100) and shows it minimised, not activated.
// Failures are not examined: without a window the title changes have no effect.
void StatusWindowCreateFor(HINSTANCE instance);
// hMainWnd: null before StatusWindowCreateFor, or when the window could not be made.
HWND StatusWindowHandle();

// The window procedure of class "ZV_inf".
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The About box's dialog procedure: only OK (or Enter) closes it, with result 0.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
