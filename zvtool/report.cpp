#include "zvtool/report.h"

#include <cstdio>
#include <string>

#include "zvtool/json.h"

std::string ReportJson(const TReport& report) {
    TJsonObject json;
    json.Int("version", kJsonSchemaVersion)
        .StringOrNull("command", report.command)
        .Int("exit", report.exit)
        .StringOrNull("error", report.error);
    if (report.job) {
        json.String("job", report.jobName)
            .IntOrNull("result", report.result)
            .StringOrNull("meaning", report.meaning)
            .Seconds("seconds", report.seconds)
            .IntOrNull("records", report.records)
            .StringOrNull("file", report.file)
            .Bool("partial", report.partial)
            .IntOrNull("failed_module", report.failedModule)
            .IntOrNull("port", report.port)
            .StringOrNull("port_from", report.portFrom)
            .StringOrNull("trace", report.trace)
            .Raw("account", JsonStrings(report.account))
            .IntOrNull("repeats", report.repeats)
            .StringOrNull("cause", report.cause);
    }
    for (const auto& member : report.members) {
        json.Raw(member.first.c_str(), member.second);
    }
    return json.Text();
}

namespace {

bool jsonWanted = false;

}  // namespace

void SetJsonWanted(bool json) {
    jsonWanted = json;
}

bool JsonWanted() {
    return jsonWanted;
}

TReport& CommandReport() {
    static TReport report;
    return report;
}

int FinishCommand(int exitStatus, bool json) {
    TReport& report = CommandReport();
    report.exit = exitStatus;
    if (json) {
        std::printf("%s\n", ReportJson(report).c_str());
        std::fflush(stdout);
    }
    return exitStatus;
}
