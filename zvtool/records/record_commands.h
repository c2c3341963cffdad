#pragma once
#include <string>
#include <vector>

#include "zvtool/records/record_file.h"
#include "zvtool/records/record_set.h"

// The record-file commands of zvtool, run on a parsed command line. Each prints on stdout
// and stderr and returns the exit status, 0 / 1 / 2 as cmp has them (sound or same /
// problems or different / trouble).
struct TRecordArgs {
    std::vector<std::string> files;  // check: one or more; show: one; diff: A and B
    bool all = false;                // check --all: every problem
    bool hex = false;                // show and diff --hex
    int record = -1;                 // show --record N; -1: every record
    std::vector<TRecordEdit> edits;  // set: the changes
    std::string output;              // set -o: where the changed file goes (FILE itself)
};

int RunCheck(const TRecordArgs& args);
int RunShow(const TRecordArgs& args);
int RunDiff(const TRecordArgs& args);

// What `diff` compares: records matched by number (a number held twice gives its later
// record, as the unit keeps the one sent last), and every offset where they differ.
struct TByteChange {
    int offset;
    int a;
    int b;
};
struct TRecordChange {
    int number;
    int in;  // 1 only in A, 2 only in B, 3 in both (and `bytes` differ)
    std::vector<TByteChange> bytes;
};
struct TRecordDiff {
    std::vector<TRecordChange> records;  // by number: the records in one file only or changed
    int changed = 0;
    int onlyA = 0;
    int onlyB = 0;
    int same = 0;
};
TRecordDiff CompareRecords(const std::vector<TZvRecord>& a, const std::vector<TZvRecord>& b);
// The comparison as `diff` prints it on stdout, A and B named by `pathA` and `pathB`.
void PrintRecordDiff(const TRecordDiff& diff, const std::string& pathA, const std::string& pathB,
                     bool hex);

// The strict reading of a record file for a restore or a send: true and the records in file
// order and kExitOk when the file passes `check`; otherwise kExitNoInput (it cannot be read)
// or kExitDataError (it fails the check), with the reason or the problems on stderr.
int LoadCheckedRecords(const char* path, std::vector<TZvRecord>& records);
