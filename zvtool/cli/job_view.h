#pragma once
#include <cstddef>
#include <string>

#include "zvtool/jobs/events.h"

// What the terminal shows while a job runs, from the job's events, on standard error: the
// progress of each driver run (a line redrawn in place on a terminal, plain lines otherwise)
// and every message as it comes.

// The plain lines of `event`, as they go where standard error is no terminal ("" for an
// event that shows nothing there).
std::string PlainEventText(const TEvent& event);

class TJobView {
  public:
    explicit TJobView(bool terminal) : terminal_(terminal) {}
    void Show(const TEvent& event);
    // Takes a redrawn line off the terminal.
    void Clear();

  private:
    void Redraw(const std::string& line);

    bool terminal_;
    std::size_t shown_ = 0;  // characters of the line now on the terminal
};
