// What the main window starts from: this user's folders, the driver beside this program and
// what the window remembers; and the window's class.
#include <windows.h>

#include <string>

#include "zvtool/jobs/driver_program.h"
#include "zvtool/ledger/user_ledger.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"
#include "zvtool/platform/user_folders.h"
#include "zvtool/window/window_dialogs_win32.h"
#include "zvtool/window/window_ids.h"

void PrepareMainWindow(TMainWindow* window) {
    const TUserFolders folders = UserFolders();
    // The run folder and what the window remembers sit in zvtool's state folder, beside its
    // logs; the ledger is found as every command of zvtool finds it (moved there once).
    window->data = folders.state;
    window->stateFolder = folders.state;
    TCommandEnd found;
    window->ledger = UserLedger(&found);
    for (const TMessage& message : found.messages) {
        window->ledgerNote += (window->ledgerNote.empty() ? "" : "; ") + message.text;
    }
    std::string error;
    if (folders.state.empty()) {
        window->driverError = {1, std::string("no folder for the jobs: ") + UserFolderVariables(),
                               ""};
    } else if (!MakeFolders(WindowRunFolder(folders.state), TFolderMode::kPrivate, &error)) {
        window->driverError = {1, "cannot make " + WindowRunFolder(folders.state) + ": " + error,
                               ""};
    } else {
        window->runFolder = WindowRunFolder(folders.state);
    }
    if (!FindDriverProgram("", &window->driver, &window->driverError)) {
        window->driver.clear();
    }
    std::string text;
    if (!folders.state.empty() &&
        ReadWholeFile(WindowMemoryPath(folders.state), 4096, &text, &error) == TReadResult::kRead) {
        window->memory = ParseWindowMemory(text);
    }
}

bool RegisterMainClass(HINSTANCE instance) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = DefDlgProcW;
    type.cbWndExtra = DLGWINDOWEXTRA;
    type.hInstance = instance;
    type.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ZV_IDI_WINDOW));
    type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = ZV_MAIN_CLASS;
    return RegisterClassExW(&type) != 0;
}
