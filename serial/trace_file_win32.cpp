#include "serial/trace.h"

std::FILE* TraceOpenFile(const char* path) {
    return std::fopen(path, "ab");
}
