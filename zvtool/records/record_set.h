#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/records/record_file.h"

// `zvtool set`: changes single bytes of records in a record file, so that nobody has to count
// commas in an editor. The file is written again whole in the driver's layout.

// One change: byte `offset` (0 to 129) of record `number` (0 central) becomes `value`.
struct TRecordEdit {
    int number;
    int offset;
    int value;
};

// The changes after the file name: one or more of "central OFFSET VALUE" and
// "module N OFFSET VALUE"; numbers decimal or 0x hexadecimal. False and `error` for the first
// word that does not fit.
bool ParseRecordEdits(const std::vector<std::string>& words, std::vector<TRecordEdit>* edits,
                      std::string* error);

// Applies the changes to every record of the number (a number held twice is changed in both
// places, so that what the unit keeps is changed whichever it keeps). False and `error` when
// a record to change is not in the file: set changes records, it does not add them.
bool ApplyRecordEdits(std::vector<TZvRecord>* records, const std::vector<TRecordEdit>& edits,
                      std::string* error);

struct TSetResult {
    std::string file;     // FILE
    std::string written;  // where the changed records went ("" when nothing was written)
    std::vector<TZvRecord> before;
    std::vector<TZvRecord> after;
    TCommandEnd end;  // exit 0, 64 (a change that does not fit), 65, 66 or 73
};

// Reads FILE strictly, applies the changes and writes the result to `output` (FILE when
// empty) through a file beside it, renamed over it.
TSetResult SetRecords(const std::string& file, const std::string& output,
                      const std::vector<TRecordEdit>& edits);
