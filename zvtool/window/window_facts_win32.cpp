#include "zvtool/window/window_facts_win32.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "version.h"
#include "zvtool/platform/files.h"
#include "zvtool/time_text.h"

namespace {

constexpr char kSettingsFile[] = "zordrive.INI";

std::string SystemText() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    // The manifest names the versions this program knows, so the answer is not capped at 8.
    if (!GetVersionExW(&version)) {
        return "Windows";
    }
    char text[64];
    std::snprintf(text, sizeof text, "Windows %lu.%lu.%lu", version.dwMajorVersion,
                  version.dwMinorVersion, version.dwBuildNumber);
    return text;
}

}  // namespace

std::string FoldersText(const std::string& runFolder) {
    std::string text = "Jobs run in " + runFolder + "; " + DriverSettingsAdvice(runFolder) + ".";
    const std::string settings = DriverProfilePath(runFolder, kSettingsFile);
    // A missing file is tried through a probe beside it, so that looking creates nothing.
    const std::string probe = FileExists(settings) ? settings : settings + ".zvtoolw-probe";
    const std::string why = WhyNotWritable(probe);
    if (probe != settings) {
        RemoveFile(probe);
    }
    if (!why.empty()) {
        text += " This program cannot write " + settings + " (" + why +
                "): run it as administrator" +
                (sizeof(void*) == 8 ? ", or the 32-bit zvtoolw.exe with the 32-bit driver." : ".");
    }
    return text;
}

TReportFacts ReportFacts(const std::string& driver, const std::string& runFolder) {
    TReportFacts facts;
    facts.program =
        std::string("zvtoolw ") + ZV_VERSION + (sizeof(void*) == 8 ? " (64-bit)" : " (32-bit)");
    facts.system = SystemText();
    facts.driver = driver;
    facts.runFolder = runFolder;
    facts.settings = DriverProfilePath(runFolder, kSettingsFile);
    facts.time = TimeText(static_cast<long long>(std::time(nullptr)), TZone::kLocal);
    return facts;
}

UINT WindowDpi(HWND window) {
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    const FARPROC found = user == nullptr ? nullptr : GetProcAddress(user, "GetDpiForWindow");
    if (found != nullptr) {
        TGetDpiForWindow getDpi = nullptr;
        static_assert(sizeof getDpi == sizeof found, "function pointers of one size");
        std::memcpy(&getDpi, &found, sizeof getDpi);
        return getDpi(window);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}
