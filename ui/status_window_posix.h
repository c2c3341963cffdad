#pragma once
#include <string>
#include <vector>

// The headless status window of the POSIX build: no GUI, the title kept in memory.

// The title as last set ("" before StatusWindowCreate).
const std::string& StatusWindowTitle();
// Every title set since the window was created, in order (tests follow a job's passes).
const std::vector<std::string>& StatusWindowTitleHistory();
// True once the quit message has been posted.
bool StatusWindowQuitPosted();
// The window procedure's WM_SYSCOMMAND: 100 would open the About box (nothing to show
// here), 102..106 run a job and finish the run; returns 0 when the command was handled,
// -1 where Windows would pass it to the default processing.
long StatusWindowSysCommand(unsigned id);
// Back to the state at program start.
void StatusWindowReset();
