#include "ui/status_window_posix.h"

#include <vector>

#include "ui/status_window.h"

namespace {
std::string title;
std::vector<std::string> titleHistory;
bool quitPosted = false;
}  // namespace

void StatusWindowCreate() {
    title = kWindowTitle;
    titleHistory.assign(1, title);
}

void StatusWindowSetTitle(const char* text) {
    title = text;
    titleHistory.push_back(title);
}

void StatusWindowPostQuit() {
    quitPosted = true;
}

const std::string& StatusWindowTitle() {
    return title;
}

const std::vector<std::string>& StatusWindowTitleHistory() {
    return titleHistory;
}

bool StatusWindowQuitPosted() {
    return quitPosted;
}

long StatusWindowSysCommand(unsigned id) {
    if (id == kCmdAbout) {
        return 0;
    }
    return StatusWindowRunJobCommand(id) ? 0 : -1;
}

void StatusWindowReset() {
    title.clear();
    titleHistory.clear();
    quitPosted = false;
}
