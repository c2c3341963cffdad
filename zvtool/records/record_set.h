#pragma once
#include <string>
#include <vector>

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

// Reads FILE strictly, applies the changes, writes the result to `output` (FILE when empty)
// through a file beside it that `replace` renames over it, and prints the diff of before and
// after. zvtool's exit status: 0, 64 (a change that does not fit), 65, 66 or 73.
int RunSet(const std::string& file, const std::string& output,
           const std::vector<TRecordEdit>& edits, bool hex,
           bool (*replace)(const std::string& from, const std::string& to));
