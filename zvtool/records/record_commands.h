#pragma once
#include <vector>

#include "zvtool/records/record_file.h"

// The record-file commands of zvtool. Each takes its own argv (argv[0] is the command's
// name), prints on stdout and stderr, answers --help, and returns the exit status: for check
// and diff 0 / 1 / 2 as cmp has them (sound or same / problems or different / trouble).
int RunCheck(int argc, char** argv);
int RunShow(int argc, char** argv);
int RunDiff(int argc, char** argv);

// The strict reading of a record file for a restore or a send: true and the records in file
// order and kExitOk when the file passes `check`; otherwise kExitNoInput (it cannot be read)
// or kExitDataError (it fails the check), with the reason or the problems on stderr.
int LoadCheckedRecords(const char* path, std::vector<TZvRecord>& records);
