#pragma once

// What the POSIX driver says on a terminal. The Windows build says nothing and reads no
// command line.

// Prints the help for --help (or -h) and the version for --version on stdout and returns
// true: the run ends there, touching no file. Any other argument is ignored: false.
bool AnswerCommandLine(int argc, char** argv);

// One line on stderr naming the cause of a run that ended with 2, 4, 5, 8, 9 or 10, and one
// naming a status or trace file not written because its name is a link of another account.
void ReportFailedRun(int result);
