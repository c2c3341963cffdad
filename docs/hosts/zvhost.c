/* A host for zordrive.exe in C, Win32 API only.

       zvhost DRIVER DIR KEY=VALUE...

   Writes the keys into "zordrive.INI" through the profile API (a bare file name: the file
   lies in the Windows directory, where the driver reads it), deletes the status keys of an
   earlier run, starts DRIVER with DIR as its working directory (where "ToZv.dat" and
   "fromZv.dat" lie), shows "NowTransferingNo" while it runs, waits for it and takes the
   result from "ComStatus". Exit status: the result code; 70 when the driver ended without
   one; 69 when it cannot be started; 64 for a bad command line.

   Build: x86_64-w64-mingw32-gcc -o zvhost.exe zvhost.c (or i686-w64-mingw32-gcc). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static const char kSettings[] = "zordrive.INI";
static const char kStatus[] = "zordOUT.INI";
static const char kSection[] = "Zorvek PC interface driver";

/* What each result code means, by code. */
static const char* const kMeanings[] = {
    "the unit answered the version query (connection test)",
    "every record was sent and the unit accepted each one",
    "the unit did not acknowledge a request, or refused a record it was sent",
    "every requested record was fetched",
    "fetch: the exchange failed or the unit refused; other jobs: no valid reply",
    "the serial port cannot be opened (missing, or held by another program)",
    "the unit answered the central record with status byte 8",
    "a record of ToZv.dat carries module number 0 or above 200; those before it were sent",
    "ToZv.dat cannot be opened",
    "ToZv.dat ended before a whole record; those before it were sent",
    "fromZv.dat cannot be written",
    "the unit answered the central record with status byte 0xFA",
};

static const char* Meaning(int code) {
    if (code < 0 || code >= (int)(sizeof kMeanings / sizeof kMeanings[0])) {
        return "unknown code";
    }
    return kMeanings[code];
}

/* The value a KEY=VALUE argument gives `name`, or `fallback` (the driver's default). */
static int KeyValue(int count, char** keys, const char* name, int fallback) {
    size_t length = strlen(name);
    for (int i = 0; i < count; ++i) {
        if (_strnicmp(keys[i], name, length) == 0 && keys[i][length] == '=') {
            return atoi(keys[i] + length + 1);
        }
    }
    return fallback;
}

/* The code that means success for the job these keys select. */
static int ExpectedCode(int count, char** keys) {
    if (KeyValue(count, keys, "TestMiniZvConnection", 1) != 0) {
        return 0;
    }
    return KeyValue(count, keys, "GetData", 1) != 0 ? 3 : 1;
}

/* Writes the job. A fresh file each time, so no key of an earlier job stays behind. */
static BOOL WriteSettings(int count, char** keys) {
    /* Deleting a section that is not there fails harmlessly; the writes below tell. */
    (void)WritePrivateProfileStringA(kSection, NULL, NULL, kSettings);
    for (int i = 0; i < count; ++i) {
        char name[64];
        const char* equals = strchr(keys[i], '=');
        size_t length = equals ? (size_t)(equals - keys[i]) : 0;
        if (length == 0 || length >= sizeof name) {
            fprintf(stderr, "not KEY=VALUE: %s\n", keys[i]);
            return FALSE;
        }
        memcpy(name, keys[i], length);
        name[length] = '\0';
        if (!WritePrivateProfileStringA(kSection, name, equals + 1, kSettings)) {
            /* A standard user may not write the Windows directory: run the host elevated. */
            fprintf(stderr, "cannot write %s (error %lu)\n", kSettings, GetLastError());
            return FALSE;
        }
    }
    return TRUE;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: zvhost DRIVER DIR KEY=VALUE...\n");
        return 64;
    }
    const char* driver = argv[1];
    const char* dir = argv[2];
    int keyCount = argc - 3;
    char** keys = argv + 3;
    if (!WriteSettings(keyCount, keys)) {
        return 64;
    }
    /* Until this run writes them, the status keys are the last run's: delete them first. */
    WritePrivateProfileStringA(kSection, "ComStatus", NULL, kStatus);
    WritePrivateProfileStringA(kSection, "NowTransferingNo", NULL, kStatus);

    char commandLine[MAX_PATH + 3];
    snprintf(commandLine, sizeof commandLine, "\"%s\"", driver);
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessA(driver, commandLine, NULL, NULL, FALSE, 0, NULL, dir, &startup, &process)) {
        fprintf(stderr, "cannot start %s in %s (error %lu)\n", driver, dir, GetLastError());
        return 69;
    }
    CloseHandle(process.hThread);

    /* Progress while the process runs; the end is the process's end, not a key. */
    int shown = -1;
    while (WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT) {
        int now = (int)GetPrivateProfileIntA(kSection, "NowTransferingNo", -1, kStatus);
        if (now != -1 && now != shown) {
            printf("pass: %d\n", now);
            fflush(stdout);
            shown = now;
        }
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);

    /* The exit status of a killed driver looks like a result; only "ComStatus" is one. */
    char value[16];
    GetPrivateProfileStringA(kSection, "ComStatus", "", value, sizeof value, kStatus);
    if (value[0] < '0' || value[0] > '9') {
        printf("no result: the driver ended (exit status %lu) without writing ComStatus\n",
               exitCode);
        return 70;
    }
    int code = atoi(value);
    printf("result %d (%s): %s\n", code, code == ExpectedCode(keyCount, keys) ? "done" : "failed",
           Meaning(code));
    return code;
}
