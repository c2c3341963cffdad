#pragma once
#include <vector>

#include "zvtool/record_file.h"

// The record-file commands; argv[0] is the command's name. Each prints to stdout and stderr
// and returns the exit status.
int RunCheck(int argc, char** argv);
int RunShow(int argc, char** argv);
int RunDiff(int argc, char** argv);

// Strict reading of a record file for restore/send: true and the records when the file passes
// `check`; otherwise false and the problems printed to stderr.
bool LoadCheckedRecords(const char* path, std::vector<TZvRecord>& records);
