#pragma once
// What the virtual-time job tables share: a run folder with a unit on the virtual line, and
// the words the rows use for what the unit received, what a file holds and what a job said.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"
#include "tests/zvtool/virtual_driver.h"
#include "zvtool/jobs/job_outcome.h"
#include "zvtool/jobs/request.h"
#include "zvtool/platform/files.h"
#include "zvtool/records/record_file.h"

namespace jobtables {

class JobTable : public ::testing::Test {
  protected:
    ScratchDir dir;
    std::string folder = AbsolutePath(".");
    TVirtualDriver driver;
    TJobContext context = driver.Context(folder);
};

// What the unit received, in order: "V" the version query, "C" a fetch of the central record,
// "N" a fetch of module N, "S0" a send of the central record, "SN" a send of module N.
std::string Exchanges();
// The same since the `from`-th request (0 the first).
std::string ExchangesFrom(std::size_t from);

// The record numbers a file holds, "0 1 2" (0 central); "-" when there is no such file.
std::string NumbersIn(const std::string& path);
// Whether every record the file holds is the unit's record of that number, byte for byte.
bool HoldsTheUnits(const std::string& path);

// The unit's records `numbers` (0 central) as the fake unit holds them.
std::vector<TZvRecord> UnitRecords(const std::vector<int>& numbers);
// Writes records as a setup file.
void WriteRecords(const std::string& path, const std::vector<TZvRecord>& records);
// The unit's central record and modules 1-5, with byte 0 of the records `changed` flipped,
// written to `file`: a file to restore.
std::string FileToRestore(const std::string& file, const std::vector<int>& changed);
// The records the unit stored, in order: "2 4".
std::string Stored();

// The module of each new pass the job reported, in order: "1 2 3".
std::string Passes(const std::vector<TEvent>& events);
// The phases the job went through, by name: "testing the link, fetching".
std::string Phases(const std::vector<TEvent>& events);
// Whether one of the messages contains `text`.
bool Said(const TCommandEnd& end, const std::string& text);
bool Said(const TJobOutcome& outcome, const std::string& text);
// Every message of the job, one a line, for a failing row's account.
std::string AllSaid(const TJobOutcome& outcome);

TJobRequest Request(TZvJob job, const std::string& file, int first = 1, int last = 5);

}  // namespace jobtables
