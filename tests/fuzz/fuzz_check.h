#pragma once
#include <cstdio>
#include <cstdlib>

// A property of the code under test that every input must keep. A failed one aborts, so
// that libFuzzer saves the input as a crash; unlike assert() it stays in release builds.
inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "fuzz property failed: %s\n", what);
        std::abort();
    }
}
