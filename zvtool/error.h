#pragma once
#include <string>

// How zvtool's functions hand a failure up: the exit status it ends the command with and one
// line saying what went wrong and what to do. Functions return or fill a TZvError and leave
// the printing to PrintError, the one place that writes errors.
struct TZvError {
    int exit = 0;         // zvtool's exit status (see exit_codes.h); 0: no error
    std::string message;  // without "zvtool: " and without a line end
    std::string command;  // the command that failed ("check"), for "zvtool check: ..."; or ""
};

// Prints "zvtool: MESSAGE" (or "zvtool COMMAND: MESSAGE") on standard error. An error with an
// exit status is also the command's report's "error", the first one only (report.h).
void PrintError(const TZvError& error);

// A note that is no failure, in the same form: "zvtool: MESSAGE".
void Note(const std::string& message);

// Prints `error` and returns its exit status, for `return Fail(...)`.
int Fail(const TZvError& error);
