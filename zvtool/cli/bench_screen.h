#pragma once
#include <string>
#include <vector>

#include "zvtool/bench/bench.h"
#include "zvtool/jobs/events.h"

// What a bench shows: while it runs, one line per unit (redrawn together on a terminal, one
// line per event otherwise); at its end, a table of outcomes, or with --json one object per
// unit. The texts are pure, so that rows of units test them.

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

// The table: unit, port, result, records, time; a line per unit under a heading.
std::string OutcomeTable(const std::vector<TUnitOutcome>& outcomes);

// One unit's outcome as a JSON object, with its zvtool's own object as "run".
std::string OutcomeJson(const std::string& command, const TUnitOutcome& outcome);

// The bench's lines on standard error, from its events.
class TBenchView {
  public:
    TBenchView(const std::vector<TBenchUnit>& units, bool terminal);
    // The first drawing, every unit "starting".
    void Begin();
    void Show(const TEvent& event);

  private:
    void Draw();

    std::vector<TUnitView> views_;
    bool terminal_;
    std::size_t drawn_ = 0;
};
