#pragma once

// zvtool's exit status. A job that did what was asked exits 0; a job the driver ended
// otherwise exits with the driver's result code (1 to 11, see driver/result_codes.h); the
// tool's own failures use the codes above 63 that command-line programs share.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 64;         // bad command line
constexpr int kExitDataError = 65;     // a record file that fails the strict check
constexpr int kExitNoInput = 66;       // a file to read cannot be opened
constexpr int kExitUnavailable = 69;   // no driver found, or it cannot be started
constexpr int kExitSoftware = 70;      // the driver ended without a result
constexpr int kExitCannotCreate = 73;  // a file to write cannot be created
constexpr int kExitIoError = 74;       // reading or writing a file failed part-way
constexpr int kExitLocked = 75;        // another zvtool job holds the driver's files
constexpr int kExitNotTheJob = 76;     // the driver did not run the job asked for
constexpr int kExitNoPermission = 77;  // this user may not open the serial port
constexpr int kExitIncomplete = 79;  // backup --skip-refused: modules the unit refused are missing
constexpr int kExitReadBack = 80;    // restore: a record read back differs from the one sent
constexpr int kExitLedgerDamaged = 81;  // a ledger copy is not what its line in the log says
constexpr int kExitNotTheSame = 82;  // a resume or a folder's unit: not the unit or records it was
constexpr int kExitPortGone = 83;    // the port went away, or leads to another device, mid-job
constexpr int kExitNotOnThisSystem = 84;  // not possible on this system (a bench on Windows)
constexpr int kExitInterrupted = 130;     // stopped by Ctrl-C (128 + SIGINT, as shells report it)

// `diff` and `check` answer a question, as cmp does: 0 same / sound, 1 different / problems,
// 2 trouble (a file cannot be read, a bad command line).
constexpr int kExitDiffSame = 0;
constexpr int kExitDiffDiffer = 1;
constexpr int kExitDiffTrouble = 2;
