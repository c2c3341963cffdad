#include "zvtool/error.h"

#include <cstdio>

#include "zvtool/report.h"

void PrintError(const TZvError& error) {
    std::fprintf(stderr, "zvtool%s%s: %s\n", error.command.empty() ? "" : " ",
                 error.command.c_str(), error.message.c_str());
    std::fflush(stderr);
    TReport& report = CommandReport();
    if (error.exit != 0 && report.error.empty()) {
        report.error = error.message;
    }
}

void Note(const std::string& message) {
    PrintError({0, message, ""});
}

int Fail(const TZvError& error) {
    PrintError(error);
    return error.exit;
}
