#pragma once

// zvtool's help texts: the whole program, and each job command.
void PrintMainHelp();
void PrintUsageHint();

extern const char kTestHelp[];
// The options every job takes, after a job command's own help.
extern const char kJobOptionsHelp[];
extern const char kFetchHelp[];
extern const char kSendHelp[];
extern const char kBackupHelp[];
extern const char kRestoreHelp[];
