#include "ui/status_window.h"

namespace {
TJobCommands jobCommands{};
}

void StatusWindowSetJobs(const TJobCommands& commands) {
    jobCommands = commands;
}

bool StatusWindowRunJobCommand(unsigned id) {
    TJobFunction job = nullptr;
    switch (id) {
        case kCmdSendCentral:
            job = jobCommands.sendCentral;
            break;
        case kCmdFetchCentral:
            job = jobCommands.fetchCentral;
            break;
        case kCmdSendModuls:
            job = jobCommands.sendModuls;
            break;
        case kCmdFetchModuls:
            job = jobCommands.fetchModuls;
            break;
        case kCmdTestConnection:
            job = jobCommands.testConnection;
            break;
        default:
            return false;
    }
    if (job != nullptr && jobCommands.finish != nullptr) {
        jobCommands.finish(job());
    }
    return true;
}
