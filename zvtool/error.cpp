#include "zvtool/error.h"

#include <cstdio>

void PrintError(const TZvError& error) {
    std::fprintf(stderr, "zvtool%s%s: %s\n", error.command.empty() ? "" : " ",
                 error.command.c_str(), error.message.c_str());
}

int Fail(const TZvError& error) {
    PrintError(error);
    return error.exit;
}
