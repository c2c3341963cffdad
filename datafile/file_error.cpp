#include "datafile/file_error.h"

namespace {

const char* failedName = nullptr;
int failedError = 0;

}  // namespace

// The first failure is the cause: later ones follow from it.
void NoteFileError(const char* name, int error) {
    if (failedName == nullptr) {
        failedName = name;
        failedError = error;
    }
}

const char* FailedFileName() {
    return failedName;
}

int FailedFileError() {
    return failedError;
}
