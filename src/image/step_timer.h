// The CPU-time log line printed after every step of a run.
#pragma once

namespace photofilter {

// Prints "<label> cpu time step N total T this step D" on standard error,
// where T is the process CPU time in seconds and D the time since the
// previous line plus 0.001, then counts the step.
void step_timer(const char *label);

}  // namespace photofilter
