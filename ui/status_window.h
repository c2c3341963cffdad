#pragma once

// The status window as the rest of the driver sees it. Windows: a real minimised window
// (status_window_win32.cpp). POSIX: a headless stand-in that keeps the title in memory.

constexpr char kWindowClass[] = "ZV_inf";
constexpr char kWindowTitle[] = "Zorvek PC interface";
constexpr char kModulTitleFormat[] = "Zor Tool, Modul %d";

constexpr unsigned kCmdAbout = 100;
constexpr unsigned kCmdSendCentral = 102;
constexpr unsigned kCmdFetchCentral = 103;
constexpr unsigned kCmdSendModuls = 104;
constexpr unsigned kCmdFetchModuls = 105;
constexpr unsigned kCmdTestConnection = 106;

// The jobs behind system commands 102..106 and the call that ends a run. Start-up hands
// them over, so the window procedure can run them without this library linking the driver.
using TJobFunction = int (*)();
using TFinishFunction = void (*)(int result);
struct TJobCommands {
    TJobFunction sendCentral;
    TJobFunction fetchCentral;
    TJobFunction sendModuls;
    TJobFunction fetchModuls;
    TJobFunction testConnection;
    TFinishFunction finish;
};
void StatusWindowSetJobs(const TJobCommands& commands);

// Runs the job of system command `id` and finishes the run with its result: true for
// 102..106, false (nothing done) for any other identifier.
bool StatusWindowRunJobCommand(unsigned id);

// Creates the window: minimised, not activated, system menu reduced to "&About..." (100).
void StatusWindowCreate();
void StatusWindowSetTitle(const char* title);
// Posts the quit message (exit code 0).
void StatusWindowPostQuit();
