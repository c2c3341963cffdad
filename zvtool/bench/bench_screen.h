#pragma once
#include <string>
#include <vector>

// What a bench shows: while it runs, one line per unit (redrawn together on a terminal, one
// line per event otherwise); at its end, a table of outcomes, or with --json one object per
// unit. Pure, so that rows of units test it.

struct TUnitView {
    std::string name;
    std::string port;
    std::string line;  // the unit's last progress line, as its own zvtool printed it
};

// One line per unit: its name and port in columns, then its line.
std::vector<std::string> BenchLines(const std::vector<TUnitView>& units);

// The text that redraws `lines` over the `drawn` lines of the last drawing: the cursor up to
// the first of them, then each line cleared and written.
std::string Redraw(const std::vector<std::string>& lines, std::size_t drawn);

struct TUnitOutcome {
    std::string name;
    std::string port;
    int exit = -1;       // its zvtool's exit status; -1 when it did not end by itself
    std::string result;  // what it said of the run: the outcome line, or its error
    int records = -1;    // records in its file; -1 for none
    std::string file;
    double seconds = 0;     // wall time of the unit's run
    double cpuSeconds = 0;  // processor time of its zvtool and its driver
    std::string json;       // its zvtool's own JSON object, "" when it printed none
};

// The table: unit, port, result, records, time; a line per unit under a heading.
std::string OutcomeTable(const std::vector<TUnitOutcome>& outcomes);

// One unit's outcome as a JSON object, with its zvtool's own object as "run".
std::string OutcomeJson(const TUnitOutcome& outcome);

// The bench's exit status: 0 when every unit's was 0, 130 when it was stopped, otherwise the
// highest of the units' exit statuses.
int BenchExit(const std::vector<TUnitOutcome>& outcomes, bool interrupted);

// The value of a top-level key of one of zvtool's own JSON objects: a string (unescaped) or
// a number as its text; false when the key is not there or is null.
bool JsonField(const std::string& json, const std::string& key, std::string* value);
