#pragma once
#include <string>
#include <vector>

// How zvtool's functions hand a failure up: the exit status the command ends with and one
// line saying what went wrong and what to do. Front ends render it.
struct TZvError {
    int exit = 0;         // zvtool's exit status (see exit_codes.h); 0: no error
    std::string message;  // without "zvtool: " and without a line end
    std::string command;  // the command that failed ("check"), for "zvtool check: ..."; or ""
};

// What a command says besides its findings, in the order it says it. The terminal writes
// each on standard error (errors, warnings and notes as "zvtool: ...", an info line as it
// is, an account under its heading); a window shows them in its log.
enum class TMessageKind { kError, kWarning, kNote, kInfo, kAccount };

struct TMessage {
    TMessageKind kind = TMessageKind::kNote;
    std::string text;                // kAccount: the trace the account is read from
    std::string command;             // the command it is of ("check"), or ""
    int exit = 0;                    // kError: the exit status it stands for
    std::vector<std::string> lines;  // kAccount: the account's lines
};

TMessage ErrorMessage(const TZvError& error);
TMessage Note(const std::string& text);
TMessage Warning(const std::string& text);
TMessage Info(const std::string& text);

// How a command ends and what it said on the way: every result type has one.
struct TCommandEnd {
    int exit = 0;
    std::string error;  // why it failed: the first error's message; "" for none
    std::vector<TMessage> messages;

    // Keeps `message`; the first error becomes `error`. Returns the message's exit status.
    int Say(const TMessage& message);
    // Says `error` (when it is one) and ends with its exit status: `return end.Fail(error)`.
    int Fail(const TZvError& error);
};
