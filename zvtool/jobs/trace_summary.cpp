#include "zvtool/jobs/trace_summary.h"

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/result_codes.h"
#include "serial/trace.h"

namespace {

// How the trace's notes (serial/trace.h) start for each symptom, and how the account counts
// it; in the order of TSymptom, the most telling first.
struct SymptomText {
    TSymptom symptom;
    const char* note;
    const char* name;
};

// clang-format off
constexpr SymptomText kSymptoms[kSymptomCount] = {
    {TSymptom::kRefused, kNoteStatusByte, "refused"},
    {TSymptom::kWrongReplyCode, kNoteWrongReplyCode, "wrong reply code"},
    {TSymptom::kBadAck, kNoteBadAck, "bad acknowledgement"},
    {TSymptom::kBadChecksum, kNoteBadChecksum, "bad checksum"},
    {TSymptom::kBadEndByte, kNoteBadEndByte, "bad end byte"},
    {TSymptom::kShortReply, kNoteShortReply, "short reply"},
    {TSymptom::kNoReply, kNoteNoReply, "no reply"},
    {TSymptom::kNoAck, kNoteNoAck, "no acknowledgement"},
};
// clang-format on

constexpr bool InSymptomOrder() {
    for (std::size_t f = 0; f < kSymptomCount; ++f) {
        if (static_cast<std::size_t>(kSymptoms[f].symptom) != f) {
            return false;
        }
    }
    return true;
}
static_assert(InSymptomOrder(), "kSymptoms[f] is TSymptom f");

// One request with its attempts: "module 7 fetch", "central send", "version query".
struct Exchange {
    std::string what;
    int attempts = 0;
    int counts[kSymptomCount] = {};
    std::string status;  // the status byte of a refusal
};

struct Run {
    std::string port;
    bool finished = false;  // the trace holds the run's result
    int resultCode = -1;
    std::vector<Exchange> exchanges;
    std::size_t bytesReceived = 0;
};

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// "   57 ms rx AA 01 (2 of 2 in 0 ms)" -> kind "rx", text "AA 01 (2 of 2 in 0 ms)".
bool SplitLine(const std::string& line, std::string& kind, std::string& text) {
    const std::size_t digits = line.find_first_not_of(' ');
    if (digits == std::string::npos || line[digits] < '0' || line[digits] > '9') {
        return false;
    }
    const std::size_t afterDigits = line.find_first_not_of("0123456789", digits);
    if (afterDigits == std::string::npos || line.compare(afterDigits, 4, " ms ") != 0) {
        return false;
    }
    const std::size_t kindStart = afterDigits + 4;
    const std::size_t kindEnd = line.find(' ', kindStart);
    kind = line.substr(kindStart,
                       kindEnd == std::string::npos ? std::string::npos : kindEnd - kindStart);
    text.clear();
    if (kindEnd != std::string::npos) {
        const std::size_t textStart = line.find_first_not_of(' ', kindEnd);
        if (textStart != std::string::npos) {
            text = line.substr(textStart);
        }
    }
    if (!text.empty() && text.back() == '\r') {
        text.pop_back();
    }
    return !kind.empty();
}

void Note(Run& run, const std::string& text) {
    const std::size_t attempt = text.find(kNoteAttempt);
    if (attempt != std::string::npos) {
        std::string what = text.substr(0, text.find(kNoteRequest));
        const std::string number =
            text.substr(attempt + std::char_traits<char>::length(kNoteAttempt));
        if (run.exchanges.empty() || run.exchanges.back().what != what ||
            StartsWith(number, "1 ")) {
            run.exchanges.push_back({});
            run.exchanges.back().what = what;
        }
        ++run.exchanges.back().attempts;
    } else if (StartsWith(text, kNotePort)) {
        const std::size_t from = std::char_traits<char>::length(kNotePort);
        run.port = text.substr(from, text.find(' ', from) - from);
    } else if (StartsWith(text, kNoteResult)) {
        run.finished = true;
        run.resultCode = static_cast<int>(
            std::strtol(text.c_str() + std::char_traits<char>::length(kNoteResult), nullptr, 10));
    } else if (!run.exchanges.empty()) {
        Exchange& exchange = run.exchanges.back();
        for (std::size_t f = 0; f < kSymptomCount; ++f) {
            if (!StartsWith(text, kSymptoms[f].note)) {
                continue;
            }
            if (kSymptoms[f].symptom == TSymptom::kRefused) {
                exchange.status = text.substr(std::char_traits<char>::length(kSymptoms[f].note));
                if (exchange.status == "00") {
                    break;
                }
            }
            ++exchange.counts[f];
        }
    }
}

// The last run in the text: a run starts with the note that names the driver.
Run ReadLastRun(const std::string& traceText) {
    Run run;
    std::string kind;
    std::string text;
    for (std::size_t start = 0; start < traceText.size();) {
        std::size_t end = traceText.find('\n', start);
        if (end == std::string::npos) {
            end = traceText.size();
        }
        const std::string line = traceText.substr(start, end - start);
        start = end + 1;
        if (!SplitLine(line, kind, text)) {
            continue;
        }
        if (kind == "--" && StartsWith(text, kNoteRunStart)) {
            run = Run{};
        } else if (kind == "--") {
            Note(run, text);
        } else if (kind == "rx") {
            // Each byte is two hex digits and a space; the read's account follows in "(...)".
            const std::size_t account = text.find('(');
            run.bytesReceived += (account == std::string::npos ? text.size() + 1 : account) / 3;
        }
    }
    return run;
}

// Every failed attempt leaves one symptom, a refusal too: an exchange failed in the end when
// all its attempts did.
int Failures(const Exchange& exchange) {
    int failed = 0;
    for (const int count : exchange.counts) {
        failed += count;
    }
    return failed;
}

// "module 7 fetch: 5 attempts, failed: 2 x bad checksum, 3 x no acknowledgement"
std::string Account(const Exchange& exchange) {
    std::string out = exchange.what + ": " + std::to_string(exchange.attempts) +
                      (exchange.attempts == 1 ? " attempt" : " attempts");
    const char* separator = ", failed: ";
    for (std::size_t f = 0; f < kSymptomCount; ++f) {
        if (exchange.counts[f] != 0) {
            out += separator + std::to_string(exchange.counts[f]) + " x " + kSymptoms[f].name;
            if (kSymptoms[f].symptom == TSymptom::kRefused) {
                out += " with status byte " + exchange.status;
            }
            separator = ", ";
        }
    }
    return out;
}

// The most telling symptom of an exchange; false when it has none.
bool WorstSymptom(const Exchange& exchange, TSymptom* worst) {
    for (std::size_t f = 0; f < kSymptomCount; ++f) {
        if (exchange.counts[f] != 0) {
            *worst = kSymptoms[f].symptom;
            return true;
        }
    }
    return false;
}

TLineCause CauseOf(const Run& run, const Exchange& exchange) {
    TSymptom worst = TSymptom::kNoAck;
    if (!WorstSymptom(exchange, &worst)) {
        return TLineCause::kSound;
    }
    return CauseOfSymptom(worst, run.bytesReceived != 0);
}

}  // namespace

TTraceAccount AccountOfTrace(const std::string& traceText) {
    const Run run = ReadLastRun(traceText);
    TTraceAccount account;
    account.finished = run.finished;
    account.result = run.resultCode;
    account.exchanges = static_cast<int>(run.exchanges.size());
    const Exchange* troubled = nullptr;  // the last exchange that had a failed attempt
    for (const Exchange& exchange : run.exchanges) {
        account.repeats += exchange.attempts > 1 ? exchange.attempts - 1 : 0;
        if (Failures(exchange) != 0) {
            account.lines.push_back(Account(exchange));
            troubled = &exchange;
        }
    }
    if (!account.finished) {
        account.lines.push_back(run.exchanges.empty()
                                    ? "the trace holds no run"
                                    : "the run did not finish: the trace ends without a result");
    }
    if (run.resultCode == kResultPortFailed) {
        account.cause = TLineCause::kNoLine;
        account.advice = CauseAdvice(account.cause, run.port, "");
        account.lines.push_back(account.advice);
        return account;
    }
    if (troubled == nullptr) {
        return account;
    }
    account.cause = CauseOf(run, *troubled);
    account.advice = CauseAdvice(account.cause, run.port, troubled->status);
    const Exchange& last = run.exchanges.back();
    if (Failures(last) == last.attempts) {
        account.lines.push_back(account.advice);
    } else {
        account.lines.push_back(RepeatsLine(account.repeats, account.exchanges, account.advice));
    }
    return account;
}

TLineCause CurrentCause(const std::string& traceText) {
    const Run run = ReadLastRun(traceText);
    if (run.exchanges.empty() || Failures(run.exchanges.back()) == 0) {
        return TLineCause::kSilent;  // still waiting for the first answer
    }
    return CauseOf(run, run.exchanges.back());
}
