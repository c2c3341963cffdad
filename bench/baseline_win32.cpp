// The Windows yardstick, built like zordrive.exe: returns at once, or with the argument
// "window" first makes a minimised top-level window as the driver does at start-up. Run
// under Wine it shows what starting a process (and its first window) costs there.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    if (std::strstr(commandLine, "window") == nullptr) {
        return 0;
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "ZV_bench";
    if (RegisterClassA(&windowClass) == 0) {
        return 1;
    }
    const HWND window =
        CreateWindowExA(0, "ZV_bench", "bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        200, 100, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    ShowWindow(window, SW_SHOWMINIMIZED);
    UpdateWindow(window);
    // Like the driver, it leaves the window to the end of the process: DestroyWindow on a
    // minimised window costs about 2 s under Wine 8.
    return 0;
}
