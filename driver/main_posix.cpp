#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "driver/driver.h"
#include "driver/report_posix.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "ui/status_window.h"

namespace {

// A descriptor 0, 1 or 2 that the starter left closed (a daemon, a careless host) would be
// handed to the next open: the port, so the stderr line would go out on the line to the
// unit. Each is given /dev/null (or, where that is missing, a directory, which no write
// reaches) before anything else is opened.
void FillStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        int opened = open("/dev/null", O_RDWR);
        if (opened < 0) {
            opened = open("/", O_RDONLY | O_DIRECTORY);
        }
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}

}  // namespace

// One run, one job: mark the run, make the (headless) window, open the port, run the job
// the settings select, finish. The exit status is the result code, whatever the process was
// started with: a closed stream is filled, a reader that went away costs only the stderr
// line (SIGPIPE is ignored), never the result. Only --help and --version are answered,
// before any file is touched; every other argument is ignored. ZORDRIVE_TRACE, when set,
// names a file that the run appends its trace to; it is opened after the running flag is
// written, so a trace that cannot be opened never stops the host from seeing the run.
int main(int argc, char** argv) {
    FillStandardDescriptors();
    signal(SIGPIPE, SIG_IGN);
    if (AnswerCommandLine(argc, argv)) {
        return 0;
    }
    iniZorVekDriverStart();
    TraceBegin();
    StatusWindowSetJobs(DriverJobCommands());
    StatusWindowCreate();
    const int result = RunDriver();
    TraceEnd();
    ReportFailedRun(result);
    return result;
}
