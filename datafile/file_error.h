#pragma once

// The first record file of the run that failed, and the system's reason (errno), for the
// POSIX driver's one-line report of a result 8 or 10. Nothing else reads it: the result code
// stays the only report of the run.
void NoteFileError(const char* name, int error);
// The file's name, or nullptr when no record file failed.
const char* FailedFileName();
int FailedFileError();
