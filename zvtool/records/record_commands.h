#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/records/record_file.h"
#include "zvtool/records/record_set.h"

// The record-file commands: check, show and diff read record files and return what they
// found; they print nothing. Their exit status is 0 / 1 / 2 as cmp has it (sound or same /
// problems or different / trouble).
struct TRecordArgs {
    std::vector<std::string> files;  // check: one or more; show: one; diff: A and B
    bool all = false;                // check --all: every problem
    bool hex = false;                // show and diff --hex
    int record = -1;                 // show --record N; -1: every record
    std::vector<TRecordEdit> edits;  // set: the changes
    std::string output;              // set -o: where the changed file goes (FILE itself)
};

// A file as check, show and diff read it.
struct TCheckedFile {
    std::string path;
    bool read = false;  // false: it could not be read (said in the result's messages)
    TRecordReading reading;
};

struct TCheckResult {
    std::vector<TCheckedFile> files;
    TCommandEnd end;
};
TCheckResult CheckRecordFiles(const std::vector<std::string>& paths);

struct TShowResult {
    TCheckedFile file;
    std::vector<std::size_t> shown;  // the records of `file.reading` shown, by index
    TCommandEnd end;
};
// Every record, or only record `only` (-1: every one).
TShowResult ShowRecordFile(const std::string& path, int only);

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

struct TDiffResult {
    TCheckedFile a;
    TCheckedFile b;
    bool compared = false;
    TRecordDiff diff;
    TCommandEnd end;
};
TDiffResult DiffRecordFiles(const std::string& pathA, const std::string& pathB);

// The strict reading of a record file for a restore or a send: no error and the records in
// file order when the file passes `check`; otherwise kExitNoInput (it cannot be read) or
// kExitDataError (it fails the check), with its first problems as "FILE:LINE:COLUMN: ..."
// lines in `problems`, for the caller to say before the error.
TZvError LoadCheckedRecords(const std::string& path, std::vector<TZvRecord>* records,
                            std::vector<std::string>* problems);

// The problems of a reading as lines "FILE:LINE:COLUMN: TEXT", the first 20 (or all), and a
// last line for the rest: "FILE: ... and N more problems".
std::vector<std::string> ProblemLines(const std::string& path, const TRecordReading& reading,
                                      bool all);
