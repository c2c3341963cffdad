#include "driver/report_posix.h"

#include <limits.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "datafile/comma_sep_file.h"
#include "datafile/file_error.h"
#include "driver/result_codes.h"
#include "serial/com_port_posix.h"
#include "settings/ini.h"
#include "settings/own_link_posix.h"
#include "settings/profile.h"
#include "version.h"

namespace {

const char kHelp[] =
    "Usage: zordrive [--help | --version]\n"
    "\n"
    "Runs one job against the interface unit on a serial line (2400 baud 8N1) and ends.\n"
    "A host application writes the job into \"zordrive.INI\", starts zordrive, waits for it\n"
    "to end and reads the result code: the exit status, also written as \"ComStatus\" in\n"
    "\"zordOUT.INI\". zvtool does all of this from a terminal (zvtool --help).\n"
    "\n"
    "Files, all in the current directory:\n"
    "  zordrive.INI  the job, section [Zorvek PC interface driver]: Comport,\n"
    "                TestMiniZvConnection, GetData, ToZorvek, SendNumberOfModuls,\n"
    "                GetFromModulNumber, GetToModulNumber, IgnoreMutBlock;\n"
    "                without it the job is a connection test on COM1\n"
    "  zordOUT.INI   written by the run: ZorVekDriverRunning, NowTransferingNo, ComStatus\n"
    "  ToZv.dat      the records a send job takes\n"
    "  fromZv.dat    the records a fetch job writes\n"
    "\n"
    "The port COMn (n = Comport) is the entry \"COMn\" of the current directory if there is\n"
    "one (normally a symbolic link: ln -s /dev/ttyUSB0 COM1), otherwise /dev/ttyS<n-1>.\n";

void PrintWhereItLooks() {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        std::snprintf(cwd, sizeof cwd, "(the current directory cannot be named)");
    }
    const std::uint8_t port = iniGetComPort();
    char path[32];
    std::printf("\nHere: the files in %s; Comport=%d, ", cwd, port);
    if (!ComDevicePath(port, path, sizeof path)) {
        std::printf("which names no port (COM0 never exists).\n");
    } else {
        std::printf("so the port is %s%s.\n", path,
                    access(path, F_OK) == 0 ? "" : ", which does not exist");
    }
}

void PrintResultTable() {
    std::printf("\nExit status and \"ComStatus\", the result code:\n");
    for (int code = kResultVersionAnswered; code <= kResultCentralRefusedFA; ++code) {
        std::printf("  %2d  %s\n", code, ResultMeaning(code));
    }
    std::printf("\nAny other argument is ignored, as zordrive.exe ignores its command line.\n");
}

bool Asked(int argc, char** argv, const char* a, const char* b) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], a) == 0 || (b != nullptr && std::strcmp(argv[i], b) == 0)) {
            return true;
        }
    }
    return false;
}

// The stderr line is a courtesy (the status file and the exit status carry the result), so
// it is built whole and handed over in one write only if that cannot wait: a pipe that
// nobody reads, or a stopped terminal, must not hold the run up. A pipe takes a write of up
// to PIPE_BUF bytes whole once poll says it has room.
char lineText[512];
std::size_t lineUsed = 0;

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(lineText + lineUsed, sizeof lineText - lineUsed, format, args);
    va_end(args);
    if (n > 0) {
        lineUsed = std::min(lineUsed + static_cast<std::size_t>(n), sizeof lineText - 2);
    }
}

void SayEnd() {
    lineText[lineUsed++] = '\n';
    pollfd out{STDERR_FILENO, POLLOUT, 0};
    if (poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0 &&
        (out.revents & POLLOUT) != 0) {
        const ssize_t written = write(STDERR_FILENO, lineText, lineUsed);
        static_cast<void>(written);  // a line that did not go out is dropped
    }
    lineUsed = 0;
}

// The file in the current directory as a full path, so the line says where it looked.
void SayFilePath(const char* name) {
    char cwd[PATH_MAX];
    if (name[0] != '/' && getcwd(cwd, sizeof cwd) != nullptr) {
        Say("%s/", cwd);
    }
    Say("%s", name);
}

constexpr char kNotThroughLinks[] = "; the driver writes through no link another account made";

bool RefusedLinkIs(const char* name) {
    return std::strcmp(RefusedLinkPath(), name) == 0;
}

void ReportFileError(int result, const char* name, const char* verb) {
    const char* failed = FailedFileName() != nullptr ? FailedFileName() : name;
    Say("zordrive: result %d: cannot %s ", result, verb);
    SayFilePath(failed);
    if (RefusedLinkIs(failed)) {
        Say(": %s%s", RefusedLinkWords(), kNotThroughLinks);
    } else if (FailedFileName() != nullptr) {
        Say(": %s", std::strerror(FailedFileError()));
    }
    SayEnd();
}

// A status or trace file that was not written because its name is a link of another account:
// the run's result stands, but the host and the technician must learn why the file is not
// what the run wrote.
void ReportRefusedLink() {
    if (RefusedLinkPath()[0] == '\0' ||
        (FailedFileName() != nullptr && RefusedLinkIs(FailedFileName()))) {
        return;
    }
    Say("zordrive: not written through ");
    SayFilePath(RefusedLinkPath());
    Say(": %s%s", RefusedLinkWords(), kNotThroughLinks);
    SayEnd();
}

// The line for a run that ended with 2, 4, 5, 8, 9 or 10.
void ReportResult(int result) {
    // A job that lost its line ends with the code of the step that failed (4 for a fetch, 2
    // for a send or the connection test); the line says why, not only that no reply came.
    if (result != kResultPortFailed && ComLineLost()[0] != '\0') {
        Say("zordrive: result %d: the port %s went away during the job: %s", result, ComPortName(),
            ComLineLost());
        SayEnd();
        return;
    }
    switch (result) {
        case kResultRefused:
            Say("zordrive: result 2: %s (port %s)", ResultMeaning(result), ComPortName());
            SayEnd();
            break;
        case kResultFetchFailed:
            // One line for every job that ends with 4: a fetch the unit refused, or no valid reply.
            Say("zordrive: result 4: no valid reply from the unit, or it refused the record asked "
                "for (port %s)",
                ComPortName());
            SayEnd();
            break;
        case kResultPortFailed:
            if (ComPortName()[0] == '\0') {
                Say("zordrive: result 5: %s", ComFailureReason());
            } else {
                Say("zordrive: result 5: cannot open the port %s: %s", ComPortName(),
                    ComFailureReason());
            }
            SayEnd();
            break;
        case kResultNoSendFile:
            ReportFileError(result, kToZvFile, "open");
            break;
        case kResultSendFileShort:
            Say("zordrive: result 9: ");
            SayFilePath(kToZvFile);
            Say(" ended before a whole record was read (zvtool check ToZv.dat shows where)");
            SayEnd();
            break;
        case kResultFetchFileFailed:
            ReportFileError(result, kFromZvFile, "write");
            break;
        default:
            break;
    }
}

}  // namespace

bool AnswerCommandLine(int argc, char** argv) {
    if (Asked(argc, argv, "--help", "-h")) {
        std::fputs(kHelp, stdout);
        PrintWhereItLooks();
        PrintResultTable();
        return true;
    }
    if (Asked(argc, argv, "--version", nullptr)) {
        std::printf("zordrive %s\n", ZV_VERSION);
        return true;
    }
    return false;
}

void ReportFailedRun(int result) {
    ReportResult(result);
    ReportRefusedLink();
}
