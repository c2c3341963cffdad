#pragma once
#include <cstdio>
#include <string>

// The Wine test programs print one line per check and end with "N passed, N failed"; their
// exit status is the failure count.

inline int checksPassed = 0;
inline int checksFailed = 0;

inline void Check(bool ok, const char* what, const std::string& detail = "") {
    if (ok) {
        ++checksPassed;
        std::printf("ok   %s\n", what);
    } else {
        ++checksFailed;
        std::printf("FAIL %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
}

inline int CheckSummary() {
    std::printf("%d passed, %d failed\n", checksPassed, checksFailed);
    return checksFailed;
}
