#pragma once
#include <string>

// A short account of a run from the driver's trace (the file ZORDRIVE_TRACE names), for a
// technician: the result, each exchange that needed more than one attempt or failed, what
// went wrong in its attempts, and what to check on site. Of a file that several runs
// appended to, the last run is told. For example:
//   result 4: the exchange failed or the unit refused (fetch); ...
//   module 7 fetch: 5 attempts failed: 3 x no acknowledgement, 2 x bad checksum
//   the line is answering but garbling replies: check the cable and its earthing
std::string SummariseTrace(const std::string& traceText);
