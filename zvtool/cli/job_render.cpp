#include "zvtool/cli/job_render.h"

#include <cstdio>
#include <string>

#include "zvtool/cli/json_schema.h"

namespace {

void JobValues(const TJobOutcome& outcome, TJsonValues* values) {
    const TRunReport& run = outcome.run;
    TJsonValues& v = *values;
    v["job"] = JsonString(outcome.job);
    v["result"] = JsonIntOrNull(run.result);
    v["meaning"] = JsonStringOrNull(run.meaning);
    v["seconds"] = JsonSeconds(outcome.seconds);
    v["records"] = JsonIntOrNull(outcome.records);
    v["file"] = JsonStringOrNull(outcome.file);
    v["partial"] = JsonBool(outcome.partial);
    v["failed_module"] = JsonIntOrNull(run.failedModule);
    v["port"] = JsonIntOrNull(outcome.port);
    v["port_from"] = JsonStringOrNull(outcome.portFrom);
    v["trace"] = JsonStringOrNull(outcome.trace);
    v["account"] = JsonStrings(run.account);
    v["repeats"] = JsonIntOrNull(run.repeats);
    v["cause"] = run.causeKnown ? JsonString(CauseName(run.cause)) : "null";
    v["finishing"] = JsonStringOrNull(outcome.finishing);
}

void ServiceValues(const TJobOutcome& outcome, TJsonValues* values) {
    TJsonValues& v = *values;
    v["unit_version"] = JsonStringOrNull(outcome.unitVersion);
    v["fetched"] = JsonIntOrNull(outcome.fetched);
    v["refused"] = JsonInts(outcome.refused);
    v["kept_as"] = JsonStringOrNull(outcome.keptAs);
    v["plan"] = outcome.planned ? JsonString(outcome.plan) : "null";
    const TReadBack& back = outcome.readBack;
    v["sent"] = back.done ? JsonInt(back.sent) : "null";
    v["read_back_same"] = back.done ? JsonInt(back.same) : "null";
    v["read_back_differ"] = back.done ? JsonInts(back.differ) : "null";
    v["summary"] = JsonStringOrNull(outcome.summary);
}

}  // namespace

TJsonValues EnvelopeValues(const std::string& command, const TCommandEnd& end) {
    return {{"version", JsonInt(kJsonSchemaVersion)},
            {"command", JsonStringOrNull(command)},
            {"exit", JsonInt(end.exit)},
            {"error", JsonStringOrNull(end.error)}};
}

std::string JobJson(unsigned commandBit, const TJobOutcome& outcome) {
    TJsonValues values = EnvelopeValues(outcome.command, outcome.end);
    JobValues(outcome, &values);
    ServiceValues(outcome, &values);
    return SchemaObject(commandBit, values);
}

std::string PlanText(const TJobOutcome& outcome) {
    return outcome.planned ? "plan: " + outcome.plan + "\n" : "";
}

std::string JobEndText(const TJobOutcome& outcome) {
    char line[64];
    std::snprintf(line, sizeof line, " (%.1f s)\n", outcome.seconds);
    if (outcome.command == "restore") {
        return outcome.summary.empty()
                   ? ""
                   : "restore of " + outcome.file + ": " + outcome.summary + line;
    }
    std::string text;
    if (outcome.run.result >= 0) {
        text += "result " + std::to_string(outcome.run.result) + ": " + outcome.run.meaning + line;
    }
    if (!outcome.file.empty() && outcome.records >= 0) {
        text += outcome.file + ": " + std::to_string(outcome.records) +
                (outcome.records == 1 ? " record\n" : " records\n");
    }
    return text;
}
