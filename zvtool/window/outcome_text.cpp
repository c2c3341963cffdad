#include "zvtool/window/outcome_text.h"

#include <cstdio>
#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/message_text.h"
#include "zvtool/records/record_file.h"

namespace {

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, " (%.1f s)", seconds);
    return text;
}

std::string ResultLine(const TRunReport& run) {
    return run.result < 0 ? "" : "result " + std::to_string(run.result) + ": " + run.meaning;
}

// "modules 3, 4" of a read-back that differs.
std::string RecordList(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) {
        text += (text.empty() ? "" : ", ") + RecordName(number);
    }
    return text;
}

// The lines of a job that did what was asked.
std::string DoneLines(const TJobOutcome& outcome) {
    std::string text;
    if (!outcome.summary.empty()) {
        text += outcome.summary + "\n";
    }
    const std::string result = ResultLine(outcome.run);
    if (!result.empty() && outcome.command != "restore") {
        text += result + "\n";
    }
    if (!outcome.file.empty() && outcome.records >= 0 && outcome.command != "restore") {
        text += outcome.file + ": " + std::to_string(outcome.records) +
                (outcome.records == 1 ? " record\n" : " records\n");
    }
    if (!outcome.keptAs.empty()) {
        text += "kept in the ledger as " + outcome.keptAs + "\n";
    }
    if (!outcome.unitVersion.empty() && outcome.unitVersion != "-") {
        text += "the unit's version: " + outcome.unitVersion + "\n";
    }
    return text;
}

}  // namespace

std::string StatusLine(const TJobOutcome& outcome) {
    const std::string head = outcome.command + ": ";
    if (outcome.end.exit != kExitOk && !outcome.end.error.empty()) {
        return head + outcome.end.error;
    }
    if (!outcome.summary.empty()) {
        return head + outcome.summary + Seconds(outcome.seconds);
    }
    const std::string result = ResultLine(outcome.run);
    if (!result.empty()) {
        return head + result + Seconds(outcome.seconds);
    }
    return head + "exit " + std::to_string(outcome.end.exit);
}

std::string OutcomeText(const TJobOutcome& outcome) {
    std::string text = DoneLines(outcome);
    const TReadBack& back = outcome.readBack;
    if (back.done && !back.differ.empty()) {
        text += "read back otherwise than sent: " + RecordList(back.differ) + "\n";
    }
    if (outcome.end.exit == kExitOk) {
        for (const TMessage& message : outcome.end.messages) {
            if (message.kind == TMessageKind::kWarning) {
                text += MessageText(message);
            }
        }
        return text;
    }
    text += "exit status " + std::to_string(outcome.end.exit) + "\n";
    for (const TMessage& message : outcome.end.messages) {
        text += MessageText(message);
    }
    if (OffersResume(outcome)) {
        text += "Resume goes on from where it stopped.\n";
    }
    return text;
}

bool OffersResume(const TJobOutcome& outcome) {
    return outcome.end.exit != kExitOk && !outcome.finishing.empty() &&
           (outcome.command == "backup" || outcome.command == "restore");
}

std::string ReportText(const TReportFacts& facts, const TJobOutcome& outcome,
                       const std::string& trace) {
    std::string text = "zvtool report, " + facts.time + "\n";
    text += "program: " + facts.program + "\nsystem: " + facts.system +
            "\ndriver: " + facts.driver + "\njobs run in: " + facts.runFolder +
            "\nthe driver's settings: " + facts.settings + "\n\n";
    if (outcome.command.empty()) {
        text += "no job has run\n";
    } else {
        text += "job: " + outcome.job + "\n" + StatusLine(outcome) + "\n" + OutcomeText(outcome);
        text += "\neverything the job said:\n";
        for (const TMessage& message : outcome.end.messages) {
            text += MessageText(message);
        }
        text += "\nthe driver's trace" + (outcome.trace.empty() ? "" : " (" + outcome.trace + ")") +
                ":\n" + (trace.empty() ? "(none)\n" : trace);
    }
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            lines += '\r';
        }
        lines += text[i];
    }
    return lines;
}
