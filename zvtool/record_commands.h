#pragma once
#include <vector>

#include "zvtool/record_file.h"

// The record-file commands of zvtool. Each takes its own argv (argv[0] is the command's
// name), prints on stdout and stderr, answers --help, and returns the exit status: for check
// and diff 0 / 1 / 2 as cmp has them (sound or same / problems or different / trouble).
int RunCheck(int argc, char** argv);
int RunShow(int argc, char** argv);
int RunDiff(int argc, char** argv);

// The strict reading of a record file for a restore or a send: true and the records in file
// order when the file passes `check`; otherwise false, with the problems (or why it cannot be
// read) on stderr.
bool LoadCheckedRecords(const char* path, std::vector<TZvRecord>& records);
