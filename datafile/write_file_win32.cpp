#include "datafile/write_file.h"

std::FILE* OpenWriteFile(const char* name) {
    return std::fopen(name, "wb");
}
