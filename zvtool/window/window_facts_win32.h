#pragma once
#include <windows.h>

#include <string>

#include "zvtool/window/outcome_text.h"

// What the window says about where it stands: where its jobs run and where the driver reads
// its settings (with what to do when this program cannot write them), the facts a report
// carries, and the DPI a window is shown at.

// "Jobs run in ...", the core's advice on the driver's settings file, and, when that file
// cannot be written by this program, that it must run elevated.
std::string FoldersText(const std::string& runFolder);

// This program, this Windows, and the driver and folders given.
TReportFacts ReportFacts(const std::string& driver, const std::string& runFolder);

// The DPI `window` is shown at: GetDpiForWindow where Windows has it (10, version 1607 on),
// else the system's.
UINT WindowDpi(HWND window);
