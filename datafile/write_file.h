#pragma once
#include <cstdio>

// Creates the record file `name` (or empties it) for writing in binary mode: per platform in
// write_file_posix.cpp and write_file_win32.cpp. nullptr and errno when it cannot be; on POSIX
// also where `name` is a symbolic link that another account made (settings/own_link_posix.h),
// which is noted for the driver's stderr line and left as it is.
std::FILE* OpenWriteFile(const char* name);
